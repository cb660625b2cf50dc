#include "workspace/grading_window.h"

#include <gtest/gtest.h>

#include <semaphore>

#include "support/test_support.h"

namespace webexam {
namespace {

using test::ReadBytes;
using test::WriteBytes;
namespace fs = std::filesystem;

// Notes what the window's opening does, and fails or slows what a case asks.
struct WatchedPlatform : test::ForwardingPlatform {
  using ForwardingPlatform::ForwardingPlatform;
  void CopyOneFile(const std::u16string& from, const std::u16string& to) override {
    events.push_back("task text copied");
    inner_.CopyOneFile(from, to);
  }
  void MakeFolder(const std::u16string& path) override {
    if (path.ends_with(u"620722001")) events.push_back("candidate folder made");
    inner_.MakeFolder(path);
  }
  void OpenDocument(const std::u16string&) override {}  // no viewer in a test
  void WriteFile(const std::u16string& path, std::string_view bytes) override {
    if (fail_marker && path.ends_with(u"fen.g")) throw PlatformError(5, "cannot write fen.g");
    inner_.WriteFile(path, bytes);
  }
  void AppendExclusively(const std::u16string& path, std::string_view bytes) override {
    inner_.Sleep(share_delay);  // a share that keeps the candidate waiting
    inner_.AppendExclusively(path, bytes);
  }
  std::vector<PlatformError> RemoveTreeAsFarAsPossible(const std::u16string& path) override {
    std::vector<PlatformError> left = inner_.RemoveTreeAsFarAsPossible(path);
    if (hold_sound) left.emplace_back(32, "cannot remove Bjyy.wav: held by the player");
    return left;
  }
  std::vector<std::string> events;
  bool fail_marker = false;
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
    return {.place_window = [this] { platform_.events.push_back("placed"); },
            .show_task_text =
                [this](const TaskTextFile& file) {
                  platform_.events.push_back("shown: " + file.bytes);
                },
            .show_busy = [this](bool busy) { busy_shown_.push_back(busy); },
            .show_report_text = {},
            .wake_window = [this] { woken_.release(); }};
  }
  // A press of the submit button, through to what the window shows.
  SubmitEnd PressAndWait(GradingWindow& window) {
    window.Submit();
    woken_.acquire();
    return window.FinishSubmit();
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
  ExamPaths paths_ = MakeExamPaths(test::U16(root_), test::U16(program_), test::U16(share_), u'/');
  ExamState state_{u"120722001", u"张三", u"JF07", u"", u""};
  std::vector<bool> busy_shown_;
  std::binary_semaphore woken_{0};
};

TEST_F(GradingWindowTest, OpensInOrderTaskTextPlacedShownThenCandidateFolder) {
  GradingWindow window(platform_, paths_, state_, Hooks());
  window.Open();
  EXPECT_EQ(platform_.events, (std::vector<std::string>{"task text copied", "placed",
                                                        "shown: " + test::Gbk(u"网页制作\r\n"),
                                                        "candidate folder made"}));
  EXPECT_EQ(ReadBytes(root_ / "620722001" / "web" / "index.htm"), "<html>");
}

TEST_F(GradingWindowTest, APressWhileBusyIsIgnoredAndTheShareStepEndsOnTheWindowsThread) {
  GradingWindow window(platform_, paths_, state_, Hooks());
  window.Open();
  EXPECT_TRUE(window.MayClose());
  platform_.share_delay = std::chrono::milliseconds(100);
  window.Submit();
  // Until the window has taken the step's end: no second pass, no exit, no close.
  window.Submit();
  bool asked = false;
  EXPECT_FALSE(window.Exit([&](std::u16string_view) { return asked = true; }));
  EXPECT_FALSE(asked);
  EXPECT_FALSE(window.MayClose());
  woken_.acquire();
  EXPECT_FALSE(window.MayClose());
  const SubmitEnd end = window.FinishSubmit();
  EXPECT_EQ(end.message, u"");
  EXPECT_EQ(end.note, u"");
  EXPECT_TRUE(window.MayClose());
  EXPECT_EQ(busy_shown_, (std::vector<bool>{true, false}));
  EXPECT_EQ(test::CrLfLines(ReadBytes(root_ / "cjj.txt")).size(), 1u);
  EXPECT_EQ(ShareLines(), 1u);

  // The next press is refused by the share, and the message says so.
  EXPECT_EQ(PressAndWait(window).message, kAlreadySubmittedMessage);
  EXPECT_EQ(test::CrLfLines(ReadBytes(root_ / "cjj.txt")).size(), 2u);
}

TEST_F(GradingWindowTest, ExitAsksUntilAResultIsDeliveredAndReportsWhatStays) {
  GradingWindow window(platform_, paths_, state_, Hooks());
  window.Open();
  std::vector<std::u16string> questions;
  bool answer = false;
  auto ask = [&](std::u16string_view question) {
    questions.emplace_back(question);
    return answer;
  };

  // The share is gone: the result is not with the teacher, the question stays.
  fs::remove_all(share_);
  EXPECT_EQ(PressAndWait(window).message, kNotDeliveredMessage);
  EXPECT_FALSE(window.Exit(ask));  // "否": the window stays, the work too
  EXPECT_TRUE(fs::exists(root_ / "620722001" / "web" / "index.htm"));

  fs::create_directories(share_);
  EXPECT_EQ(PressAndWait(window).message, u"");
  platform_.hold_sound = true;
  const auto left = window.Exit(ask);  // asked no more
  ASSERT_TRUE(left);
  ASSERT_EQ(left->size(), 1u);
  EXPECT_STREQ((*left)[0].what(), "cannot remove Bjyy.wav: held by the player");
  EXPECT_EQ(questions, std::vector<std::u16string>{std::u16string(kExitWithoutSubmissionQuestion)});
  EXPECT_FALSE(fs::exists(root_ / "620722001"));
}

TEST_F(GradingWindowTest, TheShareStepsErrorComesBackOnFinishAndTheWindowIsReadyAgain) {
  GradingWindow window(platform_, paths_, state_, Hooks());
  window.Open();
  platform_.fail_marker = true;
  window.Submit();
  woken_.acquire();
  try {
    window.FinishSubmit();
    ADD_FAILURE() << "no error";
  } catch (const PlatformError& error) {
    EXPECT_STREQ(error.what(), "cannot write fen.g");
  }
  EXPECT_TRUE(window.MayClose());
  EXPECT_EQ(busy_shown_, (std::vector<bool>{true, false}));
  platform_.fail_marker = false;
  EXPECT_EQ(PressAndWait(window).message, u"");
  EXPECT_EQ(ShareLines(), 1u);
}

TEST_F(GradingWindowTest, ClosingWaitsForAShareStepUnderWay) {
  platform_.share_delay = std::chrono::milliseconds(300);
  {
    GradingWindow window(platform_, paths_, state_, Hooks());
    window.Open();
    window.Submit();
  }
  EXPECT_EQ(ShareLines(), 1u);
}

}  // namespace
}  // namespace webexam
