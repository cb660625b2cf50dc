// One press of "上交成绩" on real files: what this PC records, what reaches the
// results share, and what is refused, retried or taken back.
#include "submission/submission.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "submission/result_line.h"
#include "support/failing_platform.h"
#include "text/utf8.h"

namespace webexam {
namespace {

using test::ReadBytes;
namespace fs = std::filesystem;

using test::Kind;
using Op = test::FailingPlatform::Op;
using std::chrono::milliseconds;

// The share as its server sees one PC: connections and files written, in
// order, on a clock that moves only while the delivery waits.
class ServerView : public test::FailingPlatform {
 public:
  ServerView(Platform& inner, std::u16string share) : FailingPlatform(inner), share_(share) {}

  void ConnectShare(const std::u16string& share) override {
    FailingPlatform::ConnectShare(share);
    events.push_back("connect");
  }
  void DisconnectShare(const std::u16string& share) override {
    events.push_back("disconnect");
    FailingPlatform::DisconnectShare(share);
  }
  void AppendExclusively(const std::u16string& path, std::string_view bytes) override {
    FailingPlatform::AppendExclusively(path, bytes);
    Wrote(path);
  }
  void WriteNewFile(const std::u16string& path, std::string_view bytes) override {
    FailingPlatform::WriteNewFile(path, bytes);
    Wrote(path);
  }
  void Sleep(milliseconds duration) override { now += duration; }
  std::chrono::steady_clock::time_point Now() override { return now; }

  std::vector<std::string> events;
  std::chrono::steady_clock::time_point now{};

 private:
  // The name under the share, with '/' between folders on every platform.
  void Wrote(const std::u16string& path) {
    if (!path.starts_with(share_)) return;
    std::string name = ToUtf8(path.substr(share_.size()));
    std::replace(name.begin(), name.end(), '\\', '/');
    events.push_back(name);
  }
  std::u16string share_;
};

class SubmissionTest : public ::testing::Test {
 protected:
  SubmissionTest() {
    fs::create_directories(page_.parent_path());
    fs::create_directories(share_);
  }
  // One press, as the grading window makes it; the message it shows.
  std::u16string Press(Platform& platform, std::u16string* note = nullptr,
                       const ShareRetry& retry = {},
                       std::optional<UnopenedReport>* report = nullptr) {
    Submission submission(platform, paths_, test::SampleExam().key, state_);
    std::optional<UnopenedReport> unopened = submission.GradeAndRecord();
    if (report) *report = std::move(unopened);
    const ShareOutcome outcome = submission.Deliver(retry);
    if (note) *note = submission.Note();
    return std::u16string(MessageFor(outcome));
  }
  std::u16string Press() { return Press(platform_); }
  std::string Line() { return test::CrLfLines(ReadBytes(root_ / "cjj.txt")).back(); }
  std::string ShareLog() { return ReadBytes(share_ / "cjwyzz.txt"); }
  std::size_t Lines(const fs::path& file) { return test::CrLfLines(ReadBytes(file)).size(); }
  bool Marked() { return fs::exists(root_ / "windows" / "fen.g"); }
  void Unmark() { fs::remove(root_ / "windows" / "fen.g"); }

  std::unique_ptr<Platform> real_ = MakePlatform();
  test::FailingPlatform platform_{*real_};
  test::TempDir dir_;
  fs::path root_ = dir_.path() / "c";
  fs::path page_ = root_ / "620722001" / "web" / "index.htm";
  fs::path share_ = dir_.path() / "share";
  ExamPaths paths_ =
      MakeExamPaths(test::U16(root_), u"/program", u"620722001", test::U16(share_), u'/');
  ExamState state_{u"120722001", u"张三", u"JF07"};
};

// A press refused as a second one, its share left as it was and its local
// log grown, is the clients' end-to-end test's; here its page is graded afresh.
TEST_F(SubmissionTest, PressesAreLoggedEachTimeAndReachTheShareOnce) {
  auto line = [&](std::string_view marks) {
    return EncodeResultLine(platform_, BuildResultLine(state_, test::ResultOf(marks)));
  };
  // No page yet: it is made, graded empty and recorded; a marker left from an
  // earlier exam stays (candidates may create files there but not change them).
  test::WriteBytes(share_ / "JF07", "left from an earlier exam");
  EXPECT_EQ(Press(), u"");
  const std::string first = line("0000000000000100000000");
  test::WriteBytes(page_, ReadBytes(test::ModelAnswer()));
  EXPECT_EQ(Press(), kAlreadySubmittedMessage);
  EXPECT_EQ(ReadBytes(root_ / "cjj.txt"), first + line("1111111111111111111111"));
  EXPECT_EQ(ShareLog(), first);
  EXPECT_EQ(ReadBytes(share_ / "JF07"), "left from an earlier exam");
  // The report was rewritten and shown on every press, the refused one too.
  EXPECT_EQ(Lines(root_ / "cj.txt"), 28u);
  EXPECT_EQ(platform_.opened.size(), 2u);
}

TEST_F(SubmissionTest, AFailingStepStopsThePassButAMissingViewerDoesNot) {
  // The local log cannot be written: no report, no share.
  fs::create_directory(root_ / "cjj.txt");
  EXPECT_TRUE(test::ThrowsPlatformError([&] { Press(); }, test::kFolderInTheWay, paths_.local_log));
  EXPECT_FALSE(fs::exists(root_ / "cj.txt"));
  EXPECT_TRUE(platform_.opened.empty());
  fs::remove(root_ / "cjj.txt");

  // The viewer cannot be started: the report's text goes to the client's
  // own window (the share is the clients' end-to-end test's).
  platform_.Fail(Op::kOpenDocument, Kind::kNotFound);
  std::optional<UnopenedReport> shown;
  EXPECT_EQ(Press(platform_, nullptr, {}, &shown), u"");
  ASSERT_TRUE(shown);
  EXPECT_EQ(shown->why.path(), ToUtf8(paths_.report));
  EXPECT_EQ(platform_.EncodeGbk(shown->text), ReadBytes(root_ / "cj.txt"));
}

TEST_F(SubmissionTest, TheGradedBytesAreKeptInPagesAndNeverWrittenOver) {
  // A page longer than the probe reads: only what was graded is kept.
  const std::string model = ReadBytes(test::ModelAnswer());
  test::WriteBytes(page_, model + std::string(40000, ' ') + "abcd");
  std::u16string note = u"unset";
  EXPECT_EQ(Press(platform_, &note), u"");
  const fs::path pages = share_ / "pages";
  EXPECT_EQ(ReadBytes(pages / "120722001-JF07.htm"),
            (model + std::string(40000, ' ')).substr(0, 32000));

  // A refused press keeps nothing. Restore software took the marker back twice,
  // a folder stands at the second page's name: each later page takes the next.
  test::WriteBytes(page_, "second");
  EXPECT_EQ(Press(platform_, &note), kAlreadySubmittedMessage);
  fs::create_directories(pages / "120722001-JF07(2).htm");
  Unmark();
  EXPECT_EQ(Press(platform_, &note), u"");
  EXPECT_EQ(note, u"");
  EXPECT_EQ(ReadBytes(pages / "120722001-JF07.htm").size(), 32000u);
  EXPECT_EQ(ReadBytes(pages / "120722001-JF07(3).htm"), "second");

  // Any other failure ends the tries at once: the note names the page.
  platform_.Fail(Op::kWriteNewFile, Kind::kNoSpace, u"pages");
  Unmark();
  const int before = platform_.Calls(Op::kWriteNewFile);
  EXPECT_EQ(Press(platform_, &note), u"");
  EXPECT_NE(note.find(u"120722001-JF07.htm）："), std::u16string::npos) << ToUtf8(note);
  EXPECT_EQ(platform_.Calls(Op::kWriteNewFile) - before, 2);  // the marker, one page
  EXPECT_EQ(Lines(share_ / "cjwyzz.txt"), 3u);
}

TEST_F(SubmissionTest, APageThatCannotBeKeptIsANoteAndNeverChangesTheMessage) {
  platform_.Fail(Op::kMakeFolder, Kind::kDenied, u"pages");
  std::u16string note;
  EXPECT_EQ(Press(platform_, &note), u"");
  EXPECT_NE(note.find(u"所评的页面没能留在共享文件夹里"), std::u16string::npos);
  EXPECT_NE(note.find(paths_.results_share + u"pages"), std::u16string::npos);
  EXPECT_TRUE(fs::exists(share_ / "JF07"));
  EXPECT_FALSE(fs::exists(share_ / "pages"));

  // A file in the folder's place: the note says which, for the teacher.
  test::WriteBytes(share_ / "pages", "");
  Unmark();
  EXPECT_EQ(Press(platform_, &note), u"");
  EXPECT_NE(note.find(u"pages 是一个文件，不是文件夹"), std::u16string::npos) << ToUtf8(note);
  EXPECT_EQ(Lines(share_ / "cjwyzz.txt"), 2u);
}

TEST_F(SubmissionTest, AShareStepThatDeliversNothingSaysWhyAndStillEndsItsConnection) {
  using Events = std::vector<std::string>;
  {
    // Connected, but the log is refused: one try (the PC left unmarked on a
    // read-only share is real_smb_test.py's read-only case).
    test::FailingPlatform server(*real_);
    server.Fail(Op::kAppendExclusively, Kind::kDenied);
    EXPECT_EQ(Press(server), kNotDeliveredMessage);
    EXPECT_EQ(server.Calls(Op::kAppendExclusively), 1);
  }
  {
    // A refused logon will not pass within a retry: told at once, and the
    // error output says, after the system's words, what the teacher must change.
    ServerView server(*real_, paths_.results_share);
    server.Fail(Op::kConnectShare, Kind::kGuestRefused);
    std::u16string why;
    EXPECT_EQ(Press(server, &why), kNotDeliveredMessage);
    EXPECT_EQ(server.Calls(Op::kConnectShare), 1);
    EXPECT_EQ(server.events, (Events{"disconnect"}));
    const std::string words =
        test::ErrorOf(Kind::kGuestRefused, "cannot connect to", paths_.results_share).what();
    EXPECT_TRUE(why.starts_with(u"成绩没有交到 " + paths_.share_log + u"：" + FromUtf8(words) +
                                u"。教师机不接受来宾（guest）登录"))
        << ToUtf8(why);
    EXPECT_NE(why.find(u"webexam-check --save-credentials"), std::u16string::npos);
  }
  // The server full for the whole budget: the PC gives up when it is
  // spent, is not marked, and the next press delivers.
  ServerView server(*real_, paths_.results_share);
  server.Fail(Op::kConnectShare, Kind::kServerFull);
  EXPECT_EQ(Press(server), kNotDeliveredMessage);
  EXPECT_EQ(server.now, std::chrono::steady_clock::time_point{} + ShareRetry{}.budget);
  EXPECT_GT(server.Calls(Op::kConnectShare), 5);
  EXPECT_EQ(server.events, (Events{"disconnect"}));
  EXPECT_FALSE(Marked());
  EXPECT_FALSE(fs::exists(share_ / "cjwyzz.txt"));

  server.Clear();
  server.events.clear();
  EXPECT_EQ(Press(server), u"");
  EXPECT_EQ(server.events,
            (Events{"connect", "cjwyzz.txt", "JF07", "pages/120722001-JF07.htm", "disconnect"}));

  // A later press never reaches the server.
  server.events.clear();
  EXPECT_EQ(Press(server), kAlreadySubmittedMessage);
  EXPECT_EQ(std::count(server.events.begin(), server.events.end(), "connect"), 0);
}

TEST_F(SubmissionTest, TheLineAndTheComputerMarkerShareOneDeadline) {
  ServerView share(*real_, paths_.results_share);
  const std::chrono::steady_clock::time_point start{};
  // The log is busy for 14 s, the marker's place for ever: the marker gets
  // what is left of the 15 s, not 15 s of its own.
  share.Fail(Op::kAppendExclusively, Kind::kBusy).until = start + milliseconds(14'000);
  share.Fail(Op::kWriteNewFile, Kind::kTransient, paths_.results_share + state_.computer_name);
  EXPECT_EQ(Press(share), kNoComputerMarkerMessage);
  EXPECT_EQ(ShareLog(), Line());
  EXPECT_LE(share.now - start, milliseconds(15'000));
  EXPECT_GE(share.now - start, milliseconds(14'000));
}

#ifdef _WIN32
TEST_F(SubmissionTest, AMarkerFolderStoredUnderAnotherCaseCountsAsPresent) {
  fs::create_directory(root_ / "Windows");
  EXPECT_EQ(Press(), u"");
  EXPECT_TRUE(fs::exists(root_ / "Windows" / "fen.g"));
}
#endif

// A write the network broke off leaves part of the line, which a log open for
// appending alone cannot cut: the retry starts a line of its own.
TEST_F(SubmissionTest, APartLineLeftByABrokenWriteStaysALineOfItsOwn) {
  test::FailingPlatform share(*real_);
  share.torn_appends = 1;
  EXPECT_EQ(Press(share), u"");
  EXPECT_EQ(share.Calls(Op::kAppendExclusively), 2);
  const std::string line = Line();
  const std::string part = line.substr(0, line.size() / 2);
  EXPECT_EQ(ShareLog(), part + "\r\n" + line);
  ResultLineFields read;
  ParseResultLine(part, read);
  EXPECT_NE(read.fault, FieldFault::kNone);

  // A retry after a passing failure that wrote nothing adds no line end.
  Unmark();
  fs::remove(share_ / "cjwyzz.txt");
  test::FailingPlatform busy(*real_);
  busy.Fail(Op::kAppendExclusively, Kind::kTransient).times = 1;
  EXPECT_EQ(Press(busy), u"");
  EXPECT_EQ(ShareLog(), line);
}

// The line still reaches the teachers where the marker cannot be made: a name
// that is no file's (or the share log's), a folder in the marker's place.
TEST_F(SubmissionTest, AComputerMarkerThatCannotBeMadeOrNamedStillGivesTheTeachersAResult) {
  for (std::u16string name : {u"", u"..", u"a/b", u"a\\b", u"a:b", u"a*b", u"PC\x85", u"Pages"}) {
    EXPECT_FALSE(IsSafeFileName(name)) << ToUtf8(name);
  }
  EXPECT_TRUE(IsSafeFileName(u"JF-07 机房"));
  for (std::u16string name : {u"CJWYZZ.TXT", u"PC\t1", u"JF07"}) {
    if (name == u"JF07") fs::create_directory(share_ / "JF07");
    state_.computer_name = name;
    EXPECT_EQ(Press(), kNoComputerMarkerMessage);
    EXPECT_TRUE(Marked());
    Unmark();
  }
  EXPECT_EQ(ShareLog(), ReadBytes(root_ / "cjj.txt"));
  EXPECT_EQ(platform_.ListFiles(test::U16(share_)), std::vector<std::u16string>{u"cjwyzz.txt"});
}

TEST_F(SubmissionTest, FailuresOnThisPcAreNotAnswered) {
  // The marker cannot be taken back: the PC would stay marked without its line.
  test::FailingPlatform share(*real_);
  share.Fail(Op::kAppendExclusively, Kind::kNotFound);
  share.Fail(Op::kRemoveFile, Kind::kDenied, u"fen.g");
  EXPECT_TRUE(
      test::ThrowsPlatformError([&] { Press(share); }, Kind::kDenied, paths_.submitted_marker));

  // The marker cannot be made: nothing reaches the share.
  share.Clear();
  Unmark();
  share.Fail(Op::kWriteFile, Kind::kDenied, u"fen.g");
  EXPECT_TRUE(
      test::ThrowsPlatformError([&] { Press(share); }, Kind::kDenied, paths_.submitted_marker));
  EXPECT_FALSE(fs::exists(share_ / "cjwyzz.txt"));
}

}  // namespace
}  // namespace webexam
