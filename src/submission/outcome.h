// What a submission came to on the results share, and what the candidate is
// told about it.
#pragma once

#include <string_view>

namespace webexam {

// The messages the grading window shows after a submission.
inline constexpr std::u16string_view kAlreadySubmittedMessage =
    u"你已经交过卷，已有分数，这次分数无效，如果想有效请通知老师";
inline constexpr std::u16string_view kNotDeliveredMessage =
    u"成绩没有交到教师机，请稍后再按“上交成绩”，或者通知老师";
inline constexpr std::u16string_view kNoComputerMarkerMessage =
    u"成绩已交到教师机，但没能留下本机记号，请通知老师";

enum class ShareOutcome {
  kSubmitted,         // the line is on the share and both markers are made
  kAlreadySubmitted,  // this PC submitted before: nothing touched
  kNotDelivered,      // the line could not be appended: the PC's marker is taken back
  kNoComputerMarker,  // the line is on the share, the marker named after the PC is not
};

// The message for an outcome, empty for kSubmitted.
constexpr std::u16string_view MessageFor(ShareOutcome outcome) {
  switch (outcome) {
    case ShareOutcome::kAlreadySubmitted:
      return kAlreadySubmittedMessage;
    case ShareOutcome::kNotDelivered:
      return kNotDeliveredMessage;
    case ShareOutcome::kNoComputerMarker:
      return kNoComputerMarkerMessage;
    case ShareOutcome::kSubmitted:
      break;
  }
  return {};
}

}  // namespace webexam
