// Every fixed path of the exam, defined in one place. On Windows they are the
// literal paths on drive C:; elsewhere drive C: is a folder (the drive root)
// and the rest of each path is kept as written.
#pragma once

#include <string>

namespace webexam {

class Platform;

struct ExamPaths {
  std::u16string task_text_source;  // program folder, 1.txt: the task as delivered
  std::u16string material_folder;   // program folder, aa: the exam material
  std::u16string task_text;         // c:\1.txt: the working copy shown in the viewer
  std::u16string candidate_folder;  // C:\620722001: the candidate's workspace root
  std::u16string web_folder;        // C:\620722001\web: the copy of the material
  std::u16string candidate_page;    // C:\620722001\web\index.htm: the graded page
  std::u16string local_log;         // c:\cjj.txt: one result line per submission
  std::u16string report;            // C:\cj.txt: the candidate's report
  std::u16string windows_folder;    // c:\windows: holds the submitted marker
  std::u16string submitted_marker;  // c:\windows\fen.g: this PC has submitted
  std::u16string results_share;     // the teacher's shared folder, ending with a separator
  std::u16string share_log;         // the results share's cjwyzz.txt
};

// The listing names the exam compares against.
inline constexpr std::u16string_view kTaskTextName = u"1.txt";
inline constexpr std::u16string_view kCandidateFolderName = u"620722001";
inline constexpr std::u16string_view kReportName = u"cj.txt";
inline constexpr std::u16string_view kSubmittedMarkerName = u"fen.g";
inline constexpr std::u16string_view kWindowsFolderName = u"WINDOWS";
inline constexpr std::u16string_view kShareLogName = u"cjwyzz.txt";

// The paths under `drive_root` (no trailing separator), with the material in
// `program_folder` and the results in `results_share` (a missing trailing
// separator is added).
ExamPaths MakeExamPaths(const std::u16string& drive_root, const std::u16string& program_folder,
                        std::u16string results_share, char16_t separator);

// The paths of this machine: the platform's drive root and program folder,
// and the results share from WEBEXAM_SHARE or else the built-in default.
ExamPaths ExamPathsOf(Platform& platform);

}  // namespace webexam
