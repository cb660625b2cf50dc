#include "client/sign_in.h"

#include <string>

#include "text/characters.h"

namespace webexam {
namespace {

// A control character would break the TAB-separated, CR LF-ended result
// line; a character GBK cannot hold would reach the files as something else.
bool Writable(Platform& platform, std::u16string_view text) {
  return !HasControlCharacter(text) && platform.CanEncodeGbk(text);
}

}  // namespace

std::u16string_view MessageFor(const Exam& exam, SignInOutcome outcome) {
  switch (outcome) {
    case SignInOutcome::kBadExamNumber:
      return exam.bad_number_message;
    case SignInOutcome::kBadName:
      return kNoNameMessage;
    case SignInOutcome::kAccepted:
      break;
  }
  return {};
}

SignInOutcome SignIn(Platform& platform, ExamState& state, const Exam& exam,
                     std::u16string_view exam_number, std::u16string_view name) {
  state.exam_number = exam_number;
  state.candidate_name = name;
  if (!IsExamNumber(exam_number, exam.least_number) || !Writable(platform, exam_number)) {
    return SignInOutcome::kBadExamNumber;
  }
  if (name.empty() || !Writable(platform, name)) return SignInOutcome::kBadName;
  return SignInOutcome::kAccepted;
}

}  // namespace webexam
