#include "submission/submission.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "support/failing_platform.h"
#include "text/utf8.h"

namespace webexam {
namespace {

using test::ReadBytes;
namespace fs = std::filesystem;

using test::Kind;
using Op = test::FailingPlatform::Op;

class SubmissionTest : public ::testing::Test {
 protected:
  SubmissionTest() {
    fs::create_directories(page_.parent_path());
    fs::create_directories(share_);
  }
  // One press, as the grading window makes it; the message it shows.
  std::u16string Press(Platform& platform, std::u16string* note = nullptr,
                       std::optional<UnopenedReport>* report = nullptr) {
    Submission submission(platform, paths_, test::SampleExam().key, state_);
    std::optional<UnopenedReport> unopened = submission.GradeAndRecord();
    if (report) *report = std::move(unopened);
    const ShareOutcome outcome = submission.Deliver();
    if (note) *note = submission.Note();
    return std::u16string(MessageFor(outcome));
  }
  std::u16string Press() { return Press(platform_); }
  std::size_t Lines(const fs::path& file) { return test::CrLfLines(ReadBytes(file)).size(); }

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

TEST_F(SubmissionTest, ThreePressesLogThreeTimesAndReachTheShareOnce) {
  // The local log line of this candidate for a page with these marks.
  auto line = [](const std::string& count, std::string_view marks) {
    std::string line = "120722001\t\xD5\xC5\xC8\xFD\tJF07\t" + count;  // 张三
    for (char mark : marks) line += std::string("\t") + mark;
    return line + "\r\n";
  };
  // No page yet: it is made, graded empty and recorded; a marker of this
  // PC left on the share from an earlier exam is left as it is (candidates
  // may be let create files there but not change them).
  test::WriteBytes(share_ / "JF07", "left from an earlier exam");
  EXPECT_EQ(Press(), u"");
  EXPECT_TRUE(fs::exists(page_));
  const std::string first = line("1", "0000000000000100000000");
  EXPECT_EQ(ReadBytes(root_ / "cjj.txt"), first);

  // The candidate writes the page: the next presses grade it afresh, but are refused.
  test::WriteBytes(page_, ReadBytes(test::ModelAnswer()));
  EXPECT_EQ(Press(), kAlreadySubmittedMessage);
  EXPECT_EQ(Press(), kAlreadySubmittedMessage);

  const std::string full = line("22", "1111111111111111111111");
  EXPECT_EQ(ReadBytes(root_ / "cjj.txt"), first + full + full);
  EXPECT_EQ(ReadBytes(share_ / "cjwyzz.txt"), first);
  EXPECT_EQ(ReadBytes(share_ / "JF07"), "left from an earlier exam");
  // The report was rewritten and shown on every press, refused ones included.
  EXPECT_EQ(Lines(root_ / "cj.txt"), 28u);
  EXPECT_EQ(platform_.opened.size(), 3u);
}

TEST_F(SubmissionTest, AFailingStepStopsThePassButAMissingViewerDoesNot) {
  // The local log cannot be written: no report, no share.
  fs::create_directory(root_ / "cjj.txt");
  EXPECT_TRUE(test::ThrowsPlatformError([&] { Press(); }, test::kFolderInTheWay, paths_.local_log));
  EXPECT_FALSE(fs::exists(root_ / "cj.txt"));
  EXPECT_TRUE(platform_.opened.empty());
  fs::remove(root_ / "cjj.txt");

  // The viewer cannot be started: the report's text goes to the window of
  // the client's own, and the submission goes on to the share.
  platform_.Fail(Op::kOpenDocument, Kind::kNotFound);
  std::optional<UnopenedReport> shown;
  EXPECT_EQ(Press(platform_, nullptr, &shown), u"");
  ASSERT_TRUE(shown);
  EXPECT_EQ(shown->why.path(), ToUtf8(paths_.report));
  EXPECT_EQ(platform_.EncodeGbk(shown->text), ReadBytes(root_ / "cj.txt"));
  EXPECT_EQ(Lines(root_ / "cjj.txt"), 1u);
  EXPECT_TRUE(fs::exists(root_ / "windows" / "fen.g"));
  EXPECT_EQ(ReadBytes(share_ / "cjwyzz.txt"), ReadBytes(root_ / "cjj.txt"));
  EXPECT_EQ(Press(), kAlreadySubmittedMessage);
}

TEST_F(SubmissionTest, TheFirstSubmissionLeavesTheBytesItWasGradedOnInPages) {
  // A page longer than the probe reads: only what was graded is kept.
  const std::string model = ReadBytes(test::ModelAnswer());
  test::WriteBytes(page_, model + std::string(40000, ' ') + "abcd");
  std::u16string note = u"unset";
  EXPECT_EQ(Press(platform_, &note), u"");
  EXPECT_EQ(note, u"");
  const fs::path kept = share_ / "pages" / "120722001-JF07.htm";
  EXPECT_EQ(ReadBytes(kept), (model + std::string(40000, ' ')).substr(0, 32000));
  // pages is a folder, so no tool counts it among the PCs' markers.
  std::vector<std::u16string> files = platform_.ListFiles(test::U16(share_));
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, (std::vector<std::u16string>{u"JF07", u"cjwyzz.txt"}));
  EXPECT_TRUE(fs::is_directory(share_ / "pages"));

  // A refused submission leaves the kept page alone.
  test::WriteBytes(page_, "");
  EXPECT_EQ(Press(platform_, &note), kAlreadySubmittedMessage);
  EXPECT_EQ(ReadBytes(kept).size(), 32000u);
}

TEST_F(SubmissionTest, APageThatCannotBeKeptIsANoteAndNeverChangesTheMessage) {
  platform_.Fail(Op::kMakeFolder, Kind::kDenied, u"pages");
  std::u16string note;
  EXPECT_EQ(Press(platform_, &note), u"");
  EXPECT_NE(note.find(u"所评的页面没能留在共享文件夹里"), std::u16string::npos);
  EXPECT_NE(note.find(paths_.results_share + u"pages"), std::u16string::npos);
  EXPECT_EQ(Lines(share_ / "cjwyzz.txt"), 1u);
  EXPECT_TRUE(fs::exists(share_ / "JF07"));
  EXPECT_FALSE(fs::exists(share_ / "pages"));

  // The pages folder made meanwhile by another PC is used as it is.
  fs::create_directories(share_ / "pages");
  fs::remove(root_ / "windows" / "fen.g");
  state_.computer_name = u"JF08";
  EXPECT_EQ(Press(platform_, &note), u"");
  EXPECT_EQ(note, u"");
  EXPECT_TRUE(fs::exists(share_ / "pages" / "120722001-JF08.htm"));

  // A file in the folder's place: the note says which, for the teacher.
  fs::remove_all(share_ / "pages");
  test::WriteBytes(share_ / "pages", "");
  fs::remove(root_ / "windows" / "fen.g");
  state_.computer_name = u"JF09";
  EXPECT_EQ(Press(platform_, &note), u"");
  EXPECT_NE(note.find(u"pages 是一个文件，不是文件夹"), std::u16string::npos) << ToUtf8(note);
  EXPECT_EQ(Lines(share_ / "cjwyzz.txt"), 3u);
}

// The share as its server sees one PC: each connection made and ended and
// each file written on the share in between, in order, on a clock that moves
// only while the share step waits.
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
  void WriteFile(const std::u16string& path, std::string_view bytes) override {
    FailingPlatform::WriteFile(path, bytes);
    Wrote(path);
  }
  void WriteNewFile(const std::u16string& path, std::string_view bytes) override {
    FailingPlatform::WriteNewFile(path, bytes);
    Wrote(path);
  }
  void Sleep(std::chrono::milliseconds duration) override { now += duration; }
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

TEST_F(SubmissionTest, AShareStepThatDeliversNothingStillEndsItsConnection) {
  using Events = std::vector<std::string>;
  {
    // Connected, but the log is refused.
    ServerView server(*real_, paths_.results_share);
    server.Fail(Op::kAppendExclusively, Kind::kDenied);
    EXPECT_EQ(Press(server), kNotDeliveredMessage);
    EXPECT_EQ(server.events, (Events{"connect", "disconnect"}));
    EXPECT_FALSE(fs::exists(root_ / "windows" / "fen.g"));
  }
  // The server full for the whole budget: the PC gives up when it is
  // spent, is not marked, and the next press delivers.
  ServerView server(*real_, paths_.results_share);
  server.Fail(Op::kConnectShare, Kind::kServerFull);
  EXPECT_EQ(Press(server), kNotDeliveredMessage);
  EXPECT_EQ(server.now, std::chrono::steady_clock::time_point{} + ShareRetry{}.budget);
  EXPECT_GT(server.Calls(Op::kConnectShare), 5);
  EXPECT_EQ(server.events, (Events{"disconnect"}));
  EXPECT_FALSE(fs::exists(root_ / "windows" / "fen.g"));
  EXPECT_FALSE(fs::exists(share_ / "cjwyzz.txt"));
  EXPECT_FALSE(fs::exists(share_ / "JF07"));

  server.Clear();
  server.events.clear();
  EXPECT_EQ(Press(server), u"");
  EXPECT_EQ(server.events,
            (Events{"connect", "cjwyzz.txt", "JF07", "pages/120722001-JF07.htm", "disconnect"}));
  EXPECT_EQ(test::CrLfLines(ReadBytes(share_ / "cjwyzz.txt")).size(), 1u);

  // A later press never reaches the server.
  server.events.clear();
  EXPECT_EQ(Press(server), kAlreadySubmittedMessage);
  EXPECT_EQ(std::count(server.events.begin(), server.events.end(), "connect"), 0);
}

TEST_F(SubmissionTest, APageKeptBeforeARebootIsNeverWrittenOver) {
  // Restore software took this PC's marker back twice; a folder stands where
  // its second page would go.
  const fs::path pages = share_ / "pages";
  fs::create_directories(pages / "120722001-JF07(2).htm");
  std::u16string note;
  for (const char* page : {"first", "second"}) {
    fs::remove(root_ / "windows" / "fen.g");
    test::WriteBytes(page_, page);
    EXPECT_EQ(Press(platform_, &note), u"");
    EXPECT_EQ(note, u"");
  }
  EXPECT_EQ(ReadBytes(pages / "120722001-JF07.htm"), "first");
  EXPECT_EQ(ReadBytes(pages / "120722001-JF07(3).htm"), "second");

  // Any other failure ends the tries at once: the note names the page.
  platform_.Fail(Op::kWriteNewFile, Kind::kNoSpace, u"pages");
  fs::remove(root_ / "windows" / "fen.g");
  const int before = platform_.Calls(Op::kWriteNewFile);
  EXPECT_EQ(Press(platform_, &note), u"");
  EXPECT_NE(note.find(u"120722001-JF07.htm）："), std::u16string::npos) << ToUtf8(note);
  EXPECT_EQ(platform_.Calls(Op::kWriteNewFile) - before, 2);  // the marker, one page
  EXPECT_EQ(Lines(share_ / "cjwyzz.txt"), 3u);
}

}  // namespace
}  // namespace webexam
