#include "workspace/submit_pass.h"

#include "grading/grade_page.h"
#include "results/candidate_report.h"
#include "results/result_record.h"

namespace webexam {

std::u16string SubmitPass(Platform& platform, const ExamPaths& paths, ExamState& state,
                          const ReportTextWindow& show_report_text, const ShareRetry& retry,
                          std::u16string* note) {
  EnsureWindowsFolder(platform, paths);
  std::string graded_bytes;
  const GradeResult result = GradePage(platform, state, paths.candidate_page,
                                       Platform::IfMissing::kCreateEmpty, graded_bytes);
  AppendResultRecord(platform, paths.local_log, BuildResultRecord(state, result));
  WriteCandidateReport(platform, paths, state, result);
  ShowCandidateReport(platform, paths, CandidateReportText(state, result), show_report_text);
  const ShareOutcome outcome = SubmitToResultsShare(platform, paths, state, result, retry);
  if (outcome == ShareOutcome::kSubmitted || outcome == ShareOutcome::kNoComputerMarker) {
    std::u16string kept = KeepGradedPage(platform, paths, state, graded_bytes);
    if (note) *note = std::move(kept);
  }
  return std::u16string(MessageFor(outcome));
}

}  // namespace webexam
