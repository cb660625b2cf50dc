// The start button of the sign-in window ("开   始"): stores what the
// candidate typed, then checks the exam number and the name.
#pragma once

#include <string>
#include <string_view>

#include "exam/exam.h"
#include "exam/exam_number.h"
#include "platform/platform.h"
#include "state/exam_state.h"

namespace webexam {

inline constexpr std::u16string_view kNoNameMessage = u"请认真检查填写好：姓 名  ";

enum class SignInOutcome {
  kAccepted,       // open the grading window
  kBadExamNumber,  // show the exam's message for a refused exam number, stay
  kBadName,        // show kNoNameMessage, stay
};

// The message the window shows for `outcome`, empty when it shows none.
std::u16string_view MessageFor(const Exam& exam, SignInOutcome outcome);

// Stores both texts into the state exactly as typed, then tests them: the
// exam number first (against the exam's least number), then the name. A text holding a control
// character or a character GBK cannot write would corrupt the result line, and fails as that
// field's entry. A name of blanks passes.
SignInOutcome SignIn(Platform& platform, ExamState& state, const Exam& exam,
                     std::u16string_view exam_number, std::u16string_view name);

}  // namespace webexam
