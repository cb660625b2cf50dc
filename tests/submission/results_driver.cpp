// A stand-in for one exam PC, for tests that need real concurrent processes.
//
//   results_driver submit ROOT SHARE COMPUTER EXAM_NUMBER NAME START_MS [STAY_MS]
//     Waits until the wall clock reaches START_MS (milliseconds since the
//     epoch), so that many drivers press "上交成绩" in the same moment, then runs
//     the submit pass on ROOT's candidate page. The report viewer is not
//     started. Prints the message the window would show (UTF-8), or nothing;
//     a note (the graded page was not kept, or why the line did not reach
//     the share) goes to standard error. With STAY_MS it then keeps running
//     that long, releasing nothing more, as a client stays open after a
//     submission: what it still holds on the share's server shows.
//
//   results_driver hold-lock FILE MILLISECONDS READY_FILE
//     Holds FILE as another writer would, makes READY_FILE, and lets go
//     after MILLISECONDS.
//
//   results_driver hold-open FILE MILLISECONDS READY_FILE
//     Keeps FILE open so that no other program can open it, makes
//     READY_FILE, and lets go after MILLISECONDS. Only Windows has such an
//     opening (one that shares nothing); elsewhere the file is merely open.
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "state/exam_paths.h"
#include "submission/submission.h"
#include "support/failing_platform.h"
#include "text/utf8.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include "platform/posix/smb_client.h"
#endif

namespace {

using namespace webexam;

int Submit(char** argv) {
  auto real = MakePlatform();
  test::FailingPlatform platform(*real);  // fails nothing, starts no viewer
  const std::u16string root = FromUtf8(argv[2]);
  const ExamPaths paths =
      MakeExamPaths(root, root, u"620722001", FromUtf8(argv[3]), platform.PathSeparator());
  ExamState state;
  state.computer_name = FromUtf8(argv[4]);
  state.exam_number = FromUtf8(argv[5]);
  state.candidate_name = FromUtf8(argv[6]);

#ifndef _WIN32
  // A PC loads libsmbclient on its own processor the first time it reaches
  // an smb:// share. Loaded here before the press, so that a burst of
  // drivers sharing this machine's few cores measures the share, not a
  // hundred loaders at once.
  if (IsSmbAddress(argv[3])) dlopen(kSmbLibrary, RTLD_NOW | RTLD_GLOBAL);
#endif
  const std::chrono::system_clock::time_point start{std::chrono::milliseconds(std::stoll(argv[7]))};
  std::this_thread::sleep_until(start);
  const std::chrono::milliseconds stay{argv[8] ? std::stoll(argv[8]) : 0};
  try {
    Submission submission(platform, paths, test::SampleExam().key, state);
    submission.GradeAndRecord();
    std::fputs(ToUtf8(MessageFor(submission.Deliver())).c_str(), stdout);
    if (!submission.Note().empty()) {
      std::fprintf(stderr, "note: %s\n", ToUtf8(submission.Note()).c_str());
    }
    std::fflush(stdout);
    std::this_thread::sleep_for(stay);
    return 0;
  } catch (const PlatformError& error) {
    std::printf("error %d: %s\n", error.code(), error.what());
    return 3;
  }
}

// Holds FILE for the milliseconds given, then lets go; writes READY_FILE once
// it holds it. With `lock` the file (created when absent) is held as the
// share log's writers hold it: against other writers, readers allowed. Else
// an existing file is held open shared with nobody on Windows, as an editor
// may hold a page (on POSIX an open alone keeps nobody out).
int Hold(char** argv, bool lock) {
  const std::string file = argv[2];
  const auto hold = std::chrono::milliseconds(std::stoll(argv[3]));
#ifdef _WIN32
  HANDLE handle =
      ::CreateFileA(file.c_str(), lock ? GENERIC_WRITE : GENERIC_READ, lock ? FILE_SHARE_READ : 0,
                    nullptr, lock ? OPEN_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return 4;
#else
  int fd = lock ? ::open(file.c_str(), O_WRONLY | O_CREAT, 0644) : ::open(file.c_str(), O_RDONLY);
  if (fd < 0) return 4;
  struct flock whole {};
  whole.l_type = F_WRLCK;
  whole.l_whence = SEEK_SET;
  if (lock && ::fcntl(fd, F_SETLKW, &whole) != 0) return 4;
#endif
  std::ofstream(argv[4]) << "held\n";
  std::this_thread::sleep_for(hold);
#ifdef _WIN32
  ::CloseHandle(handle);
#else
  ::close(fd);
#endif
  return 0;
}

int Main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "submit" && (argc == 8 || argc == 9)) return Submit(argv);
  if (mode == "hold-lock" && argc == 5) return Hold(argv, true);
  if (mode == "hold-open" && argc == 5) return Hold(argv, false);
  std::fputs(
      "usage: results_driver submit ROOT SHARE COMPUTER EXAM_NUMBER NAME START_MS [STAY_MS]\n"
      "       results_driver hold-lock FILE MILLISECONDS READY_FILE\n"
      "       results_driver hold-open FILE MILLISECONDS READY_FILE\n",
      stderr);
  return 2;
}

}  // namespace

#ifdef _WIN32
// Windows hands the arguments over as UTF-16; through main() a candidate's
// Chinese name would pass the ANSI code page, which may not hold it.
int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> arguments;
  for (int i = 0; i < argc; ++i) {
    arguments.push_back(webexam::ToUtf8(reinterpret_cast<const char16_t*>(argv[i])));
  }
  std::vector<char*> pointers;
  for (std::string& argument : arguments) pointers.push_back(argument.data());
  pointers.push_back(nullptr);
  return Main(argc, pointers.data());
}
#else
int main(int argc, char** argv) { return Main(argc, argv); }
#endif
