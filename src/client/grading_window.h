// The grading window's decisions ("网页制作考试"), apart from any toolkit:
// what opening it does and in which order, the submit button's pass with its
// busy state, and whether the exit button asks and what it removes. Each
// front end draws the window as a GradingView and shows what this class
// returns.
#pragma once

#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "platform/platform.h"
#include "state/exam_paths.h"
#include "state/exam_state.h"
#include "submission/submission.h"
#include "task_text/task_text.h"

namespace webexam {

// The question asked before the exit button deletes work that was never
// submitted in this run.
inline constexpr std::u16string_view kExitWithoutSubmissionQuestion =
    u"你还没有上交成绩，退出会删除考生文件夹。确定要退出吗？";

// What the grading window's decisions have the drawn window do.
class GradingView {
 public:
  virtual ~GradingView() = default;
  // Puts the window on top at its designed place.
  virtual void Place() = 0;
  // Shows the task text in the viewer.
  virtual void ShowTaskText(const TaskTextFile& file) = 0;
  // Shows the busy state (wait cursor, the busy text on the label, input
  // dropped) or ends it.
  virtual void ShowBusy(bool busy) = 0;
  // Called on the delivery's own thread when it has ended: has the window's
  // thread call GradingWindow::FinishSubmit. Must not throw.
  virtual void WakeOnWindowThread() = 0;
};

// What the window shows after one of its steps. `log` is for the program's
// error output, which the room's teacher reads: whole lines in UTF-8, empty
// for none.
struct SubmitStarted {
  // The report's text, when the desktop could not open the report: the
  // client shows it in a window of its own.
  std::optional<std::u16string> report_text;
  std::string log;
};
struct SubmitFinished {
  std::u16string_view message;  // for a message box; empty for none
  std::string log;
};

class GradingWindow {
 public:
  // `paths`, `key`, `state` and `view` must outlive the window.
  GradingWindow(Platform& platform, const ExamPaths& paths, const AnswerKey& key,
                const ExamState& state, GradingView& view);
  GradingWindow(const GradingWindow&) = delete;
  GradingWindow& operator=(const GradingWindow&) = delete;
  // Waits for a delivery under way: its result must land.
  ~GradingWindow();

  // Opening, in order: the task text prepared, the window placed, the task
  // text shown, then the candidate folder prepared. Errors escape.
  void Open();

  // The submit button ("上交成绩"). Ignored while a delivery runs (nothing
  // to show). Otherwise the window turns busy, the page is graded and
  // recorded, and the delivery starts on a thread of its own, whose end
  // wakes the window. Returns what to show at once.
  SubmitStarted Submit();

  // On the window's thread once woken: waits for the delivery and ends the
  // busy state; then rethrows the delivery's error, or returns the message
  // for its outcome and its note.
  SubmitFinished FinishSubmit();

  // The exit button ("退出"), once the window may close: whether it asks
  // kExitWithoutSubmissionQuestion first, which a "否" answers by keeping
  // the window. It asks until a submission of this run has reached the
  // teacher (its line is on the share) or was refused because this PC
  // submitted before; one that did not reach the share leaves it asking.
  bool ExitAsks() const { return !result_with_teacher_; }
  // Then removes the candidate folder as far as it can; returns the lines
  // naming what stayed, for the error output. The window ends.
  std::string Exit();

  // Whether the window may close or exit; not while a delivery runs.
  bool MayClose() const { return !busy_; }
  bool Busy() const { return busy_; }

 private:
  Platform& platform_;
  const ExamPaths& paths_;
  GradingView& view_;
  Submission submission_;
  bool result_with_teacher_ = false;
  bool busy_ = false;  // from the press until the delivery's end is taken
  std::thread delivery_;
  // What the delivery leaves for the window's thread.
  ShareOutcome outcome_ = ShareOutcome::kNotDelivered;
  std::u16string note_;
  std::exception_ptr error_;
};

}  // namespace webexam
