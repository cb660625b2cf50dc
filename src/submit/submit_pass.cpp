#include "submit/submit_pass.h"

#include "grading/grade_page.h"
#include "results/candidate_report.h"
#include "results/result_record.h"

namespace webexam {

GradedPage GradeAndRecord(Platform& platform, const ExamPaths& paths, const AnswerKey& key,
                          ExamState& state, const ReportTextWindow& show_report_text) {
  EnsureWindowsFolder(platform, paths);
  GradedPage graded;
  graded.result = GradePage(platform, state, key, paths.candidate_page,
                            Platform::IfMissing::kCreateEmpty, graded.bytes);
  AppendResultRecord(platform, paths.local_log, BuildResultRecord(state, graded.result));
  WriteCandidateReport(platform, paths, state, graded.result);
  ShowCandidateReport(platform, paths, CandidateReportText(state, graded.result), show_report_text);
  return graded;
}

ShareOutcome ShareStep(Platform& platform, const ExamPaths& paths, const ExamState& state,
                       const GradedPage& graded, std::u16string& note, const ShareRetry& retry) {
  // The server's session is held for this step alone.
  ShareConnection connection(platform, paths.results_share);
  const ShareOutcome outcome =
      SubmitToResultsShare(platform, paths, state, graded.result, connection, retry, &note);
  if (outcome == ShareOutcome::kSubmitted || outcome == ShareOutcome::kNoComputerMarker) {
    note = KeepGradedPage(platform, paths, state, graded.bytes);
  }
  return outcome;
}

std::u16string SubmitPass(Platform& platform, const ExamPaths& paths, const AnswerKey& key,
                          ExamState& state, const ReportTextWindow& show_report_text,
                          const ShareRetry& retry, std::u16string* note) {
  const GradedPage graded = GradeAndRecord(platform, paths, key, state, show_report_text);
  std::u16string kept;
  const ShareOutcome outcome = ShareStep(platform, paths, state, graded, kept, retry);
  if (note) *note = std::move(kept);
  return std::u16string(MessageFor(outcome));
}

}  // namespace webexam
