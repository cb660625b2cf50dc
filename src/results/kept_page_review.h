// What the pages kept on the share show beyond their marks: pages of
// different exam numbers that are (nearly) the same page, and items that
// passed only on text the browser does not show. For webexam-results'
// summary and its --regrade.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "grading/answer_key.h"
#include "platform/platform.h"
#include "results/share_log_reader.h"

namespace webexam {

struct KeptPageReview {
  bool made = false;                        // the pages were looked at
  std::size_t compared = 0;                 // pages that took part in the comparison
  bool starting_page = false;               // the exam's starting page was read
  std::u16string starting_path;             // where it was looked for
  std::vector<std::u16string> copies;       // one pair each, most alike first
  std::vector<std::u16string> hidden_only;  // one page each, by line
  std::vector<std::u16string> unreadable;   // pages that could not be read
};

// Reads the kept page of each result line in `share` (ending with the path
// separator), whose pages folder lists `names`, and the starting page
// `starting_page` (aa/index.htm of the exam folder). Without the starting
// page the pages are not compared (every page would share it), and the
// review says so. Items that passed on hidden text alone are found with
// `key`; an empty key finds none.
KeptPageReview ReviewKeptPages(Platform& platform, const AnswerKey& key,
                               const std::u16string& share, const ShareLogContent& log,
                               const std::vector<std::u16string>& names,
                               const std::u16string& starting_page);

// The starting page of the exam in `exam_folder`: its aa/index.htm.
std::u16string StartingPagePath(Platform& platform, const std::u16string& exam_folder);

// The review as lines ending in LF, for the terminal and --regrade.
std::u16string KeptPageReviewText(const KeptPageReview& review);

// Its two headings' explanations, shared by the text and the HTML page.
std::u16string CopiesHeading(const KeptPageReview& review);
std::u16string HiddenOnlyHeading(const KeptPageReview& review);

}  // namespace webexam
