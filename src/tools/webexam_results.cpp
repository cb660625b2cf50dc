// webexam-results: what the results share holds after an exam, for the
// teacher: the results by exam number, the pass rate of each item, the
// distribution of the counts, and every oddity of the lines and markers;
// optionally as CSV and as a printable HTML page.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "results/share_log_reader.h"
#include "text/utf8.h"
#include "tools/results_html.h"
#include "tools/results_summary.h"
#include "tools/results_table.h"
#include "tools/terminal.h"
#include "tools/tool_main.h"

namespace {

using namespace webexam;

constexpr std::u16string_view kHelp =
    u"用法：webexam-results [--csv 文件] [--html 文件] 共享文件夹\n"
    u"\n"
    u"读取成绩共享文件夹里的 cjwyzz.txt（GBK）和各考生机留下的记号文件\n"
    u"（文件夹里 cjwyzz.txt 以外的普通文件，隐藏的不算），在终端打印：\n"
    u"  - 按考号排序的成绩表：考号、姓名、计算机、答对数、22 题的分数\n"
    u"  - 各题通过率，不到一半通过的题标“偏低”\n"
    u"  - 答对数 0 到 22 各有几人\n"
    u"  - 异常，带行号：格式不对的行（字段数不对、答对数与分数之和不符、\n"
    u"    分数不是 0 或 1、无法识读），一台计算机有多行，一个考号在多台\n"
    u"    计算机上，有记号没有成绩行，有成绩行没有记号\n"
    u"没有行尾的最后一行、LF 行尾、BOM 都能读；按 UTF-8 写的行照样读出，\n"
    u"并列入异常。\n"
    u"\n"
    u"选项：\n"
    u"  --csv 文件    另把成绩表写成 CSV（UTF-8 带 BOM，Excel、WPS 可直接打开）\n"
    u"  --html 文件   另写一页 HTML：成绩表、通过率与分布的柱状图、异常，可打印\n"
    u"  -h, --help    显示本说明\n"
    u"\n"
    u"退出码：读到了为 0（有异常也是 0）；共享文件夹或 cjwyzz.txt 读不了、\n"
    u"CSV 或 HTML 写不了为 1；用法有误为 2。\n";

int UsageError(const std::u16string& what) {
  PrintError(u"webexam-results: " + what + u"（见 --help）\n");
  return 2;
}

}  // namespace

int RunTool(const std::vector<std::string>& arguments) {
  std::string share, csv, html;
  bool only_operands = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& arg = arguments[i];
    if (!only_operands && (arg == "-h" || arg == "--help")) {
      return PrintOut(kHelp) ? 0 : 1;
    }
    if (!only_operands && (arg == "--csv" || arg == "--html")) {
      if (i + 1 == arguments.size()) return UsageError(FromUtf8(arg) + u" 后面缺文件名");
      (arg == "--csv" ? csv : html) = arguments[++i];
    } else if (!only_operands && arg.starts_with("--csv=")) {
      csv = arg.substr(6);
    } else if (!only_operands && arg.starts_with("--html=")) {
      html = arg.substr(7);
    } else if (!only_operands && arg == "--") {
      only_operands = true;
    } else if (!only_operands && arg.size() > 1 && arg[0] == '-') {
      return UsageError(u"不认识的选项 " + FromUtf8(arg));
    } else if (share.empty()) {
      share = arg;
    } else {
      return UsageError(u"只能给一个共享文件夹");
    }
  }
  if (share.empty()) return UsageError(u"没有给共享文件夹");

  try {
    auto platform = MakePlatform();
    std::u16string folder = FromUtf8(share);
    std::vector<std::u16string> markers;
    try {
      markers = platform->ListFiles(folder);
    } catch (const PlatformError& error) {
      PrintError(u"webexam-results: 读不了共享文件夹：" + FromUtf8(error.what()) + u"\n");
      return 1;
    }
    if (folder.back() != platform->PathSeparator() && folder.back() != u'/') {
      folder += platform->PathSeparator();
    }
    std::string bytes;
    try {
      bytes = platform->ReadHead(folder + std::u16string(kShareLogName), SIZE_MAX,
                                 Platform::IfMissing::kFail);
    } catch (const PlatformError& error) {
      PrintError(u"webexam-results: 读不了 cjwyzz.txt：" + FromUtf8(error.what()) + u"\n");
      return 1;
    }

    const ResultsSummary summary = Summarize(
        ReadShareLog(bytes, [&](std::string_view gbk) { return platform->DecodeGbk(gbk); }),
        std::move(markers));
    int status = 0;
    auto write = [&](const std::string& file, auto content) {
      if (file.empty()) return;
      try {
        platform->WriteFile(FromUtf8(file), content());
      } catch (const PlatformError& error) {
        PrintError(u"webexam-results: 写不了 " + FromUtf8(file) + u"：" + FromUtf8(error.what()) +
                   u"\n");
        status = 1;
      }
    };
    write(csv, [&] { return ResultsCsv(summary); });
    write(html, [&] { return ResultsHtml(summary); });
    if (!PrintOut(ResultsText(summary))) status = 1;
    return status;
  } catch (const PlatformError& error) {
    PrintError(u"webexam-results: " + FromUtf8(error.what()) + u"\n");
    return 1;
  }
}
