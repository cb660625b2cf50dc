// What webexam-results makes of a results share: the result lines sorted by
// exam number, the pass rate of each item, how many candidates reached each
// count, and everything odd about the lines and the PCs' markers, worded for
// the room's teachers. The terminal, CSV and HTML forms are all drawn from it.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "grading/answer_key.h"
#include "results/share_log_reader.h"
#include "state/exam_paths.h"

namespace webexam {

// Something a teacher should look at.
struct Anomaly {
  std::size_t line = 0;  // the line of cjwyzz.txt it is about, or 0 (a marker without a line)
  std::u16string text;   // one sentence, starting with the line number when there is one
};

struct ResultsSummary {
  std::size_t line_count = 0;                    // lines in cjwyzz.txt
  std::size_t marker_count = 0;                  // marker files on the share
  std::vector<ShareLogRecord> rows;              // every result line, by exam number, then line
  std::array<int, kItemCount> passed{};          // per item: the rows that passed it
  std::array<int, kItemCount + 1> with_count{};  // per count 0 to 22: the rows with it
  std::vector<Anomaly> anomalies;                // by line; those about no line last

  int Candidates() const { return static_cast<int>(rows.size()); }
};

// `markers` are the names of the other files on the share, one per PC that
// submitted; the log file itself and names starting with a dot (hidden on
// POSIX, and webexam-check's probes) may be among them and are left out. A PC's
// name is matched without regard to the case of ASCII letters, as Windows
// names files and computers.
ResultsSummary Summarize(ShareLogContent log, std::vector<std::u16string> markers);

// The share of `passed` in `total` in whole percent, rounded half up; 0 for
// no total.
int Percent(int passed, int total);

// An item that fewer than half of the candidates passed.
bool IsWeakItem(int passed, int total);

}  // namespace webexam
