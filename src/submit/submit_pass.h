// The submit button of the grading window ("上交成绩"): one pass of grading
// and recording on the candidate's page as it is at this moment.
#pragma once

#include <string>

#include "platform/platform.h"
#include "results/candidate_report.h"
#include "results/results_share.h"
#include "state/exam_paths.h"
#include "state/exam_state.h"

namespace webexam {

// What the pass's part on this PC hands to the share step: the grade, and
// the bytes it was graded on (the page's head as the last probe read it).
struct GradedPage {
  GradeResult result;
  std::string bytes;
};

// The pass's part on this PC, in order: makes sure the marker's folder
// exists, grades the candidate page against `key`, appends the result line to the local
// log, rewrites and opens the report. Returns what the share step needs;
// the clients run that step off the window's thread. A failing step throws
// and the later steps do not run (what earlier steps wrote stays); a report
// the desktop cannot open is no failure: `show_report_text` shows its text
// instead.
GradedPage GradeAndRecord(Platform& platform, const ExamPaths& paths, const AnswerKey& key,
                          ExamState& state, const ReportTextWindow& show_report_text = {});

// The share step: submits to the results share or refuses; a first
// submission whose line reached the share also leaves the graded bytes
// there. When they could not be left there, `note` says so, and when the
// line did not reach the share, `note` says why (the last failure): for the
// program's error output only, the outcome is the same.
ShareOutcome ShareStep(Platform& platform, const ExamPaths& paths, const ExamState& state,
                       const GradedPage& graded, std::u16string& note,
                       const ShareRetry& retry = {});

// The whole pass at once: GradeAndRecord, then the share step. Returns the
// message the window must show, or an empty text; `note` (if given) as
// ShareStep gives it.
std::u16string SubmitPass(Platform& platform, const ExamPaths& paths, const AnswerKey& key,
                          ExamState& state, const ReportTextWindow& show_report_text = {},
                          const ShareRetry& retry = {}, std::u16string* note = nullptr);

}  // namespace webexam
