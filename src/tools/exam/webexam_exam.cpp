// webexam-exam: the teacher's tool for an exam: starts a new exam from the
// sample, checks an exam (its file, its model answer, its starting page) and
// seals an exam folder into the copy that goes onto candidates' PCs.

#include <charconv>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "exam/exam_file.h"
#include "exam/exam_folder_files.h"
#include "exam/sealed_exam.h"
#include "grading/grade_page.h"
#include "platform/platform.h"
#include "state/exam_paths.h"
#include "state/exam_state.h"
#include "text/characters.h"
#include "text/utf8.h"
#include "tools/common/command_line.h"
#include "tools/common/terminal.h"
#include "tools/common/tool_main.h"

namespace {

using namespace webexam;
namespace fs = std::filesystem;

constexpr std::string_view kTool = "webexam-exam";

// The editable sample exam a new exam starts from: a folder of this name
// beside the program (the teacher's zip), else, for an installed program in
// a bin folder, share/webexam/sample-exam beside that bin folder
// (/usr/share/webexam/sample-exam for /usr/bin/webexam-exam).
constexpr std::u16string_view kSampleExamFolder = u"sample-exam";

constexpr std::u16string_view kHelp =
    u"用法：webexam-exam new 考题文件夹\n"
    u"      webexam-exam check 考题文件夹\n"
    u"      webexam-exam seal 考题文件夹 输出文件夹\n"
    u"\n"
    u"new    以样题为底子新建一套题：把样题的考题文件 exam.txt、标准答案 model.htm、\n"
    u"       题目 1.txt 和素材 aa 复制到新的考题文件夹（不能已有东西），再照本场\n"
    u"       考题修改。样题在程序旁边的 sample-exam 文件夹里（Linux 装好的程序是\n"
    u"       /usr/share/webexam/sample-exam）。\n"
    u"check  读考题文件（exam.txt，没有时读封存的 exam.sealed），逐题列出评分标准，\n"
    u"       用它评标准答案 model.htm（必须满分）和起始页面 aa/index.htm，报告两者。\n"
    u"seal   把考题文件夹里的题目（1.txt）、素材（aa）和封存的考题文件（exam.sealed）\n"
    u"       写到输出文件夹，这是放到考生机上的一份；考题原文 exam.txt 和标准答案\n"
    u"       model.htm 不写过去。标准答案不是满分时不封存。\n"
    u"\n"
    u"封存只是让打开、查看考生机上文件的人看不到评分标准，挡不住拆解程序的人。\n"
    u"\n"
    u"选项：\n"
    u"  -h, --help  显示本说明\n"
    u"\n"
    u"退出码：成功（check 时考题没有问题）为 0；考题有错、标准答案不是满分或文件\n"
    u"读写失败为 1；用法有误为 2。\n";

constexpr ToolOption kOptions[] = {{"--help", "-h"}};

// A failure of this tool's own, said in its words: the exit status is 1.
struct Refusal {
  std::u16string text;
};

std::u16string In(Platform& platform, const std::u16string& folder, std::u16string_view name) {
  return folder + platform.PathSeparator() + std::u16string(name);
}

fs::path PathOf(const std::u16string& path) {
  const std::string utf8 = ToUtf8(path);
  return fs::path(std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

bool IsFile(Platform& platform, const std::u16string& path) {
  return platform.PresenceOf(path) == Platform::Presence::kFile;
}

// "第 3、14 题".
std::u16string ItemList(const std::vector<int>& items) {
  std::u16string text = u"第 ";
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i > 0) text += u"、";
    text += Digits(items[i]);
  }
  return text + u" 题";
}

// The page graded as the client grades it; a missing page is an error.
GradeResult Graded(Platform& platform, const AnswerKey& key, const std::u16string& page) {
  return GradePage(platform, key, page, Platform::IfMissing::kFail);
}

std::vector<int> FailedItems(const GradeResult& result) {
  std::vector<int> failed;
  for (int item = 1; item <= result.marks.Count(); ++item) {
    if (result.Mark(item) == 0) failed.push_back(item);
  }
  return failed;
}

// What is wrong with the exam's model answer, or nothing when there is none
// or it scores full marks.
std::optional<std::u16string> ModelAnswerProblem(Platform& platform, const Exam& exam,
                                                 const std::u16string& folder) {
  const std::u16string model = In(platform, folder, kModelAnswerName);
  if (!IsFile(platform, model)) return std::nullopt;
  const GradeResult result = Graded(platform, exam.key, model);
  if (result.correct_count == ItemCount(exam.key)) return std::nullopt;
  return u"标准答案 " + std::u16string(kModelAnswerName) + u" 只答对 " +
         Digits(result.correct_count) + u" 题，" + ItemList(FailedItems(result)) +
         u"没有通过：请改这几题的“文字”或改标准答案";
}

// --- new ---------------------------------------------------------------

// The editable sample exam, or nothing when this program has none beside it.
std::optional<std::u16string> SampleExamFolder(Platform& platform) {
  const std::u16string program = platform.ProgramFolder();
  std::vector<std::u16string> places = {In(platform, program, kSampleExamFolder)};
  const std::u16string sep(1, platform.PathSeparator());
  if (const std::size_t at = program.rfind(sep);
      at != std::u16string::npos && program.substr(at + 1) == u"bin") {
    places.push_back(program.substr(0, at) + sep + u"share" + sep + u"webexam" + sep +
                     std::u16string(kSampleExamFolder));
  }
  for (const std::u16string& place : places) {
    if (IsFile(platform, In(platform, place, kExamFileName))) return place;
  }
  return std::nullopt;
}

int New(Platform& platform, const std::u16string& to) {
  const std::optional<std::u16string> sample = SampleExamFolder(platform);
  if (!sample) {
    throw Refusal{u"找不到样题：程序旁边应有 sample-exam 文件夹（教师用的压缩包、软件包里带着）"};
  }
  std::error_code error;
  const fs::path target = PathOf(to);
  if (fs::exists(target, error) &&
      (!fs::is_directory(target, error) || !fs::is_empty(target, error))) {
    throw Refusal{ShownName(to) + u" 已经有东西了：新题要放在一个新的或空的文件夹里"};
  }
  fs::create_directories(target, error);
  if (error)
    throw PlatformError(error.value(), "cannot make " + ToUtf8(to) + ": " + error.message());
  for (std::u16string_view name : {kExamFileName, kModelAnswerName, kTaskTextName}) {
    platform.CopyOneFile(In(platform, *sample, name), In(platform, to, name));
  }
  platform.CopyFolderTree(In(platform, *sample, u"aa"), In(platform, to, u"aa"));
  PrintOut(u"已在 " + ShownName(to) + u" 新建一套题（照样题 " + ShownName(*sample) +
           u"）：\n"
           u"  exam.txt   考题文件：标题、登录提示、考生文件夹和每道题的评分文字\n"
           u"  model.htm  标准答案，必须满分\n"
           u"  1.txt      题目（考生看到的，GBK 编码）\n"
           u"  aa         素材，aa/index.htm 是考生的起始页面\n"
           u"改好后运行 webexam-exam check " +
           ShownName(to) + u" 检查，再用 webexam-exam seal 封存。\n");
  return 0;
}

// --- check ---------------------------------------------------------------

std::u16string RuleName(PassRule rule) {
  return std::u16string(rule == PassRule::kAllFound ? kAllFoundRule : kNotFoundRule);
}

// The exam as the teacher wrote it, item by item.
std::u16string ExamText(const Exam& exam, const std::u16string& file) {
  std::u16string text = u"考题：" + exam.title + u"（" + ShownName(file) + u"）\n";
  text += u"登录提示：" + exam.range_text + u"\n";
  text += u"考号出错提示：" + exam.bad_number_message + u"\n";
  text += u"考号开头：" + exam.number_start + u"\n";
  char least[32];
  const auto written =
      std::to_chars(least, least + sizeof least, exam.least_number, std::chars_format::fixed, 0);
  text += u"最小考号：" + FromUtf8(std::string_view(least, written.ptr - least)) + u"\n";
  text += u"考生文件夹：" + exam.candidate_folder + u"\n";
  text += Digits(ItemCount(exam.key)) +
          u" 道题（“都要有”：每段文字都在页面里才得分；"
          u"“都不能有”：每段都不在才得分）：\n";
  int number = 0;
  for (const AnswerItem& item : exam.key) {
    text += u"  第 " + PadLeft(Digits(++number), 2) + u" 题  " + RuleName(item.rule) + u"：";
    for (std::size_t i = 0; i < item.probe_texts.size(); ++i) {
      text += (i > 0 ? u" “" : u"“") + ShownName(item.probe_texts[i]) + u"”";
    }
    text += u"\n";
  }
  return text;
}

int Check(Platform& platform, const std::u16string& folder) {
  std::u16string file;
  const Exam exam = LoadExam(platform, folder, &file);
  const bool editable = !file.ends_with(kSealedExamName);
  std::u16string text = ExamText(exam, file) + u"\n";
  bool ok = true;
  auto fail = [&](const std::u16string& line) {
    text += line + u"\n";
    ok = false;
  };

  const std::u16string model = In(platform, folder, kModelAnswerName);
  if (IsFile(platform, model)) {
    if (const std::optional<std::u16string> problem = ModelAnswerProblem(platform, exam, folder)) {
      fail(u"失败：" + *problem + u"。");
    } else {
      text += u"标准答案 model.htm：答对 " + Digits(ItemCount(exam.key)) + u" 题，满分。\n";
    }
  } else if (editable) {
    fail(u"失败：没有标准答案 model.htm：请放一份满分的网页进来，用它确认每道题都能得分。");
  } else {
    text += u"标准答案 model.htm：没有（这是封存的一份，标准答案本来就不在这里）。\n";
  }

  const std::u16string start = In(platform, In(platform, folder, u"aa"), u"index.htm");
  if (IsFile(platform, start)) {
    const GradeResult result = Graded(platform, exam.key, start);
    text += u"起始页面 aa/index.htm：答对 " + Digits(result.correct_count) + u" 题";
    if (result.correct_count > 0) {
      std::vector<int> passed;
      for (int item = 1; item <= result.marks.Count(); ++item) {
        if (result.Mark(item)) passed.push_back(item);
      }
      text += u"（" + ItemList(passed) + u"），考生什么都不做也能得这些分";
    }
    text += u"。\n";
  } else {
    fail(u"失败：没有起始页面 aa/index.htm：考生要在素材 aa 里的 index.htm 上作答。");
  }
  if (!IsFile(platform, In(platform, folder, kTaskTextName))) {
    fail(u"失败：没有题目 1.txt：考生看的题目要放进考题文件夹。");
  }
  text += ok ? u"检查通过。\n" : u"检查没有通过。\n";
  if (!PrintOut(text)) return 1;
  return ok ? 0 : 1;
}

// --- seal ----------------------------------------------------------------

// Whether `inner` is `outer` or lies in it, as the file system resolves them.
bool IsWithin(const fs::path& inner, const fs::path& outer) {
  std::error_code error;
  const fs::path a = fs::weakly_canonical(inner, error), b = fs::weakly_canonical(outer, error);
  auto at = a.begin();
  for (auto part = b.begin(); part != b.end(); ++part, ++at) {
    if (part->empty()) continue;  // a trailing separator
    if (at == a.end() || *at != *part) return false;
  }
  return true;
}

int Seal(Platform& platform, const std::u16string& from, const std::u16string& to) {
  const Exam exam = LoadExam(platform, from);
  if (const std::optional<std::u16string> problem = ModelAnswerProblem(platform, exam, from)) {
    throw Refusal{*problem + u"，没有封存。用 webexam-exam check 查看各题。"};
  }
  // The copy replaces OUT's task text and material: sealing into the exam's
  // own folder or its material, or where OUT's material holds the exam,
  // would lose the teacher's files.
  const fs::path source = PathOf(from), target = PathOf(to);
  if ((IsWithin(target, source) && IsWithin(source, target)) || IsWithin(target, source / "aa") ||
      IsWithin(source, target / "aa")) {
    throw Refusal{u"输出文件夹不能是考题文件夹本身或在它的素材 aa 里：请另选一个文件夹"};
  }
  // Nothing is written for an exam that lacks its task text or material.
  if (!IsFile(platform, In(platform, from, kTaskTextName))) {
    throw Refusal{u"考题文件夹里缺题目 1.txt，没有封存"};
  }
  if (platform.PresenceOf(In(platform, from, u"aa")) != Platform::Presence::kFolder) {
    throw Refusal{u"考题文件夹里缺素材文件夹 aa，没有封存"};
  }
  // What candidates get must not show them the key.
  for (std::u16string_view name : {kExamFileName, kModelAnswerName}) {
    if (platform.PresenceOf(In(platform, to, name)) != Platform::Presence::kAbsent) {
      throw Refusal{u"输出文件夹里有 " + std::u16string(name) +
                    u"，考生会看到评分标准：请先把它移走，或换一个文件夹"};
    }
  }
  if (platform.PresenceOf(to) == Platform::Presence::kAbsent) platform.MakeFolder(to);
  platform.CopyOneFile(In(platform, from, kTaskTextName), In(platform, to, u"1.txt"));
  const std::u16string material = In(platform, to, u"aa");
  if (platform.PresenceOf(material) != Platform::Presence::kAbsent) platform.RemoveTree(material);
  platform.CopyFolderTree(In(platform, from, u"aa"), material);
  platform.WriteFile(In(platform, to, kSealedExamName), SealExam(exam));
  return 0;
}

}  // namespace

int RunTool(const std::vector<std::string>& arguments) {
  const CommandLine line = ParseCommandLine(arguments, kOptions, 3);
  if (line.help) return PrintOut(kHelp) ? 0 : 1;
  if (line.problem != CommandLine::Problem::kNone) {
    return UsageError(kTool, ProblemText(line, kOptions));
  }
  const std::vector<std::string>& operands = line.operands;
  const std::string command = operands.empty() ? std::string() : operands[0];
  const std::size_t wanted = command == "seal" ? 3 : 2;
  if ((command != "new" && command != "check" && command != "seal") || operands.size() != wanted) {
    return UsageError(kTool,
                      u"要写成 webexam-exam new 考题文件夹、webexam-exam check 考题文件夹"
                      u"或 webexam-exam seal 考题文件夹 输出文件夹");
  }
  auto platform = MakePlatform();
  const std::u16string folder = FromUtf8(operands[1]);
  try {
    if (command == "new") return New(*platform, folder);
    if (command == "check") return Check(*platform, folder);
    return Seal(*platform, folder, FromUtf8(operands[2]));
  } catch (const Refusal& refusal) {
    PrintError(FromUtf8(kTool) + u": " + refusal.text + u"\n");
  } catch (const ExamFileError& error) {
    PrintError(FromUtf8(kTool) + u": " + error.message() + u"\n");
  } catch (const PlatformError& error) {
    PrintError(FromUtf8(kTool) + u": " + FromUtf8(error.what()) + u"\n");
  }
  return 1;
}
