#include "submission/submission.h"

#include "submission/candidate_report.h"
#include "submission/result_line.h"

namespace webexam {

std::optional<UnopenedReport> Submission::GradeAndRecord() {
  EnsureMarkerFolder(platform_, paths_);
  result_ = GradePage(platform_, key_, paths_.candidate_page, Platform::IfMissing::kCreateEmpty,
                      graded_bytes_);
  AppendResultLine(platform_, paths_.local_log, BuildResultLine(state_, result_));
  WriteCandidateReport(platform_, paths_, state_, result_);
  std::u16string text = CandidateReportText(state_, result_);
  if (std::optional<PlatformError> why = OpenCandidateReport(platform_, paths_)) {
    return UnopenedReport{std::move(text), std::move(*why)};
  }
  return std::nullopt;
}

ShareOutcome Submission::Deliver(const ShareRetry& retry) {
  note_.clear();
  // The server's session is held for the delivery alone.
  ShareConnection connection(platform_, paths_.results_share);
  const ShareOutcome outcome =
      SubmitToResultsShare(platform_, paths_, state_, result_, connection, retry, &note_);
  if (outcome == ShareOutcome::kSubmitted || outcome == ShareOutcome::kNoComputerMarker) {
    note_ = KeepGradedPage(platform_, paths_, state_, graded_bytes_);
  }
  return outcome;
}

}  // namespace webexam
