#include "task_text/task_text.h"

#include <utility>

namespace webexam {
namespace {

RichText ReadRtfWith(Platform& platform, const std::string& bytes) {
  return ReadRtf(bytes, [&platform](std::string_view gbk) { return platform.DecodeGbk(gbk); });
}

}  // namespace

TaskTextFile ReadTaskTextFile(Platform& platform, const std::u16string& path) {
  TaskTextFile file;
  file.bytes = platform.ReadHead(path, kLargestTaskText, Platform::IfMissing::kFail);
  file.rtf = IsRtf(file.bytes);
  return file;
}

RichText ReadTaskText(Platform& platform, const TaskTextFile& file) {
  if (file.rtf) return ReadRtfWith(platform, file.bytes);
  TextRun run;
  run.style.half_points = 18;
  const std::u16string text = platform.DecodeGbk(file.bytes);
  run.text.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\r') {
      run.text += u'\n';
      if (i + 1 < text.size() && text[i + 1] == u'\n') ++i;
    } else {
      run.text += text[i];
    }
  }
  RichText document;
  if (!run.text.empty()) document.runs.push_back(std::move(run));
  return document;
}

std::u16string TaskTextWords(Platform& platform, const TaskTextFile& file) {
  if (file.rtf) return ReadRtfWith(platform, file.bytes).PlainText();
  return platform.DecodeGbk(file.bytes);
}

RichText LoadTaskText(Platform& platform, const ExamPaths& paths) {
  return ReadTaskText(platform, ReadTaskTextFile(platform, paths.task_text));
}

}  // namespace webexam
