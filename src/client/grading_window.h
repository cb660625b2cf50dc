// The grading window's decisions ("网页制作考试"), apart from any toolkit:
// what opening it does and in which order, the submit button's pass with its
// busy state, and whether the exit button asks and what it removes. Each
// front end draws the window and does what this class tells it through the
// hooks it gives.
#pragma once

#include <exception>
#include <functional>
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

// Whether the exit button asks before it removes the candidate folder. It
// asks until a submission of this run has reached the teacher (its line is
// on the share) or was refused because this PC submitted before; a
// submission that did not reach the share leaves the question in place.
class ExitQuestion {
 public:
  // Takes note of the outcome of one share step.
  void Note(ShareOutcome outcome) {
    if (outcome != ShareOutcome::kNotDelivered) result_with_teacher_ = true;
  }
  bool MustAsk() const { return !result_with_teacher_; }

 private:
  bool result_with_teacher_ = false;
};

// What the front end does when the window's decisions call for it.
struct GradingWindowHooks {
  // Puts the window on top at its designed place.
  std::function<void()> place_window;
  // Shows the task text in the viewer.
  std::function<void(const TaskTextFile&)> show_task_text;
  // Shows the busy state (wait cursor, the busy text on the label, input
  // dropped) or ends it.
  std::function<void(bool busy)> show_busy;
  // Shows the report's text when the desktop cannot open the report.
  std::function<void(std::u16string_view text, const PlatformError& why)> show_report_text;
  // Called on the share step's own thread when it has ended: makes the
  // window's thread call FinishSubmit.
  std::function<void()> wake_window;
  // Tells the candidate in a message box.
  std::function<void(std::u16string_view message)> show_message;
  // Writes the share step's word on the kept page to standard error.
  std::function<void(std::u16string_view note)> log_note;
  // Asks the candidate; true for yes.
  std::function<bool(std::u16string_view question)> ask_yes_no;
  // Writes what the exit button could not remove to standard error.
  std::function<void(const PlatformError& left)> report_not_removed;
};

class GradingWindow {
 public:
  // `key` is the exam's, and must outlive the window.
  GradingWindow(Platform& platform, const ExamPaths& paths, const AnswerKey& key, ExamState& state,
                GradingWindowHooks hooks);
  GradingWindow(const GradingWindow&) = delete;
  GradingWindow& operator=(const GradingWindow&) = delete;
  // Waits for a share step under way: its result must land.
  ~GradingWindow();

  // Opening, in order: the task text prepared, the window placed, the task
  // text shown, then the candidate folder prepared. Errors escape.
  void Open();

  // The submit button ("上交成绩"). Ignored while a share step runs.
  // Otherwise the window turns busy, the page is graded, recorded and its
  // report shown on this thread, and the share step starts on a thread of
  // its own, whose end wakes the window.
  void Submit();

  // On the window's thread once woken: waits for the share step and ends
  // the busy state; then rethrows the step's error, or logs its note and
  // shows the message for its outcome, if any.
  void FinishSubmit();

  // The exit button ("退出"). Ignored while a share step runs. Asks
  // kExitWithoutSubmissionQuestion while no result of this run is with the
  // teacher, and stays on no. Otherwise removes the candidate folder as far
  // as it can, reports what stayed, and returns true: the window ends.
  bool Exit();

  // Whether the window may close; not while a share step runs.
  bool MayClose() const { return !busy_; }
  bool Busy() const { return busy_; }

 private:
  Platform& platform_;
  const ExamPaths& paths_;
  GradingWindowHooks hooks_;
  Submission submission_;
  ExitQuestion exit_question_;
  bool busy_ = false;  // from the press until the share step's end is taken
  std::thread share_step_;
  // What the share step leaves for the window's thread.
  ShareOutcome outcome_ = ShareOutcome::kNotDelivered;
  std::u16string note_;
  std::exception_ptr error_;
};

}  // namespace webexam
