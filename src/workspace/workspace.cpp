#include "workspace/workspace.h"

#include <algorithm>

namespace webexam {
namespace {

// Whether a listed name is the candidate folder's: its name is ASCII, which
// Windows matches in either case.
bool SameAsciiName(std::u16string_view listed, std::u16string_view name) {
  auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c - u'A' + u'a') : c; };
  return listed.size() == name.size() &&
         std::equal(listed.begin(), listed.end(), name.begin(),
                    [&](char16_t a, char16_t b) { return lower(a) == lower(b); });
}

}  // namespace

void PrepareTaskText(Platform& platform, const ExamPaths& paths) {
  if (platform.ListPath(paths.task_text, Listing::kFilesOnly) == kTaskTextName) {
    platform.RemoveFile(paths.task_text);
  }
  platform.CopyOneFile(paths.task_text_source, paths.task_text);
}

void PrepareCandidateFolder(Platform& platform, const ExamPaths& paths) {
  if (SameAsciiName(platform.ListPath(paths.candidate_folder, Listing::kFilesAndFolders),
                    paths.candidate_folder_name)) {
    // Complete before the folder is made again: nothing of the old one
    // survives into the new workspace.
    platform.RemoveTree(paths.candidate_folder);
  }
  platform.MakeFolder(paths.candidate_folder);
  platform.CopyFolderTree(paths.material_folder, paths.web_folder);
}

std::vector<PlatformError> RemoveCandidateFolder(Platform& platform, const ExamPaths& paths) {
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
