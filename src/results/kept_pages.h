// The graded pages a results share keeps in its pages folder: the name each
// one is written under, and how the teachers' tools find the page of a result
// line again. A PC under restore software forgets at a reboot that it
// submitted and submits again; its pages are never written over, so one exam
// number on one PC may have several, numbered in the order they came.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "results/share_log_reader.h"
#include "submission/share_layout.h"

namespace webexam {

// How much of a file in the pages folder the teacher's journal reads at each
// look: a kept page is the head of a page that grading read (32000 bytes),
// so only a file put there by hand is longer, and only its head is compared.
inline constexpr std::size_t kKeptPageReadLimit = std::size_t{1} << 20;

// Which kept pages belong to which result lines.
struct KeptPages {
  // The page of each line that has one. The lines of one exam number on one
  // PC (the PC's name in any case) take that sequence's pages in order: the
  // first line the first page, the second line the second.
  std::unordered_map<std::size_t, std::u16string> of_line;
  // Pages no line stands for: named after no line's exam number and PC, or
  // beyond the number of lines of theirs. In name order.
  std::vector<std::u16string> without_line;
  // Pages whose name two different (exam number, PC) pairs would both build
  // ("1-A-B.htm" for exam 1 on PC A-B and for exam 1-A on PC B: sign-in
  // takes no such exam number, but a line edited on the share may hold
  // one): given to neither. In name order.
  std::vector<std::u16string> ambiguous;
  // Per (exam number, PC) with fewer pages than lines, its lines in file
  // order: the pages were paired with the first lines, which is right only
  // when no page failed to be kept.
  std::vector<std::vector<std::size_t>> fewer_pages;
};

// Pairs the `names` listed in the pages folder with the result lines, by
// building each line's sequence of names; a file name is never split.
// Names not ending in ".htm" (in any case) are left out.
KeptPages MatchKeptPages(const std::vector<ShareLogRecord>& records,
                         const std::vector<std::u16string>& names);

}  // namespace webexam
