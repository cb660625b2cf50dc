// Case- and width-blind text search, the same on every platform (the C
// library's towlower differs between systems, so the folding is our own).
//
// Folding maps each UTF-16 unit to one unit, so positions in the folded text
// are positions in the original.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

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

// Many needles looked for in one pass over a text: for each, what
// FindInFolded(Fold(text), needle) gives. Built at run time from whatever
// needles it is given (an answer key is data), as one automaton (Aho and
// Corasick's) that reads each unit of the text once (but where the parts it
// reads side by side overlap), folding it as it reads: the text may be folded
// already or not.
class NeedleSet {
 public:
  explicit NeedleSet(std::span<const std::u16string_view> needles);

  // The index of `needle`, compared folded, among the distinct folded needles
  // given (the places that FindAll fills), or npos when it is none of them.
  std::size_t IndexOf(std::u16string_view needle) const;

  // Sets positions[IndexOf(needle)] to the 1-based position of the first
  // occurrence of each needle in `text`, or 0 when there is none; an empty
  // needle is found at 1.
  void FindAll(std::u16string_view text, std::vector<std::size_t>& positions) const;

 private:
  static constexpr std::size_t npos = std::u16string_view::npos;

  // Notes in `first` the needles that end in the state at `offset`, having
  // read the unit at `at`, where no earlier one is noted.
  void NoteEndings(std::uint32_t offset, std::size_t at, std::size_t* first) const;

  struct Hash {
    using is_transparent = void;
    std::size_t operator()(std::u16string_view text) const {
      return std::hash<std::u16string_view>{}(text);
    }
  };
  // Each needle's place, by its folded form and by the form it was given in.
  std::unordered_map<std::u16string, std::size_t, Hash, std::equal_to<>> index_;
  std::vector<std::size_t> lengths_;  // of each folded needle
  std::size_t longest_ = 0;
  // Every unit's class: 0 when its folded form is in no needle, else one
  // class for each distinct unit of the folded needles. (Made without
  // setting each unit in turn: a table of 65536 filled one at a time is slow
  // to make under the sanitizers, which build a set for each fuzz input.)
  std::unique_ptr<std::uint16_t[]> class_of_;
  std::size_t classes_ = 1;
  // The automaton's moves, a row of `classes_` for each state, each move the
  // offset of the next state's row; the states where some needle ends have
  // the last rows, from `first_ending_` on.
  std::vector<std::uint32_t> next_;
  std::uint32_t first_ending_ = 0;
  // The needles that end in each of those states: ending_[ending_from_[k]]
  // up to ending_[ending_from_[k + 1]] for the k-th of them.
  std::vector<std::uint32_t> ending_from_;
  std::vector<std::uint32_t> ending_;
  std::vector<std::size_t> empty_;  // the places of an empty needle (at most one)
};

}  // namespace webexam
