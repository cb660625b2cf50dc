// The page probe: does the probe state's search text occur in the first
// 32000 bytes of a page? It answers only through the state's match flag.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"
#include "text/fold.h"

namespace webexam {

// What a probe is asked and answers: grading sets the text to look for and
// reads the flag. One for each page graded, apart from the candidate's state.
struct ProbeState {
  std::u16string search_text;  // the text the page probe looks for
  std::u16string match_flag;   // the probe's answer: "ok" is a hit, anything else is not
};

// The probe's answer values. Only exactly kHit is a hit; grading writes
// kCleared after reading each answer.
inline constexpr std::u16string_view kHit = u"ok";
inline constexpr std::u16string_view kCleared = u"kk";

// Only this many bytes of a page are searched (not 32768).
inline constexpr std::size_t kProbeLimit = 32000;

// The page as a probe last read it, with its text decoded: a probe that reads
// the same bytes again answers from that text instead of decoding it afresh.
// Grading makes a probe of one page for each probe text of the exam (36 for
// the sample exam), and the page mostly does not change in between; every
// probe still reads the page, so an edit is seen as soon as it is made.
class ProbedPage {
 public:
  ProbedPage() = default;
  // Also looks for all of `texts` in one pass whenever the page is decoded,
  // and answers probes for any of them from that pass. `texts` must outlive
  // this object.
  explicit ProbedPage(const NeedleSet& texts) : texts_(&texts) {}

  // Whether the page whose first bytes are `head` holds `text`, ignoring case
  // and width.
  bool Holds(Platform& platform, std::string&& head, std::u16string_view text);

  // The bytes the last probe read.
  const std::string& Head() const { return head_; }

 private:
  const NeedleSet* texts_ = nullptr;
  std::string head_;
  bool decoded_ = false;
  std::u16string text_;                 // the head decoded
  std::vector<std::size_t> positions_;  // where each of texts_ is in it, or 0
  std::u16string folded_;               // the text folded, for any other text
  bool folded_ready_ = false;
};

// Reads the first kProbeLimit bytes of the page afresh, decodes them as GBK
// and sets `state.match_flag` to "ok" when `state.search_text` occurs in them,
// ignoring case and character width. Writes nothing to the flag otherwise: a
// hit stays visible until the caller clears it. With IfMissing::kCreateEmpty a
// missing page in an existing folder is created empty (and matches nothing).
void ProbePage(Platform& platform, ProbeState& state, const std::u16string& page_path,
               Platform::IfMissing if_missing = Platform::IfMissing::kCreateEmpty);

// The same, reusing the text of `last` while the page's bytes are unchanged.
void ProbePage(Platform& platform, ProbeState& state, const std::u16string& page_path,
               Platform::IfMissing if_missing, ProbedPage& last);

}  // namespace webexam
