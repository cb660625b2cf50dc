#include "results/page_likeness.h"

#include <algorithm>
#include <iterator>

#include "text/fold.h"

namespace webexam {
namespace {

bool IsBlank(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\f' || c == u'\v';
}

// FNV-1a over the UTF-16 units.
std::uint64_t Hash(std::u16string_view units) {
  std::uint64_t hash = 14695981039346656037ull;
  for (char16_t unit : units) {
    hash = (hash ^ (unit & 0xFF)) * 1099511628211ull;
    hash = (hash ^ (unit >> 8)) * 1099511628211ull;
  }
  return hash;
}

void AddPiece(std::u16string_view piece, Shingles& out) {
  if (piece.empty()) return;
  if (piece.size() <= kShingleLength) {
    out.push_back(Hash(piece));
    return;
  }
  for (std::size_t i = 0; i + kShingleLength <= piece.size(); ++i) {
    out.push_back(Hash(piece.substr(i, kShingleLength)));
  }
}

}  // namespace

Shingles ShinglesOf(std::u16string_view text) {
  Shingles out;
  std::u16string piece;
  for (char16_t unit : text) {
    if (unit == u'<' || unit == u'\r' || unit == u'\n') {
      AddPiece(piece, out);
      piece.clear();
    }
    const char16_t folded = FoldUnit(unit);
    if (!IsBlank(folded)) piece += folded;
  }
  AddPiece(piece, out);
  std::sort(out.begin(), out.end());
  out.erase(std::unique(out.begin(), out.end()), out.end());
  return out;
}

Shingles OwnShingles(const Shingles& page, const Shingles& starting_page) {
  Shingles own;
  std::set_difference(page.begin(), page.end(), starting_page.begin(), starting_page.end(),
                      std::back_inserter(own));
  return own;
}

double Likeness(const Shingles& a, const Shingles& b) {
  std::size_t both = 0;
  for (auto i = a.begin(), j = b.begin(); i != a.end() && j != b.end();) {
    if (*i < *j) {
      ++i;
    } else if (*j < *i) {
      ++j;
    } else {
      ++both, ++i, ++j;
    }
  }
  const std::size_t either = a.size() + b.size() - both;
  return either == 0 ? 0.0 : static_cast<double>(both) / static_cast<double>(either);
}

}  // namespace webexam
