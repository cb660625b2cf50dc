// webexam-results: what the results share holds, for the teacher: after
// the exam the results by exam number, the pass rate of each item, the
// distribution of the counts, and every oddity of the lines and markers,
// optionally against the class list and as CSV and a printable HTML page;
// during the exam a live view; and the kept pages graded again.

#include <chrono>
#include <csignal>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "exam/exam_folder_files.h"
#include "platform/platform.h"
#include "results/journal_file.h"
#include "results/regrade.h"
#include "results/results_summary.h"
#include "results/roster.h"
#include "results/share_log_reader.h"
#include "results/share_look.h"
#include "submission/share_advice.h"
#include "text/characters.h"
#include "text/utf8.h"
#include "tools/common/command_line.h"
#include "tools/common/terminal.h"
#include "tools/common/tool_main.h"
#include "tools/results/live_view.h"
#include "tools/results/results_html.h"
#include "tools/results/results_table.h"

namespace {

using namespace webexam;

constexpr std::u16string_view kHelp =
    u"用法：webexam-results [--roster 名单] [--csv 文件] [--html 文件]\n"
    u"                      [--journal 文件] 共享文件夹\n"
    u"      webexam-results --watch [--roster 名单] [--html 文件] [--interval 秒]\n"
    u"                      [--journal 文件] 共享文件夹\n"
    u"      webexam-results --regrade [--exam 考题文件夹] 共享文件夹\n"
    u"读取成绩共享文件夹里的 cjwyzz.txt 和各考生机的记号文件，打印按考号排序的\n"
    u"成绩表、各题通过率、答对数分布和带行号、考号姓名的异常。\n"
    u"选项：\n"
    u"  --roster 名单  名单文件：每行考号、姓名，可再加计算机名，TAB 或逗号分隔，\n"
    u"                 GBK 或 UTF-8，可有表头；列出未交的人、不在名单上的考号、\n"
    u"                 与名单不符的姓名\n"
    u"  --csv 文件     另把成绩表写成 CSV（UTF-8 带 BOM，Excel、WPS 可直接打开）\n"
    u"  --html 文件    另写一页 HTML（注明共享文件夹和生成时间），可打印\n"
    u"  --journal 文件 本机硬盘上的日志文件（不在共享文件夹里）：记下见到的一切，\n"
    u"                 说出被改过、删掉的成绩行、页面、记号文件和晚到的东西\n"
    u"  --watch        考试中实时查看已交/应交、未交的人、最近交来的、异常，并记\n"
    u"                 日志（没给 --journal 时用本人文件夹里的，显示在开头）；\n"
    u"                 第一个考生交卷前就开始；Ctrl+C 结束；带 --html 时同时刷新网页\n"
    u"  --interval 秒  --watch 刷新的间隔，1 到 600，默认 3\n"
    u"  --regrade      把 pages 文件夹里留下的页面重评一遍，列出与成绩行不同的\n"
    u"  --exam 文件夹  本场考题的文件夹：按它的题数读成绩行，按它重评、查页面（默认见指南）\n"
    u"  -h, --help     显示本说明\n"
    u"退出码：读到了为 0（有异常也是 0）；共享文件夹、cjwyzz.txt、名单或日志读不了，\n"
    u"CSV、HTML 或日志写不了为 1；用法有误（日志在共享文件夹里也是）、考题读不了为 2。\n";

constexpr std::string_view kTool = "webexam-results";

int UsageError(std::u16string_view what) { return webexam::UsageError(kTool, what); }

void Complain(const std::u16string& what, const PlatformError& error) {
  PrintError(u"webexam-results: " + what + u"：" + FromUtf8(error.what()) + u"\n");
}

// The local time, "2026-06-18 11:32:05", or only the time of day.
std::u16string LocalTime(bool with_date) {
  const std::time_t now = std::time(nullptr);
  char text[32] = "";
  if (const std::tm* local = std::localtime(&now)) {
    std::strftime(text, sizeof text, with_date ? "%Y-%m-%d %H:%M:%S" : "%H:%M:%S", local);
  }
  return FromUtf8(text);
}

struct Options {
  std::string share, csv, html, roster, journal, exam;
  bool watch = false, regrade = false;
  int interval = 3;
};

volatile std::sig_atomic_t stop_requested = 0;

extern "C" void RequestStop(int) { stop_requested = 1; }

// The live view: redraws until Ctrl-C (or the console's Ctrl-Break or a
// termination request). On a terminal the screen is redrawn in place; to a
// file or a pipe a screen goes out only when something other than the clock
// changed.
int Watch(Platform& platform, Share& share, const Roster* roster, const Options& options,
          JournalFile& journal) {
  std::signal(SIGINT, RequestStop);
  std::signal(SIGTERM, RequestStop);
#ifdef SIGBREAK
  std::signal(SIGBREAK, RequestStop);
#endif
  const bool terminal = OutputIsTerminal();
  LiveView view;
  std::u16string last_body;
  int status = 0;
  while (!stop_requested) {
    const std::u16string now = LocalTime(false);
    std::u16string body, error;
    if (std::optional<ShareContent> content = share.Read(error, true)) {
      content->DropTornLastLine();
      const std::u16string kept = share.KeepJournal(journal, *content);
      if (!kept.empty()) status = 1;
      ResultsSummary summary = share.Summary(*content, roster);
      AddJournalFindings(summary, journal.Journal());
      view.Look(summary, now);
      body = view.Screen(u"共享文件夹 " + share.Named() + u"\n日志 " + journal.Shown());
      if (!kept.empty()) body += u"\n" + kept + u"\n";
      if (!options.html.empty()) {
        try {
          platform.ReplaceWholeFile(
              FromUtf8(options.html),
              ResultsHtml(summary, {share.Named(), LocalTime(true), options.interval}));
        } catch (const PlatformError& error) {
          // On the screen, not on the terminal under it, which the next
          // screen would overwrite.
          body += u"\n写不了网页 " + ShownName(FromUtf8(options.html)) + u"：" +
                  FromUtf8(error.what()) + u"\n";
        }
      }
    } else {
      body = u"共享文件夹 " + share.Named() + u"\n\n" + error + u"\n下次刷新时再试。\n";
    }
    const std::u16string footer =
        u"\n" + now + u" 读取；每 " + Digits(options.interval) + u" 秒刷新，按 Ctrl+C 结束\n";
    if (terminal) {
      if (!DrawScreen(body + footer)) status = 1;
    } else if (body != last_body) {
      if (!PrintOut(body + footer + u"\n")) status = 1;
    }
    last_body = body;
    const auto until = platform.Now() + std::chrono::seconds(options.interval);
    while (!stop_requested && platform.Now() < until) {
      platform.Sleep(std::chrono::milliseconds(100));
    }
  }
  PrintOut(u"\n已结束实时查看。\n");
  return status;
}

std::optional<Roster> LoadRoster(Platform& platform, const std::string& file) {
  std::string bytes;
  try {
    bytes = platform.ReadHead(FromUtf8(file), SIZE_MAX, Platform::IfMissing::kFail);
  } catch (const PlatformError& error) {
    Complain(u"读不了名单 " + ShownName(FromUtf8(file)), error);
    return std::nullopt;
  }
  Roster roster =
      ReadRoster(bytes, [&platform](std::string_view gbk) { return platform.DecodeGbk(gbk); });
  // A bad line is one candidate fewer on the list: said at once, where it
  // cannot be missed, and the rest of the list still used.
  if (!roster.problems.empty()) {
    PrintError(u"webexam-results: 名单 " + ShownName(FromUtf8(file)) +
               u" 有错行，这些行没有算进名单：\n");
    for (const RosterProblem& problem : roster.problems) PrintError(problem.text + u"\n");
  }
  return roster;
}

}  // namespace

int RunTool(const std::vector<std::string>& arguments) {
  constexpr ToolOption kOptions[] = {{"--csv", "", true, u"文件名"},
                                     {"--html", "", true, u"文件名"},
                                     {"--roster", "", true, u"文件名"},
                                     {"--interval", "", true, u"秒数"},
                                     {"--journal", "", true, u"文件名"},
                                     {"--exam", "", true, u"考题文件夹"},
                                     {"--watch", "", false},
                                     {"--regrade", "", false}};
  const CommandLine line = ParseCommandLine(arguments, kOptions, 1);
  if (line.help) return PrintOut(kHelp) ? 0 : 1;
  if (line.problem != CommandLine::Problem::kNone) return UsageError(ProblemText(line, kOptions));
  Options options;
  options.share = line.operands.empty() ? std::string() : line.operands[0];
  options.csv = line.Value("--csv");
  options.html = line.Value("--html");
  options.roster = line.Value("--roster");
  options.journal = line.Value("--journal");
  options.exam = line.Value("--exam");
  options.watch = line.Has("--watch");
  options.regrade = line.Has("--regrade");
  if (line.Has("--interval")) {
    const std::string interval = line.Value("--interval");
    const bool digits = !interval.empty() && interval.size() <= 3 &&
                        interval.find_first_not_of("0123456789") == std::string::npos;
    options.interval = digits ? std::stoi(interval) : 0;
    if (options.interval < 1 || options.interval > 600) {
      return UsageError(u"--interval 要 1 到 600 秒");
    }
  }
  if (options.share.empty()) return UsageError(u"没有给共享文件夹");
  if (options.watch && options.regrade) return UsageError(u"--watch 和 --regrade 不能同用");
  if (options.watch && !options.csv.empty()) return UsageError(u"--watch 不写 CSV");
  if (line.Has("--exam") && options.exam.empty()) return UsageError(u"--exam 后面缺考题文件夹");
  if (options.regrade && (!options.csv.empty() || !options.html.empty() ||
                          !options.roster.empty() || !options.journal.empty())) {
    return UsageError(u"--regrade 不与其他选项同用");
  }

  try {
    auto platform = MakePlatform();
    if (AccountInAddress(std::string_view(options.share)).length > 0) {
      return UsageError(AccountInAddressAdvice(*platform));
    }
    // The exam the teacher named, whose item count the lines are read by; or
    // the exam folder the clients use, whose key the pages are looked at
    // with, and only when it fits the lines.
    std::optional<Exam> exam;
    ExamFolder exam_folder{FromUtf8(options.exam), ExamFolderOrigin::kEnvironment};
    if (!options.exam.empty()) {
      try {
        exam = LoadExam(*platform, exam_folder.path);
      } catch (const ExamFileError& error) {
        PrintError(u"webexam-results: " + error.message() + u"\n");
        return 2;
      }
    } else {
      exam_folder = FindExamFolder(*platform);
    }
    const std::u16string starting_page = StartingPagePath(*platform, exam_folder.path);
    Share share(*platform, options.share, exam ? ItemCount(exam->key) : 0);
    std::optional<Roster> roster;
    if (!options.roster.empty()) {
      roster = LoadRoster(*platform, options.roster);
      if (!roster) return 1;
    }
    std::optional<JournalFile> journal;
    if (options.watch || !options.journal.empty()) {
      // A share that holds nothing yet: a new exam, for the journal --watch
      // keeps by itself.
      bool empty = false;
      if (options.journal.empty()) {
        std::u16string error;
        const std::optional<ShareContent> now = share.Read(error, true);
        empty = now && now->log_bytes.empty() && !now->HoldsSubmissions();
      }
      OpenedJournal opened = OpenJournal(*platform, options.journal, options.share, empty);
      if (!opened.journal) {
        PrintError(u"webexam-results: " + opened.problem + u"\n");
        return opened.status;
      }
      journal = std::move(opened.journal);
    }
    if (options.watch) {
      return Watch(*platform, share, roster ? &*roster : nullptr, options, *journal);
    }

    std::u16string error;
    std::optional<ShareContent> content = share.Read(error);
    if (!content) {
      PrintError(u"webexam-results: " + error + u"\n");
      return 1;
    }
    if (options.regrade) {
      try {
        if (!content->kept_pages) {
          // Not known from the look: listed again, which fails in its own words.
          content->kept_pages = KeptPageNames(*platform, share.Folder());
        }
        std::u16string text;
        for (const std::u16string& problem : content->problems) text += problem + u"\n";
        if (!text.empty()) text += u"\n";
        if (!exam) exam = LoadExam(*platform, exam_folder.path);
        const int lines_items = UsualItemCount(content->log.records);
        if (options.exam.empty() && lines_items != 0 && lines_items != ItemCount(exam->key)) {
          PrintError(u"webexam-results: 考试文件夹 " + ShownName(exam_folder.path) + u" 的考题有 " +
                     Digits(ItemCount(exam->key)) + u" 道题，成绩行却多是 " + Digits(lines_items) +
                     u" 道题的：请用 --exam 给出本场的考题文件夹\n");
          return 2;
        }
        text +=
            Regrade(*platform, exam->key, share.Folder(), content->log, *content->kept_pages).text;
        text += u"\n" + KeptPageReviewText(ReviewKeptPages(*platform, exam->key, share.Folder(),
                                                           content->log, *content->kept_pages,
                                                           starting_page));
        return PrintOut(text) ? 0 : 1;
      } catch (const PlatformError& error) {
        Complain(u"读不了留下的页面", error);
        return 1;
      } catch (const ExamFileError& error) {
        PrintError(u"webexam-results: " + error.message() + u"\n");
        return 2;
      }
    }

    int status = 0;
    if (journal) {
      if (const std::u16string kept = share.KeepJournal(*journal, *content); !kept.empty()) {
        PrintError(u"webexam-results: " + kept + u"\n");
        status = 1;
      }
    }
    // The kept pages are looked at before Summarize takes the lines.
    KeptPageReview review;
    if (content->kept_pages && !content->kept_pages->empty()) {
      AnswerKey key;
      if (exam) {
        key = exam->key;
      } else {
        try {
          key = LoadExam(*platform, exam_folder.path).key;
        } catch (const ExamFileError&) {
          // Without the exam no item is found to pass on hidden text alone.
        }
        // Nor with another exam's key than the lines'.
        if (ItemCount(key) != UsualItemCount(content->log.records)) key.clear();
      }
      review = ReviewKeptPages(*platform, key, share.Folder(), content->log, *content->kept_pages,
                               starting_page);
    }
    ResultsSummary summary = share.Summary(*content, roster ? &*roster : nullptr);
    if (journal) AddJournalFindings(summary, journal->Journal());
    summary.kept_page_review = std::move(review);
    auto write = [&](const std::string& file, auto make) {
      if (file.empty()) return;
      try {
        platform->WriteFile(FromUtf8(file), make());
      } catch (const PlatformError& error) {
        Complain(u"写不了 " + ShownName(FromUtf8(file)), error);
        status = 1;
      }
    };
    write(options.csv, [&] { return ResultsCsv(summary); });
    write(options.html, [&] { return ResultsHtml(summary, {share.Named(), LocalTime(true), 0}); });
    std::u16string text = ResultsText(summary);
    if (journal) text += JournalText(journal->Journal(), FromUtf8(journal->File()));
    if (!PrintOut(text)) status = 1;
    return status;
  } catch (const PlatformError& error) {
    PrintError(u"webexam-results: " + FromUtf8(error.what()) + u"\n");
    return 1;
  }
}
