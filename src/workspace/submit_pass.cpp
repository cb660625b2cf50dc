#include "workspace/submit_pass.h"

#include "grading/grade_page.h"
#include "results/candidate_report.h"
#include "results/result_record.h"

namespace webexam {

GradeResult GradeAndRecord(Platform& platform, const ExamPaths& paths, ExamState& state,
                           const ReportTextWindow& show_report_text) {
  EnsureWindowsFolder(platform, paths);
  GradeResult result = GradePage(platform, state, paths.candidate_page);
  AppendResultRecord(platform, paths.local_log, BuildResultRecord(state, result));
  WriteCandidateReport(platform, paths, state, result);
  ShowCandidateReport(platform, paths, CandidateReportText(state, result), show_report_text);
  return result;
}

std::u16string SubmitPass(Platform& platform, const ExamPaths& paths, ExamState& state,
                          const ReportTextWindow& show_report_text, const ShareRetry& retry) {
  const GradeResult result = GradeAndRecord(platform, paths, state, show_report_text);
  return std::u16string(MessageFor(SubmitToResultsShare(platform, paths, state, result, retry)));
}

}  // namespace webexam
