// The candidate's workspace: what the grading window prepares when it opens
// and removes when the candidate leaves with the exit button.
#pragma once

#include "platform/platform.h"
#include "state/exam_paths.h"
#include "task_text/task_text.h"

namespace webexam {

// Throws, before anything is removed, where preparing or removing the
// workspace would take the exam with it: the candidate folder is, or holds,
// the program's folder or the exam folder (a teacher who copied the exam to
// a folder of the candidate folder's name), or the exam's task text is the
// working copy itself (the exam in the drive's root). Paths are compared as
// written, without case on Windows; the functions below call it first.
void CheckWorkspaceSparesExam(Platform& platform, const ExamPaths& paths);

// Replaces the working copy of the task text with the one delivered with the
// exam. Runs first when the grading window opens.
void PrepareTaskText(Platform& platform, const ExamPaths& paths);

// Removes whatever a previous run left as the candidate folder (a folder with
// everything in it, or a plain file of that name), makes the folder afresh and
// copies the exam material into its web folder with all levels. Runs after the
// window is placed and shows the task text.
void PrepareCandidateFolder(Platform& platform, const ExamPaths& paths);

// Removes the candidate folder with everything in it, as far as it can: a
// file another program holds open (a player still playing a sound of the
// page) stays, and everything else goes. Returns the errors of what stayed,
// each naming its path; a missing folder is no error.
std::vector<PlatformError> RemoveCandidateFolder(Platform& platform, const ExamPaths& paths);

// A folder as the candidate reads it on Linux: within the home folder `home`
// (given with '/' separators, no '/' at its end), written from "~" on; any
// other folder, and any folder when home is empty or "/", as it is.
std::u16string HomeWritten(std::u16string_view folder, std::u16string_view home);

}  // namespace webexam
