// Form1, the grading window "网页制作考试": shows the task text, names the
// candidate folder, and offers "上交成绩" (submit) and "退出" (exit). It stays
// above all other windows.
#pragma once

#include <QLabel>
#include <QTextEdit>
#include <QWidget>
#include <string>

#include "client/grading_window.h"
#include "ui/qt/widgets.h"

namespace webexam::qt {

class Form1 : public QWidget, private GradingView {
 public:
  // Form_Load: prepares the task text and the candidate folder and places
  // the window on top. Errors escape to the caller's guard.
  Form1();

 protected:
  // Closing the window through the window manager ends the program and
  // leaves the candidate folder as it is; while the delivery runs it is
  // ignored.
  void closeEvent(QCloseEvent* event) override;
  // Once the window manager has framed the window, its outer rectangle is
  // placed by the placement rule.
  void showEvent(QShowEvent* event) override;
  // While the delivery runs, input to this window is dropped.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Command1_Click();  // submit: grade, record, report, send to the share
  void Command2_Click();  // exit: remove the candidate folder, end
  // Places the window by the placement rule, taking the frame the window
  // manager gave it (none without a window manager), as wide as the folder
  // label needs and the screen allows (FitFolderLabel), and gives the label
  // its text.
  void Place() override;
  void ShowTaskText(const TaskTextFile& file) override;
  // Shows the busy state (wait cursor, "正在上交成绩，请稍候…" on the label)
  // and takes no input, or ends it.
  void ShowBusy(bool busy) override;
  // Queues FinishSubmit on this window's thread, where the outcome is shown
  // and an error takes the fatal path.
  void WakeOnWindowThread() override;
  // Lays the controls out at their designed places in a client area wider
  // by `growth` pixels.
  void Grow(int growth);

  std::u16string folder_;     // the candidate folder as the label names it
  QString folder_text_;       // the label's text while no delivery runs
  QTextEdit rich_text_box1_;  // the task text
  Button command1_;           // "上交成绩"
  Button command2_;           // "退出"
  QLabel label1_;             // the candidate folder, in red
  int grown_ = 0;             // pixels added to the width to show the folder
  // Last: it goes first, waiting for a delivery under way, while the
  // widgets it shows on still stand.
  GradingWindow grading_;
};

}  // namespace webexam::qt
