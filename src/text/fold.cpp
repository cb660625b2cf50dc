#include "text/fold.h"

#include <algorithm>
#include <array>

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

}  // namespace webexam
