// webexam-check: checks one exam PC before the exam, one line per check, so
// that a room's teachers find what would fail while there is time to mend it.

#include <string>
#include <vector>

#include "platform/platform.h"
#include "state/exam_paths.h"
#include "text/utf8.h"
#include "tools/room_check.h"
#include "tools/terminal.h"
#include "tools/tool_main.h"

namespace {

using namespace webexam;

constexpr std::u16string_view kHelp =
    u"用法：webexam-check [--clear-marker [--yes]]\n"
    u"\n"
    u"考前在每台考生机上运行。逐项检查，每项打印一行“通过”或“失败”，\n"
    u"失败时说明该怎么办：\n"
    u"  1. 考试材料：考试文件夹里有 1.txt、aa 和 aa/index.htm，1.txt 能读出\n"
    u"     （GBK 文字或 RTF）；显示用的是哪个考试文件夹\n"
    u"  2. C: 盘根目录和 C:\\Windows 能写、能读、能删（不能时请以管理员身份\n"
    u"     运行），剩余空间够放考试材料（另加 64 MB）\n"
    u"  3. 成绩共享文件夹能写、能读、能删，并显示用时\n"
    u"  4. 本机没有遗留的交卷记号 c:\\windows\\fen.g\n"
    u"  5. 计算机名能作记号文件名，共享文件夹里还没有这个名字的记号\n"
    u"  6. 有打开成绩报告 cj.txt 的程序（Windows：.txt 的打开方式；Linux：xdg-open）\n"
    u"\n"
    u"考试文件夹取环境变量 WEBEXAM_EXAM；未设置时取下列第一个放有 1.txt 或 aa 的：\n"
    u"/etc/webexam/exam（Linux）、程序所在的文件夹、/usr/share/webexam/exam（Linux）。\n"
    u"成绩共享文件夹取环境变量 WEBEXAM_SHARE，未设置时用程序内置的位置。\n"
    u"在 Linux 上，C: 盘是文件夹 $WEBEXAM_ROOT（默认 ~/webexam）。\n"
    u"\n"
    u"选项：\n"
    u"  --clear-marker  先删除本机遗留的交卷记号（会问 y/N），再检查\n"
    u"  -y, --yes       与 --clear-marker 同用：不问，直接删除\n"
    u"  -h, --help      显示本说明\n"
    u"\n"
    u"退出码：全部通过为 0，有一项失败为 1，用法有误为 2。\n";

bool IsYes(std::u16string answer) {
  while (!answer.empty() && (answer.back() == u' ' || answer.back() == u'\t')) answer.pop_back();
  while (!answer.empty() && (answer.front() == u' ' || answer.front() == u'\t')) answer.erase(0, 1);
  return answer == u"y" || answer == u"Y" || answer == u"yes" || answer == u"YES" ||
         answer == u"Yes" || answer == u"是";
}

// Removes the PC's submitted marker when the teacher agrees; false when it
// is still there against the teacher's wish to remove it.
bool ClearMarker(Platform& platform, const ExamPaths& paths, bool ask) {
  const std::u16string& marker = paths.submitted_marker;
  if (!HasSubmittedMarker(platform, paths)) {
    PrintOut(u"本机没有交卷记号 " + marker + u"，不用删除。\n");
    return true;
  }
  if (ask) {
    PrintOut(u"删除本机的交卷记号 " + marker + u"？删除后本机可以再交一次成绩。(y/N) ");
    if (!IsYes(ReadAnswer())) {
      PrintOut(u"没有删除。\n");
      return true;
    }
  }
  try {
    platform.RemoveFile(marker);
  } catch (const PlatformError& error) {
    PrintError(u"webexam-check: 删不掉 " + marker + u"：" + FromUtf8(error.what()) + u"\n");
    return false;
  }
  PrintOut(u"已删除 " + marker + u"。\n");
  return true;
}

}  // namespace

int RunTool(const std::vector<std::string>& arguments) {
  bool clear_marker = false, yes = false;
  for (const std::string& arg : arguments) {
    if (arg == "-h" || arg == "--help") {
      return PrintOut(kHelp) ? 0 : 1;
    } else if (arg == "--clear-marker") {
      clear_marker = true;
    } else if (arg == "-y" || arg == "--yes") {
      yes = true;
    } else {
      PrintError(u"webexam-check: 不认识的参数 " + FromUtf8(arg) + u"（见 --help）\n");
      return 2;
    }
  }
  if (yes && !clear_marker) {
    PrintError(u"webexam-check: --yes 只与 --clear-marker 同用（见 --help）\n");
    return 2;
  }

  try {
    auto platform = MakePlatform();
    const ExamPaths paths = ExamPathsOf(*platform);
    bool ok = true;
    if (clear_marker) ok = ClearMarker(*platform, paths, !yes);
    const std::vector<CheckResult> results = CheckRoom(*platform, platform->DriveRoot(), paths);
    for (const CheckResult& result : results) ok = ok && result.passed;
    if (!PrintOut(CheckText(results))) return 1;
    return ok ? 0 : 1;
  } catch (const PlatformError& error) {
    PrintError(u"webexam-check: " + FromUtf8(error.what()) + u"\n");
    return 1;
  }
}
