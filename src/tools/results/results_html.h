// webexam-results' page: one self-contained HTML file (no scripts, no files
// beside it) with the table, bar charts of the items' pass rates and of the
// counts as inline SVG, and the anomalies. It prints in black and white:
// every bar carries its number as text, and a weak item is hatched and
// labelled, not only coloured.
#pragma once

#include <string>

#include "results/results_summary.h"

namespace webexam {

// Where and when the page was made, printed under its title, so that a
// printed page says what it is of.
struct PageSource {
  std::u16string share;     // the share folder as the teacher named it
  std::u16string made_at;   // the local time, "2026-06-18 11:32:05"
  int refresh_seconds = 0;  // when not 0, the browser reloads the page this often
};

// The page in UTF-8, LF line ends.
std::string ResultsHtml(const ResultsSummary& summary, const PageSource& source);

}  // namespace webexam
