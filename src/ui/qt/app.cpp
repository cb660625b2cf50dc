#include "ui/qt/app.h"

#include <QApplication>
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

void ShowMessage(QWidget* parent, std::u16string_view text) {
  // Also on standard error: a record of what the candidate was told.
  std::fprintf(stderr, "webexam: message: %s\n", ToQString(text).toUtf8().constData());
  QMessageBox box(QMessageBox::NoIcon, kAppTitle, ToQString(text), QMessageBox::Ok, parent);
  box.exec();
}

void LogNote(std::u16string_view text) {
  std::fprintf(stderr, "webexam: note: %s\n", ToQString(text).toUtf8().constData());
}

bool AskYesNo(QWidget* parent, std::u16string_view text) {
  QMessageBox box(QMessageBox::NoIcon, kAppTitle, ToQString(text),
                  QMessageBox::Yes | QMessageBox::No, parent);
  box.setDefaultButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
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
  QMessageBox box(QMessageBox::NoIcon, kAppTitle, text, QMessageBox::Ok, parent);
  box.exec();
  EndProgram(1);
  return false;
}

void EndProgram(int status) {
  for (QWidget* window : QApplication::topLevelWidgets()) window->hide();
  QCoreApplication::exit(status);
}

}  // namespace webexam::qt
