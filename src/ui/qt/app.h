// What both windows of the Linux client share: the platform, the exam's
// paths, the title on every box, the fatal-error path and the ways out.
#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <memory>

#include "exam/exam.h"
#include "platform/platform.h"
#include "state/exam_paths.h"
#include "state/exam_state.h"

namespace webexam::qt {

// The application's title, on the grading window and every message box.
inline const QString kAppTitle = QStringLiteral("网页制作考试");

struct App {
  std::unique_ptr<Platform> platform;
  Exam exam;  // read from the exam folder at start
  ExamPaths paths;
  ExamState& state;
};

// The one App of the running program.
App& TheApp();
void SetApp(std::unique_ptr<App> app);

QString ToQString(std::u16string_view text);
std::u16string FromQString(const QString& text);

// A modal box with the application's title, one OK button and no icon.
void ShowMessage(QWidget* parent, std::u16string_view text);

// A modal box with Yes and No; No is the default. True for Yes.
bool AskYesNo(QWidget* parent, std::u16string_view text);

// Runs one event handler. Any error escaping it takes the fatal path: one
// box with the error's number and description, then the program ends with a
// non-zero status and nothing more of the handler runs. Returns whether the
// handler ran to its end.
bool RunGuarded(QWidget* parent, const std::function<void()>& handler);

// Ends the program at once: every window closes without asking.
void EndProgram(int status = 0);

}  // namespace webexam::qt
