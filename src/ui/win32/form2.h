// Form2, the sign-in window "考生登录": the first window the candidate sees.
#pragma once

#include <optional>

#include "client/sign_in_window.h"
#include "ui/win32/app.h"
#include "ui/win32/controls.h"
#include "ui/win32/form.h"

namespace webexam::win32 {

class Form2 : public Form {
 public:
  // Makes the window and its controls, then runs Form_Load; the window is
  // not shown yet. Errors escape to the caller's guard.
  static Form2& Open();

 private:
  Form2() = default;
  void Create();

  // The start button: stores and checks the texts, then opens the grading
  // window in this window's place.
  void Command1_Click();

  LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam) override;

  std::optional<Font> font9_, font12_, font15_;
  CommandButton command1_;  // "开   始"
  TextBox text1_;           // exam number
  TextBox text2_;           // name
  Label label5_;            // the range of exam numbers
  Label label1_;            // "考  号："
  Label label2_;            // "姓  名："
  bool signed_in_ = false;  // the window goes because the grading window takes its place
  SignInWindow sign_in_{*TheApp().platform, TheApp().state, TheApp().exam};
};

}  // namespace webexam::win32
