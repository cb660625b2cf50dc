// The start button of the sign-in window ("开   始"): stores what the
// candidate typed, then checks the exam number and the name.
#pragma once

#include <string>
#include <string_view>

#include "exam/exam.h"
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

// Whether the text reads as a number of at least `least`. Blanks (ASCII
// and full-width spaces) around it are ignored. A number is an optional
// sign, ASCII digits with at most one decimal point, and an optional
// exponent (e or E, an optional sign, digits); anything else, an empty text,
// and a value too large to hold are not numbers. The range the window names
// is not tested: for the sample exam 120723500 and 120722001.5 pass.
bool IsExamNumber(std::u16string_view text, double least);

// What two exam numbers are compared by: for a number, the decimal
// text of the number sign-in reads from it, without blanks, sign, leading
// zeros or exponent ("0120722001", " 120722001" and "1.20722001e8" are all
// "120722001"), as a spreadsheet would take them; any other text as it is.
// The tools show exam numbers as typed and match them by this.
std::u16string ExamNumberKey(std::u16string_view text);

// Stores both texts into the state exactly as typed, then tests them: the
// exam number first (against the exam's least number), then the name. A text holding a control
// character or a character GBK cannot write would corrupt the result line, and fails as that
// field's entry. A name of blanks passes.
SignInOutcome SignIn(Platform& platform, ExamState& state, const Exam& exam,
                     std::u16string_view exam_number, std::u16string_view name);

}  // namespace webexam
