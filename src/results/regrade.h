// webexam-results --regrade: grades every page kept in the share's pages
// folder again, each against its own line (a PC that submitted several times
// left a page for each), and lists the result lines whose marks differ from
// the re-grade (a line edited on the share, or an answer key changed since),
// the lines without a kept page, the pages without a line or whose name more
// than one line builds, and the PCs whose pages are fewer than their lines.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "grading/answer_key.h"
#include "platform/platform.h"
#include "results/share_log_reader.h"

namespace webexam {

struct RegradeReport {
  std::size_t pages = 0;      // kept pages graded again
  std::size_t differing = 0;  // of them, those whose line has other marks
  std::u16string text;        // the report, lines ending in LF
};

// `share` ends with the path separator; `pages` are the names in its pages
// folder (none when it is missing). A page that cannot be read is named in
// the report.
RegradeReport Regrade(Platform& platform, const AnswerKey& key, const std::u16string& share,
                      const ShareLogContent& log, std::vector<std::u16string> pages);

}  // namespace webexam
