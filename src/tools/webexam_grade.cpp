// webexam-grade: grades web pages against the exam's answer key from the
// command line, exactly as the exam client grades a candidate's page; with
// --explain, says of one page why each item passed or failed.

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "grading/grade_page.h"
#include "platform/platform.h"
#include "state/exam_state.h"
#include "text/utf8.h"
#include "tools/command_line.h"
#include "tools/explain.h"
#include "tools/terminal.h"
#include "tools/tool_main.h"

namespace {

constexpr const char kHelp[] =
    "Usage: webexam-grade PAGE...\n"
    "       webexam-grade --explain PAGE\n"
    "\n"
    "Grades each web page against the exam's answer key of 22 items, as the\n"
    "exam client does when a candidate submits: the first 32000 bytes of the\n"
    "page are read as GBK text and searched for each item's texts, ignoring\n"
    "letter case and full-width/half-width forms.\n"
    "\n"
    "For each page one line goes to standard output (UTF-8, LF):\n"
    "  PATH<TAB>COUNT<TAB>MARK1<TAB>...<TAB>MARK22\n"
    "where COUNT is the number of items passed (0 to 22) and each MARK is 1\n"
    "(passed) or 0 (failed), in item order.\n"
    "\n"
    "A page that does not exist is named on standard error and is not created;\n"
    "so is a page that cannot be read. The other pages are still graded, and\n"
    "the exit status is then 1. It is 0 when every page was graded, and 2 when\n"
    "no page was given.\n"
    "\n"
    "Options:\n"
    "  --explain PAGE  say item by item, in Chinese, whether the page passed,\n"
    "                  and where each of its texts was found in the first 32000\n"
    "                  bytes (line and column; whether only in a comment, script\n"
    "                  or style), or only beyond them: for a candidate who appeals\n"
    "  -h, --help      show this help and exit\n";

}  // namespace

// Grades the pages named by the arguments.
int RunTool(const std::vector<std::string>& arguments) {
  constexpr webexam::ToolOption kOptions[] = {{"--explain", "", false}};
  const webexam::CommandLine line = webexam::ParseCommandLine(arguments, kOptions);
  if (line.help) {
    std::fputs(kHelp, stdout);
    return 0;
  }
  if (line.problem != webexam::CommandLine::Problem::kNone) {
    std::fprintf(stderr, "webexam-grade: unknown option %s (see --help)\n", line.culprit.c_str());
    return 2;
  }
  const std::vector<std::string>& pages = line.operands;
  const bool explain = line.Has("--explain");
  if (pages.empty()) {
    std::fputs("webexam-grade: no page given (see --help)\n", stderr);
    return 2;
  }

  auto platform = webexam::MakePlatform();
  if (explain) {
    if (pages.size() != 1) {
      std::fputs("webexam-grade: --explain takes one page (see --help)\n", stderr);
      return 2;
    }
    try {
      return webexam::PrintOut(webexam::ExplainPage(*platform, webexam::FromUtf8(pages[0]))) ? 0
                                                                                             : 1;
    } catch (const webexam::PlatformError& error) {
      if (error.kind() == webexam::PlatformError::Kind::kNotFound) {
        std::fprintf(stderr, "webexam-grade: no such page: %s\n", pages[0].c_str());
      } else {
        std::fprintf(stderr, "webexam-grade: %s\n", error.what());
      }
      return 1;
    }
  }
  int status = 0;
  for (const std::string& page : pages) {
    webexam::ExamState state;
    try {
      // The teacher's page is graded as it is: a missing one is reported, not
      // created as the client does for the candidate's page.
      const webexam::GradeResult result = webexam::GradePage(
          *platform, state, webexam::FromUtf8(page), webexam::Platform::IfMissing::kFail);
      std::string line = page + "\t" + std::to_string(result.correct_count);
      for (int item = 1; item <= webexam::kItemCount; ++item) {
        line += '\t';
        line += static_cast<char>('0' + result.Mark(item));
      }
      line += '\n';
      std::fputs(line.c_str(), stdout);
    } catch (const webexam::PlatformError& error) {
      std::fflush(stdout);
      if (error.kind() == webexam::PlatformError::Kind::kNotFound) {
        std::fprintf(stderr, "webexam-grade: no such page: %s\n", page.c_str());
      } else {
        std::fprintf(stderr, "webexam-grade: %s\n", error.what());
      }
      status = 1;
    }
  }
  return std::fflush(stdout) == 0 ? status : 1;
}
