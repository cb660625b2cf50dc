// Form1, the grading window "网页制作考试": shows the task text, names the
// candidate folder, and offers "上交成绩" (submit) and "退出" (exit). It stays
// above all other windows.
#pragma once

#include <optional>
#include <string>

#include "client/grading_window.h"
#include "ui/win32/controls.h"
#include "ui/win32/form.h"

namespace webexam::win32 {

class Form1 : public Form, private GradingView {
 public:
  // Makes the window and its controls, then runs Form_Load; the window is
  // not shown yet. Errors escape to the caller's guard.
  static Form1& Open();

 private:
  Form1();
  void Create();

  // Puts the window on top at its designed place, wider where the candidate
  // folder needs it (FitFolderLabel).
  void Place() override;
  void ShowTaskText(const TaskTextFile& file) override;
  // Shows the busy state (wait cursor, "正在上交成绩，请稍候…" on the label)
  // and takes no input, or ends it.
  void ShowBusy(bool busy) override;
  // Posts the delivery's end to the window (kDeliveryEnded).
  void WakeOnWindowThread() override;
  // Widens the client area by `growth` pixels: the buttons move right, the
  // task text and the label (to `margin` before the buttons) widen.
  void Grow(int growth, int margin);
  void Command1_Click();  // submit: grade, record, report, send to the share
  void Command2_Click();  // exit: remove the candidate folder, end
  // Once the delivery has ended: its outcome shown on this thread.
  void FinishSubmit();

  LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam) override;

  std::optional<Font> font9_, font12_;
  RichTextBox rich_text_box1_;  // the task text
  CommandButton command1_;      // "上交成绩"
  CommandButton command2_;      // "退出"
  Label label1_;                // the candidate folder, in red
  std::wstring folder_text_;    // the label's text while no delivery runs
  // The window the delivery's end is posted to, set once the window is
  // made: read on the delivery's thread, where hwnd_ may change under it.
  HWND wake_target_ = nullptr;
  // Last: it goes first, waiting for a delivery under way, while the
  // controls it shows on still stand.
  GradingWindow grading_;
};

}  // namespace webexam::win32
