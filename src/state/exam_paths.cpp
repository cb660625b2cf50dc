#include "state/exam_paths.h"

#include "platform/platform.h"

namespace webexam {

ExamPaths MakeExamPaths(const std::u16string& drive_root, const std::u16string& exam_folder,
                        std::u16string_view candidate_folder, std::u16string results_share,
                        char16_t separator) {
  const std::u16string sep(1, separator);
  auto on_drive = [&](std::u16string_view rest) { return drive_root + sep + std::u16string(rest); };
  // A share written as a UNC path (\\server\share\) or an smb:// address ends
  // with its own separator, whatever this system's is.
  if (results_share.empty() || (results_share.back() != separator &&
                                results_share.back() != u'\\' && results_share.back() != u'/')) {
    results_share += separator;
  }

  ExamPaths p;
  p.exam_folder.path = exam_folder;
  p.task_text_source = exam_folder + sep + u"1.txt";
  p.material_folder = exam_folder + sep + u"aa";
  p.task_text = on_drive(u"1.txt");
  p.candidate_folder_name = candidate_folder;
  p.candidate_folder = on_drive(candidate_folder);
  p.web_folder = p.candidate_folder + sep + u"web";
  p.candidate_page = p.web_folder + sep + u"index.htm";
  p.local_log = on_drive(u"cjj.txt");
  p.report = on_drive(u"cj.txt");
  p.marker_folder = on_drive(u"windows");
  p.submitted_marker = p.marker_folder + sep + u"fen.g";
  p.results_share = results_share;
  p.share_log = results_share + std::u16string(kShareLogName);
  return p;
}

namespace {

// Whether `folder` holds any part of an exam: a teacher who put one there
// meant it, and the room check says what is missing.
bool HoldsExam(Platform& platform, const std::u16string& folder) {
  const std::u16string sep(1, platform.PathSeparator());
  return !platform.ListPath(folder + sep + std::u16string(kTaskTextName), Listing::kFilesOnly)
              .empty() ||
         !platform.ListPath(folder + sep + u"aa", Listing::kFilesAndFolders).empty();
}

}  // namespace

ExamFolder FindExamFolder(Platform& platform) {
  if (std::u16string set = platform.Environment("WEBEXAM_EXAM").value_or(u""); !set.empty()) {
    while (set.size() > 1 && set.back() == platform.PathSeparator()) set.pop_back();
    return {set, ExamFolderOrigin::kEnvironment};
  }
  const Platform::InstalledExamFolders installed = platform.ExamFoldersOfInstall();
  if (!installed.teacher.empty() && HoldsExam(platform, installed.teacher)) {
    return {installed.teacher, ExamFolderOrigin::kTeacherFolder};
  }
  const std::u16string program_folder = platform.ProgramFolder();
  if (HoldsExam(platform, program_folder)) {
    return {program_folder, ExamFolderOrigin::kBesideProgram};
  }
  if (!installed.sample.empty() && HoldsExam(platform, installed.sample)) {
    return {installed.sample, ExamFolderOrigin::kSample};
  }
  if (!installed.teacher.empty()) return {installed.teacher, ExamFolderOrigin::kTeacherFolder};
  return {program_folder, ExamFolderOrigin::kBesideProgram};
}

ExamPaths ExamPathsOf(Platform& platform, const ExamFolder& exam_folder,
                      std::u16string_view candidate_folder) {
  std::u16string share = platform.Environment("WEBEXAM_SHARE").value_or(u"");
  if (share.empty()) share = platform.DefaultResultsShare();
  ExamPaths paths = MakeExamPaths(platform.DriveRoot(), exam_folder.path, candidate_folder, share,
                                  platform.PathSeparator());
  paths.exam_folder = exam_folder;
  return paths;
}

}  // namespace webexam
