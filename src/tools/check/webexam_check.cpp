// webexam-check: checks one exam PC before the exam, one line per check, so
// that a room's teachers find what would fail while there is time to mend it.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "exam/exam_folder_files.h"
#include "platform/platform.h"
#include "platform/share_account.h"
#include "results/roster.h"
#include "state/exam_paths.h"
#include "submission/results_share.h"
#include "text/characters.h"
#include "text/utf8.h"
#include "tools/check/room_check.h"
#include "tools/common/command_line.h"
#include "tools/common/terminal.h"
#include "tools/common/tool_main.h"

namespace {

using namespace webexam;

constexpr std::u16string_view kHelp =
    u"用法：webexam-check [--save-credentials] [--clear-marker [--yes]]\n"
    u"      webexam-check --roster 名单\n"
    u"考前在每台考生机上运行，逐项打印“通过”或“失败”（失败时说明怎么办）：\n"
    u"  1. 考试材料：考试文件夹里有 1.txt、aa、aa/index.htm，1.txt 能读出\n"
    u"  2. C: 盘根目录和 C:\\Windows 能写读删（不能时请以管理员身份运行），空间够用\n"
    u"  3. 成绩共享文件夹能写读删，显示用时；不能是 FUSE 挂载（Linux 请用 smb://）\n"
    u"  4. 本机没有遗留的交卷记号 c:\\windows\\fen.g\n"
    u"  5. 计算机名能作记号文件名，共享文件夹里还没有这个名字的记号\n"
    u"  6. 有打开成绩报告 cj.txt 的程序（.txt 的打开方式；Linux 上是 xdg-open）\n"
    u"  7. 考题文件：封存的 exam.sealed 能读出，考试文件夹里没有 exam.txt、model.htm\n"
    u"考试文件夹：WEBEXAM_EXAM，否则第一个放有 1.txt 或 aa 的：/etc/webexam/exam\n"
    u"（Linux）、程序所在的文件夹、/usr/share/webexam/exam（Linux）。\n"
    u"成绩共享文件夹：WEBEXAM_SHARE，否则程序内置的位置。\n"
    u"Linux 上 C: 盘是文件夹 $WEBEXAM_ROOT（默认 ~/webexam）。\n"
    u"凭据文件：WEBEXAM_SMB_CREDENTIALS，否则 /etc/webexam/smb-credentials（Linux）、\n"
    u"%ProgramData%\\webexam\\smb-credentials（Windows；考生以管理员身份登录也能读）。\n"
    u"选项：\n"
    u"  --save-credentials  问用户名、域和密码（输两遍，不显示），存进凭据文件再检查\n"
    u"  --clear-marker  先删除本机遗留的交卷记号（会问 y/N），再检查\n"
    u"  -y, --yes       与 --clear-marker 同用：不问，直接删除\n"
    u"  --roster 名单   只检查名单文件（每行考号、姓名，可加计算机名；TAB 或逗号\n"
    u"                  分隔；GBK 或 UTF-8），列出错行的行号；没有错行为 0，否则为 1\n"
    u"  -h, --help      显示本说明\n"
    u"退出码：全部通过为 0，有一项失败为 1，用法有误为 2。\n";

std::u16string Trimmed(std::u16string text) {
  while (!text.empty() && (text.back() == u' ' || text.back() == u'\t')) text.pop_back();
  while (!text.empty() && (text.front() == u' ' || text.front() == u'\t')) text.erase(0, 1);
  return text;
}

bool IsYes(std::u16string answer) {
  answer = Trimmed(std::move(answer));
  return answer == u"y" || answer == u"Y" || answer == u"yes" || answer == u"YES" ||
         answer == u"Yes" || answer == u"是";
}

// Removes the PC's submitted marker when the teacher agrees; false when it
// is still there against the teacher's wish to remove it.
bool ClearMarker(Platform& platform, const ExamPaths& paths, bool ask) {
  const std::u16string& marker = paths.submitted_marker;
  if (!HasSubmittedMarker(platform, paths)) {
    PrintOut(u"本机没有交卷记号 " + ShownName(marker) + u"，不用删除。\n");
    return true;
  }
  if (ask) {
    PrintOut(u"删除本机的交卷记号 " + ShownName(marker) + u"？删除后本机可以再交一次成绩。(y/N) ");
    if (!IsYes(ReadAnswer())) {
      PrintOut(u"没有删除。\n");
      return true;
    }
  }
  try {
    platform.RemoveFile(marker);
  } catch (const PlatformError& error) {
    PrintError(u"webexam-check: 删不掉 " + ShownName(marker) + u"：" + FromUtf8(error.what()) +
               u"\n");
    return false;
  }
  PrintOut(u"已删除 " + ShownName(marker) + u"。\n");
  return true;
}

// Asks for the account the exam programs log on to the results share with
// and keeps it in the credentials file; false when nothing was saved. The
// password is never shown, nor taken from the command line: a script pipes
// the answers in.
bool SaveCredentials(Platform& platform) {
  const std::u16string file = platform.CredentialsFile();
  PrintOut(u"登录成绩共享文件夹的帐户将保存在 " + ShownName(file) + u"。\n");
  const std::optional<std::u16string> user = ReadTypedLine(u"用户名：", false);
  if (user && Trimmed(*user).empty()) {
    PrintError(u"webexam-check: 没有输入用户名，没有保存。\n");
    return false;
  }
  std::optional<std::u16string> domain, password, again;
  if (user) {
    domain = ReadTypedLine(u"域（没有就直接按回车）：", false);
  }
  if (domain) {
    password = ReadTypedLine(u"密码（输入时不显示）：", true);
  }
  if (password) {
    again = ReadTypedLine(u"再输一遍密码：", true);
  }
  if (!again) {
    PrintError(u"webexam-check: 输入没有答完就结束了，没有保存。\n");
    return false;
  }
  if (*password != *again) {
    PrintError(u"webexam-check: 两次输入的密码不一样，没有保存。\n");
    return false;
  }
  const ShareAccount account{ToUtf8(Trimmed(*domain)), ToUtf8(Trimmed(*user)), ToUtf8(*password)};
  try {
    platform.WriteSecretFile(file, ShareAccountText(account));
  } catch (const PlatformError& error) {
    PrintError(u"webexam-check: 保存不了 " + ShownName(file) + u"：" + FromUtf8(error.what()) +
               u"\n");
    return false;
  }
  PrintOut(u"已保存在 " + file + u"。\n");
  return true;
}

// Reads a class list and says what it holds; true when every line with
// text is a candidate or the header.
bool CheckRoster(Platform& platform, const std::string& file) {
  std::string bytes;
  try {
    bytes = platform.ReadHead(FromUtf8(file), SIZE_MAX, Platform::IfMissing::kFail);
  } catch (const PlatformError& error) {
    PrintError(u"webexam-check: 读不了名单 " + ShownName(FromUtf8(file)) + u"：" +
               FromUtf8(error.what()) + u"\n");
    return false;
  }
  const Roster roster =
      ReadRoster(bytes, [&platform](std::string_view gbk) { return platform.DecodeGbk(gbk); });
  PrintOut(RosterText(roster));
  return roster.problems.empty() && !roster.entries.empty();
}

}  // namespace

int RunTool(const std::vector<std::string>& arguments) {
  constexpr std::string_view kTool = "webexam-check";
  constexpr ToolOption kOptions[] = {{"--roster", "", true, u"文件名"},
                                     {"--clear-marker", "", false},
                                     {"--yes", "-y", false},
                                     {"--save-credentials", "", false}};
  const CommandLine line = ParseCommandLine(arguments, kOptions, 0);
  if (line.help) return PrintOut(kHelp) ? 0 : 1;
  if (line.problem != CommandLine::Problem::kNone) {
    return UsageError(kTool, ProblemText(line, kOptions));
  }
  const bool clear_marker = line.Has("--clear-marker"), yes = line.Has("--yes"),
             save_credentials = line.Has("--save-credentials");
  const std::optional<std::string> roster =
      line.Has("--roster") ? std::optional(line.Value("--roster")) : std::nullopt;
  if (roster && (clear_marker || yes || save_credentials)) {
    return UsageError(kTool, u"--roster 不与其他选项同用");
  }
  if (yes && !clear_marker) {
    return UsageError(kTool, u"--yes 只与 --clear-marker 同用");
  }

  try {
    auto platform = MakePlatform();
    if (roster) return CheckRoster(*platform, *roster) ? 0 : 1;
    if (save_credentials && !SaveCredentials(*platform)) return 1;
    const ExamFolder exam_folder = FindExamFolder(*platform);
    std::u16string candidate_folder;
    try {
      candidate_folder = LoadSealedExam(*platform, exam_folder.path).candidate_folder;
    } catch (const ExamFileError&) {
      // The room check names what is wrong with the exam's file.
    }
    const ExamPaths paths = ExamPathsOf(*platform, exam_folder, candidate_folder);
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
