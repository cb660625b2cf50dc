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

// In order: makes sure the marker's folder exists, grades the candidate page,
// appends the result line to the local log, rewrites and opens the report,
// then submits to the results share or refuses. Returns the message the
// window must show, or an empty text. A failing step throws and the later
// steps do not run (what earlier steps wrote stays); a report the desktop
// cannot open is no failure: `show_report_text` shows its text instead.
std::u16string SubmitPass(Platform& platform, const ExamPaths& paths, ExamState& state,
                          const ReportTextWindow& show_report_text = {},
                          const ShareRetry& retry = {});

}  // namespace webexam
