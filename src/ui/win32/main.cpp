// webexam: the exam client for Windows. Opens the sign-in window; a valid
// sign-in opens the grading window in its place.
#include <windows.h>

#include <memory>
#include <utility>

#include "exam/exam_folder_files.h"
#include "state/exam_paths.h"
#include "state/exam_state.h"
#include "ui/win32/app.h"
#include "ui/win32/controls.h"
#include "ui/win32/form2.h"

namespace webexam::win32 {
namespace {

// Whether `window` is a push button: Enter on it clicks it, as Space does.
bool IsPushButton(HWND window) {
  wchar_t name[8];
  if (GetClassNameW(window, name, 8) == 0 || lstrcmpiW(name, L"Button") != 0) return false;
  const LONG type = GetWindowLongW(window, GWL_STYLE) & BS_TYPEMASK;
  return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
}

// Whether `message` is input from the keyboard or the mouse, in the client
// area or on the frame.
bool IsInput(UINT message) {
  return (message >= WM_KEYFIRST && message <= WM_KEYLAST) ||
         (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) ||
         (message >= WM_NCMOUSEMOVE && message <= WM_NCXBUTTONDBLCLK);
}

// The message loop, with the keyboard as in any Windows window: Tab and
// Shift+Tab move the focus between the controls, Enter clicks the focused
// push button. Returns the program's exit status.
int RunMessageLoop() {
  MSG msg{};
  BOOL got;
  while ((got = GetMessageW(&msg, nullptr, 0, 0)) > 0) {
    // A window waiting for its delivery takes no input: presses are
    // dropped, not kept for later.
    const HWND busy = TheApp().busy;
    if (busy != nullptr && IsInput(msg.message) && GetAncestor(msg.hwnd, GA_ROOT) == busy) {
      continue;
    }
    constexpr LPARAM kRepeat = 1 << 30;  // held down: clicks once, not once per repeat
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN && (msg.lParam & kRepeat) == 0 &&
        IsPushButton(msg.hwnd) && IsWindowEnabled(msg.hwnd)) {
      SendMessageW(msg.hwnd, BM_CLICK, 0, 0);
      continue;
    }
    const HWND root = GetAncestor(msg.hwnd, GA_ROOT);
    if (root != nullptr && IsDialogMessageW(root, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  if (ProgramEnding()) return ExitStatus();
  return got < 0 ? 1 : static_cast<int>(msg.wParam);
}

}  // namespace
}  // namespace webexam::win32

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  using namespace webexam::win32;
  // Twips turn into pixels at the screen's real dots per inch, not at a
  // scaled 96.
  SetProcessDPIAware();
  const bool started = RunGuarded(nullptr, [] {
    std::unique_ptr<webexam::Platform> platform = webexam::MakePlatform();
    const webexam::ExamFolder exam_folder = webexam::FindExamFolder(*platform);
    webexam::Exam exam = webexam::LoadSealedExam(*platform, exam_folder.path);
    webexam::ExamPaths paths = webexam::ExamPathsOf(*platform, exam_folder, exam.candidate_folder);
    // The process starts with an empty exam state.
    SetApp(std::unique_ptr<App>(new App{
        std::move(platform), std::move(exam), std::move(paths), webexam::ProcessExamState(), {}}));
    Form2::Open().Show();
  });
  return started ? RunMessageLoop() : ExitStatus();
}
