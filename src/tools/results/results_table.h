// webexam-results' plain forms of a summary: the text for the terminal and
// the table as CSV for a spreadsheet.
#pragma once

#include <string>

#include "results/results_summary.h"

namespace webexam {

// How many anomalies the terminal and the page list before they only count
// the rest: a file of garbage has one per line.
inline constexpr std::size_t kAnomaliesListed = 1000;

// The table, the pass rate of each item, the distribution of the counts and
// the anomalies, as lines ending in LF.
std::u16string ResultsText(const ResultsSummary& summary);

// The table as CSV: UTF-8 with a byte-order mark (so that spreadsheets take it
// as UTF-8), a header row, fields quoted as RFC 4180 has it, CR LF line ends.
std::string ResultsCsv(const ResultsSummary& summary);

}  // namespace webexam
