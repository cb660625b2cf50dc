// The live view on a Windows console, ended as the teacher ends it: run on a
// console (under Wine, one on a pseudo-terminal), it starts
// webexam-results --watch on an empty share, drawing on that console, lets it
// draw, then presses Ctrl-C on the console and expects the program to end at
// once with status 0.
//
//   console_ctrl_c WEBEXAM_RESULTS
//
// Exits 0 when it did, 1 when not, 77 when there is no console to run on.
#include <windows.h>

#include <cstdio>
#include <string>

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) return 2;
  DWORD mode = 0;
  if (!::GetConsoleMode(::GetStdHandle(STD_OUTPUT_HANDLE), &mode)) {
    std::fputs("no console: skipped\n", stderr);
    return 77;
  }
  wchar_t temp[MAX_PATH];
  ::GetTempPathW(MAX_PATH, temp);
  const std::wstring share =
      std::wstring(temp) + L"webexam-ctrl-c-" + std::to_wstring(::GetCurrentProcessId());
  ::CreateDirectoryW(share.c_str(), nullptr);

  std::wstring command =
      L"\"" + std::wstring(argv[1]) + L"\" --watch --interval 1 \"" + share + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
    std::fprintf(stderr, "cannot start the program: %lu\n", ::GetLastError());
    return 1;
  }
  int status = 0;
  // Still watching after two looks: it does not end on its own.
  if (::WaitForSingleObject(process.hProcess, 2500) != WAIT_TIMEOUT) {
    std::fputs("FAILED: the live view ended by itself\n", stderr);
    status = 1;
  } else {
    // Ctrl-C reaches every process on the console: this one lets it pass.
    ::SetConsoleCtrlHandler(nullptr, TRUE);
    if (!::GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0)) {
      std::fprintf(stderr, "FAILED: cannot press Ctrl-C: %lu\n", ::GetLastError());
      status = 1;
    } else if (::WaitForSingleObject(process.hProcess, 5000) != WAIT_OBJECT_0) {
      std::fputs("FAILED: still running 5 s after Ctrl-C\n", stderr);
      status = 1;
    }
  }
  DWORD code = 259;
  ::GetExitCodeProcess(process.hProcess, &code);
  if (code == 259) ::TerminateProcess(process.hProcess, 1);
  if (status == 0 && code != 0) {
    std::fprintf(stderr, "FAILED: ended with status %lu\n", code);
    status = 1;
  }
  ::CloseHandle(process.hProcess);
  ::CloseHandle(process.hThread);
  ::RemoveDirectoryW(share.c_str());
  if (status == 0) std::fputs("ok: ended on Ctrl-C with status 0\n", stderr);
  return status;
}
