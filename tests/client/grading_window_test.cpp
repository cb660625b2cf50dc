#include "client/grading_window.h"

#include <gtest/gtest.h>

#include <optional>
#include <semaphore>

#include "support/failing_platform.h"

namespace webexam {
namespace {

using test::ReadBytes;
namespace fs = std::filesystem;
using Op = test::FailingPlatform::Op;

// Slows the share, and holds a file of the candidate folder.
struct WatchedPlatform : test::FailingPlatform {
  using FailingPlatform::FailingPlatform;
  void AppendExclusively(const std::u16string& path, std::string_view bytes) override {
    inner_.Sleep(share_delay);  // a share that keeps the candidate waiting
    FailingPlatform::AppendExclusively(path, bytes);
  }
  std::vector<PlatformError> RemoveTreeAsFarAsPossible(const std::u16string& path) override {
    std::vector<PlatformError> left = inner_.RemoveTreeAsFarAsPossible(path);
    if (hold_sound) left.push_back(test::ErrorOf(test::Kind::kBusy, "cannot delete", u"Bjyy.wav"));
    return left;
  }
  bool hold_sound = false;
  std::chrono::milliseconds share_delay{0};
};

// The drawn window: what it is told and what drive C: held then; the test waits
// for the delivery's end as the window's thread would.
struct FakeView : GradingView {
  explicit FakeView(fs::path root) : root(std::move(root)) {}
  void Note(std::string what) {
    if (fs::exists(root / "1.txt")) what += " after the task text";
    if (fs::exists(root / "620722001")) what += " after the candidate folder";
    events.push_back(what);
  }
  void Place() override { Note("placed"); }
  void ShowTaskText(const TaskTextFile& file) override { Note("shown " + file.bytes); }
  void ShowBusy(bool busy) override { busy_shown.push_back(busy); }
  void WakeOnWindowThread() override { woken.release(); }
  fs::path root;
  std::vector<std::string> events;
  std::vector<bool> busy_shown;
  std::binary_semaphore woken{0};
};

class GradingWindowTest : public ::testing::Test {
 protected:
  GradingWindowTest() {
    fs::create_directories(root_);
    fs::create_directories(share_);
    fs::create_directories(program_ / "aa");
    test::WriteBytes(program_ / "1.txt", test::Gbk(u"网页制作\r\n"));
    test::WriteBytes(program_ / "aa" / "index.htm", "<html>");
    window_->Open();
  }
  SubmitFinished PressAndWait() {
    window_->Submit();
    view_.woken.acquire();
    return window_->FinishSubmit();
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
  FakeView view_{root_};
  std::optional<GradingWindow> window_{std::in_place,          platform_, paths_,
                                       test::SampleExam().key, state_,    view_};
};

TEST_F(GradingWindowTest, OpensInOrderTaskTextPlacedShownThenCandidateFolder) {
  EXPECT_EQ(view_.events, (std::vector<std::string>{
                              "placed after the task text",
                              "shown " + test::Gbk(u"网页制作\r\n") + " after the task text"}));
  EXPECT_EQ(ReadBytes(root_ / "620722001" / "web" / "index.htm"), "<html>");
}

// A press while busy, a close meanwhile, the report in the window, the share
// gone: the e2e client test presses the real windows for these.
TEST_F(GradingWindowTest, AGradedPageNotKeptIsANoteAndExitReportsWhatStays) {
  platform_.Fail(Op::kMakeFolder, test::Kind::kDenied, u"pages");
  const SubmitFinished finished = PressAndWait();
  EXPECT_TRUE(finished.message.empty());  // submitted: nothing to tell
  EXPECT_TRUE(finished.log.starts_with("webexam: note: ") && finished.log.ends_with("\n") &&
              finished.log.find("cannot make folder") != std::string::npos)
      << finished.log;
  EXPECT_EQ(view_.busy_shown, (std::vector<bool>{true, false}));
  EXPECT_EQ(ShareLines(), 1u);
  EXPECT_FALSE(window_->ExitAsks());

  platform_.hold_sound = true;
  const std::string left = window_->Exit();
  EXPECT_TRUE(left.starts_with("webexam: not removed: ") && left.ends_with("\n") &&
              left.find("Bjyy.wav") != std::string::npos)
      << left;
  EXPECT_FALSE(fs::exists(root_ / "620722001"));
}

TEST_F(GradingWindowTest, TheDeliverysErrorComesBackOnFinishAndTheWindowIsReadyAgain) {
  platform_.Fail(Op::kWriteFile, test::Kind::kNoSpace, u"fen.g");
  window_->Submit();
  view_.woken.acquire();
  EXPECT_TRUE(test::ThrowsPlatformError([&] { window_->FinishSubmit(); }, test::Kind::kNoSpace,
                                        paths_.submitted_marker));
  EXPECT_EQ(view_.busy_shown, (std::vector<bool>{true, false}));
  platform_.Clear();
  EXPECT_TRUE(PressAndWait().message.empty());
  EXPECT_EQ(ShareLines(), 1u);
}

TEST_F(GradingWindowTest, ClosingWaitsForADeliveryUnderWay) {
  platform_.share_delay = std::chrono::milliseconds(300);
  window_->Submit();
  EXPECT_FALSE(window_->MayClose());
  window_.reset();
  EXPECT_EQ(ShareLines(), 1u);
}

}  // namespace
}  // namespace webexam
