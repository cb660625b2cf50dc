// The sealed exam: the copy of the exam's file that goes onto candidates'
// PCs. Its bytes are the exam's file enciphered with a key this program
// holds, so that opening, typing or running `strings` on it shows no probe
// text. It stops a candidate who opens files, not one who takes the program
// apart to find that key.
#pragma once

#include <string>
#include <string_view>

#include "exam/exam.h"
#include "platform/platform.h"

namespace webexam {

// The sealed file's bytes for `exam`. The same exam always seals to the same
// bytes.
std::string SealExam(const Exam& exam);

// Whether the bytes are a sealed exam (by their first line).
bool IsSealedExam(std::string_view bytes);

// The exam a sealed file holds. Throws ExamFileError, naming `file`, when the
// bytes are no sealed exam or were changed after sealing.
Exam UnsealExam(Platform& platform, std::string_view bytes, const std::u16string& file);

}  // namespace webexam
