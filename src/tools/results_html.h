// webexam-results' page: one self-contained HTML file (no scripts, no files
// beside it) with the table, bar charts of the items' pass rates and of the
// counts as inline SVG, and the anomalies. It prints in black and white:
// every bar carries its number as text, and a weak item is hatched and
// labelled, not only coloured.
#pragma once

#include <string>

#include "tools/results_summary.h"

namespace webexam {

// The page in UTF-8, LF line ends.
std::string ResultsHtml(const ResultsSummary& summary);

}  // namespace webexam
