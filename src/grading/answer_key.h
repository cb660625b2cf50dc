// The answer key: 22 items, each with one to four probe texts and a pass rule.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <initializer_list>
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

// One value for each item, reached by the item's number, 1 to 22, as the
// key, the result line and every report number them; walked in item order.
template <typename T>
class PerItem {
 public:
  PerItem() = default;
  // The values of items 1, 2, ... in order; the items after them hold T{}.
  PerItem(std::initializer_list<T> in_item_order) {
    std::copy_n(in_item_order.begin(), std::min(in_item_order.size(), values_.size()),
                values_.begin());
  }

  T& operator[](int item) { return values_[Index(item)]; }
  const T& operator[](int item) const { return values_[Index(item)]; }

  auto begin() { return values_.begin(); }
  auto end() { return values_.end(); }
  auto begin() const { return values_.begin(); }
  auto end() const { return values_.end(); }

  bool operator==(const PerItem&) const = default;

 private:
  static std::size_t Index(int item) { return static_cast<std::size_t>(item - 1); }

  std::array<T, kItemCount> values_{};
};

// The 22 marks of one result, each 0 or 1.
using Marks = PerItem<int>;

// The 22 items in grading order.
const std::array<AnswerItem, kItemCount>& AnswerKey();

}  // namespace webexam
