#include "grading/page_probe.h"

#include "text/fold.h"

namespace webexam {

void ProbePage(Platform& platform, ExamState& state, const std::u16string& page_path,
               Platform::IfMissing if_missing) {
  const std::string head = platform.ReadHead(page_path, kProbeLimit, if_missing);
  // A double-byte character cut at the limit decodes to U+FFFD and so
  // matches nothing.
  if (FoldedFind(platform.DecodeGbk(head), state.search_text) != 0) state.match_flag = kHit;
}

}  // namespace webexam
