// The exam state: the candidate as signed in on this PC, the three texts the
// sign-in window leaves for the grading window, the report and the result line.
#pragma once

#include <string>

namespace webexam {

struct ExamState {
  std::u16string exam_number;     // as typed at sign-in, stored before it is checked
  std::u16string candidate_name;  // as typed at sign-in, stored before it is checked
  std::u16string computer_name;   // read once, when the sign-in window loads
};

// The one process-wide exam state of a running client, created empty at start
// and kept until the process ends. Core functions take the state as a
// parameter, so tests hand them states of their own.
ExamState& ProcessExamState();

}  // namespace webexam
