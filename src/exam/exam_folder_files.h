// The exam's files in an exam folder, and reading the exam from them.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "exam/exam.h"
#include "platform/platform.h"

namespace webexam {

// The teacher's editable exam file, and its sealed copy for candidates' PCs.
inline constexpr std::u16string_view kExamFileName = u"exam.txt";
inline constexpr std::u16string_view kSealedExamName = u"exam.sealed";
// The teacher's model answer page, which must score full marks. It stays with
// the editable exam and never goes to candidates' PCs.
inline constexpr std::u16string_view kModelAnswerName = u"model.htm";

// No exam file is larger: 50 items of many texts take a few kilobytes.
inline constexpr std::size_t kExamFileLimit = 1 << 20;

// The exam in `exam_folder`'s sealed file, as a client reads it. A missing,
// unsealed, changed or malformed file throws ExamFileError.
Exam LoadSealedExam(Platform& platform, const std::u16string& exam_folder);

// The exam in `exam_folder` as a teacher's tool reads it: the editable file
// when there is one, else the sealed one. Throws ExamFileError when neither
// is there or the one read is wrong. `file_read`, when given, is set to the
// path of the file read.
Exam LoadExam(Platform& platform, const std::u16string& exam_folder,
              std::u16string* file_read = nullptr);

// The exam in the file at `path`, sealed or editable, whichever it is.
Exam ReadExamFile(Platform& platform, const std::u16string& path);

}  // namespace webexam
