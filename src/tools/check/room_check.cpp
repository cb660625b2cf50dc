#include "tools/check/room_check.h"

#include <algorithm>
#include <chrono>
#include <optional>
#include <random>

#include "exam/exam_folder_files.h"
#include "results/results_summary.h"
#include "results/share_log_reader.h"
#include "submission/results_share.h"
#include "submission/share_advice.h"
#include "task_text/task_text.h"
#include "text/characters.h"
#include "text/utf8.h"
#include "tools/common/terminal.h"

namespace webexam {
namespace {

// The checks' names, as each line starts.
constexpr std::u16string_view kMaterialCheck = u"考试材料";
constexpr std::u16string_view kDriveCheck = u"C: 盘可写、有空间";
constexpr std::u16string_view kShareCheck = u"成绩共享文件夹";
constexpr std::u16string_view kSubmittedMarkerCheck = u"本机没有交卷记号";
constexpr std::u16string_view kComputerNameCheck = u"计算机名可作记号";
constexpr std::u16string_view kReportViewerCheck = u"有查看成绩报告的程序";
constexpr std::u16string_view kExamFileCheck = u"考题文件";

// A refused write (ERROR_ACCESS_DENIED on Windows, EACCES or EPERM on POSIX)
// and a missing folder.
bool Refused(const PlatformError& error) { return error.kind() == PlatformError::Kind::kDenied; }
bool FolderMissing(const PlatformError& error) {
  return error.kind() == PlatformError::Kind::kNotFound;
}

// A name no other file has, hidden on POSIX and skipped by webexam-results
// (it starts with a dot), should a probe ever be left behind.
std::u16string ProbeName(Platform& platform) {
  std::random_device random;
  const auto ticks = static_cast<std::uint64_t>(platform.Now().time_since_epoch().count());
  const std::uint64_t value = (std::uint64_t{random()} << 32) ^ random() ^ ticks;
  static constexpr char16_t kHex[] = u"0123456789abcdef";
  std::u16string name = u".webexam-check-";
  for (int shift = 60; shift >= 0; shift -= 4) name += kHex[(value >> shift) & 0xF];
  return name + u".tmp";
}

std::u16string Join(Platform& platform, std::u16string folder, std::u16string_view name) {
  if (folder.empty() || folder.back() != platform.PathSeparator()) {
    folder += platform.PathSeparator();
  }
  return folder + std::u16string(name);
}

std::u16string WithoutTrailingSeparator(Platform& platform, std::u16string path) {
  while (path.size() > 1 && path.back() == platform.PathSeparator()) path.pop_back();
  return path;
}

// The system's words for a failure, shown after what it means.
std::u16string Why(const PlatformError& error) { return u"（" + FromUtf8(error.reason()) + u"）"; }

// What a failure on the results share means and what to do, or `otherwise`
// where it names no cause.
std::u16string AdviceOr(Platform& platform, const PlatformError& error, const std::u16string& share,
                        std::u16string_view otherwise) {
  std::u16string advice = ShareFailureAdvice(platform, error, share);
  return advice.empty() ? std::u16string(otherwise) : advice;
}

std::u16string Size(std::uint64_t bytes) {
  if (bytes >= (1ull << 30)) {
    const std::uint64_t tenths = bytes * 10 / (1ull << 30);
    return Digits(tenths / 10) + u"." + Digits(tenths % 10) + u" GB";
  }
  return Digits((bytes + (1ull << 20) - 1) >> 20) + u" MB";
}

CheckResult Pass(std::u16string name, std::u16string detail = {}) {
  return {std::move(name), true, std::move(detail)};
}
CheckResult Fail(std::u16string name, std::u16string detail) {
  return {std::move(name), false, std::move(detail)};
}

// What is wrong with the task text, or nothing; it starts with "1.txt".
std::u16string TaskTextProblem(Platform& platform, const ExamPaths& paths) {
  // Read as the grading window reads it.
  const TaskTextFile file = ReadTaskTextFile(platform, paths.task_text_source);
  const std::string& bytes = file.bytes;
  if (file.rtf) {
    if (TaskTextWords(platform, file).find_first_not_of(u" \t\n\r\u2028") == std::u16string::npos) {
      return u"1.txt 是 RTF，但读不出文字。请用写字板重新保存。";
    }
    return {};
  }
  if (bytes.find_first_not_of(" \t\r\n") == std::string::npos) {
    return u"1.txt 是空的。请换上本场的考题。";
  }
  const std::u16string text = TaskTextWords(platform, file);
  if (bytes.starts_with("\xEF\xBB\xBF") || ReadsAsUtf8(bytes, text)) {
    return u"1.txt 存成了 UTF-8。请用记事本另存为 ANSI（GBK）编码。";
  }
  if (text.find(u'\uFFFD') != std::u16string::npos) {
    return u"1.txt 不是 GBK 文字，考生会看到乱码。请另存为 ANSI（GBK）编码。";
  }
  return {};
}

}  // namespace

std::u16string ExamFolderOriginText(ExamFolderOrigin origin) {
  switch (origin) {
    case ExamFolderOrigin::kEnvironment:
      return u"由环境变量 WEBEXAM_EXAM 指定";
    case ExamFolderOrigin::kTeacherFolder:
      return u"本机的考试文件夹";
    case ExamFolderOrigin::kBesideProgram:
      return u"程序所在的文件夹";
    case ExamFolderOrigin::kSample:
      return u"软件包自带的示例考题，正式考试前请换上本场考题";
  }
  return {};
}

CheckResult CheckMaterial(Platform& platform, const ExamPaths& paths) {
  const std::u16string name(kMaterialCheck);
  const std::u16string& folder = paths.exam_folder.path;
  const std::u16string origin = ExamFolderOriginText(paths.exam_folder.origin);
  const std::u16string where = u"（考试文件夹 " + ShownName(folder) + u"，" + origin + u"）";
  const std::u16string mend = u"。请把整套考试材料（1.txt 和 aa）放进这个文件夹。";
  if (platform.ListPath(paths.task_text_source, Listing::kFilesOnly).empty()) {
    return Fail(name, u"缺考题 1.txt" + where + mend);
  }
  if (platform.ListPath(paths.material_folder, Listing::kFilesAndFolders).empty() ||
      !platform.ListPath(paths.material_folder, Listing::kFilesOnly).empty()) {
    return Fail(name, u"缺素材文件夹 aa" + where + mend);
  }
  const std::u16string page = Join(platform, paths.material_folder, u"index.htm");
  if (platform.ListPath(page, Listing::kFilesOnly).empty()) {
    return Fail(name, u"aa 里缺 index.htm" + where + mend);
  }
  try {
    if (std::u16string problem = TaskTextProblem(platform, paths); !problem.empty()) {
      // Each problem starts with the file's bare name; the teacher sees which.
      return Fail(name, ShownName(paths.task_text_source) + problem.substr(kTaskTextName.size()));
    }
  } catch (const PlatformError& error) {
    return Fail(name, u"读不了 1.txt" + Why(error) + where + u"。请重新复制考试材料。");
  }
  return Pass(name, ShownName(folder) + u"，" + origin);
}

// Writes a probe file into `folder`, reads it back and removes it, as the
// client writes its logs into drive C:'s root and its marker into its
// windows folder. Empty when all worked, else what failed and what to do.
// With `may_be_missing`, a missing folder is no problem.
std::u16string ProbeProblem(Platform& platform, const std::u16string& folder,
                            bool may_be_missing = false) {
  const std::u16string probe = Join(platform, folder, ProbeName(platform));
  const std::string content = "webexam-check";
  // Windows lets a program that is not elevated make folders in C:\ but not
  // files, and nothing in C:\Windows.
  auto what_to_do = [&](const PlatformError& error) -> std::u16string {
    if (Refused(error)) {
      return platform.OnWindows() ? u"。请以管理员身份运行。"
                                  : u"。请检查 " + ShownName(folder) + u" 的权限。";
    }
    return u"。请查看该盘是否存在、是否被还原卡或权限设为只读。";
  };
  try {
    platform.WriteFile(probe, content);
  } catch (const PlatformError& error) {
    if (may_be_missing && FolderMissing(error)) return {};
    return u"不能在 " + ShownName(folder) + u" 写文件" + Why(error) + what_to_do(error);
  }
  std::u16string problem;
  try {
    if (platform.ReadHead(probe, content.size() + 1, Platform::IfMissing::kFail) != content) {
      problem =
          u"在 " + ShownName(folder) + u" 写入的检查文件读回来不一样。请查看该盘是否被还原卡保护。";
    }
  } catch (const PlatformError& error) {
    problem =
        u"在 " + ShownName(folder) + u" 写入的检查文件读不回来" + Why(error) + what_to_do(error);
  }
  try {
    platform.RemoveFile(probe);
  } catch (const PlatformError& error) {
    return u"在 " + ShownName(folder) + u" 写入的检查文件删不掉" + Why(error) + what_to_do(error);
  }
  return problem;
}

CheckResult CheckDrive(Platform& platform, const std::u16string& drive_root,
                       const ExamPaths& paths) {
  const std::u16string name(kDriveCheck);
  if (std::u16string problem = ProbeProblem(platform, drive_root); !problem.empty()) {
    return Fail(name, problem);
  }
  // The windows folder: the client makes it when it is missing, which the
  // root's probe has shown it can.
  const std::u16string& windows = paths.marker_folder;
  if (!platform.ListPath(windows, Listing::kFilesOnly).empty()) {
    return Fail(name, windows + u" 是一个文件，交卷时会出错。请删掉它。");
  }
  if (std::u16string problem = ProbeProblem(platform, windows, true); !problem.empty()) {
    return Fail(name, problem);
  }

  std::uint64_t material = 0;
  try {
    material = platform.TreeSize(paths.material_folder) + platform.TreeSize(paths.task_text_source);
  } catch (const PlatformError&) {
    // Missing material is the material check's failure; the room is judged
    // by the margin alone.
  }
  const std::uint64_t needed = material + kRoomMargin;
  std::uint64_t free = 0;
  try {
    free = platform.FreeSpace(drive_root);
  } catch (const PlatformError& error) {
    return Fail(name, u"查不到 " + ShownName(drive_root) + u" 的剩余空间" + Why(error) + u"。");
  }
  if (free < needed) {
    return Fail(name, u"只剩 " + Size(free) + u"，至少要 " + Size(needed) + u"。请清理 " +
                          ShownName(drive_root) + u"。");
  }
  return Pass(name, u"可用 " + Size(free) + u"，需要 " + Size(needed));
}

// What is wrong with what the share holds under its own names, with what to
// do: cjwyzz.txt a folder, or pages a file. Empty when both are right (or
// absent: the first submission makes them).
std::u16string ShareShapeProblem(Platform& platform, const ExamPaths& paths) {
  if (platform.PresenceOf(paths.share_log) == Platform::Presence::kFolder) {
    return ShownName(paths.share_log) +
           u" 是一个文件夹，不是文件，考生机的成绩都写不进去。请把这个文件夹移走或改名"
           u"（先看看里面有什么），第一台交卷的考生机会重新建出 cjwyzz.txt。";
  }
  const std::u16string pages = paths.results_share + std::u16string(kKeptPagesFolderName);
  if (platform.PresenceOf(pages) == Platform::Presence::kFile) {
    return ShownName(pages) +
           u" 是一个文件，不是文件夹，考生机所评的页面都留不下来。请把这个文件移走或改名，"
           u"第一台交卷的考生机会重新建出 pages 文件夹。";
  }
  return {};
}

namespace {

// What a share refuses the candidates, as webexam-check found it from this
// PC's account: each refusal keeps them from a classmate's result.
struct ShareProtections {
  std::vector<std::u16string> found;    // refused, as it should be
  std::vector<std::u16string> missing;  // allowed
  void Note(bool refused, std::u16string_view what) {
    (refused ? found : missing).emplace_back(what);
  }
};

std::u16string JoinedWithCommas(const std::vector<std::u16string>& items) {
  std::u16string text;
  for (const std::u16string& item : items) text += (text.empty() ? u"" : u"、") + item;
  return text;
}

// Writes a probe file, new, with a dot name (webexam-results and the
// journal pass over such names), reads it back and removes it. A refused
// read or removal is a protection of the share; the probe a refused removal
// leaves behind is counted by nothing. Returns a failure's detail, or
// nothing. `absent_folder_ok`: a missing folder is no failure (the first PC
// to keep a page makes it).
std::u16string ProbeShareFolder(Platform& platform, const std::u16string& share,
                                const std::u16string& folder, bool absent_folder_ok,
                                ShareProtections& protections) {
  const std::u16string probe = Join(platform, folder, ProbeName(platform));
  const std::string content = "webexam-check " + ToUtf8(probe);
  try {
    platform.WriteNewFile(probe, content);
  } catch (const PlatformError& error) {
    if (absent_folder_ok && FolderMissing(error)) return {};
    if (folder == share) {
      const std::u16string path = WithoutTrailingSeparator(platform, share);
      if (platform.PresenceOf(path) == Platform::Presence::kFile) {
        return ShownName(share) + u" 是一个文件，不是文件夹。请删掉它，或设置 WEBEXAM_SHARE。";
      }
    }
    return u"写不进 " + ShownName(folder) + Why(error) + u"。" +
           AdviceOr(platform, error, share,
                    u"请检查网络、教师机的共享和写权限，或设置 WEBEXAM_SHARE。");
  }
  // Once written, the probe is removed whatever the reading gave.
  std::string read_back;
  std::optional<PlatformError> read_error;
  try {
    read_back = platform.ReadHead(probe, content.size() + 1, Platform::IfMissing::kFail);
  } catch (const PlatformError& error) {
    read_error = error;
  }
  std::optional<PlatformError> remove_error;
  try {
    platform.RemoveFile(probe);
  } catch (const PlatformError& error) {
    remove_error = error;
  }
  if (folder == share) {
    protections.Note(read_error && Refused(*read_error), u"读别人的文件");
    protections.Note(remove_error && Refused(*remove_error), u"删文件");
  }
  if (remove_error && !Refused(*remove_error)) {
    return u"写进 " + ShownName(folder) + u" 的检查文件删不掉" + Why(*remove_error) +
           u"。请检查教师机共享的权限。";
  }
  if (read_error && !Refused(*read_error)) {
    return u"写进 " + ShownName(folder) + u" 的检查文件读不回来" + Why(*read_error) +
           u"。请检查教师机共享的读权限。";
  }
  if (!read_error && read_back != content) {
    return u"写进 " + ShownName(folder) + u" 的检查文件读回来不一样。请检查教师机共享。";
  }
  return {};
}

}  // namespace

CheckResult CheckShare(Platform& platform, const ExamPaths& paths) {
  const std::u16string name(kShareCheck);
  const std::u16string& share = paths.results_share;
  if (std::u16string problem = ShareLockingProblem(platform, paths); !problem.empty()) {
    return Fail(name, problem);
  }
  const auto start = platform.Now();
  ShareConnection connection(platform, share);
  try {
    connection.Open();
  } catch (const PlatformError& error) {
    return Fail(name, u"连不上 " + ShownName(share) + Why(error) + u"。" +
                          AdviceOr(platform, error, share,
                                   u"请检查网络、教师机的共享和账户，或设置 WEBEXAM_SHARE。"));
  }
  if (std::u16string problem = ShareShapeProblem(platform, paths); !problem.empty()) {
    return Fail(name, problem);
  }

  // A share may let candidates add to it and nothing more: each step proves
  // a write the exam makes, and each refusal met on the way is named.
  ShareProtections protections;
  if (std::u16string problem = ProbeShareFolder(platform, share, share, false, protections);
      !problem.empty()) {
    return Fail(name, problem);
  }
  if (std::u16string problem = ProbeShareFolder(
          platform, share, share + std::u16string(kKeptPagesFolderName), true, protections);
      !problem.empty()) {
    return Fail(name, problem);
  }
  // The log is opened as a submission opens it, and nothing is written: a
  // log the teacher has not made yet is left to the first PC.
  const Platform::Presence log = platform.PresenceOf(paths.share_log);
  if (log != Platform::Presence::kAbsent) {
    try {
      platform.AppendExclusively(paths.share_log, "");
    } catch (const PlatformError& error) {
      // Another PC appending just now: the share is in use, not at fault.
      if (error.kind() != PlatformError::Kind::kBusy) {
        return Fail(name, u"不能往 " + ShownName(paths.share_log) + u" 里添成绩" + Why(error) +
                              u"。" +
                              AdviceOr(platform, error, share,
                                       u"请检查教师机共享和这个文件的写权限（1.1 节）。"));
      }
    }
    try {
      platform.ReadHead(paths.share_log, 1, Platform::IfMissing::kFail);
      protections.Note(false, u"读成绩文件");
    } catch (const PlatformError& error) {
      protections.Note(Refused(error), u"读成绩文件");
    }
  }
  try {
    platform.ListFiles(share);
    protections.Note(false, u"列出文件");
  } catch (const PlatformError& error) {
    protections.Note(Refused(error), u"列出文件");
  }

  const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(platform.Now() - start);
  if (protections.found.empty()) {
    return Pass(name,
                ShownName(share) + u"，写读删用时 " + Digits(took.count()) +
                    u" 毫秒；考生能看到、能删改同学的成绩和页面，可照指南 1 节设成只能交不能看");
  }
  std::u16string detail = ShownName(share) + u"，写入用时 " + Digits(took.count()) +
                          u" 毫秒；考生" + JoinedWithCommas(protections.found) + u"被拒";
  if (!protections.missing.empty()) detail += u"，但能" + JoinedWithCommas(protections.missing);
  return Pass(name, detail);
}

CheckResult CheckReportViewer(Platform& platform, const ExamPaths& paths) {
  const std::u16string name(kReportViewerCheck);
  const std::u16string viewer = platform.DocumentViewer(paths.report);
  if (viewer.empty()) {
    return Fail(name, platform.OnWindows()
                          ? u"没有打开 .txt 文件的程序，考试程序只能用自己的窗口显示成绩报告。"
                            u"请把 .txt 文件的打开方式设为记事本。"
                          : u"找不到 xdg-open，考试程序只能用自己的窗口显示成绩报告。"
                            u"请安装 xdg-utils。");
  }
  // xdg-open is there, but that is not enough: it must have a program for
  // text files that can start on this PC.
  const Platform::DocumentHandler handler = platform.HandlerOfDocument(paths.report);
  if (handler.name.empty()) {
    return Fail(name,
                u"xdg-open 找不到打开 .txt 文件的程序，考试程序只能用自己的窗口显示成绩报告。"
                u"请安装文本编辑器（如 mousepad），或用 xdg-mime default 设定 text/plain "
                u"的打开方式。");
  }
  if (!handler.missing.empty()) {
    return Fail(name, u"打开 .txt 文件的 " + handler.name + u" 要用 " + handler.missing +
                          u"，本机没有，考试程序只能用自己的窗口显示成绩报告。请安装 " +
                          handler.missing +
                          u"，或用 xdg-mime default 把 text/plain 的打开方式设为别的文本编辑器"
                          u"（如 mousepad）。");
  }
  return Pass(name, handler.name == viewer ? viewer : viewer + u"，" + handler.name);
}

CheckResult CheckSubmittedMarker(Platform& platform, const ExamPaths& paths) {
  const std::u16string name(kSubmittedMarkerCheck);
  if (HasSubmittedMarker(platform, paths)) {
    return Fail(name, u"留有 " + ShownName(paths.submitted_marker) +
                          u"，本机上交成绩会被拒绝。请运行 webexam-check --clear-marker 删除它。");
  }
  if (!platform.ListPath(paths.submitted_marker, Listing::kFilesAndFolders).empty()) {
    return Fail(name,
                ShownName(paths.submitted_marker) + u" 是个文件夹，上交成绩时会出错。请删除它。");
  }
  return Pass(name);
}

CheckResult CheckComputerName(Platform& platform, const ExamPaths& paths, bool share_reachable) {
  const std::u16string name(kComputerNameCheck);
  const std::u16string computer = platform.ComputerName();
  if (EqualIgnoringAsciiCase(computer, kShareLogName)) {
    return Fail(name, u"计算机名“" + ShownName(computer) +
                          u"”与成绩文件同名，记号会清空成绩。请改计算机名。");
  }
  if (EqualIgnoringAsciiCase(computer, kKeptPagesFolderName)) {
    return Fail(name, u"计算机名“" + ShownName(computer) +
                          u"”与共享文件夹里存放页面的文件夹同名，记号会让各机的页面都留不下来。"
                          u"请改计算机名。");
  }
  if (!IsSafeFileName(computer)) {
    return Fail(name, u"计算机名“" + ShownName(computer) +
                          u"”不能作文件名（空的，或含 \\ / : * ? \" < > | 等）。请改计算机名。");
  }
  if (!platform.CanEncodeGbk(computer)) {
    return Fail(name, u"计算机名“" + ShownName(computer) + u"”里有 GBK 写不出的字。请改计算机名。");
  }
  if (!share_reachable) {
    return Fail(name, u"成绩共享文件夹不可用，没能查看上面有没有本机（" + ShownName(computer) +
                          u"）的记号。");
  }
  // Asked by name: a share may refuse candidates the listing of its files.
  const std::u16string marker_path = ComputerMarkerPath(paths.results_share, computer);
  const Platform::Presence marker = platform.PresenceOf(marker_path);
  if (marker == Platform::Presence::kFile || marker == Platform::Presence::kFolder) {
    return Fail(name, u"共享文件夹里已有本机的记号 " + ShownName(marker_path) +
                          u"（上一场留下的？）。请清理共享文件夹。");
  }
  if (marker == Platform::Presence::kUnknown) {
    return Pass(name,
                ShownName(computer) + u"，共享不让查看有没有本机的记号：请在教师机上确认没有");
  }
  return Pass(name, ShownName(computer));
}

CheckResult CheckExamFile(Platform& platform, const ExamPaths& paths) {
  const std::u16string name(kExamFileCheck);
  const std::u16string& folder = paths.exam_folder.path;
  // The teacher's own files show the answer key to whoever opens them.
  for (std::u16string_view file : {kExamFileName, kModelAnswerName}) {
    if (platform.PresenceOf(Join(platform, folder, file)) != Platform::Presence::kAbsent) {
      return Fail(name, u"考试文件夹 " + ShownName(folder) + u" 里有 " + std::u16string(file) +
                            (file == kExamFileName ? u"（考题原文）" : u"（标准答案）") +
                            u"，考生打开就能看到评分标准。请把它移走：考生机上只放 1.txt、aa "
                            u"和 webexam-exam seal 封存的 exam.sealed。");
    }
  }
  const std::u16string sealed = Join(platform, folder, kSealedExamName);
  try {
    const Exam exam = LoadSealedExam(platform, folder);
    return Pass(name, exam.title + u"，" + ShownName(sealed) + u"，考生文件夹 " +
                          ShownName(paths.candidate_folder));
  } catch (const ExamFileError& error) {
    if (platform.PresenceOf(sealed) == Platform::Presence::kAbsent) {
      return Fail(name, u"考试文件夹 " + ShownName(folder) +
                            u" 里缺 exam.sealed。请在教师机上用 webexam-exam seal 封存本场考题，"
                            u"把得到的 exam.sealed 和 1.txt、aa 一起放进这个文件夹。");
    }
    return Fail(name, error.message() + u"。");
  }
}

std::vector<CheckResult> CheckRoom(Platform& platform, const std::u16string& drive_root,
                                   const ExamPaths& paths) {
  std::vector<CheckResult> results;
  // A failure no check foresaw still gives that check's line.
  auto run = [&](std::u16string_view name, auto check) {
    try {
      results.push_back(check());
    } catch (const PlatformError& error) {
      results.push_back(Fail(std::u16string(name), u"检查时出错" + Why(error) + u"。"));
    }
  };
  run(kMaterialCheck, [&] { return CheckMaterial(platform, paths); });
  run(kDriveCheck, [&] { return CheckDrive(platform, drive_root, paths); });
  run(kShareCheck, [&] { return CheckShare(platform, paths); });
  const bool share_reachable = results.back().passed;
  run(kSubmittedMarkerCheck, [&] { return CheckSubmittedMarker(platform, paths); });
  run(kComputerNameCheck, [&] { return CheckComputerName(platform, paths, share_reachable); });
  run(kReportViewerCheck, [&] { return CheckReportViewer(platform, paths); });
  run(kExamFileCheck, [&] { return CheckExamFile(platform, paths); });
  return results;
}

std::u16string CheckText(const std::vector<CheckResult>& results) {
  std::size_t width = 0;
  for (const CheckResult& result : results) width = std::max(width, DisplayWidth(result.name));
  std::u16string text;
  for (const CheckResult& result : results) {
    text += PadRight(result.name, width) + u"  " + (result.passed ? u"通过" : u"失败");
    if (!result.detail.empty()) text += (result.passed ? u"（" : u"：") + result.detail;
    if (result.passed && !result.detail.empty()) text += u"）";
    text += u"\n";
  }
  return text;
}

}  // namespace webexam
