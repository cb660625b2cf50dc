// The answer key: 22 items, each with one to four probe texts and a pass rule.
#pragma once

#include <array>
#include <span>
#include <string_view>

namespace webexam {

enum class PassRule {
  kAllFound,  // passes when every probe text is found
  kNotFound,  // passes when its one probe text is absent
};

struct AnswerItem {
  int number;  // 1 to 22: also the order of grading and of the marks
  std::array<std::u16string_view, 4> probe_texts;
  int probe_count;
  PassRule rule;

  std::span<const std::u16string_view> Probes() const {
    return {probe_texts.data(), static_cast<std::size_t>(probe_count)};
  }
};

inline constexpr int kItemCount = 22;
inline constexpr int kProbeTextCount = 36;

// The 22 items in grading order.
const std::array<AnswerItem, kItemCount>& AnswerKey();

}  // namespace webexam
