#include "ui/win32/app.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>

#include "text/utf8.h"

namespace webexam::win32 {
namespace {

std::unique_ptr<App>& AppSlot() {
  static std::unique_ptr<App> app;
  return app;
}

bool ending = false;
int exit_status = 0;

// The owner of a box: the window whose handler shows it, while it is still
// on the screen.
HWND OwnerOf(HWND window) {
  return window != nullptr && IsWindow(window) && IsWindowVisible(window) ? window : nullptr;
}

}  // namespace

void WriteToStandardError(const std::string& line) {
  const HANDLE handle = GetStdHandle(STD_ERROR_HANDLE);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return;
  const int fd = _fileno(stderr);
  if (fd < 0) return;
  const intptr_t os_handle = _get_osfhandle(fd);
  if (os_handle == -1 || os_handle == -2) return;
  static const bool binary = _setmode(fd, _O_BINARY) != -1;  // "\n", not "\r\n"
  static_cast<void>(binary);
  std::fputs(line.c_str(), stderr);
  std::fflush(stderr);
}

App& TheApp() { return *AppSlot(); }
void SetApp(std::unique_ptr<App> app) { AppSlot() = std::move(app); }

void ShowMessage(HWND owner, std::u16string_view text) {
  WriteToStandardError("webexam: message: " + ToUtf8(text) + "\n");
  MessageBoxW(OwnerOf(owner), ToWide(text).c_str(), kAppTitle, MB_OK);
  StopIfEnded();
}

bool AskYesNo(HWND owner, std::u16string_view text) {
  WriteToStandardError("webexam: question: " + ToUtf8(text) + "\n");
  const int answer =
      MessageBoxW(OwnerOf(owner), ToWide(text).c_str(), kAppTitle, MB_YESNO | MB_DEFBUTTON2);
  StopIfEnded();
  WriteToStandardError(answer == IDYES ? "webexam: answer: 是\n" : "webexam: answer: 否\n");
  return answer == IDYES;
}

void StopIfEnded() {
  if (ending) throw ProgramEnded{};
}

void ShowFatalError(HWND window, int number, const char* description) noexcept {
  try {
    // Only the first error is shown: one that follows it while the windows
    // close changes nothing.
    if (!ending) {
      const std::u16string text = u"错误 " + Digits(number) + u"：" + FromUtf8(description);
      WriteToStandardError("webexam: fatal: " + ToUtf8(text) + "\n");
      MessageBoxW(OwnerOf(window), ToWide(text).c_str(), kAppTitle, MB_OK);
    }
  } catch (...) {
    // No memory for the text: the program still ends, with its status.
  }
  EndProgram(1);
}

void EndProgram(int status) {
  if (ending) return;
  ending = true;
  exit_status = status;
  if (const std::unique_ptr<App>& app = AppSlot()) {
    for (const std::unique_ptr<Form>& form : app->forms) form->Destroy();
  }
  PostQuitMessage(status);
}

bool ProgramEnding() { return ending; }
int ExitStatus() { return exit_status; }

}  // namespace webexam::win32
