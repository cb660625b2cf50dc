#include "ui/qt/app.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeySequence>
#include <QMessageBox>
#include <QPushButton>
#include <cstdio>
#include <exception>

namespace webexam::qt {
namespace {

std::unique_ptr<App>& AppSlot() {
  static std::unique_ptr<App> app;
  return app;
}

}  // namespace

App& TheApp() { return *AppSlot(); }
void SetApp(std::unique_ptr<App> app) { AppSlot() = std::move(app); }

QString ToQString(std::u16string_view text) {
  return QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
}

std::u16string FromQString(const QString& text) {
  return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()),
                        static_cast<std::size_t>(text.size()));
}

namespace {

// A box with the application's title and no icon, its buttons named as a
// Chinese Windows names them, whatever the desktop's language. Y and N press
// Yes and No, with or without Alt.
void NameButtons(QMessageBox& box) {
  if (QAbstractButton* ok = box.button(QMessageBox::Ok)) ok->setText(QStringLiteral("确定"));
  if (QAbstractButton* yes = box.button(QMessageBox::Yes)) {
    yes->setText(QStringLiteral("是"));
    yes->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Y));
  }
  if (QAbstractButton* no = box.button(QMessageBox::No)) {
    no->setText(QStringLiteral("否"));
    no->setShortcut(QKeySequence(Qt::ALT | Qt::Key_N));
  }
}

int RunBox(QWidget* parent, const QString& text, QMessageBox::StandardButtons buttons,
           QMessageBox::StandardButton default_button = QMessageBox::NoButton) {
  QMessageBox box(QMessageBox::NoIcon, kAppTitle, text, buttons, parent);
  // Texts from the exam's file and paths are shown as written, as the
  // Windows client shows them: a "<" in them is no markup.
  box.setTextFormat(Qt::PlainText);
  NameButtons(box);
  if (default_button != QMessageBox::NoButton) box.setDefaultButton(default_button);
  return box.exec();
}

}  // namespace

void ShowMessage(QWidget* parent, std::u16string_view text) {
  // Also on standard error: a record of what the candidate was told.
  std::fprintf(stderr, "webexam: message: %s\n", ToQString(text).toUtf8().constData());
  RunBox(parent, ToQString(text), QMessageBox::Ok);
}

bool AskYesNo(QWidget* parent, std::u16string_view text) {
  // The question and the candidate's answer, on standard error as every
  // message is.
  std::fprintf(stderr, "webexam: question: %s\n", ToQString(text).toUtf8().constData());
  const bool yes = RunBox(parent, ToQString(text), QMessageBox::Yes | QMessageBox::No,
                          QMessageBox::No) == QMessageBox::Yes;
  std::fprintf(stderr, "webexam: answer: %s\n", yes ? "是" : "否");
  return yes;
}

bool RunGuarded(QWidget* parent, const std::function<void()>& handler) {
  QString description;
  int number = 0;
  try {
    handler();
    return true;
  } catch (const PlatformError& error) {
    number = error.code();
    description = QString::fromUtf8(error.what());
  } catch (const std::exception& error) {
    number = -1;
    description = QString::fromUtf8(error.what());
  }
  const QString text = QStringLiteral("错误 %1：%2").arg(number).arg(description);
  std::fprintf(stderr, "webexam: fatal: %s\n", text.toUtf8().constData());
  RunBox(parent, text, QMessageBox::Ok);
  EndProgram(1);
  return false;
}

void EndProgram(int status) {
  for (QWidget* window : QApplication::topLevelWidgets()) window->hide();
  QCoreApplication::exit(status);
}

}  // namespace webexam::qt
