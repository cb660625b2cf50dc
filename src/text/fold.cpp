#include "text/fold.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <memory>
#include <stdexcept>

#include "text/characters.h"

namespace webexam {
namespace {

char16_t NarrowForm(char16_t u) {
  if (u >= 0xFF01 && u <= 0xFF5E) return static_cast<char16_t>(u - 0xFF01 + 0x21);
  if (u == 0x3000) return 0x20;
  switch (u) {
    case 0xFFE0:
      return 0x00A2;  // cent sign
    case 0xFFE1:
      return 0x00A3;  // pound sign
    case 0xFFE2:
      return 0x00AC;  // not sign
    case 0xFFE3:
      return 0x00AF;  // macron
    case 0xFFE4:
      return 0x00A6;  // broken bar
    case 0xFFE5:
      return 0x00A5;  // yen sign
    case 0xFFE6:
      return 0x20A9;  // won sign
    default:
      return u;
  }
}

char16_t LowerCase(char16_t u) {
  if (u < 0x80) return AsciiLower(u);
  // Latin-1: À..Þ except the multiplication sign.
  if (u >= 0x00C0 && u <= 0x00DE && u != 0x00D7) return static_cast<char16_t>(u + 0x20);
  // Latin Extended-A pairs upper/lower, even/odd from U+0100 to U+0137 and
  // from U+014A to U+0177, odd/even from U+0139 to U+0148 and U+0179 to U+017E.
  // U+0130 (dotted I) lower-cases to two units elsewhere; it is left alone.
  if ((u >= 0x0100 && u <= 0x012F) || (u >= 0x0132 && u <= 0x0137) ||
      (u >= 0x014A && u <= 0x0177)) {
    return static_cast<char16_t>(u | 1);
  }
  if ((u >= 0x0139 && u <= 0x0148) || (u >= 0x0179 && u <= 0x017E)) {
    return (u & 1) ? static_cast<char16_t>(u + 1) : u;
  }
  if (u == 0x0178) return 0x00FF;
  // Greek capitals, with the gap at U+03A2.
  if (u >= 0x0391 && u <= 0x03A9 && u != 0x03A2) return static_cast<char16_t>(u + 0x20);
  // Cyrillic: Ѐ..Џ and А..Я.
  if (u >= 0x0400 && u <= 0x040F) return static_cast<char16_t>(u + 0x50);
  if (u >= 0x0410 && u <= 0x042F) return static_cast<char16_t>(u + 0x20);
  // Roman numerals Ⅰ..Ⅿ.
  if (u >= 0x2160 && u <= 0x216F) return static_cast<char16_t>(u + 0x10);
  return u;
}

// Every unit folded once, up front: a page is folded unit by unit.
const std::array<char16_t, 0x10000>& FoldTable() {
  static const auto table = [] {
    std::array<char16_t, 0x10000> t{};
    for (std::size_t u = 0; u < t.size(); ++u) {
      t[u] = LowerCase(NarrowForm(static_cast<char16_t>(u)));
    }
    return t;
  }();
  return table;
}

// The units that fold to another, each as (what it folds to, the unit), in
// order: a unit's class in a NeedleSet is that of its folded form.
const std::vector<std::pair<char16_t, char16_t>>& Unfoldings() {
  static const auto unfoldings = [] {
    const auto& fold = FoldTable();
    std::vector<std::pair<char16_t, char16_t>> pairs;
    for (std::size_t u = 0; u < fold.size(); ++u) {
      if (fold[u] != u) pairs.emplace_back(fold[u], static_cast<char16_t>(u));
    }
    std::sort(pairs.begin(), pairs.end());
    return pairs;
  }();
  return unfoldings;
}

}  // namespace

char16_t FoldUnit(char16_t unit) { return FoldTable()[unit]; }

std::u16string Fold(std::u16string_view text) {
  const auto& table = FoldTable();
  std::u16string out(text.size(), u'\0');
  std::transform(text.begin(), text.end(), out.begin(), [&](char16_t u) { return table[u]; });
  return out;
}

void FoldInPlace(std::u16string& text) {
  const auto& table = FoldTable();
  for (char16_t& u : text) u = table[u];
}

std::size_t FindInFolded(std::u16string_view folded_haystack, std::u16string_view needle) {
  const std::u16string folded_needle = Fold(needle);
  if (folded_needle.empty()) return 1;
  // std::search rather than find: for UTF-16 the library's find looks for the
  // first unit a call at a time; this way the search takes half the time.
  const auto at = std::search(folded_haystack.begin(), folded_haystack.end(), folded_needle.begin(),
                              folded_needle.end());
  return at == folded_haystack.end() ? 0
                                     : static_cast<std::size_t>(at - folded_haystack.begin()) + 1;
}

NeedleSet::NeedleSet(std::span<const std::u16string_view> needles) {
  // The distinct folded needles, each with its place.
  std::vector<std::u16string> folded;
  for (std::u16string_view needle : needles) {
    std::u16string text = Fold(needle);
    const auto [at, added] = index_.try_emplace(text, folded.size());
    const std::size_t place = at->second;
    index_.try_emplace(std::u16string(needle), place);
    if (!added) continue;
    if (text.empty()) empty_.push_back(folded.size());
    lengths_.push_back(text.size());
    longest_ = std::max(longest_, text.size());
    folded.push_back(std::move(text));
  }

  // A class for each unit the folded needles hold; every unit of a text then
  // has the class of its folded form (folding twice changes nothing).
  class_of_ = std::make_unique_for_overwrite<std::uint16_t[]>(0x10000);
  std::memset(class_of_.get(), 0, 0x10000 * sizeof class_of_[0]);
  for (const std::u16string& text : folded) {
    for (char16_t u : text) {
      if (class_of_[u] != 0) continue;
      if (classes_ > std::numeric_limits<std::uint16_t>::max()) {
        throw std::length_error("too many different characters in the needles");
      }
      const auto c = static_cast<std::uint16_t>(classes_++);
      class_of_[u] = c;
      const auto& unfoldings = Unfoldings();
      auto from = std::lower_bound(unfoldings.begin(), unfoldings.end(), std::pair{u, char16_t{0}});
      for (; from != unfoldings.end() && from->first == u; ++from) class_of_[from->second] = c;
    }
  }

  // The trie of the needles, node 0 the root, each node's children by class.
  struct Node {
    std::vector<std::pair<std::uint16_t, std::uint32_t>> children;
    std::uint32_t fallback = 0;       // the node of its longest proper suffix
    std::vector<std::uint32_t> ends;  // the needles that end here
  };
  std::vector<Node> trie(1);
  auto child = [&trie](std::uint32_t node, std::uint16_t c) -> std::uint32_t {
    for (const auto& [edge, to] : trie[node].children) {
      if (edge == c) return to;
    }
    return 0;  // the root is no node's child
  };
  for (std::size_t place = 0; place < folded.size(); ++place) {
    if (folded[place].empty()) continue;  // found at 1 without looking
    std::uint32_t node = 0;
    for (char16_t u : folded[place]) {
      std::uint32_t to = child(node, class_of_[u]);
      if (to == 0) {
        to = static_cast<std::uint32_t>(trie.size());
        trie[node].children.emplace_back(class_of_[u], to);
        trie.emplace_back();
      }
      node = to;
    }
    trie[node].ends.push_back(static_cast<std::uint32_t>(place));
  }
  const std::size_t nodes = trie.size();
  const std::size_t k = classes_;
  if (nodes * k > std::numeric_limits<std::uint32_t>::max()) {
    throw std::length_error("needles too many or too long to search at once");
  }

  // Breadth first, each node's fallback, and the needles its fallback ends
  // besides its own: a fallback is nearer the root, so it is complete by then.
  std::vector<std::uint32_t> order = {0};
  for (std::size_t head = 0; head < order.size(); ++head) {
    const std::uint32_t node = order[head];
    for (const auto& [c, to] : trie[node].children) {
      std::uint32_t fallback = 0;
      if (node != 0) {
        for (std::uint32_t from = trie[node].fallback;; from = trie[from].fallback) {
          fallback = child(from, c);
          if (fallback != 0 || from == 0) break;
        }
      }
      trie[to].fallback = fallback;
      trie[to].ends.insert(trie[to].ends.end(), trie[fallback].ends.begin(),
                           trie[fallback].ends.end());
      order.push_back(to);
    }
  }

  // The states numbered so that those where needles end come last: the
  // search then tells them by the offset alone.
  std::vector<std::uint32_t> number(nodes);
  std::vector<std::uint32_t> by_number;
  by_number.reserve(nodes);
  std::size_t plain_states = 0;  // where no needle ends
  for (bool ending : {false, true}) {
    if (ending) plain_states = by_number.size();
    for (std::uint32_t node : order) {
      if (trie[node].ends.empty() == ending) continue;
      number[node] = static_cast<std::uint32_t>(by_number.size());
      by_number.push_back(node);
    }
  }
  first_ending_ = static_cast<std::uint32_t>(plain_states * k);

  // Each state's moves: its fallback's, but to its own children. Breadth
  // first, a fallback's row is complete before it is copied; the root's moves
  // not to a child lead back to it.
  next_.assign(nodes * k, 0);
  for (std::uint32_t node : order) {
    std::uint32_t* row = &next_[number[node] * k];
    if (node != 0) {
      const std::uint32_t* from = &next_[number[trie[node].fallback] * k];
      std::copy(from, from + k, row);
    }
    for (const auto& [c, to] : trie[node].children) {
      row[c] = static_cast<std::uint32_t>(number[to] * k);
    }
  }

  ending_from_.assign(1, 0);
  for (std::size_t n = plain_states; n < nodes; ++n) {
    const auto& these = trie[by_number[n]].ends;
    ending_.insert(ending_.end(), these.begin(), these.end());
    ending_from_.push_back(static_cast<std::uint32_t>(ending_.size()));
  }
}

std::size_t NeedleSet::IndexOf(std::u16string_view needle) const {
  auto found = index_.find(needle);
  if (found == index_.end()) found = index_.find(Fold(needle));
  return found == index_.end() ? npos : found->second;
}

void NeedleSet::NoteEndings(std::uint32_t offset, std::size_t at, std::size_t* first) const {
  const std::size_t state = (offset - first_ending_) / classes_;
  for (std::uint32_t e = ending_from_[state]; e < ending_from_[state + 1]; ++e) {
    std::size_t& position = first[ending_[e]];
    if (position == 0) position = at + 2 - lengths_[ending_[e]];
  }
}

void NeedleSet::FindAll(std::u16string_view text, std::vector<std::size_t>& positions) const {
  // The text in four parts, each read by an automaton of its own from the
  // root, on into the next part by one unit less than the longest needle: so
  // each part sees every needle that starts in it, and the first a needle is
  // seen anywhere is where it first occurs. The four read side by side, so
  // that their moves, each waiting on the one before, overlap in time.
  constexpr std::size_t kParts = 4;
  const std::size_t count = lengths_.size();
  std::vector<std::size_t> first(kParts * count, 0);
  const std::size_t n = text.size();
  const std::size_t part = (n + kParts - 1) / kParts;
  const std::size_t overlap = longest_ == 0 ? 0 : longest_ - 1;
  std::array<std::size_t, kParts> from{}, to{};
  for (std::size_t p = 0; p < kParts; ++p) {
    from[p] = std::min(n, p * part);
    to[p] = std::min(n, (p + 1) * part + overlap);
  }
  std::size_t together = n;
  for (std::size_t p = 0; p < kParts; ++p) together = std::min(together, to[p] - from[p]);

  const std::uint16_t* class_of = class_of_.get();
  const std::uint32_t* next = next_.data();
  const std::uint32_t first_ending = first_ending_;
  auto move = [&](std::uint32_t state, char16_t u) { return next[state + class_of[u]]; };
  const char16_t* units = text.data();
  const char16_t* part0 = units + from[0];
  const char16_t* part1 = units + from[1];
  const char16_t* part2 = units + from[2];
  const char16_t* part3 = units + from[3];
  // Each part's state a variable of its own, so that all four stay in
  // registers; where a needle ends is rare, and looked into only then.
  std::uint32_t state0 = 0, state1 = 0, state2 = 0, state3 = 0;
  for (std::size_t i = 0; i < together; ++i) {
    state0 = move(state0, part0[i]);
    if (state0 >= first_ending) NoteEndings(state0, from[0] + i, &first[0 * count]);
    state1 = move(state1, part1[i]);
    if (state1 >= first_ending) NoteEndings(state1, from[1] + i, &first[1 * count]);
    state2 = move(state2, part2[i]);
    if (state2 >= first_ending) NoteEndings(state2, from[2] + i, &first[2 * count]);
    state3 = move(state3, part3[i]);
    if (state3 >= first_ending) NoteEndings(state3, from[3] + i, &first[3 * count]);
  }
  const std::array<std::uint32_t, kParts> states = {state0, state1, state2, state3};
  for (std::size_t p = 0; p < kParts; ++p) {
    std::uint32_t state = states[p];
    for (std::size_t at = from[p] + together; at < to[p]; ++at) {
      state = move(state, units[at]);
      if (state >= first_ending) NoteEndings(state, at, &first[p * count]);
    }
  }

  positions.assign(count, 0);
  for (std::size_t place : empty_) positions[place] = 1;
  for (std::size_t place = 0; place < count; ++place) {
    for (std::size_t p = 0; p < kParts && positions[place] == 0; ++p) {
      positions[place] = first[p * count + place];
    }
  }
}

}  // namespace webexam
