// Case- and width-blind text search, the same on every platform (the C
// library's towlower differs between systems, so the folding is our own).
//
// Folding maps each UTF-16 unit to one unit, so positions in the folded text
// are positions in the original.
#pragma once

#include <string>
#include <string_view>

namespace webexam {

// Folds one unit: full-width forms to their narrow forms (U+FF01..U+FF5E to
// ASCII, U+3000 to a space, U+FFE0..U+FFE6 to the narrow signs), then upper
// case to lower case for ASCII, Latin-1, Latin Extended-A, Greek, Cyrillic and
// the Roman numerals.
char16_t FoldUnit(char16_t unit);

std::u16string Fold(std::u16string_view text);
void FoldInPlace(std::u16string& text);

// The 1-based position of the first occurrence of `needle`, folded, in a text
// that Fold has folded already (a page searched for many needles is folded
// once), or 0 when there is none. An empty needle is found at 1.
std::size_t FindInFolded(std::u16string_view folded_haystack, std::u16string_view needle);

}  // namespace webexam
