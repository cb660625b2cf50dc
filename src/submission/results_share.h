// Submission to the teacher's results share: the first submission of a PC
// appends its result line to the share's cjwyzz.txt and leaves an empty file
// named after the PC; the PC keeps a local marker and refuses every later
// submission.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

#include "grading/grade_page.h"
#include "platform/platform.h"
#include "state/exam_paths.h"
#include "state/exam_state.h"
#include "submission/outcome.h"
#include "submission/share_layout.h"

namespace webexam {

// How long the share is tried when it is busy or its network falters. Forty
// PCs submit in the same second at the end of an exam; each waits its turn.
struct ShareRetry {
  // All tries of the line and of the marker together; a try under way when
  // it ends is finished.
  std::chrono::milliseconds budget{15'000};
  std::chrono::milliseconds first_pause{20};
  std::chrono::milliseconds longest_pause{1'000};
};

// This program's connection to the results share's server for one share
// step or one check: made by Open, ended when this goes out of scope, so that
// a PC holds one of the server's sessions only while it submits (a Windows
// PC serving the share takes twenty at most).
class ShareConnection {
 public:
  ShareConnection(Platform& platform, std::u16string share)
      : platform_(platform), share_(std::move(share)) {}
  ~ShareConnection() { platform_.DisconnectShare(share_); }
  ShareConnection(const ShareConnection&) = delete;
  ShareConnection& operator=(const ShareConnection&) = delete;

  // Connects unless connected; throws as Platform::ConnectShare does.
  void Open() {
    if (open_) return;
    platform_.ConnectShare(share_);
    open_ = true;
  }

 private:
  Platform& platform_;
  std::u16string share_;
  bool open_ = false;
};

// Whether this PC has submitted to the share: its marker is there as a file
// of exactly its name.
bool HasSubmittedMarker(Platform& platform, const ExamPaths& paths);

// Makes sure the folder holding the submitted marker exists. A folder found
// under any case of its name counts.
void EnsureMarkerFolder(Platform& platform, const ExamPaths& paths);

// What is wrong with a results share whose locks stay on this PC (a FUSE
// mount: PCs appending through it lose each other's lines), with the smb://
// address to use instead; an empty text for any other share. The client
// writes it to standard error at start-up, webexam-check fails on it.
std::u16string ShareLockingProblem(Platform& platform, const ExamPaths& paths);

// Refuses when the PC's marker exists. Otherwise makes the marker, connects
// to the share's server through `connection` (a full server is retried with
// the line), appends the result line to the share log holding it
// exclusively, and makes the marker named after the PC where none is (one
// already there is kept as it is). A try that left part of the line in the
// log, which an open for appending alone cannot take back, is followed by
// one that begins with a line end. The connection stays
// open for the kept page; its owner ends it. Failures on the share are
// answered by the outcome;
// failures on this PC (making or taking back its marker) throw. When the line
// was not delivered, `why` (if given) is told the last failure, for the
// program's error output.
ShareOutcome SubmitToResultsShare(Platform& platform, const ExamPaths& paths,
                                  const ExamState& state, const GradeResult& result,
                                  ShareConnection& connection, const ShareRetry& retry = {},
                                  std::u16string* why = nullptr);

// Leaves the bytes a submission that reached the share was graded on in the
// share's pages folder (made when missing), as evidence should the candidate
// appeal, under the first name of the exam number's and PC's sequence that
// is free (KeptPageName): a page already there, left by this PC before a
// reboot took back its marker, is never written over. Best effort: nothing
// here throws, and the candidate is never told; what went wrong comes back
// as a note for the program's error output (empty when the page was kept).
std::u16string KeepGradedPage(Platform& platform, const ExamPaths& paths, const ExamState& state,
                              std::string_view graded_bytes);

}  // namespace webexam
