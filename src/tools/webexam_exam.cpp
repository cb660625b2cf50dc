// webexam-exam: the teacher's tool for an exam: seals an exam folder into the
// copy that goes onto candidates' PCs.

#include <string>
#include <vector>

#include "exam/exam_folder_files.h"
#include "exam/sealed_exam.h"
#include "platform/platform.h"
#include "state/exam_paths.h"
#include "text/characters.h"
#include "text/utf8.h"
#include "tools/command_line.h"
#include "tools/terminal.h"
#include "tools/tool_main.h"

namespace {

using namespace webexam;

constexpr std::string_view kTool = "webexam-exam";

constexpr std::u16string_view kHelp =
    u"用法：webexam-exam seal 考题文件夹 输出文件夹\n"
    u"\n"
    u"seal  把考题文件夹里的题目（1.txt）、素材（aa）和封存的考题文件（exam.sealed）\n"
    u"      写到输出文件夹，这是放到考生机上的一份；考题原文 exam.txt 和标准答案\n"
    u"      model.htm 不写过去。\n"
    u"\n"
    u"选项：\n"
    u"  -h, --help  显示本说明\n"
    u"\n"
    u"退出码：成功为 0；考题文件有错或文件读写失败为 1；用法有误为 2。\n";

constexpr ToolOption kOptions[] = {{"--help", "-h"}};

int Seal(Platform& platform, const std::u16string& from, const std::u16string& to) {
  const Exam exam = LoadExam(platform, from);
  const std::u16string sep(1, platform.PathSeparator());
  if (platform.PresenceOf(to) == Platform::Presence::kAbsent) platform.MakeFolder(to);
  platform.CopyOneFile(from + sep + std::u16string(kTaskTextName), to + sep + u"1.txt");
  const std::u16string material = to + sep + u"aa";
  if (platform.PresenceOf(material) != Platform::Presence::kAbsent) platform.RemoveTree(material);
  platform.CopyFolderTree(from + sep + u"aa", material);
  const std::u16string sealed = to + sep + std::u16string(kSealedExamName);
  platform.WriteFile(sealed, SealExam(exam));
  return 0;
}

}  // namespace

int RunTool(const std::vector<std::string>& arguments) {
  const CommandLine line = ParseCommandLine(arguments, kOptions, 3);
  if (line.help) return PrintOut(kHelp) ? 0 : 1;
  if (line.problem != CommandLine::Problem::kNone) {
    return UsageError(kTool, ProblemText(line, kOptions));
  }
  if (line.operands.size() != 3 || line.operands[0] != "seal") {
    return UsageError(kTool, u"要写成 webexam-exam seal 考题文件夹 输出文件夹");
  }
  auto platform = MakePlatform();
  try {
    return Seal(*platform, FromUtf8(line.operands[1]), FromUtf8(line.operands[2]));
  } catch (const ExamFileError& error) {
    PrintError(FromUtf8(kTool) + u": " + error.message() + u"\n");
  } catch (const PlatformError& error) {
    PrintError(FromUtf8(kTool) + u": " + FromUtf8(error.what()) + u"\n");
  }
  return 1;
}
