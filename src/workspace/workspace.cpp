#include "workspace/workspace.h"

namespace webexam {

void PrepareTaskText(Platform& platform, const ExamPaths& paths) {
  if (platform.ListPath(paths.task_text, Listing::kFilesOnly) == kTaskTextName) {
    platform.RemoveFile(paths.task_text);
  }
  platform.CopyOneFile(paths.task_text_source, paths.task_text);
}

void PrepareCandidateFolder(Platform& platform, const ExamPaths& paths) {
  if (platform.ListPath(paths.candidate_folder, Listing::kFilesAndFolders) ==
      kCandidateFolderName) {
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
