#include "client/grading_window.h"

#include <gtest/gtest.h>

#include <semaphore>

#include "support/failing_platform.h"
#include "text/utf8.h"

namespace webexam {
namespace {

using test::ReadBytes;
using test::WriteBytes;
namespace fs = std::filesystem;
using Op = test::FailingPlatform::Op;

// Notes what the window's opening does, fails what a case asks, and slows
// the share or holds a file of the candidate folder.
struct WatchedPlatform : test::FailingPlatform {
  using FailingPlatform::FailingPlatform;
  void CopyOneFile(const std::u16string& from, const std::u16string& to) override {
    events.push_back("task text copied");
    inner_.CopyOneFile(from, to);
  }
  void MakeFolder(const std::u16string& path) override {
    if (path.ends_with(u"620722001")) events.push_back("candidate folder made");
    FailingPlatform::MakeFolder(path);
  }
  void AppendExclusively(const std::u16string& path, std::string_view bytes) override {
    inner_.Sleep(share_delay);  // a share that keeps the candidate waiting
    FailingPlatform::AppendExclusively(path, bytes);
  }
  std::vector<PlatformError> RemoveTreeAsFarAsPossible(const std::u16string& path) override {
    std::vector<PlatformError> left = inner_.RemoveTreeAsFarAsPossible(path);
    if (hold_sound) left.push_back(test::ErrorOf(test::Kind::kBusy, "cannot delete", u"Bjyy.wav"));
    return left;
  }
  std::vector<std::string> events;
  bool hold_sound = false;
  std::chrono::milliseconds share_delay{0};
};

class GradingWindowTest : public ::testing::Test {
 protected:
  GradingWindowTest() {
    fs::create_directories(root_);
    fs::create_directories(share_);
    fs::create_directories(program_ / "aa");
    WriteBytes(program_ / "1.txt", test::Gbk(u"网页制作\r\n"));
    WriteBytes(program_ / "aa" / "index.htm", "<html>");
  }
  GradingWindowHooks Hooks() {
    return {
        .place_window = [this] { platform_.events.push_back("placed"); },
        .show_task_text =
            [this](const TaskTextFile& file) {
              platform_.events.push_back("shown: " + file.bytes);
            },
        .show_busy = [this](bool busy) { busy_shown_.push_back(busy); },
        .show_report_text = {},
        .wake_window = [this] { woken_.release(); },
        .show_message = [this](std::u16string_view text) { shown_.emplace_back(text); },
        .log_note = [this](std::u16string_view text) { notes_.emplace_back(text); },
        .ask_yes_no =
            [this](std::u16string_view question) {
              shown_.emplace_back(question);
              return answer_;
            },
        .report_not_removed = [this](const PlatformError& left) { left_.push_back(left.what()); }};
  }
  // A press of the submit button, through to what the window shows; the
  // messages shown since the last press.
  std::vector<std::u16string> PressAndWait(GradingWindow& window) {
    shown_.clear();
    window.Submit();
    woken_.acquire();
    window.FinishSubmit();
    return shown_;
  }
  std::size_t ShareLines() {
    return fs::exists(share_ / "cjwyzz.txt")
               ? test::CrLfLines(ReadBytes(share_ / "cjwyzz.txt")).size()
               : 0;
  }

  std::unique_ptr<Platform> real_ = MakePlatform();
  WatchedPlatform platform_{*real_};
  test::TempDir dir_;
  fs::path root_ = dir_.path() / "c";
  fs::path program_ = dir_.path() / "program";
  fs::path share_ = dir_.path() / "share";
  ExamPaths paths_ =
      MakeExamPaths(test::U16(root_), test::U16(program_), u"620722001", test::U16(share_), u'/');
  ExamState state_{u"120722001", u"张三", u"JF07"};
  std::vector<bool> busy_shown_;
  std::vector<std::u16string> shown_;  // messages and questions, in order
  std::vector<std::u16string> notes_;
  std::vector<std::string> left_;  // what the exit button could not remove
  bool answer_ = false;            // the candidate's answer to a question
  std::binary_semaphore woken_{0};
};

TEST_F(GradingWindowTest, OpensInOrderTaskTextPlacedShownThenCandidateFolder) {
  GradingWindow window(platform_, paths_, test::SampleExam().key, state_, Hooks());
  window.Open();
  EXPECT_EQ(platform_.events, (std::vector<std::string>{"task text copied", "placed",
                                                        "shown: " + test::Gbk(u"网页制作\r\n"),
                                                        "candidate folder made"}));
  EXPECT_EQ(ReadBytes(root_ / "620722001" / "web" / "index.htm"), "<html>");
}

using Shown = std::vector<std::u16string>;

TEST_F(GradingWindowTest, APressWhileBusyIsIgnoredAndTheShareStepEndsOnTheWindowsThread) {
  GradingWindow window(platform_, paths_, test::SampleExam().key, state_, Hooks());
  window.Open();
  EXPECT_TRUE(window.MayClose());
  platform_.share_delay = std::chrono::milliseconds(100);
  // The graded page cannot be kept: a note, no message.
  platform_.Fail(Op::kMakeFolder, test::Kind::kDenied, u"pages");
  window.Submit();
  // Until the window has taken the step's end: no second pass, no exit, no close.
  window.Submit();
  answer_ = true;
  EXPECT_FALSE(window.Exit());
  EXPECT_TRUE(shown_.empty());
  EXPECT_FALSE(window.MayClose());
  woken_.acquire();
  EXPECT_FALSE(window.MayClose());
  window.FinishSubmit();
  EXPECT_TRUE(shown_.empty());  // submitted: nothing to tell
  ASSERT_EQ(notes_.size(), 1u);
  EXPECT_NE(notes_[0].find(u"cannot make folder"), std::u16string::npos);
  EXPECT_TRUE(window.MayClose());
  EXPECT_EQ(busy_shown_, (std::vector<bool>{true, false}));
  EXPECT_EQ(test::CrLfLines(ReadBytes(root_ / "cjj.txt")).size(), 1u);
  EXPECT_EQ(ShareLines(), 1u);
  EXPECT_TRUE(fs::exists(root_ / "620722001"));
}

TEST_F(GradingWindowTest, ExitAsksUntilAResultIsDeliveredAndReportsWhatStays) {
  GradingWindow window(platform_, paths_, test::SampleExam().key, state_, Hooks());
  window.Open();
  const Shown question{std::u16string(kExitWithoutSubmissionQuestion)};

  // The share is gone: the result is not with the teacher, the question stays.
  fs::remove_all(share_);
  EXPECT_EQ(PressAndWait(window), Shown{std::u16string(kNotDeliveredMessage)});
  // Why, for the error output that the room's teacher reads.
  ASSERT_EQ(notes_.size(), 1u);
  EXPECT_NE(notes_[0].find(u"成绩没有交到 " + paths_.share_log + u"："), std::u16string::npos)
      << ToUtf8(notes_[0]);
  shown_.clear();
  EXPECT_FALSE(window.Exit());  // "否": the window stays, the work too
  EXPECT_EQ(shown_, question);
  EXPECT_TRUE(fs::exists(root_ / "620722001" / "web" / "index.htm"));

  fs::create_directories(share_);
  EXPECT_EQ(PressAndWait(window), Shown{});
  platform_.hold_sound = true;
  shown_.clear();
  EXPECT_TRUE(window.Exit());  // asked no more
  EXPECT_EQ(shown_, Shown{});
  ASSERT_EQ(left_.size(), 1u);
  EXPECT_NE(left_[0].find("Bjyy.wav"), std::string::npos);
  EXPECT_FALSE(fs::exists(root_ / "620722001"));
}

TEST_F(GradingWindowTest, TheShareStepsErrorComesBackOnFinishAndTheWindowIsReadyAgain) {
  GradingWindow window(platform_, paths_, test::SampleExam().key, state_, Hooks());
  window.Open();
  platform_.Fail(Op::kWriteFile, test::Kind::kNoSpace, u"fen.g");
  window.Submit();
  woken_.acquire();
  EXPECT_TRUE(test::ThrowsPlatformError([&] { window.FinishSubmit(); }, test::Kind::kNoSpace,
                                        paths_.submitted_marker));
  EXPECT_TRUE(window.MayClose());
  EXPECT_EQ(busy_shown_, (std::vector<bool>{true, false}));
  platform_.Clear();
  EXPECT_EQ(PressAndWait(window), Shown{});
  EXPECT_EQ(ShareLines(), 1u);
}

TEST_F(GradingWindowTest, ClosingWaitsForAShareStepUnderWay) {
  platform_.share_delay = std::chrono::milliseconds(300);
  {
    GradingWindow window(platform_, paths_, test::SampleExam().key, state_, Hooks());
    window.Open();
    window.Submit();
  }
  EXPECT_EQ(ShareLines(), 1u);
}

}  // namespace
}  // namespace webexam
