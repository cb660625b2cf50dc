// A room tool on Windows keeps a console of its own open until a key is
// pressed, and never waits on a console it shares or without one:
//
//   console_key_wait TOOL [ARGUMENT...]
//
// 1. On this program's console (as from a prompt or a script), and on one of
//    its own but with no standard input (the NUL device) and its output in a
//    file, it ends by itself.
// 2. With a console of its own (CREATE_NEW_CONSOLE, as Explorer starts a
//    double-clicked program), the tool must still be running well after it
//    has done its work, with the Chinese key prompt on its screen, read from
//    that console; a key written into the console's input then ends it with
//    the tool's own status.
//
// Exits 0 when all held, 1 when not.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>

namespace {

constexpr wchar_t kPrompt[] = L"按任意键关闭本窗口";
constexpr DWORD kStillActive = 259;

std::wstring CommandLineOf(int argc, wchar_t** argv) {
  std::wstring command;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) command += L' ';
    command += L'"' + std::wstring(argv[i]) + L'"';
  }
  return command;
}

struct Child {
  PROCESS_INFORMATION info{};
  bool started = false;
  ~Child() {
    if (!started) return;
    DWORD code = 0;
    if (::GetExitCodeProcess(info.hProcess, &code) && code == kStillActive) {
      ::TerminateProcess(info.hProcess, 1);
    }
    ::CloseHandle(info.hProcess);
    ::CloseHandle(info.hThread);
  }
  DWORD ExitCode() const {
    DWORD code = kStillActive;
    ::GetExitCodeProcess(info.hProcess, &code);
    return code;
  }
};

bool Start(Child& child, std::wstring command, DWORD flags, STARTUPINFOW& startup) {
  child.started = ::CreateProcessW(nullptr, command.data(), nullptr, nullptr,
                                   (startup.dwFlags & STARTF_USESTDHANDLES) != 0, flags, nullptr,
                                   nullptr, &startup, &child.info) != 0;
  if (!child.started) std::fprintf(stderr, "cannot start the tool: %lu\n", ::GetLastError());
  return child.started;
}

// The text on the screen of the console this process is attached to.
std::wstring ScreenText() {
  HANDLE screen =
      ::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
  if (screen == INVALID_HANDLE_VALUE) return L"";
  std::wstring text;
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (::GetConsoleScreenBufferInfo(screen, &info)) {
    text.resize(static_cast<std::size_t>(info.dwSize.X) * info.dwSize.Y);
    DWORD read = 0;
    ::ReadConsoleOutputCharacterW(screen, text.data(), static_cast<DWORD>(text.size()), {0, 0},
                                  &read);
    text.resize(read);
  }
  ::CloseHandle(screen);
  return text;
}

// Presses and releases a key on the console this process is attached to.
bool PressKey() {
  HANDLE input =
      ::CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
  if (input == INVALID_HANDLE_VALUE) return false;
  INPUT_RECORD records[2]{};
  for (int i = 0; i < 2; ++i) {
    records[i].EventType = KEY_EVENT;
    records[i].Event.KeyEvent.bKeyDown = i == 0;
    records[i].Event.KeyEvent.wRepeatCount = 1;
    records[i].Event.KeyEvent.wVirtualKeyCode = 'A';
    records[i].Event.KeyEvent.uChar.UnicodeChar = L'a';
  }
  DWORD written = 0;
  const bool ok = ::WriteConsoleInputW(input, records, 2, &written) && written == 2;
  ::CloseHandle(input);
  return ok;
}

// True when the tool ends by itself, started with `startup` and the creation
// `flags`.
bool EndsByItself(const std::wstring& command, STARTUPINFOW& startup, DWORD flags,
                  const char* how) {
  Child child;
  if (!Start(child, command, flags, startup)) return false;
  if (::WaitForSingleObject(child.info.hProcess, 120000) != WAIT_OBJECT_0) {
    std::fprintf(stderr, "FAILED: %s, still running after 120 s\n", how);
    return false;
  }
  std::fprintf(stderr, "ok: %s, ended by itself with %lu\n", how, child.ExitCode());
  return true;
}

// A console of its own; true when the tool waited for the key and ended on
// it. This process attaches to the tool's console only after `settled`
// milliseconds, when the tool has done its work and decided whether to wait:
// a process attached earlier would share the console and rightly keep the
// tool from waiting.
bool WaitsOnItsOwnConsole(const std::wstring& command, DWORD settled) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  Child child;
  if (!Start(child, command, CREATE_NEW_CONSOLE, startup)) return false;
  if (::WaitForSingleObject(child.info.hProcess, settled) == WAIT_OBJECT_0) {
    std::fprintf(stderr, "FAILED: the tool ended on its own console without waiting (%lu)\n",
                 child.ExitCode());
    return false;
  }
  ::FreeConsole();
  if (!::AttachConsole(child.info.dwProcessId)) {
    std::fprintf(stderr, "FAILED: cannot attach to the tool's console: %lu\n", ::GetLastError());
    return false;
  }
  bool prompted = false;
  for (int tries = 0; tries < 50 && !prompted; ++tries) {
    prompted = ScreenText().find(kPrompt) != std::wstring::npos;
    if (!prompted) ::Sleep(100);
  }
  if (!prompted) {
    std::fputs("FAILED: no key prompt on the tool's console\n", stderr);
    return false;
  }
  // Still there a while after the prompt: it waits, it does not just say so.
  if (::WaitForSingleObject(child.info.hProcess, 1500) != WAIT_TIMEOUT) {
    std::fputs("FAILED: the tool ended after its prompt without a key\n", stderr);
    return false;
  }
  const bool pressed = PressKey();
  ::FreeConsole();
  if (!pressed) {
    std::fprintf(stderr, "FAILED: cannot press a key on the console: %lu\n", ::GetLastError());
    return false;
  }
  if (::WaitForSingleObject(child.info.hProcess, 10000) != WAIT_OBJECT_0) {
    std::fputs("FAILED: still running 10 s after a key\n", stderr);
    return false;
  }
  const DWORD code = child.ExitCode();
  if (code != 0 && code != 1) {
    std::fprintf(stderr, "FAILED: ended with status %lu, not the tool's own\n", code);
    return false;
  }
  std::fprintf(stderr, "ok: waited for a key on its own console, then ended with %lu\n", code);
  return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  const std::wstring command = CommandLineOf(argc, argv);

  // A console of this program's, which the tool then shares; how long the
  // tool takes there tells how long to leave it alone on a console of its own.
  ::FreeConsole();
  if (!::AllocConsole()) {
    std::fprintf(stderr, "FAILED: cannot make a console: %lu\n", ::GetLastError());
    return 1;
  }
  STARTUPINFOW shared{};
  shared.cb = sizeof shared;
  const ULONGLONG began = ::GetTickCount64();
  bool ok = EndsByItself(command, shared, 0, "on a console it shares");
  const DWORD settled =
      static_cast<DWORD>(std::min<ULONGLONG>(3 * (::GetTickCount64() - began) + 5000, 60000));

  // A script's run with no standard input and its output in a file: a
  // console of its own still, which must not keep it waiting.
  wchar_t temp[MAX_PATH];
  ::GetTempPathW(MAX_PATH, temp);
  const std::wstring out_file =
      std::wstring(temp) + L"webexam-key-wait-" + std::to_wstring(::GetCurrentProcessId());
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE nul = ::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                             OPEN_EXISTING, 0, nullptr);
  HANDLE out = ::CreateFileW(out_file.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                             CREATE_ALWAYS, 0, nullptr);
  STARTUPINFOW no_input{};
  no_input.cb = sizeof no_input;
  no_input.dwFlags = STARTF_USESTDHANDLES;
  no_input.hStdInput = nul;
  no_input.hStdOutput = out;
  no_input.hStdError = out;
  ok = EndsByItself(command, no_input, CREATE_NEW_CONSOLE, "with no standard input") && ok;
  ::CloseHandle(nul);
  ::CloseHandle(out);
  ::DeleteFileW(out_file.c_str());

  ok = WaitsOnItsOwnConsole(command, settled) && ok;
  return ok ? 0 : 1;
}
