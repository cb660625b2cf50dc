#include "submission/results_share.h"

#include <gtest/gtest.h>

#include <chrono>
#include <iterator>
#include <thread>

#include "results/share_log_reader.h"
#include "submission/result_line.h"
#include "support/failing_platform.h"
#include "text/utf8.h"

namespace webexam {
namespace {

namespace fs = std::filesystem;

using test::FailingPlatform;
using test::Kind;
using Op = FailingPlatform::Op;

class ResultsShare : public ::testing::Test {
 protected:
  ResultsShare() {
    fs::create_directories(root_);
    fs::create_directories(share_);
  }

  ShareOutcome Submit(Platform* platform = nullptr, const ShareRetry& retry = {},
                      std::u16string* why = nullptr) {
    if (!platform) platform = platform_.get();
    EnsureMarkerFolder(*platform, paths_);
    ShareConnection connection(*platform, paths_.results_share);
    return SubmitToResultsShare(*platform, paths_, state_, result_, connection, retry, why);
  }
  std::string Line() { return RecordLine(*platform_, BuildResultRecord(state_, result_)); }
  std::string ShareLog() { return test::ReadBytes(share_ / "cjwyzz.txt"); }
  bool Marked() { return fs::exists(root_ / "windows" / "fen.g"); }
  std::ptrdiff_t ShareFiles() { return std::distance(fs::directory_iterator(share_), {}); }

  std::unique_ptr<Platform> platform_ = MakePlatform();
  test::TempDir dir_;
  fs::path root_ = dir_.path() / "c";
  fs::path share_ = dir_.path() / "share";
  ExamPaths paths_ =
      MakeExamPaths(test::U16(root_), u"/program", u"620722001", test::U16(share_), u'/');
  ExamState state_{u"120722001", u"张三", u"JF07"};
  GradeResult result_ = test::ResultOf("1100000000000000000001");
};

#ifdef _WIN32
TEST_F(ResultsShare, AMarkerFolderStoredUnderAnotherCaseCountsAsPresent) {
  fs::create_directory(root_ / "Windows");
  EXPECT_EQ(Submit(), ShareOutcome::kSubmitted);
  EXPECT_TRUE(fs::exists(root_ / "Windows" / "fen.g"));
}
#endif

TEST_F(ResultsShare, AShareLogHeldByAnotherWriterTakesTheLineWhenFreeWithinTheRetryLimit) {
  const fs::path ready = dir_.path() / "ready";
  auto holder = test::Spawn(test::TestProgram("results_driver"),
                            {"hold-lock", (share_ / "cjwyzz.txt").string(), "2500", ready.string()},
                            dir_.path() / "holder.out");
  while (!fs::exists(ready)) std::this_thread::sleep_for(std::chrono::milliseconds(10));

  // Held past the limit: not delivered, and the next press tries again.
  EXPECT_EQ(Submit(nullptr, ShareRetry{std::chrono::milliseconds(800)}),
            ShareOutcome::kNotDelivered);
  EXPECT_FALSE(Marked());
  EXPECT_EQ(ShareLog(), "");
  // Still held for a while: the line lands after the wait.
  EXPECT_EQ(Submit(), ShareOutcome::kSubmitted);
  EXPECT_EQ(ShareLog(), Line());
  EXPECT_EQ(test::Wait(holder), 0);
}

TEST_F(ResultsShare, OnlyBusyAndPassingNetworkErrorsAreRetried) {
  for (Kind kind : {Kind::kBusy, Kind::kTransient, Kind::kServerFull}) {
    FailingPlatform share(*platform_);
    share.Fail(Op::kAppendExclusively, kind).times = 2;
    EXPECT_EQ(Submit(&share), ShareOutcome::kSubmitted);
    EXPECT_EQ(share.Calls(Op::kAppendExclusively), 3);
    EXPECT_EQ(ShareLog(), Line());
    fs::remove(root_ / "windows" / "fen.g");
    fs::remove(share_ / "cjwyzz.txt");
  }
  // A refused file, a full disk: one try, and the next press tries again.
  for (Kind kind : {Kind::kDenied, Kind::kNoSpace, Kind::kOther}) {
    FailingPlatform share(*platform_);
    share.Fail(Op::kAppendExclusively, kind);
    EXPECT_EQ(Submit(&share), ShareOutcome::kNotDelivered);
    EXPECT_EQ(share.Calls(Op::kAppendExclusively), 1);
    EXPECT_FALSE(Marked());
  }
}

// A log open for appending alone cannot be cut short: a write the network
// broke off leaves part of the line, and the retry starts a line of its own,
// so that the part is one bad line to the teachers' tools and the PC's line
// counts whole.
TEST_F(ResultsShare, APartLineLeftByABrokenWriteStaysALineOfItsOwn) {
  FailingPlatform share(*platform_);
  share.torn_appends = 1;
  EXPECT_EQ(Submit(&share), ShareOutcome::kSubmitted);
  EXPECT_EQ(share.Calls(Op::kAppendExclusively), 2);
  const std::string line = Line();
  EXPECT_EQ(ShareLog(), line.substr(0, line.size() / 2) + "\r\n" + line);
  const ShareLogContent log =
      ReadShareLog(ShareLog(), [&](std::string_view gbk) { return platform_->DecodeGbk(gbk); });
  ASSERT_EQ(log.records.size(), 1u);
  EXPECT_EQ(log.records[0].line, 2u);
  EXPECT_EQ(log.records[0].marks, result_.marks);
  ASSERT_EQ(log.notes.size(), 1u);
  EXPECT_EQ(log.notes[0].line, 1u);
  EXPECT_TRUE(IsProblem(log.notes[0].problem));

  // A retry after a failure that wrote nothing adds no line end.
  fs::remove(root_ / "windows" / "fen.g");
  fs::remove(share_ / "cjwyzz.txt");
  FailingPlatform busy(*platform_);
  busy.Fail(Op::kAppendExclusively, Kind::kTransient).times = 1;
  EXPECT_EQ(Submit(&busy), ShareOutcome::kSubmitted);
  EXPECT_EQ(ShareLog(), line);
}

// A refused logon will not pass within a retry: told at once, the PC left
// unmarked, and the error output says, after the system's words, what the
// teacher must change.
TEST_F(ResultsShare, ARefusedLogonIsToldAtOnceWithWhatToChange) {
  FailingPlatform share(*platform_);
  share.Fail(Op::kConnectShare, Kind::kGuestRefused);
  std::u16string why;
  EXPECT_EQ(Submit(&share, {}, &why), ShareOutcome::kNotDelivered);
  EXPECT_EQ(share.Calls(Op::kConnectShare), 1);
  EXPECT_EQ(share.Calls(Op::kAppendExclusively), 0);
  EXPECT_FALSE(Marked());
  const std::string words =
      test::ErrorOf(Kind::kGuestRefused, "cannot connect to", paths_.results_share).what();
  EXPECT_TRUE(why.starts_with(u"成绩没有交到 " + paths_.share_log + u"：" + FromUtf8(words) +
                              u"。教师机不接受来宾（guest）登录"))
      << ToUtf8(why);
  EXPECT_NE(why.find(u"webexam-check --save-credentials"), std::u16string::npos);
}

// A folder in the share log's place takes no PC's line: the error output
// says so, so that the teacher knows what to move.
TEST_F(ResultsShare, AShareLogThatIsAFolderIsNamedInTheErrorOutput) {
  fs::create_directories(share_ / "cjwyzz.txt");
  std::u16string why;
  EXPECT_EQ(Submit(nullptr, {std::chrono::milliseconds(50)}, &why), ShareOutcome::kNotDelivered);
  EXPECT_FALSE(Marked());
  EXPECT_NE(why.find(u"cjwyzz.txt 是一个文件夹，不是文件"), std::u16string::npos) << ToUtf8(why);
  EXPECT_NE(why.find(u"移走或改名"), std::u16string::npos);
}

// A share on a clock that moves only while the code waits: the time a
// submission takes is read off the clock.
struct StoppedClock : FailingPlatform {
  using FailingPlatform::FailingPlatform;
  std::chrono::steady_clock::time_point now{};
  void Sleep(std::chrono::milliseconds duration) override { now += duration; }
  std::chrono::steady_clock::time_point Now() override { return now; }
};

TEST_F(ResultsShare, TheLineAndTheComputerMarkerShareOneDeadline) {
  using std::chrono::milliseconds;
  StoppedClock share(*platform_);
  const std::chrono::steady_clock::time_point start{};
  // The log is busy for 14 s, the marker's place for ever: the marker gets
  // what is left of the 15 s, not 15 s of its own.
  share.Fail(Op::kAppendExclusively, Kind::kBusy).until = start + milliseconds(14'000);
  share.Fail(Op::kWriteNewFile, Kind::kTransient, paths_.results_share + state_.computer_name);
  EXPECT_EQ(Submit(&share), ShareOutcome::kNoComputerMarker);
  EXPECT_EQ(ShareLog(), Line());
  EXPECT_LE(share.now - start, milliseconds(15'000));
  EXPECT_GE(share.now - start, milliseconds(14'000));

  // Busy through the whole time: the line gives up at 15 s, and no time is
  // left over for the marker's tries.
  fs::remove(root_ / "windows" / "fen.g");
  share.now = start;
  share.Fail(Op::kAppendExclusively, Kind::kBusy);
  EXPECT_EQ(Submit(&share), ShareOutcome::kNotDelivered);
  EXPECT_EQ(share.now - start, milliseconds(15'000));
  EXPECT_FALSE(Marked());
}

TEST_F(ResultsShare, AComputerMarkerThatCannotBeMadeOrNamedStillGivesTheTeachersAResult) {
  for (std::u16string name :
       {u"", u".", u"..", u"a/b", u"a\\b", u"PC\t1", u"a:b", u"a*b", u"a?b", u"a\"b", u"a<b",
        u"a>b", u"a|b", u"PC\x7F", u"PC\x85", u"CJWYZZ.TXT", u"pages", u"Pages"}) {
    EXPECT_FALSE(IsSafeFileName(name)) << std::string(name.begin(), name.end());
  }
  EXPECT_TRUE(IsSafeFileName(u"JF-07 机房"));
  // Named like the share log, the marker would empty every result on the
  // share. A POSIX host name may hold any character: the line is written with
  // '?' for each control character, and read back as a result.
  std::string lines;
  for (std::u16string name : {u"cjwyzz.txt", u"PC\u0085", u"PC\t1", u"PC\x7F"}) {
    state_.computer_name = name;
    EXPECT_EQ(Submit(), ShareOutcome::kNoComputerMarker);
    EXPECT_TRUE(Marked());
    EXPECT_EQ(ShareFiles(), 1);
    fs::remove(root_ / "windows" / "fen.g");
    lines += Line();
  }
  EXPECT_EQ(ShareLog(), lines);
  const ShareLogContent log =
      ReadShareLog(ShareLog(), [&](std::string_view gbk) { return platform_->DecodeGbk(gbk); });
  EXPECT_TRUE(log.notes.empty());
  ASSERT_EQ(log.records.size(), 4u);
  EXPECT_EQ(log.records[1].computer_name, u"PC?");
  EXPECT_EQ(log.records[2].computer_name, u"PC?1");
  EXPECT_EQ(log.records[3].computer_name, u"PC?");
  EXPECT_EQ(log.records[1].marks, result_.marks);

  // A safe name whose marker cannot be written: a folder stands in its place.
  fs::create_directory(share_ / "JF07");
  state_.computer_name = u"JF07";
  EXPECT_EQ(Submit(), ShareOutcome::kNoComputerMarker);
  EXPECT_TRUE(Marked());
  EXPECT_TRUE(ShareLog().ends_with(Line()));
}

TEST_F(ResultsShare, FailuresOnThisPcAreNotAnswered) {
  // The marker cannot be taken back: the PC would stay marked without its line.
  FailingPlatform share(*platform_);
  share.Fail(Op::kAppendExclusively, Kind::kNotFound);
  share.Fail(Op::kRemoveFile, Kind::kDenied);
  EXPECT_TRUE(
      test::ThrowsPlatformError([&] { Submit(&share); }, Kind::kDenied, paths_.submitted_marker));

  // The marker cannot be made: nothing reaches the share.
  fs::remove_all(root_ / "windows");
  EXPECT_TRUE(test::ThrowsPlatformError(
      [&] {
        ShareConnection connection(*platform_, paths_.results_share);
        SubmitToResultsShare(*platform_, paths_, state_, result_, connection);
      },
      Kind::kNotFound, paths_.submitted_marker));
  EXPECT_FALSE(fs::exists(share_ / "cjwyzz.txt"));
}

}  // namespace
}  // namespace webexam
