#include "client/grading_window.h"

#include <utility>

#include "workspace/workspace.h"

namespace webexam {

GradingWindow::GradingWindow(Platform& platform, const ExamPaths& paths, const AnswerKey& key,
                             ExamState& state, GradingWindowHooks hooks)
    : platform_(platform),
      paths_(paths),
      hooks_(std::move(hooks)),
      submission_(platform, paths, key, state) {}

GradingWindow::~GradingWindow() {
  if (share_step_.joinable()) share_step_.join();
}

void GradingWindow::Open() {
  PrepareTaskText(platform_, paths_);
  hooks_.place_window();
  hooks_.show_task_text(ReadTaskTextFile(platform_, paths_.task_text));
  PrepareCandidateFolder(platform_, paths_);
}

void GradingWindow::Submit() {
  if (busy_) return;
  busy_ = true;
  hooks_.show_busy(true);
  if (const std::optional<UnopenedReport> report = submission_.GradeAndRecord()) {
    hooks_.show_report_text(report->text, report->why);
  }
  // The share may keep the candidate waiting: the window stays alive
  // meanwhile, and the outcome goes back to its thread.
  share_step_ = std::thread([this] {
    try {
      outcome_ = submission_.Deliver();
      note_ = submission_.Note();
    } catch (...) {
      error_ = std::current_exception();
    }
    hooks_.wake_window();
  });
}

void GradingWindow::FinishSubmit() {
  if (share_step_.joinable()) share_step_.join();
  busy_ = false;
  hooks_.show_busy(false);
  if (error_) std::rethrow_exception(std::exchange(error_, nullptr));
  if (!note_.empty()) hooks_.log_note(std::exchange(note_, {}));
  exit_question_.Note(outcome_);
  if (const std::u16string_view message = MessageFor(outcome_); !message.empty()) {
    hooks_.show_message(message);
  }
}

bool GradingWindow::Exit() {
  if (busy_) return false;
  // One misclick beside "上交成绩" must not destroy work that has not
  // reached the teacher.
  if (exit_question_.MustAsk() && !hooks_.ask_yes_no(kExitWithoutSubmissionQuestion)) {
    return false;
  }
  // What another program holds open, or this user may not remove, stays; the
  // rest goes, and the exam ends as usual.
  for (const PlatformError& left : RemoveCandidateFolder(platform_, paths_)) {
    hooks_.report_not_removed(left);
  }
  return true;
}

}  // namespace webexam
