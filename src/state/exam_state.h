// The exam state: the five texts through which the windows, grading and the
// page probe talk to each other during one run of the program.
#pragma once

#include <string>

namespace webexam {

struct ExamState {
  std::u16string exam_number;     // as typed at sign-in, stored before it is checked
  std::u16string candidate_name;  // as typed at sign-in, stored before it is checked
  std::u16string computer_name;   // read once, when the sign-in window loads
  std::u16string search_text;     // the text the page probe looks for
  std::u16string match_flag;      // the probe's answer: "ok" is a hit, anything else is not
};

// The probe's answer values. Only exactly kHit is a hit; grading writes
// kCleared after reading each answer.
inline constexpr std::u16string_view kHit = u"ok";
inline constexpr std::u16string_view kCleared = u"kk";

// The one process-wide exam state of a running client, created empty at start
// and kept until the process ends. Core functions take the state as a
// parameter, so tests hand them states of their own.
ExamState& ProcessExamState();

}  // namespace webexam
