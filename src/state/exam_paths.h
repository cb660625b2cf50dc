// Every fixed path of the exam, defined in one place. On Windows they are the
// literal paths on drive C:; elsewhere drive C: is a folder (the drive root)
// and the rest of each path is kept as written.
#pragma once

#include <string>

namespace webexam {

class Platform;

// Where the exam folder was found, in the order the places are looked at.
enum class ExamFolderOrigin {
  kEnvironment,    // the folder WEBEXAM_EXAM names
  kTeacherFolder,  // the PC's own exam folder (/etc/webexam/exam)
  kBesideProgram,  // the folder that holds the program file
  kSample,         // the sample exam shipped with the program
};

// The folder that holds the exam (1.txt and aa) and where it was found.
struct ExamFolder {
  std::u16string path;  // without a trailing separator
  ExamFolderOrigin origin = ExamFolderOrigin::kBesideProgram;
};

struct ExamPaths {
  ExamFolder exam_folder;                // holds the task text and the material
  std::u16string task_text_source;       // exam folder, 1.txt: the task as delivered
  std::u16string material_folder;        // exam folder, aa: the exam material
  std::u16string task_text;              // c:\1.txt: the working copy shown in the viewer
  std::u16string candidate_folder_name;  // 620722001: the exam's, ASCII letters and digits
  std::u16string candidate_folder;       // C:\620722001: the candidate's workspace root
  std::u16string web_folder;             // C:\620722001\web: the copy of the material
  std::u16string candidate_page;         // C:\620722001\web\index.htm: the graded page
  std::u16string local_log;              // c:\cjj.txt: one result line per submission
  std::u16string report;                 // C:\cj.txt: the candidate's report
  std::u16string marker_folder;          // c:\windows: holds the submitted marker
  std::u16string submitted_marker;       // c:\windows\fen.g: this PC has submitted
  std::u16string results_share;          // the teacher's shared folder, ending with a separator
  std::u16string share_log;              // the results share's cjwyzz.txt
};

// The listing names the exam compares against.
inline constexpr std::u16string_view kTaskTextName = u"1.txt";
inline constexpr std::u16string_view kReportName = u"cj.txt";
inline constexpr std::u16string_view kSubmittedMarkerName = u"fen.g";
inline constexpr std::u16string_view kWindowsFolderName = u"WINDOWS";
inline constexpr std::u16string_view kShareLogName = u"cjwyzz.txt";

// The paths under `drive_root` (no trailing separator), with the material in
// `exam_folder`, the exam's candidate folder named `candidate_folder`, and the
// results in `results_share` (a missing trailing separator is added).
ExamPaths MakeExamPaths(const std::u16string& drive_root, const std::u16string& exam_folder,
                        std::u16string_view candidate_folder, std::u16string results_share,
                        char16_t separator);

// The exam folder of this machine, the first of these that applies:
//   1. the folder WEBEXAM_EXAM names, when it is set and not empty, whatever
//      it holds (a teacher's explicit choice is never passed over);
//   2. the PC's own exam folder (/etc/webexam/exam on Linux), when it holds
//      1.txt or aa;
//   3. the folder that holds the program file, when it holds 1.txt or aa
//      (the Windows folder copied from the zip, a build tree);
//   4. the sample exam shipped with the program (/usr/share/webexam/exam for
//      /usr/bin/webexam), when it holds 1.txt or aa.
// When none holds any exam material, the PC's own exam folder where the
// platform has one, else the program folder: the place to put the exam, which
// the room check then reports as missing. Places 2 and 4 exist only where the
// platform names them (Linux); on Windows the exam lies beside the program.
ExamFolder FindExamFolder(Platform& platform);

// The paths of this machine: the platform's drive root, the exam folder found
// and the exam's candidate folder, and the results share from WEBEXAM_SHARE
// or else the built-in default.
ExamPaths ExamPathsOf(Platform& platform, const ExamFolder& exam_folder,
                      std::u16string_view candidate_folder);

}  // namespace webexam
