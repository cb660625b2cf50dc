#include "text/fold.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

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
  if (u < 0x80) return (u >= 'A' && u <= 'Z') ? static_cast<char16_t>(u + 0x20) : u;
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

// Every unit folded once, up front: folding is on the hot path of grading.
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

// Every unit that folding changes, as (what it folds to, the unit), sorted:
// the units that fold to a unit are the unit itself and those found here.
const std::vector<std::pair<char16_t, char16_t>>& Unfoldings() {
  static const auto pairs = [] {
    std::vector<std::pair<char16_t, char16_t>> p;
    const auto& table = FoldTable();
    for (std::size_t u = 0; u < table.size(); ++u) {
      if (table[u] != u) p.emplace_back(table[u], static_cast<char16_t>(u));
    }
    std::sort(p.begin(), p.end());
    return p;
  }();
  return pairs;
}

// The units that fold to one unit: itself and at most three others (a letter
// in both cases and both widths). Spare places repeat the first.
struct Sources {
  std::array<char16_t, 4> units;
  std::size_t count;
};

// Nothing when more units fold to `folded` than Sources holds.
std::optional<Sources> SourcesOf(char16_t folded) {
  const auto& unfoldings = Unfoldings();
  const auto [begin, end] =
      std::equal_range(unfoldings.begin(), unfoldings.end(), std::pair(folded, char16_t{0}),
                       [](const auto& a, const auto& b) { return a.first < b.first; });
  Sources sources{};
  if (end - begin >= static_cast<std::ptrdiff_t>(sources.units.size())) return std::nullopt;
  sources.units.fill(folded);
  sources.count = 1;
  for (auto it = begin; it != end; ++it) sources.units[sources.count++] = it->second;
  return sources;
}

// Whether `u` is one of the first N units of `s`, as 0 or 1: without a branch,
// so that a loop of these becomes vector compares.
template <std::size_t N>
unsigned IsSource(char16_t u, const std::array<char16_t, 4>& s) {
  const auto is = [u](char16_t source) { return static_cast<unsigned>(u == source); };
  if constexpr (N == 1) return is(s[0]);
  if constexpr (N == 2) return is(s[0]) | is(s[1]);
  if constexpr (N == 3) return is(s[0]) | is(s[1]) | is(s[2]);
  return is(s[0]) | is(s[1]) | is(s[2]) | is(s[3]);
}

// Roughly how common a folded unit is in a page, least first: Chinese and
// other text beyond ASCII, then digits and signs, then letters by their
// frequency in English, then the signs of markup itself.
int Commonness(char16_t folded) {
  if (folded >= 0x80) return 0;
  constexpr std::string_view kLetters = "zqxjkvbpgwyfmculdhrsnioate";
  constexpr std::string_view kMarkup = " <>/=\".-:;\t\r\n";
  const char c = static_cast<char>(folded);
  if (c >= 'a' && c <= 'z') return 2 + static_cast<int>(kLetters.find(c));
  if (kMarkup.find(c) != std::string_view::npos) return 40;
  return 1;
}

// One unit of the needle as the scan sees it: units[at] is the unit of the
// text under it when the needle starts at `at`.
struct Key {
  const char16_t* units;
  Sources sources;
};

// Units the scan tests together: a loop over a whole block that the compiler
// turns into a few vector compares, without a branch for each unit.
constexpr std::size_t kBlock = 32;

// The first `at` below `count` where both keys may stand and found(at)
// holds, or `count`. The rare key has N sources, the other M. Blocks without the rare key
// cost a few compares; blocks with it (a common unit can be rare in the
// needle and frequent in the page) are tested for the other key too before
// any place is looked at alone.
template <std::size_t N, std::size_t M, typename Found>
std::size_t Scan(const Key& rare, const Key& other, std::size_t count, Found found) {
  const std::array<char16_t, 4> r = rare.sources.units, o = other.sources.units;
  std::size_t at = 0;
  for (; at + kBlock <= count; at += kBlock) {
    unsigned any = 0;
    for (std::size_t i = at; i < at + kBlock; ++i) any |= IsSource<N>(rare.units[i], r);
    if (any == 0) continue;
    any = 0;
    for (std::size_t i = at; i < at + kBlock; ++i) {
      any |= IsSource<N>(rare.units[i], r) & IsSource<M>(other.units[i], o);
    }
    if (any == 0) continue;
    for (std::size_t i = at; i < at + kBlock; ++i) {
      if (IsSource<N>(rare.units[i], r) && IsSource<M>(other.units[i], o) && found(i)) return i;
    }
  }
  for (; at < count; ++at) {
    if (IsSource<N>(rare.units[at], r) && found(at)) return at;
  }
  return count;
}

// The search place by place, for a needle unit that more units fold to than
// the scan takes (none does today).
std::size_t FoldedFindSlowly(std::u16string_view haystack, std::u16string_view folded) {
  const auto& table = FoldTable();
  for (std::size_t at = 0; at + folded.size() <= haystack.size(); ++at) {
    std::size_t i = 0;
    while (i < folded.size() && table[haystack[at + i]] == folded[i]) ++i;
    if (i == folded.size()) return at + 1;
  }
  return 0;
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

namespace {

// The search of FoldedFind and FindInFolded: `folded` is the needle folded;
// the haystack holds the text's own units, or with `haystack_folded` units
// folded already, which then are compared as they stand.
std::size_t Find(std::u16string_view haystack, std::u16string_view needle, bool haystack_folded) {
  const std::size_t m = needle.size();
  if (m == 0) return 1;
  if (haystack.size() < m) return 0;
  const auto& table = FoldTable();
  const std::u16string folded = Fold(needle);

  // The text is scanned raw for the needle's least common unit and, where
  // that is found, for the next least common one, as far from it as may be;
  // only where both stand is the needle folded and compared. Places rise with
  // the scan, so the first match found is the first occurrence.
  std::size_t rare = 0;
  for (std::size_t i = 1; i < m; ++i) {
    if (Commonness(folded[i]) < Commonness(folded[rare])) rare = i;
  }
  std::size_t other = rare;
  auto distance = [rare](std::size_t i) { return i > rare ? i - rare : rare - i; };
  for (std::size_t i = 0; i < m; ++i) {
    if (i == rare) continue;
    if (other == rare || Commonness(folded[i]) < Commonness(folded[other]) ||
        (Commonness(folded[i]) == Commonness(folded[other]) && distance(i) > distance(other))) {
      other = i;
    }
  }
  // In a folded haystack a needle unit stands only for itself.
  const auto sources_of = [haystack_folded](char16_t unit) -> std::optional<Sources> {
    if (haystack_folded) return Sources{{unit, unit, unit, unit}, 1};
    return SourcesOf(unit);
  };
  const std::optional<Sources> rare_sources = sources_of(folded[rare]);
  const std::optional<Sources> other_sources = sources_of(folded[other]);
  if (!rare_sources || !other_sources) return FoldedFindSlowly(haystack, folded);

  const char16_t* const text = haystack.data();
  const Key rare_key{text + rare, *rare_sources}, other_key{text + other, *other_sources};
  auto matches = [&](std::size_t at) {
    if (haystack_folded) return std::u16string_view(text + at, m) == folded;
    for (std::size_t i = 0; i < m; ++i) {
      if (table[text[at + i]] != folded[i]) return false;
    }
    return true;
  };
  const std::size_t starts = haystack.size() - m + 1;
  std::size_t at = starts;
  if (haystack_folded) {
    at = Scan<1, 1>(rare_key, other_key, starts, matches);
  } else {
    switch (rare_sources->count) {
      case 1:
        at = Scan<1, 4>(rare_key, other_key, starts, matches);
        break;
      case 2:
        at = Scan<2, 4>(rare_key, other_key, starts, matches);
        break;
      case 3:
        at = Scan<3, 4>(rare_key, other_key, starts, matches);
        break;
      default:
        at = Scan<4, 4>(rare_key, other_key, starts, matches);
        break;
    }
  }
  return at == starts ? 0 : at + 1;
}

}  // namespace

std::size_t FoldedFind(std::u16string_view haystack, std::u16string_view needle) {
  return Find(haystack, needle, false);
}

std::size_t FindInFolded(std::u16string_view folded_haystack, std::u16string_view needle) {
  return Find(folded_haystack, needle, true);
}

}  // namespace webexam
