#include "workspace/workspace.h"

#include <algorithm>
#include <stdexcept>
#include <vector>

#include "text/characters.h"
#include "text/utf8.h"

namespace webexam {
namespace {

// The parts of `path` between separators ('\\' and '/' on Windows), with
// "." left out and ".." taking back the part before it.
std::vector<std::u16string_view> PathParts(std::u16string_view path, char16_t separator) {
  const std::u16string_view separators = separator == u'\\' ? u"\\/" : u"/";
  std::vector<std::u16string_view> parts;
  while (!path.empty()) {
    const std::size_t end = std::min(path.find_first_of(separators), path.size());
    const std::u16string_view part = path.substr(0, end);
    if (part == u"..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != u".") {
      parts.push_back(part);
    }
    path.remove_prefix(std::min(end + 1, path.size()));
  }
  return parts;
}

// Whether `path` is `folder` or lies inside it.
bool IsOrInside(std::u16string_view path, std::u16string_view folder, char16_t separator) {
  // A path that starts with a separator is not the same as one that does not.
  const auto rooted = [](std::u16string_view p) {
    return !p.empty() && (p[0] == u'/' || p[0] == u'\\');
  };
  if (rooted(path) != rooted(folder)) return false;
  const std::vector<std::u16string_view> inner = PathParts(path, separator);
  const std::vector<std::u16string_view> outer = PathParts(folder, separator);
  if (outer.size() > inner.size()) return false;
  for (std::size_t i = 0; i < outer.size(); ++i) {
    // Windows names files without regard to case; the names that matter
    // here (the drive, the candidate folder's) are ASCII.
    if (separator == u'\\' ? !EqualIgnoringAsciiCase(inner[i], outer[i]) : inner[i] != outer[i]) {
      return false;
    }
  }
  return true;
}

}  // namespace

void CheckWorkspaceSparesExam(Platform& platform, const ExamPaths& paths) {
  const char16_t sep = platform.PathSeparator();
  const std::u16string& candidate = paths.candidate_folder;
  for (const std::u16string& kept : {platform.ProgramFolder(), paths.exam_folder.path}) {
    if (IsOrInside(kept, candidate, sep)) {
      throw std::runtime_error(
          ToUtf8(u"考生文件夹 " + candidate + u" 会被整个删掉，可本程序或考题就在里面（" + kept +
                 u"）：请把程序和考题放到别的文件夹，或在考题文件里给考生文件夹换个名字"));
    }
  }
  if (IsOrInside(paths.task_text_source, paths.task_text, sep)) {
    throw std::runtime_error(ToUtf8(u"考题的 " + paths.task_text_source +
                                    u" 就是每次开考要换掉的 " + paths.task_text +
                                    u"：请把程序和考题放到别的文件夹，不要放在盘的根目录"));
  }
}

void PrepareTaskText(Platform& platform, const ExamPaths& paths) {
  CheckWorkspaceSparesExam(platform, paths);
  if (platform.ListPath(paths.task_text, Listing::kFilesOnly) == kTaskTextName) {
    platform.RemoveFile(paths.task_text);
  }
  platform.CopyOneFile(paths.task_text_source, paths.task_text);
}

void PrepareCandidateFolder(Platform& platform, const ExamPaths& paths) {
  CheckWorkspaceSparesExam(platform, paths);
  if (EqualIgnoringAsciiCase(platform.ListPath(paths.candidate_folder, Listing::kFilesAndFolders),
                             paths.candidate_folder_name)) {
    // Complete before the folder is made again: nothing of the old one
    // survives into the new workspace.
    platform.RemoveTree(paths.candidate_folder);
  }
  platform.MakeFolder(paths.candidate_folder);
  platform.CopyFolderTree(paths.material_folder, paths.web_folder);
}

std::vector<PlatformError> RemoveCandidateFolder(Platform& platform, const ExamPaths& paths) {
  CheckWorkspaceSparesExam(platform, paths);
  return platform.RemoveTreeAsFarAsPossible(paths.candidate_folder);
}

std::u16string HomeWritten(std::u16string_view folder, std::u16string_view home) {
  if (home.empty() || home == u"/" || !folder.starts_with(home)) return std::u16string(folder);
  const std::u16string_view rest = folder.substr(home.size());
  // "/home/ann" is no home folder of "/home/anna".
  if (!rest.empty() && rest.front() != u'/') return std::u16string(folder);
  return u"~" + std::u16string(rest);
}

}  // namespace webexam
