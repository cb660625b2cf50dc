// The exam's file as a teacher writes it: plain lines of "name: value", in
// UTF-8 (with or without a byte-order mark) or GBK, as Notepad saves them.
//
//   标题：网页制作 样题
//   登录提示：考号范围：120722001至120722999
//   考号出错提示：考 号：没填写好 范围应为120722001---120722999
//   考号开头：120722
//   最小考号：100000000
//   考生文件夹：620722001
//   第1题：都要有
//   文字：17-1.BMP
//   第2题：都不能有
//   文字：abcd
//
// The colon may be full-width or ASCII. Blanks around a name and a value do
// not count; a value in ASCII double quotes is taken as it stands between
// them, blanks included. Empty lines and lines starting with '#' are
// comments. Every item is "第N题" with its rule, numbered 1, 2, ... in order,
// followed by its probe texts, one "文字" line each.
#pragma once

#include <string>
#include <string_view>

#include "exam/exam.h"
#include "platform/platform.h"

namespace webexam {

// The exam the file's bytes give. `file` names the file in errors. Throws
// ExamFileError for the first fault, with its line.
Exam ParseExamFile(Platform& platform, std::string_view bytes, const std::u16string& file);

// The exam written as a file the parser reads back to the same exam: UTF-8
// without a byte-order mark, CR LF line ends.
std::string ExamFileText(const Exam& exam);

// The names the exam's fields have in the file and in the teacher's tools.
inline constexpr std::u16string_view kAllFoundRule = u"都要有";
inline constexpr std::u16string_view kNotFoundRule = u"都不能有";

// Whether a candidate folder's name is safe: 1 to 32 ASCII letters and
// digits, and no folder the system or this program keeps at the top of a
// drive (the client removes the candidate folder with everything in it).
bool IsSafeCandidateFolderName(std::u16string_view name);

}  // namespace webexam
