#include "ui/qt/form2.h"

#include <QCloseEvent>
#include <QScreen>
#include <limits>

#include "ui/qt/app.h"
#include "ui/qt/form1.h"

namespace webexam::qt {

Form2::Form2()
    : label5_(ToQString(TheApp().exam.range_text), this),
      label1_(QStringLiteral("考  号："), this),
      label2_(QStringLiteral("姓  名："), this),
      text1_(this),
      text2_(this),
      command1_(QStringLiteral("开   始"), this),
      sign_in_(*TheApp().platform, TheApp().state, TheApp().exam) {
  setWindowTitle(QStringLiteral("考生登录"));
  setFont(SongFont(9));
  const Twips twips(*this);
  const PixelBox client =
      ClientArea(sign_in_window::kClient, sign_in_window::kControls, twips.DpiX(), twips.DpiY());
  setFixedSize(client.width, client.height);

  twips.Place(label5_, sign_in_window::kLabel5);
  twips.Place(label1_, sign_in_window::kLabel1);
  twips.Place(text1_, sign_in_window::kText1);
  twips.Place(label2_, sign_in_window::kLabel2);
  twips.Place(text2_, sign_in_window::kText2);
  twips.Place(command1_, sign_in_window::kCommand1);
  for (QWidget* control : {static_cast<QWidget*>(&label1_), static_cast<QWidget*>(&text1_),
                           static_cast<QWidget*>(&label2_), static_cast<QWidget*>(&text2_)}) {
    control->setFont(SongFont(12));
  }
  command1_.setFont(SongFont(15));
  // Given after its font: a line edit lays its text out at once.
  text1_.setText(ToQString(TheApp().exam.number_start));
  // Neither box limits its text (a line edit cuts at 32767 otherwise).
  text1_.setMaxLength(std::numeric_limits<int>::max());
  text2_.setMaxLength(std::numeric_limits<int>::max());
  text1_.setObjectName(QStringLiteral("Text1"));
  text2_.setObjectName(QStringLiteral("Text2"));
  command1_.setObjectName(QStringLiteral("Command1"));

  // Focus order: the start button, the exam number, the name. The window
  // opens with the focus on the start button.
  setTabOrder(&command1_, &text1_);
  setTabOrder(&text1_, &text2_);
  command1_.setFocus();
  move(client.left, client.top);

  connect(&command1_, &QPushButton::clicked, this,
          [this] { RunGuarded(this, [this] { Command1_Click(); }); });
}

void Form2::Command1_Click() {
  if (const std::u16string_view message =
          sign_in_.Start(FromQString(text1_.text()), FromQString(text2_.text()));
      !message.empty()) {
    ShowMessage(this, message);
    return;
  }
  // The sign-in window goes first; the grading window's creation prepares
  // the workspace, and only then is it shown.
  signed_in_ = true;
  hide();
  auto* form1 = new Form1();
  form1->show();
  deleteLater();
}

void Form2::closeEvent(QCloseEvent* event) {
  event->accept();
  if (!signed_in_) EndProgram();
}

}  // namespace webexam::qt
