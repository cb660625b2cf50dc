#include "grading/grade_page.h"

#include "grading/page_probe.h"

namespace webexam {

GradeResult GradePage(Platform& platform, ExamState& state, const std::u16string& page_path,
                      Platform::IfMissing if_missing) {
  std::string graded_bytes;
  return GradePage(platform, state, page_path, if_missing, graded_bytes);
}

GradeResult GradePage(Platform& platform, ExamState& state, const std::u16string& page_path,
                      Platform::IfMissing if_missing, std::string& graded_bytes) {
  GradeResult result;
  ProbedPage page;
  for (const AnswerItem& item : AnswerKey()) {
    int found = 0;
    for (std::u16string_view text : item.Probes()) {
      state.search_text = text;
      ProbePage(platform, state, page_path, if_missing, page);
      if (state.match_flag == kHit) ++found;
      state.match_flag = kCleared;
    }
    const bool passed = item.rule == PassRule::kAllFound ? found == item.probe_count : found == 0;
    if (passed) {
      result.marks[item.number] = 1;
      ++result.correct_count;
    }
  }
  graded_bytes = page.Head();
  return result;
}

}  // namespace webexam
