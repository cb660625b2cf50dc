// The Windows client's three windows opened for real at the screen's dots
// per inch (under Wine, HKCU\Control Panel\Desktop\LogPixels), each control's
// rectangle checked against its window's client area. Prints one line per
// window; the exit status is 0 when every control is whole.
//
// Usage: window_layout_run [SHOW_MS]: with SHOW_MS, the sign-in and grading
// windows each stay that long on the screen after their check, before the
// next window opens, for pictures.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "state/exam_state.h"
#include "support/test_support.h"
#include "text/utf8.h"
#include "ui/win32/app.h"
#include "ui/win32/form1.h"
#include "ui/win32/form2.h"
#include "ui/win32/report_window.h"
#include "workspace/workspace.h"

namespace webexam::win32 {
namespace {

BOOL CALLBACK CollectChild(HWND child, LPARAM children) {
  if (GetParent(child) != nullptr && IsWindowVisible(child)) {
    reinterpret_cast<std::vector<HWND>*>(children)->push_back(child);
  }
  return TRUE;
}

// Whether every visible control of `window` lies whole in its client area.
bool EveryControlWhole(const char* name, HWND window, int dpi) {
  RECT client{};
  GetClientRect(window, &client);
  std::vector<HWND> children;
  EnumChildWindows(window, &CollectChild, reinterpret_cast<LPARAM>(&children));
  bool whole = !children.empty();
  for (HWND child : children) {
    if (GetParent(child) != window) continue;  // a control's own parts
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&rect), 2);
    wchar_t text[64] = {};
    GetWindowTextW(child, text, 64);
    if (rect.left < 0 || rect.top < 0 || rect.right > client.right || rect.bottom > client.bottom) {
      whole = false;
      std::printf("FAIL %s at %d dpi: control \"%s\" at %ld,%ld-%ld,%ld outside %ldx%ld\n", name,
                  dpi, ToUtf8(FromWide(text)).c_str(), rect.left, rect.top, rect.right, rect.bottom,
                  client.right, client.bottom);
    }
  }
  std::printf("%s %s at %d dpi: %zu controls in the client area %ldx%ld\n", whole ? "ok  " : "FAIL",
              name, dpi, children.size(), client.right, client.bottom);
  return whole;
}

// Runs the message loop for `ms` milliseconds: the windows shown stay on
// the screen, painted.
void ShowFor(int ms) {
  if (ms <= 0) return;
  SetTimer(nullptr, 0, static_cast<UINT>(ms), nullptr);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0 && msg.message != WM_TIMER) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

int Run(int show_ms) {
  SetProcessDPIAware();  // as the client: its manifest makes it aware
  test::TempDir drive;
  // For pictures, the exam's own drive C:, so that the label reads as a
  // candidate sees it.
  const std::u16string root = show_ms > 0 ? u"C:" : test::U16(drive.path());
  std::unique_ptr<Platform> platform = MakePlatform();
  ExamPaths paths = MakeExamPaths(root, test::U16(test::BuiltProgram("webexam").parent_path()),
                                  u"620722001", root, u'\\');
  SetApp(std::unique_ptr<App>(
      new App{std::move(platform), test::SampleExam(), paths, ProcessExamState(), {}}));

  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);

  bool whole = true;
  const bool ran = RunGuarded(nullptr, [&] {
    Form2& form2 = Form2::Open();
    form2.Show();
    whole = EveryControlWhole("sign-in window", form2.hwnd(), dpi) && whole;
    std::fflush(stdout);
    ShowFor(show_ms);
    Form1& form1 = Form1::Open();
    form1.Show();
    whole = EveryControlWhole("grading window", form1.hwnd(), dpi) && whole;
    ShowFor(show_ms);
    ReportWindow::Open(u"考  号：120722001\r\n姓  名：张三丰\r\n");
    const HWND report = FindWindowW(L"WebexamReport", nullptr);
    whole = EveryControlWhole("report window", report, dpi) && whole;
  });
  RemoveCandidateFolder(*TheApp().platform, TheApp().paths);
  EndProgram();
  return ran && whole ? 0 : 1;
}

}  // namespace
}  // namespace webexam::win32

int main(int argc, char** argv) { return webexam::win32::Run(argc > 1 ? std::atoi(argv[1]) : 0); }
