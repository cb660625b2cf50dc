#include "tools/common/terminal.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "text/utf8.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <signal.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace webexam {
namespace {

#ifdef _WIN32
// Whether the standard handle is a console window, which takes UTF-16 as it
// is; bytes written to it would be read in the console's code page.
bool IsConsole(DWORD which) {
  DWORD mode = 0;
  return ::GetConsoleMode(::GetStdHandle(which), &mode) != 0;
}

bool WriteConsole(DWORD which, std::u16string_view text) {
  HANDLE console = ::GetStdHandle(which);
  while (!text.empty()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(text.size(), 8192));
    DWORD written = 0;
    if (!::WriteConsoleW(console, text.data(), chunk, &written, nullptr) || written == 0) {
      return false;
    }
    text.remove_prefix(written);
  }
  return true;
}
#endif

bool Write(std::FILE* stream, std::u16string_view text) {
#ifdef _WIN32
  const DWORD which = stream == stdout ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE;
  if (IsConsole(which)) {
    std::fflush(stream);
    return WriteConsole(which, text);
  }
  // LF stays LF, as on every platform: files compare equal across systems.
  _setmode(_fileno(stream), _O_BINARY);
#endif
  const std::string bytes = ToUtf8(text);
  return std::fwrite(bytes.data(), 1, bytes.size(), stream) == bytes.size() &&
         std::fflush(stream) == 0;
}

bool IsWide(char32_t c) {
  return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0x303E) ||
         (c >= 0x3041 && c <= 0x33FF) || (c >= 0x3400 && c <= 0x4DBF) ||
         (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xA000 && c <= 0xA4CF) ||
         (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
         (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
         (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
}

}  // namespace

bool PrintOut(std::u16string_view text) { return Write(stdout, text); }

void PrintError(std::u16string_view text) { Write(stderr, text); }

bool OutputIsTerminal() {
#ifdef _WIN32
  return IsConsole(STD_OUTPUT_HANDLE);
#else
  return ::isatty(STDOUT_FILENO) == 1;
#endif
}

bool DrawScreen(std::u16string_view text) {
#ifdef _WIN32
  // The console's own calls: the escape sequences of a terminal are not
  // understood by every console (Windows 7, a console without virtual
  // terminal mode).
  HANDLE console = ::GetStdHandle(STD_OUTPUT_HANDLE);
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (::GetConsoleScreenBufferInfo(console, &info)) {
    const COORD home{0, 0};
    const DWORD cells = static_cast<DWORD>(info.dwSize.X) * static_cast<DWORD>(info.dwSize.Y);
    DWORD written = 0;
    ::FillConsoleOutputCharacterW(console, L' ', cells, home, &written);
    ::FillConsoleOutputAttribute(console, info.wAttributes, cells, home, &written);
    ::SetConsoleCursorPosition(console, home);
  }
  return PrintOut(text);
#else
  // Home, the text with each line's rest cleared, then the rest of the
  // screen cleared: no blank frame between two screens, so nothing flickers.
  std::u16string screen = u"\x1b[H";
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find(u'\n', start);
    if (end == std::u16string_view::npos) end = text.size();
    screen += text.substr(start, end - start);
    screen += u"\x1b[K";
    if (end < text.size()) screen += u'\n';
    start = end + 1;
  }
  return PrintOut(screen + u"\x1b[J");
#endif
}

bool ConsoleClosesWithTool() {
#ifdef _WIN32
  if (!IsConsole(STD_INPUT_HANDLE) || !IsConsole(STD_OUTPUT_HANDLE)) return false;
  // Room for two: the count alone tells whether another process is there.
  DWORD processes[2];
  return ::GetConsoleProcessList(processes, 2) == 1;
#else
  return false;
#endif
}

void WaitForKeyBeforeClosing() {
#ifdef _WIN32
  PrintOut(u"\n按任意键关闭本窗口……");
  HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
  // Keys pressed while the tool ran (an Enter too many after y/N) would close
  // the window before the teacher has read it.
  ::FlushConsoleInputBuffer(input);
  INPUT_RECORD record;
  DWORD read = 0;
  while (::ReadConsoleInputW(input, &record, 1, &read) && read == 1) {
    if (record.EventType != KEY_EVENT || !record.Event.KeyEvent.bKeyDown) continue;
    switch (record.Event.KeyEvent.wVirtualKeyCode) {
      case VK_SHIFT:
      case VK_CONTROL:
      case VK_MENU:
      case VK_CAPITAL:
      case VK_NUMLOCK:
      case VK_LWIN:
      case VK_RWIN:
        continue;
      default:
        PrintOut(u"\n");
        return;
    }
  }
#endif
}

namespace {

// A line of bytes from standard input (UTF-8), without its line end; nothing
// when the input had ended.
std::optional<std::u16string> ReadLineOfBytes() {
  std::string line;
  int c;
  while ((c = std::getc(stdin)) != EOF && c != '\n') line += static_cast<char>(c);
  if (c == EOF && line.empty()) return std::nullopt;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return FromUtf8(line);
}

#ifdef _WIN32
// A line from the console as typed, in UTF-16 whatever the console's code
// page; nothing at Ctrl-Z or when the console is gone.
std::optional<std::u16string> ReadConsoleLine(HANDLE console) {
  std::u16string line;
  while (line.empty() || line.back() != u'\n') {
    wchar_t buffer[256];
    DWORD got = 0;
    if (!::ReadConsoleW(console, buffer, 256, &got, nullptr) || got == 0) {
      if (line.empty()) return std::nullopt;
      break;
    }
    line.append(buffer, buffer + got);
  }
  if (line.starts_with(u'\x1a')) return std::nullopt;
  while (!line.empty() && (line.back() == u'\n' || line.back() == u'\r')) line.pop_back();
  return line;
}

// The console's mode while echo is off, put back by Ctrl-C or Ctrl-Break,
// which end the program there, so that the console shows typing again.
DWORD saved_console_mode;

BOOL WINAPI RestoreConsole(DWORD) {
  ::SetConsoleMode(::GetStdHandle(STD_INPUT_HANDLE), saved_console_mode);
  return FALSE;  // the program ends as it would have
}
#else
// The terminal's settings while echo is off, put back by a signal that ends
// the program there, so that Ctrl-C leaves a terminal that shows typing.
termios saved_terminal;
constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

void RestoreTerminalAndEnd(int signal_number) {
  ::tcsetattr(STDIN_FILENO, TCSANOW, &saved_terminal);
  ::signal(signal_number, SIG_DFL);
  ::raise(signal_number);
}
#endif

}  // namespace

std::u16string ReadAnswer() { return ReadLineOfBytes().value_or(std::u16string()); }

std::optional<std::u16string> ReadTypedLine(std::u16string_view prompt, bool hidden) {
#ifdef _WIN32
  HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
  DWORD mode = 0;
  if (::GetConsoleMode(input, &mode)) {
    if (hidden) {
      saved_console_mode = mode;
      ::SetConsoleCtrlHandler(RestoreConsole, TRUE);
      ::SetConsoleMode(input, mode & ~ENABLE_ECHO_INPUT);
    }
    PrintOut(prompt);
    std::optional<std::u16string> line = ReadConsoleLine(input);
    if (hidden) {
      ::SetConsoleMode(input, mode);
      ::SetConsoleCtrlHandler(RestoreConsole, FALSE);
      PrintOut(u"\n");  // the Enter the console did not show
    }
    return line;
  }
#else
  if (::isatty(STDIN_FILENO) == 1) {
    if (!hidden || ::tcgetattr(STDIN_FILENO, &saved_terminal) != 0) {
      PrintOut(prompt);
      return ReadLineOfBytes();
    }
    struct sigaction restore = {};
    struct sigaction before[std::size(kEndingSignals)];
    restore.sa_handler = RestoreTerminalAndEnd;
    for (std::size_t i = 0; i < std::size(kEndingSignals); ++i) {
      ::sigaction(kEndingSignals[i], &restore, &before[i]);
    }
    termios quiet = saved_terminal;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    quiet.c_lflag |= ECHONL;  // the Enter still moves to the next line
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    PrintOut(prompt);
    std::optional<std::u16string> line = ReadLineOfBytes();
    ::tcsetattr(STDIN_FILENO, TCSANOW, &saved_terminal);
    for (std::size_t i = 0; i < std::size(kEndingSignals); ++i) {
      ::sigaction(kEndingSignals[i], &before[i], nullptr);
    }
    return line;
  }
#endif
  PrintOut(prompt);
  std::optional<std::u16string> line = ReadLineOfBytes();
  PrintOut(u"\n");
  return line;
}

std::size_t DisplayWidth(std::u16string_view text) {
  std::size_t width = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    }
    width += IsWide(c) ? 2 : 1;
  }
  return width;
}

std::u16string PadRight(std::u16string_view text, std::size_t width) {
  const std::size_t used = DisplayWidth(text);
  return std::u16string(text) + std::u16string(used < width ? width - used : 0, u' ');
}

std::u16string PadLeft(std::u16string_view text, std::size_t width) {
  const std::size_t used = DisplayWidth(text);
  return std::u16string(used < width ? width - used : 0, u' ') + std::u16string(text);
}

}  // namespace webexam
