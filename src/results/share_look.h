// One look at a results share as the teacher's tool takes it: the log read
// and parsed, the share folder and its pages folder listed, and what is
// wrong with the share's own names, ready to be summarized and compared
// with the journal.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "results/journal_file.h"
#include "results/results_summary.h"
#include "results/roster.h"
#include "results/share_log_reader.h"

namespace webexam {

// What one look at the share found.
struct ShareContent {
  std::string log_bytes;
  ShareLogContent log;
  std::vector<std::u16string> markers;
  // The names in the pages folder: none when it is missing, nothing known
  // when it cannot be listed (the rest of the summary does not need them).
  std::optional<std::vector<std::u16string>> kept_pages;
  bool pages_is_file = false;  // a file named like the pages folder is in its place
  // What is wrong with the share's own names (the log missing or a folder,
  // pages a file), each an anomaly of no line.
  std::vector<std::u16string> problems;

  // Whether anything but the share's own names is there: a marker or a
  // kept page.
  bool HoldsSubmissions() const;
  // Forgets a last line without its line end: during the exam it is a line
  // still being written, left for the next look.
  void DropTornLastLine();
};

// The names in the share's pages folder that may be PCs' pages; `share`
// ends in a separator.
std::vector<std::u16string> KeptPageNames(Platform& platform, const std::u16string& share);

class Share {
 public:
  // `share` as the teacher named it (UTF-8); `item_count`: the given
  // exam's, or 0 (see ReadShareLog).
  Share(Platform& platform, const std::string& share, int item_count);

  // Reads the log, then lists the markers: a PC appends its line before it
  // makes its marker, so a line is seen no later than its marker. Only
  // reads: the log is opened, read and closed, never held against the PCs'
  // appends, and no more of it than kShareLogReadLimit. When the share
  // cannot be read, or its log is a file that cannot, `error` says why and
  // nothing comes back. A log missing or in a folder's shape is read as
  // empty, with what is wrong among `problems`; during the exam a share
  // without its log yet is only a share nobody has submitted to
  // (`missing_log_is_empty`).
  std::optional<ShareContent> Read(std::u16string& error, bool missing_log_is_empty = false);

  // The summary of one look, with what is wrong with the share's own names
  // after the rest; takes the look's lines and markers.
  ResultsSummary Summary(ShareContent& content, const Roster* roster) const;
  // Compares one look with the journal and appends what it noted; the text
  // of a failure, or an empty one.
  std::u16string KeepJournal(JournalFile& journal, const ShareContent& content) const;

  // The share's folder, ending in a separator.
  const std::u16string& Folder() const { return folder_; }
  // The share as the teacher named it, as shown to the teacher.
  std::u16string Named() const;

 private:
  bool ListMarkers(ShareContent& content, std::u16string& error);
  void ListKeptPages(ShareContent& content);

  Platform& platform_;
  std::string named_;
  int item_count_;
  std::u16string folder_;
};

}  // namespace webexam
