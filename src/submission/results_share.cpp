#include "submission/results_share.h"

#include <algorithm>
#include <optional>
#include <random>

#include "submission/result_line.h"
#include "submission/share_advice.h"
#include "text/characters.h"
#include "text/utf8.h"

namespace webexam {
namespace {

// Runs `attempt` until it succeeds, retrying busy and passing network errors
// with jittered, growing pauses until `deadline`. Returns whether it
// succeeded, keeping the last failure in `last`; any other error ends the
// tries at once. One try is made even when the deadline has passed.
template <typename Attempt>
bool WithRetries(Platform& platform, const ShareRetry& retry,
                 std::chrono::steady_clock::time_point deadline, Attempt attempt,
                 std::optional<PlatformError>& last) {
  // Jitter keeps PCs that collided once from colliding again in step.
  std::minstd_rand random(std::random_device{}());
  auto pause = retry.first_pause;
  for (;;) {
    try {
      attempt();
      return true;
    } catch (const PlatformError& error) {
      last = error;
      if (!error.IsRetryable()) return false;
    }
    std::uniform_int_distribution<long long> jitter(pause.count() / 2, pause.count() * 3 / 2);
    const auto now = platform.Now();
    if (now >= deadline) return false;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - now);
    platform.Sleep(std::min(std::chrono::milliseconds(jitter(random)), left));
    pause = std::min(pause * 2, retry.longest_pause);
  }
}

}  // namespace

bool HasSubmittedMarker(Platform& platform, const ExamPaths& paths) {
  return platform.ListPath(paths.submitted_marker, Listing::kFilesOnly) == kSubmittedMarkerName;
}

void EnsureMarkerFolder(Platform& platform, const ExamPaths& paths) {
  const std::u16string name = platform.ListPath(paths.marker_folder, Listing::kFilesAndFolders);
  if (!EqualIgnoringAsciiCase(name, kWindowsFolderName)) platform.MakeFolder(paths.marker_folder);
}

std::u16string ShareLockingProblem(Platform& platform, const ExamPaths& paths) {
  const Platform::ShareLocking locking = platform.LockingOf(paths.results_share);
  if (locking.other_pcs_kept_out) return {};
  const std::u16string address =
      locking.smb_address.empty() ? u"smb://教师机/共享名/" : locking.smb_address;
  return u"成绩共享文件夹 " + ShownName(paths.results_share) +
         u" 在 FUSE 挂载上（文件管理器里的 smb:// 位置、smbnetfs 等），"
         u"它的锁管不到别的考试机，几台同时上交时成绩会互相覆盖而丢失。"
         u"请把 WEBEXAM_SHARE 设为 " +
         address + u"，由本程序直接连接共享。";
}

ShareOutcome SubmitToResultsShare(Platform& platform, const ExamPaths& paths,
                                  const ExamState& state, const GradeResult& result,
                                  ShareConnection& connection, const ShareRetry& retry,
                                  std::u16string* why) {
  if (HasSubmittedMarker(platform, paths)) return ShareOutcome::kAlreadySubmitted;

  // The PC is marked before the share is written, so that two presses can
  // never both reach the share.
  platform.WriteFile(paths.submitted_marker, "");

  // One deadline for the line and the marker together: the candidate waits
  // for both.
  const auto deadline = platform.Now() + retry.budget;
  const std::string line = EncodeResultLine(platform, BuildResultLine(state, result));
  std::optional<PlatformError> last;
  // A try that failed in the middle of its write may have left the first part
  // of the line, which an open for appending alone cannot take back: the
  // next try then ends that part line first, so that the teachers' tools
  // show it as a bad line of its own and this PC's line stands whole.
  bool part_line_left = false;
  const bool delivered = WithRetries(
      platform, retry, deadline,
      [&] {
        connection.Open();
        try {
          platform.AppendExclusively(paths.share_log, part_line_left ? "\r\n" + line : line);
        } catch (const PlatformError& error) {
          if (error.part_written()) part_line_left = true;
          throw;
        }
      },
      last);
  if (!delivered) {
    // Without its line on the share the PC must not count as submitted: the
    // next press tries again.
    platform.RemoveFile(paths.submitted_marker);
    if (why && last) {
      *why = u"成绩没有交到 " + ShownName(paths.share_log) + u"：" + FromUtf8(last->what());
      if (std::u16string advice = ShareFailureAdvice(platform, *last, paths.results_share);
          !advice.empty()) {
        *why += u"。" + advice;
      }
    }
    return ShareOutcome::kNotDelivered;
  }

  if (!IsSafeFileName(state.computer_name)) return ShareOutcome::kNoComputerMarker;
  // The marker is made only where none is: candidates may be let create
  // files on the share but not change them. One already there (this PC's
  // line went in before, and restore software took back its own marker) is
  // as good as a new one; a folder of that name is no marker to the
  // teachers' tools.
  const std::u16string marker = ComputerMarkerPath(paths.results_share, state.computer_name);
  const bool marked = WithRetries(
      platform, retry, deadline,
      [&] {
        try {
          platform.WriteNewFile(marker, "");
        } catch (const PlatformError& error) {
          if (error.kind() != PlatformError::Kind::kExists ||
              platform.PresenceOf(marker) == Platform::Presence::kFolder) {
            throw;
          }
        }
      },
      last);
  return marked ? ShareOutcome::kSubmitted : ShareOutcome::kNoComputerMarker;
}

std::u16string KeepGradedPage(Platform& platform, const ExamPaths& paths, const ExamState& state,
                              std::string_view graded_bytes) {
  const std::u16string folder = paths.results_share + std::u16string(kKeptPagesFolderName);
  const std::u16string first = KeptPageName(state.exam_number, state.computer_name);
  std::u16string page = folder + platform.PathSeparator() + first;
  try {
    if (!IsSafeFileName(first)) {
      throw PlatformError(0, "the exam number or computer name cannot name a file");
    }
    // The page is created first and the folder made only when the server
    // says the path is missing: candidates may be let add to the folder
    // without seeing what is in it.
    bool folder_made = false;
    std::optional<PlatformError> folder_error;
    for (int sequence = 1;;) {
      page = folder + platform.PathSeparator() +
             KeptPageName(state.exam_number, state.computer_name, sequence);
      try {
        // Created only where no page is, so that a page this PC kept before
        // (restore software took back its marker at a reboot) stays as it was.
        platform.WriteNewFile(page, graded_bytes);
        return {};
      } catch (const PlatformError& error) {
        if (error.kind() == PlatformError::Kind::kNotFound) {
          if (folder_made) {
            // The folder could not be made: that is the cause to tell.
            if (folder_error) throw *folder_error;
            throw;
          }
          folder_made = true;
          try {
            platform.MakeFolder(folder);
          } catch (const PlatformError& made) {
            // Another PC may have made it in the meantime: the page's second
            // try tells.
            folder_error = made;
          }
          continue;
        }
        if (error.kind() != PlatformError::Kind::kExists || sequence == kMostKeptPages) throw;
      }
      ++sequence;
    }
  } catch (const PlatformError& error) {
    std::u16string note =
        u"所评的页面没能留在共享文件夹里（" + ShownName(page) + u"）：" + FromUtf8(error.what());
    if (platform.PresenceOf(folder) == Platform::Presence::kFile) {
      note +=
          u"。共享文件夹里的 pages 是一个文件，不是文件夹，各机的页面都留不下来。"
          u"请老师把这个文件移走或改名。";
    }
    return note;
  }
}

}  // namespace webexam
