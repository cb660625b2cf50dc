// Form2, the sign-in window "考生登录": the first window the candidate sees.
#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QWidget>

#include "client/sign_in_window.h"
#include "ui/qt/widgets.h"

namespace webexam::qt {

class Form2 : public QWidget {
 public:
  // Form_Load: reads the computer's name into the exam state.
  Form2();

 protected:
  // Closing the sign-in window ends the program; nothing is written.
  void closeEvent(QCloseEvent* event) override;

 private:
  // The start button: stores and checks the texts, then opens the grading
  // window in this window's place.
  void Command1_Click();

  QLabel label5_, label1_, label2_;
  QLineEdit text1_;  // exam number
  QLineEdit text2_;  // name
  Button command1_;  // "开   始"
  bool signed_in_ = false;
  SignInWindow sign_in_;
};

}  // namespace webexam::qt
