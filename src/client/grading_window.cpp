#include "client/grading_window.h"

#include <utility>

#include "text/utf8.h"
#include "workspace/workspace.h"

namespace webexam {

GradingWindow::GradingWindow(Platform& platform, const ExamPaths& paths, const AnswerKey& key,
                             const ExamState& state, GradingView& view)
    : platform_(platform), paths_(paths), view_(view), submission_(platform, paths, key, state) {}

GradingWindow::~GradingWindow() {
  if (delivery_.joinable()) delivery_.join();
}

void GradingWindow::Open() {
  PrepareTaskText(platform_, paths_);
  view_.Place();
  view_.ShowTaskText(ReadTaskTextFile(platform_, paths_.task_text));
  PrepareCandidateFolder(platform_, paths_);
}

SubmitStarted GradingWindow::Submit() {
  SubmitStarted started;
  if (busy_) return started;
  busy_ = true;
  view_.ShowBusy(true);
  if (std::optional<UnopenedReport> report = submission_.GradeAndRecord()) {
    started.log = "webexam: report viewer: " + std::string(report->why.what()) +
                  "; the report is shown in the program's own window\n";
    started.report_text = std::move(report->text);
  }
  // The share may keep the candidate waiting: the window stays alive
  // meanwhile, and the outcome goes back to its thread.
  delivery_ = std::thread([this] {
    try {
      outcome_ = submission_.Deliver();
      note_ = submission_.Note();
    } catch (...) {
      error_ = std::current_exception();
    }
    view_.WakeOnWindowThread();
  });
  return started;
}

SubmitFinished GradingWindow::FinishSubmit() {
  if (delivery_.joinable()) delivery_.join();
  busy_ = false;
  view_.ShowBusy(false);
  if (error_) std::rethrow_exception(std::exchange(error_, nullptr));
  SubmitFinished finished;
  if (!note_.empty()) finished.log = "webexam: note: " + ToUtf8(std::exchange(note_, {})) + "\n";
  if (outcome_ != ShareOutcome::kNotDelivered) result_with_teacher_ = true;
  finished.message = MessageFor(outcome_);
  return finished;
}

std::string GradingWindow::Exit() {
  // What another program holds open, or this user may not remove, stays; the
  // rest goes, and the exam ends as usual.
  std::string log;
  for (const PlatformError& left : RemoveCandidateFolder(platform_, paths_)) {
    log += "webexam: not removed: " + std::string(left.what()) + "\n";
  }
  return log;
}

}  // namespace webexam
