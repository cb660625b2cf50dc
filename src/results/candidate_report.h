// The candidate's report: 28 lines of plain GBK text, rewritten and opened in
// the desktop's text viewer on every submission.
#pragma once

#include <functional>
#include <string_view>

#include "grading/grade_page.h"
#include "platform/platform.h"
#include "state/exam_paths.h"
#include "state/exam_state.h"

namespace webexam {

// The 28 lines, each ended by CR LF.
std::u16string CandidateReportText(const ExamState& state, const GradeResult& result);

// Deletes the old report when the listing finds it under exactly its own name,
// then appends the new one. A report the listing does not find (hidden, or
// stored under another case) is appended to, not replaced.
void WriteCandidateReport(Platform& platform, const ExamPaths& paths, const ExamState& state,
                          const GradeResult& result);

// Shows the report's text in a window of the client's own, when the desktop
// cannot open the report; `why` is the desktop's failure.
using ReportTextWindow = std::function<void(std::u16string_view text, const PlatformError& why)>;

// Opens the report for the candidate and does not wait. The viewer is a
// convenience: when the desktop cannot open the report (no program for text
// files, no xdg-open, a viewer that does not start), `show_text` gets the
// report's text and the submission goes on. Without `show_text` the failure
// is passed over.
void ShowCandidateReport(Platform& platform, const ExamPaths& paths, std::u16string_view text,
                         const ReportTextWindow& show_text);

}  // namespace webexam
