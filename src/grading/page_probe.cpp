#include "grading/page_probe.h"

#include <utility>

#include "text/fold.h"

namespace webexam {

std::u16string_view ProbedPage::FoldedText(Platform& platform, std::string&& head) {
  if (!decoded_ || head != head_) {
    // A double-byte character cut at the limit decodes to U+FFFD and so
    // matches nothing.
    folded_ = platform.DecodeGbk(head);
    FoldInPlace(folded_);
    head_ = std::move(head);
    decoded_ = true;
  }
  return folded_;
}

void ProbePage(Platform& platform, ExamState& state, const std::u16string& page_path,
               Platform::IfMissing if_missing, ProbedPage& last) {
  std::string head = platform.ReadHead(page_path, kProbeLimit, if_missing);
  if (FindInFolded(last.FoldedText(platform, std::move(head)), state.search_text) != 0) {
    state.match_flag = kHit;
  }
}

void ProbePage(Platform& platform, ExamState& state, const std::u16string& page_path,
               Platform::IfMissing if_missing) {
  ProbedPage page;
  ProbePage(platform, state, page_path, if_missing, page);
}

}  // namespace webexam
