// webexam-check's checks of one exam PC before the exam, in the order they
// run: the exam material, drive C: (its root and its windows folder), the
// results share, the PC's submitted marker, the computer name as the name of
// the PC's marker on the share, a program to show the report with, and the
// exam's sealed file.
// Each gives one line for the room's teachers, in Chinese: passed, or failed
// with what to do.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "state/exam_paths.h"

namespace webexam {

struct CheckResult {
  std::u16string name;  // what was checked
  bool passed = false;
  std::u16string detail;  // what was found on a pass (may be empty); on a failure, what to do
};

// Room on drive C: beyond the material the candidate folder copies: the
// candidate's own files, the logs, the report.
inline constexpr std::uint64_t kRoomMargin = 64ull << 20;

// Every check, in order. `drive_root` is the folder that stands for drive C:.
// Nothing is left behind: the probe files are removed, except on a results
// share that refuses removing them, where they stay under names starting
// with a dot, which no tool counts.
std::vector<CheckResult> CheckRoom(Platform& platform, const std::u16string& drive_root,
                                   const ExamPaths& paths);

// Passes naming the exam folder it found the material in, and why that one.
CheckResult CheckMaterial(Platform& platform, const ExamPaths& paths);
// How the room check names where an exam folder was found.
std::u16string ExamFolderOriginText(ExamFolderOrigin origin);
CheckResult CheckDrive(Platform& platform, const std::u16string& drive_root,
                       const ExamPaths& paths);
// What is wrong with what the share holds under its own names, with what to
// do: cjwyzz.txt a folder, or pages a file. Empty when both are right (or
// absent: the first submission makes them).
std::u16string ShareShapeProblem(Platform& platform, const ExamPaths& paths);
// Proves each write a submission makes on the results share and names what
// the share refuses this PC's account (reading, removing, listing): a share
// candidates may add to but not read passes.
CheckResult CheckShare(Platform& platform, const ExamPaths& paths);
CheckResult CheckSubmittedMarker(Platform& platform, const ExamPaths& paths);
// `share_reachable`: whether CheckShare passed; without the share its
// markers cannot be looked at.
CheckResult CheckComputerName(Platform& platform, const ExamPaths& paths, bool share_reachable);
// Whether the desktop has a program to open the candidate's report with.
CheckResult CheckReportViewer(Platform& platform, const ExamPaths& paths);
// Passes naming the exam the exam folder's sealed file gives; fails where it
// cannot be read, or where the teacher's editable exam or model answer lies
// beside it for candidates to open.
CheckResult CheckExamFile(Platform& platform, const ExamPaths& paths);

// The check lines as printed: name, 通过 or 失败, the detail; LF after each.
std::u16string CheckText(const std::vector<CheckResult>& results);

}  // namespace webexam
