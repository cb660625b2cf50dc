#include "ui/win32/report_window.h"

#include <memory>

#include "submission/candidate_report.h"
#include "ui/win32/app.h"

namespace webexam::win32 {
namespace {

constexpr wchar_t kClassName[] = L"WebexamReport";

// Control identifiers; 1 and 2 are what Enter and Escape send.
constexpr int kText = 100;
constexpr int kClose = 101;

// The one report window of the run, while it is open.
ReportWindow* open_window = nullptr;

}  // namespace

void ReportWindow::Open(std::u16string_view text) {
  if (open_window == nullptr || !open_window->IsOpen()) {
    ReportWindow& window = TheApp().Keep(std::unique_ptr<ReportWindow>(new ReportWindow()));
    window.Create();
    open_window = &window;
  }
  open_window->SetText(text);
  open_window->Show();
}

void ReportWindow::Create() {
  const Twips twips;
  font9_.emplace(9, twips);
  font12_.emplace(12, twips);
  const std::wstring caption = ToWide(kReportName);
  CreateForm(kClassName, caption.c_str(), twips, report_window::kClient);
  SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font9_->get()), FALSE);

  const RECT place = twips.Rect(report_window::kText);
  text_ = CreateWindowExW(
      WS_EX_CLIENTEDGE, L"EDIT", L"",
      WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL,
      place.left, place.top, place.right - place.left, place.bottom - place.top, hwnd_,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(kText)), GetModuleHandleW(nullptr), nullptr);
  if (text_ == nullptr) FailWithLastError("cannot create the report's text box");
  SendMessageW(text_, WM_SETFONT, reinterpret_cast<WPARAM>(font12_->get()), FALSE);
  close_.Create(hwnd_, kClose, twips, report_window::kClose, L"关闭", *font12_);
  focus_ = close_.hwnd;
  // Above the grading window, which stays above every other window.
  SetWindowPos(hwnd_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void ReportWindow::SetText(std::u16string_view text) {
  SetWindowTextW(text_, ToWide(text).c_str());
}

LRESULT ReportWindow::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      if (close_.Clicked(wparam, lparam) || LOWORD(wparam) == IDCANCEL) {
        Destroy();
        return 0;
      }
      break;
    case WM_CTLCOLORSTATIC:
      // The read-only text on white, as a text viewer shows it.
      if (reinterpret_cast<HWND>(lparam) == text_) {
        const HDC dc = reinterpret_cast<HDC>(wparam);
        SetBkColor(dc, GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
      }
      break;
    default:
      break;
  }
  return Form::OnMessage(message, wparam, lparam);
}

}  // namespace webexam::win32
