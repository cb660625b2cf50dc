#include "ui/win32/form2.h"

#include <memory>
#include <string>
#include <utility>

#include "client/sign_in_layout.h"
#include "ui/win32/app.h"
#include "ui/win32/form1.h"

namespace webexam::win32 {
namespace {

// Control identifiers; 1 and 2 are what Enter and Escape send.
constexpr int kCommand1 = 101;
constexpr int kText1 = 102;
constexpr int kText2 = 103;
constexpr int kLabel5 = 104;
constexpr int kLabel1 = 105;
constexpr int kLabel2 = 106;

}  // namespace

Form2& Form2::Open() {
  Form2& form = TheApp().Keep(std::unique_ptr<Form2>(new Form2()));
  form.Create();
  return form;
}

void Form2::Create() {
  const Twips twips;
  font9_.emplace(9, twips);
  font12_.emplace(12, twips);
  font15_.emplace(15, twips);
  // Label5 shows the exam's range text whole: the window follows its width
  // in the label's font.
  const HFONT range_font = font9_->get();
  const SignInLayout layout = LayOutSignInWindow(
      twips.DpiX(), twips.DpiY(), TheApp().exam.range_text,
      [range_font](std::u16string_view text) { return TextWidthIn(range_font, text); },
      LineHeightOf(range_font));
  CreateForm(L"Form2", L"考生登录", layout.client);
  SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font9_->get()), FALSE);

  // The layout. Creation order is the focus order: the start button, the
  // exam number, the name. The labels take no focus and lie beneath.
  std::u16string range_text;
  for (const std::u16string& line : layout.range_lines) {
    range_text += (range_text.empty() ? u"" : u"\r\n") + line;
  }
  command1_.Create(hwnd_, kCommand1, twips, sign_in_window::kCommand1, L"开   始", *font15_);
  text1_.Create(hwnd_, kText1, twips, sign_in_window::kText1, ToWide(TheApp().exam.number_start),
                *font12_);
  text2_.Create(hwnd_, kText2, twips, sign_in_window::kText2, L"", *font12_);
  label5_.Create(hwnd_, kLabel5, twips, sign_in_window::kLabel5, ToWide(range_text), *font9_);
  label1_.Create(hwnd_, kLabel1, twips, sign_in_window::kLabel1, L"考  号：", *font12_);
  label2_.Create(hwnd_, kLabel2, twips, sign_in_window::kLabel2, L"姓  名：", *font12_);
  for (const auto& [control, box] :
       {std::pair{command1_.hwnd, layout.command1}, std::pair{text1_.hwnd, layout.text1},
        std::pair{text2_.hwnd, layout.text2}, std::pair{label5_.hwnd, layout.label5},
        std::pair{label1_.hwnd, layout.label1}, std::pair{label2_.hwnd, layout.label2}}) {
    Place(control, box);
  }
  focus_ = command1_.hwnd;  // the window opens with the focus on the start button

  sign_in_.Open();  // Form_Load
}

void Form2::Command1_Click() {
  if (const std::u16string_view message = sign_in_.Start(text1_.Text(), text2_.Text());
      !message.empty()) {
    ShowMessage(hwnd_, message);
    return;
  }
  // The sign-in window goes first; the grading window's creation prepares
  // the workspace, and only then is it shown.
  signed_in_ = true;
  Destroy();
  Form1& form1 = Form1::Open();
  StopIfEnded();
  form1.Show();
}

LRESULT Form2::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      if (command1_.Clicked(wparam, lparam)) {
        Command1_Click();
        return 0;
      }
      break;
    case WM_CLOSE:
      // Closing the sign-in window ends the program; nothing is written.
      EndProgram();
      return 0;
    case WM_DESTROY:
      if (!signed_in_) EndProgram();
      return 0;
    default:
      break;
  }
  return Form::OnMessage(message, wparam, lparam);
}

}  // namespace webexam::win32
