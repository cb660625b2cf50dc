// How alike two candidates' pages are, beyond what the exam gave them both.
//
// A page's text is folded (case and width, as grading compares), cut into
// pieces at each tag's "<" and at line ends, stripped of white space, and
// each piece into overlapping runs of kShingleLength characters (a shorter
// piece is one run). The runs the exam's starting page has too are dropped:
// what every candidate got for free is no likeness. Two pages' likeness is
// the share of the runs either has that both have (Jaccard's measure).
// Moving lines, re-indenting or changing the case of tags changes nothing;
// each changed name or value changes a few runs; two candidates doing the
// same step each in their own way (the order of a tag's attributes, which
// tags, what else they add) differ in many.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace webexam {

inline constexpr std::size_t kShingleLength = 8;

// Pages at least this alike are listed as copies of each other. Honest
// pages written independently for this exam measure at most about 0.85.
inline constexpr double kCopyLikeness = 0.90;

// A page with fewer runs of its own than this is the starting page barely
// changed: it is compared with no other.
inline constexpr std::size_t kLeastOwnShingles = 32;

// The runs of a decoded page text, hashed, sorted and without repeats.
using Shingles = std::vector<std::uint64_t>;
Shingles ShinglesOf(std::u16string_view text);

// The runs of `page` that `starting_page` does not have.
Shingles OwnShingles(const Shingles& page, const Shingles& starting_page);

// The share of the runs in either that are in both, 0 to 1; 0 when both are
// empty.
double Likeness(const Shingles& a, const Shingles& b);

}  // namespace webexam
