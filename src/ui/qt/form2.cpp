#include "ui/qt/form2.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QStringList>
#include <limits>

#include "client/sign_in_layout.h"
#include "ui/qt/app.h"
#include "ui/qt/form1.h"

namespace webexam::qt {

Form2::Form2()
    : label5_(this),
      label1_(QStringLiteral("考  号："), this),
      label2_(QStringLiteral("姓  名："), this),
      text1_(this),
      text2_(this),
      command1_(QStringLiteral("开   始"), this),
      sign_in_(*TheApp().platform, TheApp().state, TheApp().exam) {
  setWindowTitle(QStringLiteral("考生登录"));
  setFont(SongFont(9));
  const Twips twips(*this);
  // Label5 shows the exam's range text whole: the window follows its width
  // in the label's font.
  const QFontMetrics metrics(label5_.font());
  const SignInLayout layout = LayOutSignInWindow(
      twips.DpiX(), twips.DpiY(), TheApp().exam.range_text,
      [&metrics](std::u16string_view text) { return metrics.horizontalAdvance(ToQString(text)); },
      metrics.lineSpacing());
  setFixedSize(layout.client.width, layout.client.height);

  QStringList lines;
  for (const std::u16string& line : layout.range_lines) lines << ToQString(line);
  // The exam's text as written: a "<" in it is no markup.
  label5_.setTextFormat(Qt::PlainText);
  label5_.setText(lines.join(u'\n'));
  Place(label5_, layout.label5);
  Place(label1_, layout.label1);
  Place(text1_, layout.text1);
  Place(label2_, layout.label2);
  Place(text2_, layout.text2);
  Place(command1_, layout.command1);
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
  move(layout.client.left, layout.client.top);
  sign_in_.Open();

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
