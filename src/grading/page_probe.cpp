#include "grading/page_probe.h"

#include <utility>

#include "text/fold.h"

namespace webexam {

bool ProbedPage::Holds(Platform& platform, std::string&& head, std::u16string_view text) {
  if (!decoded_ || head != head_) {
    // A double-byte character cut at the limit decodes to U+FFFD and so
    // matches nothing.
    text_ = platform.DecodeGbk(head);
    head_ = std::move(head);
    decoded_ = true;
    folded_ready_ = false;
    if (texts_) texts_->FindAll(text_, positions_);
  }
  if (texts_) {
    if (const std::size_t place = texts_->IndexOf(text); place != std::u16string_view::npos) {
      return positions_[place] != 0;
    }
  }
  if (!folded_ready_) {
    folded_ = text_;
    FoldInPlace(folded_);
    folded_ready_ = true;
  }
  return FindInFolded(folded_, text) != 0;
}

void ProbePage(Platform& platform, ProbeState& state, const std::u16string& page_path,
               Platform::IfMissing if_missing, ProbedPage& last) {
  std::string head = platform.ReadHead(page_path, kProbeLimit, if_missing);
  if (last.Holds(platform, std::move(head), state.search_text)) state.match_flag = kHit;
}

void ProbePage(Platform& platform, ProbeState& state, const std::u16string& page_path,
               Platform::IfMissing if_missing) {
  ProbedPage page;
  ProbePage(platform, state, page_path, if_missing, page);
}

}  // namespace webexam
