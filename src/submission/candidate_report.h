// The candidate's report: 28 lines of plain GBK text, rewritten and opened in
// the desktop's text viewer on every submission.
#pragma once

#include <optional>
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

// Opens the report for the candidate and does not wait. The viewer is a
// convenience: when the desktop cannot open the report (no program for text
// files, no xdg-open, a viewer that does not start), the failure comes back
// and the submission goes on.
std::optional<PlatformError> OpenCandidateReport(Platform& platform, const ExamPaths& paths);

}  // namespace webexam
