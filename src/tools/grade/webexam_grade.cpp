// webexam-grade: grades web pages against the exam's answer key from the
// command line, exactly as the exam client grades a candidate's page; with
// --explain, says of one page why each item passed or failed.

#include <string>
#include <vector>

#include "exam/exam_folder_files.h"
#include "grading/grade_page.h"
#include "platform/platform.h"
#include "state/exam_paths.h"
#include "state/exam_state.h"
#include "text/characters.h"
#include "text/utf8.h"
#include "tools/common/command_line.h"
#include "tools/common/terminal.h"
#include "tools/common/tool_main.h"
#include "tools/grade/explain.h"

namespace {

using namespace webexam;

constexpr std::string_view kTool = "webexam-grade";

constexpr std::u16string_view kHelp =
    u"用法：webexam-grade [--exam 考题文件夹] 网页...\n"
    u"      webexam-grade [--exam 考题文件夹] --explain 网页\n"
    u"\n"
    u"按考题的评分标准评每个网页，与考生交卷时考试程序评的一样：读网页的\n"
    u"前 32000 字节（按 GBK 文字），找每题的文字，不分大小写和全角半角。\n"
    u"\n"
    u"每个网页在标准输出打印一行（到文件或管道是 UTF-8，换行为 LF）：\n"
    u"  路径<TAB>答对数<TAB>第1题<TAB>...<TAB>最后一题\n"
    u"答对数是 0 到题数；每题 1 为通过、0 为不通过，按题号排列。\n"
    u"不存在的网页在标准错误上指出，不会创建它；读不了的网页也指出，其余照评。\n"
    u"\n"
    u"选项：\n"
    u"  --exam 考题文件夹  评分用的考题：文件夹里的 exam.txt，没有时用封存的\n"
    u"                     exam.sealed；不给时用考试程序的考试文件夹（WEBEXAM_EXAM，\n"
    u"                     否则第一个放有 1.txt 或 aa 的：/etc/webexam/exam（Linux）、\n"
    u"                     程序所在的文件夹、/usr/share/webexam/exam（Linux））\n"
    u"  --explain 网页     逐题说明这个网页通过没有：每题的文字找到没有、在第几行\n"
    u"                     第几列，是否只在注释、脚本或样式里，或只在前 32000 字节\n"
    u"                     之外才有；供考生申诉时查看\n"
    u"  -h, --help         显示本说明\n"
    u"\n"
    u"退出码：每个网页都评了为 0；有网页不存在或读不了为 1；用法有误（没有给\n"
    u"网页，--explain 给了不止一个网页）或考题读不了为 2。\n";

// Says why `page` could not be graded.
void Complain(const std::string& page, const PlatformError& error) {
  if (error.kind() == PlatformError::Kind::kNotFound) {
    PrintError(FromUtf8(kTool) + u": 没有这个网页：" + ShownName(FromUtf8(page)) + u"\n");
  } else {
    PrintError(FromUtf8(kTool) + u": 读不了网页 " + ShownName(FromUtf8(page)) + u"：" +
               FromUtf8(error.what()) + u"\n");
  }
}

}  // namespace

// Grades the pages named by the arguments.
int RunTool(const std::vector<std::string>& arguments) {
  constexpr ToolOption kOptions[] = {{"--explain", "", false}, {"--exam", "", true, u"考题文件夹"}};
  const CommandLine line = ParseCommandLine(arguments, kOptions);
  if (line.help) return PrintOut(kHelp) ? 0 : 1;
  if (line.problem != CommandLine::Problem::kNone) {
    return UsageError(kTool, ProblemText(line, kOptions));
  }
  const std::vector<std::string>& pages = line.operands;
  if (pages.empty()) return UsageError(kTool, u"没有给网页");
  const bool explain = line.Has("--explain");
  if (explain && pages.size() != 1) return UsageError(kTool, u"--explain 只说明一个网页");

  auto platform = MakePlatform();
  Exam exam;
  try {
    exam = LoadExam(*platform, line.Has("--exam") ? FromUtf8(line.Value("--exam"))
                                                  : FindExamFolder(*platform).path);
  } catch (const ExamFileError& error) {
    PrintError(FromUtf8(kTool) + u": " + error.message() +
               (line.Has("--exam") ? u"\n" : u"（用 --exam 指定考题文件夹）\n"));
    return 2;
  }
  if (explain) {
    try {
      return PrintOut(ExplainPage(*platform, exam.key, FromUtf8(pages[0]))) ? 0 : 1;
    } catch (const PlatformError& error) {
      Complain(pages[0], error);
      return 1;
    }
  }
  int status = 0;
  for (const std::string& page : pages) {
    try {
      // The teacher's page is graded as it is: a missing one is reported, not
      // created as the client does for the candidate's page.
      const GradeResult result =
          GradePage(*platform, exam.key, FromUtf8(page), Platform::IfMissing::kFail);
      std::u16string text = ShownName(FromUtf8(page)) + u"\t" + Digits(result.correct_count);
      for (const int mark : result.marks) {
        text += u'\t';
        text += static_cast<char16_t>(u'0' + mark);
      }
      text += u'\n';
      if (!PrintOut(text)) status = 1;
    } catch (const PlatformError& error) {
      Complain(page, error);
      status = 1;
    }
  }
  return status;
}
