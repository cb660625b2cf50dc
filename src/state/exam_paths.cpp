#include "state/exam_paths.h"

#include "platform/platform.h"

namespace webexam {

ExamPaths MakeExamPaths(const std::u16string& drive_root, const std::u16string& program_folder,
                        std::u16string results_share, char16_t separator) {
  const std::u16string sep(1, separator);
  auto on_drive = [&](std::u16string_view rest) { return drive_root + sep + std::u16string(rest); };
  // A share written as a UNC path (\\server\share\) or an smb:// address ends
  // with its own separator, whatever this system's is.
  if (results_share.empty() || (results_share.back() != separator &&
                                results_share.back() != u'\\' && results_share.back() != u'/')) {
    results_share += separator;
  }

  ExamPaths p;
  p.task_text_source = program_folder + sep + u"1.txt";
  p.material_folder = program_folder + sep + u"aa";
  p.task_text = on_drive(u"1.txt");
  p.candidate_folder = on_drive(u"620722001");
  p.web_folder = p.candidate_folder + sep + u"web";
  p.candidate_page = p.web_folder + sep + u"index.htm";
  p.local_log = on_drive(u"cjj.txt");
  p.report = on_drive(u"cj.txt");
  p.windows_folder = on_drive(u"windows");
  p.submitted_marker = p.windows_folder + sep + u"fen.g";
  p.results_share = results_share;
  p.share_log = results_share + std::u16string(kShareLogName);
  return p;
}

ExamPaths ExamPathsOf(Platform& platform) {
  std::u16string share = platform.Environment("WEBEXAM_SHARE").value_or(u"");
  if (share.empty()) share = platform.DefaultResultsShare();
  return MakeExamPaths(platform.DriveRoot(), platform.ProgramFolder(), share,
                       platform.PathSeparator());
}

}  // namespace webexam
