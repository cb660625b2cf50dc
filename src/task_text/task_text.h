// The task text file ("1.txt") as the viewers and webexam-check take it:
// read once up to one limit, and taken as RTF or as plain GBK text by one
// test.
#pragma once

#include <cstddef>
#include <string>

#include "platform/platform.h"
#include "state/exam_paths.h"
#include "task_text/rich_text.h"

namespace webexam {

// Far beyond any task text; it only keeps a damaged file from filling memory.
inline constexpr std::size_t kLargestTaskText = 64u << 20;

// The task text's bytes and what they are.
struct TaskTextFile {
  std::string bytes;  // the file's content, up to kLargestTaskText bytes
  bool rtf = false;   // it starts as RTF; otherwise it is plain GBK text
};

// Reads the file at `path`; a missing file fails.
TaskTextFile ReadTaskTextFile(Platform& platform, const std::u16string& path);

// The text with its formatting as the core reads it: the RTF document, or
// the plain text in the viewer's 9 pt font with each line end (CR LF, CR or
// LF) as u'\n'.
RichText ReadTaskText(Platform& platform, const TaskTextFile& file);

// The words alone, for a viewer that takes plain text: the RTF document's
// text as the core reads it, or the GBK text with its line ends as written.
std::u16string TaskTextWords(Platform& platform, const TaskTextFile& file);

// The working copy of the task text as the grading window shows it.
RichText LoadTaskText(Platform& platform, const ExamPaths& paths);

}  // namespace webexam
