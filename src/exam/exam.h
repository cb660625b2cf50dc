// The exam as data: everything that differs from one exam to the next, read
// from the exam's file in the exam folder. The task text (1.txt) and the
// material (aa) lie beside it.
#pragma once

#include <stdexcept>
#include <string>

#include "grading/answer_key.h"

namespace webexam {

struct Exam {
  std::u16string title;               // shown by the teachers' tools, never in a window
  std::u16string range_text;          // the sign-in window's Label5
  std::u16string bad_number_message;  // shown when the exam number is refused
  std::u16string number_start;        // what the exam number box starts with
  double least_number = 0;            // the smallest exam number sign-in takes
  std::u16string candidate_folder;    // its name, under drive C:
  AnswerKey key;                      // 1 to kMostItems items
};

// What is wrong with an exam's file: `line` is 1-based, or 0 when the fault
// is the file's as a whole. `what()` is the whole message in UTF-8, naming
// the file and the line.
class ExamFileError : public std::runtime_error {
 public:
  ExamFileError(const std::u16string& file, int line, const std::u16string& problem);

  int line() const { return line_; }
  // The problem alone, without file and line.
  const std::u16string& problem() const { return problem_; }
  // "考题文件 F 第 3 行：…" or "考题文件 F：…".
  const std::u16string& message() const { return message_; }

 private:
  int line_;
  std::u16string problem_;
  std::u16string message_;
};

}  // namespace webexam
