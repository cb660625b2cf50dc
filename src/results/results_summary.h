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
#include "results/kept_page_review.h"
#include "results/roster.h"
#include "results/share_log_reader.h"
#include "state/exam_paths.h"

namespace webexam {

// Something a teacher should look at.
struct Anomaly {
  std::size_t line = 0;  // the line of cjwyzz.txt it is about, or 0 (a marker without a line)
  std::u16string text;   // one sentence, starting with the line number when there is one
};

// A candidate of the class list without a result line.
struct Missing {
  RosterEntry candidate;
  std::size_t malformed_line = 0;  // a line of theirs that is no result line, or 0
};

struct ResultsSummary {
  std::size_t line_count = 0;           // lines in cjwyzz.txt
  std::size_t marker_count = 0;         // marker files on the share
  std::vector<ShareLogRecord> rows;     // every result line, by exam number, then line
  std::vector<std::u16string> remarks;  // per row: how it differs from the class list
  int item_count = 0;                   // the exam's items: marks per line
  PerItem<int> passed;                  // per item: the rows that passed it
  std::vector<int> with_count;          // per count 0 to item_count: the rows with it
  std::vector<Anomaly> anomalies;       // by line; those about no line last
  bool has_roster = false;              // a class list was given
  std::size_t expected = 0;             // candidates on the class list
  std::vector<Missing> missing;         // on the list without a line, by exam number
  KeptPageReview kept_page_review;      // copies and hidden texts, when looked for

  int Candidates() const { return static_cast<int>(rows.size()); }
  std::size_t Submitted() const { return expected - missing.size(); }
};

// `markers` are the names of the other files on the share, one per PC that
// submitted; names that are none (IsNoSubmission) may be among them and are
// left out. A PC's
// name is matched without regard to the case of ASCII letters, as Windows
// names files and computers. With a class list, its candidates without a
// line are listed, and lines whose exam number is not on it, or whose name
// or PC differs from it, are anomalies. `kept_pages` are the names in the
// share's pages folder (none when it is missing), or null when they could
// not be listed: the anomaly of a PC with several lines names each line's
// page. The rows are the lines of one exam: of `item_count` items when the
// exam is known, else of as many as most lines have. Lines with marks for
// another number of items are of another exam: they are named as such, and
// left out of the rows as lines that are no result lines are.
ResultsSummary Summarize(ShareLogContent log, std::vector<std::u16string> markers,
                         const Roster* roster = nullptr,
                         const std::vector<std::u16string>* kept_pages = nullptr,
                         int item_count = 0);

// "（120722001 张三）", naming whose a line is as far as it says; empty for a
// line without either.
std::u16string Who(const ShareLogRecord& record);
// The same without its brackets: "120722001 张三".
std::u16string ExamNumberAndName(const ShareLogRecord& record);

// The share of `passed` in `total` in whole percent, rounded half up; 0 for
// no total.
int Percent(int passed, int total);

// An item that fewer than half of the candidates passed.
bool IsWeakItem(int passed, int total);

}  // namespace webexam
