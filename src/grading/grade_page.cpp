#include "grading/grade_page.h"

#include <algorithm>
#include <memory>
#include <string_view>
#include <vector>

#include "grading/page_probe.h"
#include "text/fold.h"

namespace webexam {
namespace {

// The key's probe texts, to be looked for in one pass over the page: built
// from the key as it is at run time, once for each thread, and again should
// the key's texts change.
const NeedleSet& ProbeTextsOf(const AnswerKey& key) {
  thread_local std::vector<std::u16string> built_from;
  thread_local std::unique_ptr<NeedleSet> texts;
  std::vector<std::u16string_view> now;
  for (const AnswerItem& item : key) {
    now.insert(now.end(), item.probe_texts.begin(), item.probe_texts.end());
  }
  if (!texts || !std::ranges::equal(now, built_from)) {
    texts = std::make_unique<NeedleSet>(now);
    built_from.assign(now.begin(), now.end());
  }
  return *texts;
}

}  // namespace

GradeResult GradePage(Platform& platform, const AnswerKey& key, const std::u16string& page_path,
                      Platform::IfMissing if_missing) {
  std::string graded_bytes;
  return GradePage(platform, key, page_path, if_missing, graded_bytes);
}

GradeResult GradePage(Platform& platform, const AnswerKey& key, const std::u16string& page_path,
                      Platform::IfMissing if_missing, std::string& graded_bytes) {
  GradeResult result;
  result.marks = Marks(ItemCount(key));
  ProbedPage page(ProbeTextsOf(key));
  ProbeState state;
  int number = 0;
  for (const AnswerItem& item : key) {
    ++number;
    std::size_t found = 0;
    for (std::u16string_view text : item.probe_texts) {
      state.search_text = text;
      ProbePage(platform, state, page_path, if_missing, page);
      if (state.match_flag == kHit) ++found;
      state.match_flag = kCleared;
    }
    if (Passes(item, found)) {
      result.marks[number] = 1;
      ++result.correct_count;
    }
  }
  graded_bytes = page.Head();
  return result;
}

}  // namespace webexam
