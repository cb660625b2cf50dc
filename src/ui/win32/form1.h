// Form1, the grading window "网页制作考试": shows the task text, names the
// candidate folder, and offers "上交成绩" (submit) and "退出" (exit). It stays
// above all other windows.
#pragma once

#include <exception>
#include <optional>
#include <string>
#include <thread>

#include "submit/submit_pass.h"
#include "ui/win32/controls.h"
#include "ui/win32/form.h"

namespace webexam::win32 {

class Form1 : public Form {
 public:
  // Makes the window and its controls, then runs Form_Load; the window is
  // not shown yet. Errors escape to the caller's guard.
  static Form1& Open();
  // Waits for a share step under way: its result must land.
  ~Form1() override;

 private:
  Form1() = default;
  void Create();

  // Form_Load: the task text, the window on top at its designed place, the
  // task text shown, then the candidate folder.
  void Form_Load(const Twips& twips);
  void Command1_Click();  // submit: grade, record, report, send to the share
  void Command2_Click();  // exit: remove the candidate folder, end
  // Back on the window's thread when the share step has ended.
  void ShareStepEnded();
  // Shows the busy state (wait cursor, "正在上交成绩，请稍候…" on the label)
  // and takes no input, or ends it.
  void SetBusy(bool busy);

  LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam) override;

  std::optional<Font> font9_, font12_;
  RichTextBox rich_text_box1_;  // the task text
  CommandButton command1_;      // "上交成绩"
  CommandButton command2_;      // "退出"
  Label label1_;                // the candidate folder, in red
  std::wstring folder_text_;    // the label's text while no share step runs
  ExitQuestion exit_question_;
  bool busy_ = false;  // from the press until the share step has ended
  std::thread share_step_;
  // What the share step left for the window's thread.
  ShareOutcome outcome_ = ShareOutcome::kNotDelivered;
  std::u16string note_;  // the share step's word on the kept page, for standard error
  std::exception_ptr error_;
};

}  // namespace webexam::win32
