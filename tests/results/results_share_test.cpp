#include "results/results_share.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include "results/result_record.h"
#include "support/test_support.h"

namespace webexam {
namespace {

using test::ReadBytes;
using test::ResultOf;
using test::TempDir;
using test::WriteBytes;
namespace fs = std::filesystem;
using std::chrono::milliseconds;

// Fails chosen operations: each hook may throw before the real call.
class FaultyPlatform : public test::ForwardingPlatform {
 public:
  using ForwardingPlatform::ForwardingPlatform;
  std::function<void(const std::u16string&)> on_append_exclusively, on_write_file, on_delete;
  int append_tries = 0;

  void AppendExclusively(const std::u16string& path, std::string_view bytes) override {
    ++append_tries;
    if (on_append_exclusively) on_append_exclusively(path);
    inner_.AppendExclusively(path, bytes);
  }
  void WriteFile(const std::u16string& path, std::string_view bytes) override {
    if (on_write_file) on_write_file(path);
    inner_.WriteFile(path, bytes);
  }
  void RemoveFile(const std::u16string& path) override {
    if (on_delete) on_delete(path);
    inner_.RemoveFile(path);
  }
};

class ResultsShare : public ::testing::Test {
 protected:
  ResultsShare() {
    fs::create_directories(root_);
    fs::create_directories(share_);
  }

  ShareOutcome Submit(Platform& platform, const ShareRetry& retry = {}) {
    EnsureWindowsFolder(platform, paths_);
    return SubmitToResultsShare(platform, paths_, state_, result_, retry);
  }
  ShareOutcome Submit(const ShareRetry& retry = {}) { return Submit(*platform_, retry); }
  std::string Line() { return RecordLine(*platform_, BuildResultRecord(state_, result_)); }
  std::string ShareLog() { return ReadBytes(share_ / "cjwyzz.txt"); }
  bool Marked() { return fs::exists(root_ / "windows" / "fen.g"); }
  std::vector<std::string> ShareFiles() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(share_))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  std::unique_ptr<Platform> platform_ = MakePlatform();
  TempDir dir_;
  fs::path root_ = dir_.path() / "c";
  fs::path share_ = dir_.path() / "share";
  ExamPaths paths_ = MakeExamPaths(test::U16(root_), u"/program", test::U16(share_), u'/');
  ExamState state_{u"120722001", u"张三", u"JF07", u"", u""};
  GradeResult result_ = ResultOf("1100000000000000000001");
};

TEST_F(ResultsShare, TheFirstSubmissionLandsOneLineAndBothMarkers) {
  EXPECT_EQ(Submit(), ShareOutcome::kSubmitted);
  EXPECT_EQ(ReadBytes(root_ / "windows" / "fen.g"), "");
  EXPECT_EQ(ShareLog(), Line());
  EXPECT_EQ(ReadBytes(share_ / "JF07"), "");
  EXPECT_EQ(MessageFor(ShareOutcome::kSubmitted), u"");
}

TEST_F(ResultsShare, LaterSubmissionsAreRefusedAndChangeNothing) {
  ASSERT_EQ(Submit(), ShareOutcome::kSubmitted);
  const auto files = ShareFiles();
  result_ = ResultOf("1111111111111111111111");
  EXPECT_EQ(Submit(), ShareOutcome::kAlreadySubmitted);
  EXPECT_EQ(Submit(), ShareOutcome::kAlreadySubmitted);
  EXPECT_EQ(ShareLog(),
            RecordLine(*platform_, BuildResultRecord(state_, ResultOf("1100000000000000000001"))));
  EXPECT_EQ(ShareFiles(), files);
  EXPECT_EQ(MessageFor(ShareOutcome::kAlreadySubmitted),
            u"你已经交过卷，已有分数，这次分数无效，如果想有效请通知老师");
}

TEST_F(ResultsShare, TheMarkerFolderIsMadeOnceAndThenFound) {
  EXPECT_FALSE(fs::exists(root_ / "windows"));
  EnsureWindowsFolder(*platform_, paths_);
  EXPECT_TRUE(fs::is_directory(root_ / "windows"));
  EXPECT_NO_THROW(EnsureWindowsFolder(*platform_, paths_));
}

#ifdef _WIN32
TEST_F(ResultsShare, AMarkerFolderStoredUnderAnotherCaseCountsAsPresent) {
  fs::create_directory(root_ / "Windows");
  EXPECT_NO_THROW(EnsureWindowsFolder(*platform_, paths_));
  EXPECT_EQ(Submit(), ShareOutcome::kSubmitted);
  EXPECT_TRUE(fs::exists(root_ / "Windows" / "fen.g"));
}
#endif

TEST_F(ResultsShare, AComputerMarkerLeftFromAnEarlierExamIsEmptied) {
  WriteBytes(share_ / "JF07", "old");
  EXPECT_EQ(Submit(), ShareOutcome::kSubmitted);
  EXPECT_EQ(ReadBytes(share_ / "JF07"), "");
  EXPECT_EQ(ShareFiles(), (std::vector<std::string>{"JF07", "cjwyzz.txt"}));
}

TEST_F(ResultsShare, AnUnreachableShareTakesTheMarkerBackAndTheNextPressSucceeds) {
  fs::remove(share_);
  EXPECT_EQ(Submit(), ShareOutcome::kNotDelivered);
  EXPECT_FALSE(Marked());
  EXPECT_EQ(MessageFor(ShareOutcome::kNotDelivered),
            u"成绩没有交到教师机，请稍后再按“上交成绩”，或者通知老师");

  WriteBytes(share_, "a file where the share folder should be");
  EXPECT_EQ(Submit(), ShareOutcome::kNotDelivered);
  EXPECT_FALSE(Marked());

  fs::remove(share_);
  fs::create_directory(share_);
  EXPECT_EQ(Submit(), ShareOutcome::kSubmitted);
  EXPECT_EQ(ShareLog(), Line());
  EXPECT_TRUE(Marked());
}

TEST_F(ResultsShare, ALineHeldUpByAnotherWriterLandsAfterTheWait) {
  const fs::path ready = dir_.path() / "ready";
  auto holder = test::Spawn(test::TestProgram("results_driver"),
                            {"hold-lock", (share_ / "cjwyzz.txt").string(), "2000", ready.string()},
                            dir_.path() / "holder.out");
  while (!fs::exists(ready)) std::this_thread::sleep_for(milliseconds(10));

  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Submit(), ShareOutcome::kSubmitted);
  EXPECT_GE(std::chrono::steady_clock::now() - start, milliseconds(1000));
  EXPECT_EQ(test::Wait(holder), 0);
  EXPECT_EQ(ShareLog(), Line());
}

TEST_F(ResultsShare, AShareLogHeldPastTheRetryLimitIsNotDeliveredAndTriedAgainLater) {
  const fs::path ready = dir_.path() / "ready";
  auto holder = test::Spawn(test::TestProgram("results_driver"),
                            {"hold-lock", (share_ / "cjwyzz.txt").string(), "2500", ready.string()},
                            dir_.path() / "holder.out");
  while (!fs::exists(ready)) std::this_thread::sleep_for(milliseconds(10));

  EXPECT_EQ(Submit(ShareRetry{milliseconds(800)}), ShareOutcome::kNotDelivered);
  EXPECT_FALSE(Marked());
  EXPECT_EQ(ShareLog(), "");
  EXPECT_EQ(test::Wait(holder), 0);

  EXPECT_EQ(Submit(ShareRetry{milliseconds(800)}), ShareOutcome::kSubmitted);
  EXPECT_EQ(ShareLog(), Line());
}

TEST_F(ResultsShare, OnlyBusyAndPassingNetworkErrorsAreRetried) {
  FaultyPlatform faulty(*platform_);
  int failures = 2;
  faulty.on_append_exclusively = [&](const std::u16string&) {
    if (failures-- > 0) throw PlatformError(110, "timed out", PlatformError::Kind::kTransient);
  };
  EXPECT_EQ(Submit(faulty), ShareOutcome::kSubmitted);
  EXPECT_EQ(faulty.append_tries, 3);
  EXPECT_EQ(ShareLog(), Line());

  fs::remove(root_ / "windows" / "fen.g");
  faulty.append_tries = 0;
  faulty.on_append_exclusively = [](const std::u16string&) {
    throw PlatformError(28, "no space left");
  };
  EXPECT_EQ(Submit(faulty), ShareOutcome::kNotDelivered);
  EXPECT_EQ(faulty.append_tries, 1);
  EXPECT_FALSE(Marked());
}

TEST_F(ResultsShare, AComputerNameThatIsNoSafeFileNameNamesNoFile) {
  for (std::u16string name : {u"", u".", u"..", u"a/b", u"a\\b", u"PC\t1", u"a:b", u"a*b", u"a?b",
                              u"a\"b", u"a<b", u"a>b", u"a|b", u"PC\x7F", u"CJWYZZ.TXT"}) {
    fs::remove(root_ / "windows" / "fen.g");
    state_.computer_name = name;
    EXPECT_EQ(Submit(), ShareOutcome::kNoComputerMarker);
    EXPECT_TRUE(Marked());
    EXPECT_EQ(ShareFiles(), std::vector<std::string>{"cjwyzz.txt"});
    EXPECT_TRUE(ShareLog().ends_with(Line())) << "the line is still appended";
  }
  EXPECT_EQ(MessageFor(ShareOutcome::kNoComputerMarker),
            u"成绩已交到教师机，但没能留下本机记号，请通知老师");
  EXPECT_TRUE(IsSafeFileName(u"JF-07 机房"));
}

TEST_F(ResultsShare, AComputerMarkerThatCannotBeMadeLeavesTheSubmissionStanding) {
  FaultyPlatform faulty(*platform_);
  faulty.on_write_file = [&](const std::u16string& path) {
    if (path == paths_.results_share + u"JF07") throw PlatformError(13, "denied");
  };
  EXPECT_EQ(Submit(faulty), ShareOutcome::kNoComputerMarker);
  EXPECT_TRUE(Marked());
  EXPECT_EQ(ShareLog(), Line());
}

TEST_F(ResultsShare, FailuresOnThisPcAreNotAnswered) {
  FaultyPlatform faulty(*platform_);
  // The marker cannot be taken back: the PC would stay marked without its line.
  faulty.on_append_exclusively = [](const std::u16string&) { throw PlatformError(2, "gone"); };
  faulty.on_delete = [](const std::u16string&) { throw PlatformError(5, "io"); };
  EXPECT_THROW(Submit(faulty), PlatformError);

  // The marker cannot be made: nothing reaches the share.
  fs::remove_all(root_ / "windows");
  WriteBytes(root_ / "windows", "a file where the folder should be");
  EXPECT_THROW(SubmitToResultsShare(*platform_, paths_, state_, result_), PlatformError);
  EXPECT_FALSE(fs::exists(share_ / "cjwyzz.txt"));
}

}  // namespace
}  // namespace webexam
