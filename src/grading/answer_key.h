// The answer key: the exam's items, each with its probe texts and a pass
// rule. It comes from the exam's file at run time; no program holds one.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>
#include <vector>

namespace webexam {

enum class PassRule {
  kAllFound,  // passes when every probe text is found
  kNotFound,  // passes when none of its probe texts is found
};

struct AnswerItem {
  std::vector<std::u16string> probe_texts;  // at least one
  PassRule rule = PassRule::kAllFound;
};

// The items in grading order: item 1 first. An exam has 1 to kMostItems.
using AnswerKey = std::vector<AnswerItem>;

inline constexpr int kMostItems = 50;

// One value for each item, reached by the item's number, 1 to the item
// count, as the key, the result line and every report number them; walked in
// item order.
template <typename T>
class PerItem {
 public:
  PerItem() = default;
  explicit PerItem(int item_count) : values_(static_cast<std::size_t>(item_count)) {}
  // The values of items 1, 2, ... in order.
  PerItem(std::initializer_list<T> in_item_order) : values_(in_item_order) {}

  T& operator[](int item) { return values_[Index(item)]; }
  const T& operator[](int item) const { return values_[Index(item)]; }

  int Count() const { return static_cast<int>(values_.size()); }

  auto begin() { return values_.begin(); }
  auto end() { return values_.end(); }
  auto begin() const { return values_.begin(); }
  auto end() const { return values_.end(); }

  bool operator==(const PerItem&) const = default;

 private:
  static std::size_t Index(int item) { return static_cast<std::size_t>(item - 1); }

  std::vector<T> values_;
};

// The marks of one result, each 0 or 1, one per item.
using Marks = PerItem<int>;

// The number of items of a key.
inline int ItemCount(const AnswerKey& key) { return static_cast<int>(key.size()); }

// Whether an item passes with `found` of its probe texts found.
inline bool Passes(const AnswerItem& item, std::size_t found) {
  return item.rule == PassRule::kAllFound ? found == item.probe_texts.size() : found == 0;
}

}  // namespace webexam
