#include "ui/win32/form1.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "client/window_placement.h"
#include "text/utf8.h"
#include "ui/win32/app.h"
#include "ui/win32/report_window.h"

namespace webexam::win32 {
namespace {

// Control identifiers; 1 and 2 are what Enter and Escape send.
constexpr int kRichTextBox1 = 100;
constexpr int kCommand1 = 101;
constexpr int kCommand2 = 102;
constexpr int kLabel1 = 103;

// The viewer's background, COLORREF 0x00BBGGRR: a pale yellow.
constexpr COLORREF kViewerBackColor = 0xC0FFFF;
constexpr COLORREF kRed = RGB(255, 0, 0);

// Posted to the window when the delivery has ended.
constexpr UINT kDeliveryEnded = WM_APP + 1;

// Shown on the label from the press until the delivery ends.
constexpr wchar_t kBusyText[] = L"正在上交成绩，请稍候…";

// What the folder label says before the folder.
constexpr std::u16string_view kFolderLead = u"考生文件夹为";

}  // namespace

Form1& Form1::Open() {
  Form1& form = TheApp().Keep(std::unique_ptr<Form1>(new Form1()));
  form.Create();
  return form;
}

Form1::Form1()
    : grading_(*TheApp().platform, TheApp().paths, TheApp().exam.key, TheApp().state, *this) {}

void Form1::ShowTaskText(const TaskTextFile& file) {
  rich_text_box1_.Show(*TheApp().platform, file, TheApp().paths.task_text);
}

// Back on the window's thread (kDeliveryEnded), where the outcome is shown.
void Form1::WakeOnWindowThread() { PostMessageW(wake_target_, kDeliveryEnded, 0, 0); }

void Form1::Create() {
  const App& app = TheApp();
  const Twips twips;
  font9_.emplace(9, twips);
  font12_.emplace(12, twips);
  CreateForm(L"Form1", kAppTitle, twips, grading_window::kClient);
  SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font9_->get()), FALSE);

  // The layout. Creation order is the focus order; the label comes last, so
  // that the buttons lie above it and cover its right end.
  rich_text_box1_.Create(hwnd_, kRichTextBox1, twips, grading_window::kRichTextBox1, *font9_);
  command1_.Create(hwnd_, kCommand1, twips, grading_window::kCommand1, L"上交成绩", *font12_);
  command2_.Create(hwnd_, kCommand2, twips, grading_window::kCommand2, L"退出", *font12_);
  folder_text_ = ToWide(std::u16string(kFolderLead) + app.paths.candidate_folder);
  label1_.Create(hwnd_, kLabel1, twips, grading_window::kLabel1, folder_text_, *font12_);
  rich_text_box1_.SetBackColor(kViewerBackColor);
  focus_ = rich_text_box1_.hwnd;  // the window opens with the focus in the viewer
  wake_target_ = hwnd_;

  grading_.Open();  // Form_Load
}

void Form1::Place() {
  // On top of every window, at the whole window's designed place and size in
  // twips, turned into pixels by the placement rule; never smaller than the
  // controls need, and wider where the candidate folder needs it.
  const Twips twips;
  const RECT client = twips.Rect(grading_window::kClient);
  const RECT outer = OuterRect(twips, grading_window::kClient);
  const FrameSize frame{client.left - outer.left, client.top - outer.top,
                        outer.right - client.right, outer.bottom - client.bottom};
  std::optional<PixelBox> screen;
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  if (GetMonitorInfoW(MonitorFromWindow(hwnd_, MONITOR_DEFAULTTOPRIMARY), &monitor)) {
    const RECT& work = monitor.rcWork;
    screen = PixelBox{work.left, work.top, work.right - work.left, work.bottom - work.top};
  }
  const HFONT font = font12_->get();
  const TextWidth measure = [font](std::u16string_view text) { return TextWidthIn(font, text); };
  const std::u16string folder = TheApp().paths.candidate_folder;
  // A folder that shows whole before "上交成绩" leaves the window as
  // designed; a longer one ends a character's width before the button.
  const PixelBox command1 = ToPixels(grading_window::kCommand1, twips.DpiX(), twips.DpiY());
  const int before_button =
      command1.left - ToPixels(grading_window::kLabel1, twips.DpiX(), twips.DpiY()).left;
  const int whole = measure(std::u16string(kFolderLead) + folder);
  const int room =
      whole <= before_button ? before_button : before_button - 2 * TextWidthIn(font, u"0");
  const FolderLabelFit fit =
      FitFolderLabel(twips.DpiX(), twips.DpiY(), frame, screen, kFolderLead, folder, room, measure);
  folder_text_ = ToWide(fit.text);
  SetWindowTextW(label1_.hwnd, folder_text_.c_str());
  WriteToStandardError("webexam: folder label: " + ToUtf8(fit.text) + "\n");
  if (fit.growth == 0) {
    const PixelBox place = GradingWindowPlacement(twips.DpiX(), twips.DpiY(), frame);
    SetWindowPos(hwnd_, HWND_TOPMOST, place.left, place.top, place.width, place.height, 0);
    return;
  }
  Grow(fit.growth, 2 * TextWidthIn(font, u"0"));
  SetWindowPos(hwnd_, HWND_TOPMOST, fit.place.left, fit.place.top, fit.place.width,
               fit.place.height, 0);
}

void Form1::Grow(int growth, int margin) {
  // The buttons keep their place at the window's right end, the task text its
  // full width, and the label reaches to a margin before the buttons.
  const auto shift = [this](HWND control, int dx, int dwidth) {
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&rect), 2);
    MoveWindow(control, rect.left + dx, rect.top, rect.right - rect.left + dwidth,
               rect.bottom - rect.top, TRUE);
  };
  RECT button{}, label{};
  GetWindowRect(command1_.hwnd, &button);
  GetWindowRect(label1_.hwnd, &label);
  const int label_growth =
      std::max(0, static_cast<int>(button.left - margin + growth - label.left) -
                      static_cast<int>(label.right - label.left));
  shift(command1_.hwnd, growth, 0);
  shift(command2_.hwnd, growth, 0);
  shift(rich_text_box1_.hwnd, 0, growth);
  shift(label1_.hwnd, 0, label_growth);
}

void Form1::ShowBusy(bool busy) {
  TheApp().busy = busy ? hwnd_ : nullptr;
  SetWindowTextW(label1_.hwnd, busy ? kBusyText : folder_text_.c_str());
  if (busy) {
    SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    UpdateWindow(label1_.hwnd);  // shown before the grading runs
    WriteToStandardError("webexam: busy\n");
  } else {
    POINT at{};
    GetCursorPos(&at);
    SetCursorPos(at.x, at.y);  // the cursor of what lies under it comes back
    WriteToStandardError("webexam: ready\n");
  }
}

void Form1::Command1_Click() {
  const SubmitStarted started = grading_.Submit();
  WriteToStandardError(started.log);
  if (started.report_text) ReportWindow::Open(*started.report_text);
}

void Form1::FinishSubmit() {
  const SubmitFinished finished = grading_.FinishSubmit();
  WriteToStandardError(finished.log);
  if (!finished.message.empty()) ShowMessage(hwnd_, finished.message);
}

void Form1::Command2_Click() {
  if (!grading_.MayClose()) return;
  // One misclick beside "上交成绩" must not destroy work that has not
  // reached the teacher.
  if (grading_.ExitAsks() && !AskYesNo(hwnd_, kExitWithoutSubmissionQuestion)) return;
  WriteToStandardError(grading_.Exit());
  EndProgram();
}

LRESULT Form1::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      if (command1_.Clicked(wparam, lparam)) {
        Command1_Click();
        return 0;
      }
      if (command2_.Clicked(wparam, lparam)) {
        Command2_Click();
        return 0;
      }
      break;
    case WM_CTLCOLORSTATIC:
      if (reinterpret_cast<HWND>(lparam) == label1_.hwnd) {
        const HDC dc = reinterpret_cast<HDC>(wparam);
        SetTextColor(dc, kRed);
        SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
      }
      break;
    case kDeliveryEnded:
      FinishSubmit();
      return 0;
    case WM_SETCURSOR:
      if (grading_.Busy()) {
        SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        return TRUE;
      }
      break;
    case WM_CLOSE:
      // The close box ends the program and leaves the candidate folder as it
      // is; while the delivery runs it does nothing.
      if (grading_.MayClose()) EndProgram();
      return 0;
    case WM_DESTROY:
      EndProgram();  // no grading window, no program
      return 0;
    default:
      break;
  }
  return Form::OnMessage(message, wparam, lparam);
}

}  // namespace webexam::win32
