// Exam numbers: what sign-in takes for one, and what the teachers' tools
// compare two by.
#pragma once

#include <string>
#include <string_view>

namespace webexam {

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

}  // namespace webexam
