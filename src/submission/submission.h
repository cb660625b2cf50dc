// One press of the submit button ("上交成绩"): the candidate's page, as it is
// at that moment, graded and recorded on this PC, then delivered to the
// teacher's results share. Both clients, the bench and the test driver run it
// through this one class.
#pragma once

#include <optional>
#include <string>

#include "grading/answer_key.h"
#include "grading/grade_page.h"
#include "platform/platform.h"
#include "state/exam_paths.h"
#include "state/exam_state.h"
#include "submission/results_share.h"

namespace webexam {

// The report's text, when the desktop could not open the report: the client
// shows it in a window of its own. `why` is the desktop's failure.
struct UnopenedReport {
  std::u16string text;
  PlatformError why;
};

class Submission {
 public:
  // `paths`, `key` and `state` must outlive the submission.
  Submission(Platform& platform, const ExamPaths& paths, const AnswerKey& key,
             const ExamState& state)
      : platform_(platform), paths_(paths), key_(key), state_(state) {}

  // The part on this PC, in order: makes sure the marker's folder exists,
  // grades the candidate page, appends the result line to the local log,
  // rewrites the report and opens it. A failing step throws and the later
  // steps do not run (what earlier steps wrote stays). A report the desktop
  // cannot open is no failure: its text comes back for the client to show.
  std::optional<UnopenedReport> GradeAndRecord();

  // The delivery, after GradeAndRecord: submits to the results share or
  // refuses; a first submission whose line reached the share also leaves the
  // graded bytes there. The clients run it off the window's thread.
  ShareOutcome Deliver(const ShareRetry& retry = {});

  // For the program's error output only, after Deliver: why the line did not
  // reach the share (the last failure), or why the graded bytes could not be
  // left there; empty otherwise.
  const std::u16string& Note() const { return note_; }

 private:
  Platform& platform_;
  const ExamPaths& paths_;
  const AnswerKey& key_;
  const ExamState& state_;
  GradeResult result_;
  std::string graded_bytes_;  // the page's head as the last probe read it
  std::u16string note_;
};

}  // namespace webexam
