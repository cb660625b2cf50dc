// Form1, the grading window "网页制作考试": shows the task text, names the
// candidate folder, and offers "上交成绩" (submit) and "退出" (exit). It stays
// above all other windows.
#pragma once

#include <QLabel>
#include <QTextEdit>
#include <QWidget>

#include "ui/qt/widgets.h"

namespace webexam::qt {

class Form1 : public QWidget {
 public:
  // Form_Load: prepares the task text and the candidate folder and places
  // the window on top. Errors escape to the caller's guard.
  Form1();

 protected:
  // Closing the window through the window manager ends the program and
  // leaves the candidate folder as it is.
  void closeEvent(QCloseEvent* event) override;

 private:
  void Command1_Click();  // submit: grade, record, report, send to the share
  void Command2_Click();  // exit: remove the candidate folder, end

  QTextEdit rich_text_box1_;  // the task text
  Button command1_;           // "上交成绩"
  Button command2_;           // "退出"
  QLabel label1_;             // the candidate folder, in red
  bool submitted_ = false;    // a submit pass has run in this run
};

}  // namespace webexam::qt
