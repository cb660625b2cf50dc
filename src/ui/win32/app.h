// What both windows of the Windows client share: the platform, the exam's
// paths, the title on every box, the fatal-error path and the ways out.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "exam/exam.h"
#include "platform/platform.h"
#include "state/exam_paths.h"
#include "state/exam_state.h"
#include "ui/win32/form.h"

namespace webexam::win32 {

// The application's title, on the grading window and every message box.
inline constexpr wchar_t kAppTitle[] = L"网页制作考试";

struct App {
  std::unique_ptr<Platform> platform;
  Exam exam;  // read from the exam folder at start
  ExamPaths paths;
  ExamState& state;
  // Every window made in this run. A form outlives its window, so that a
  // handler may destroy its own window and still return through its code.
  std::vector<std::unique_ptr<Form>> forms;
  // The window whose delivery runs: the message loop drops its input.
  HWND busy = nullptr;

  template <typename F>
  F& Keep(std::unique_ptr<F> form) {
    F& kept = *form;
    forms.push_back(std::move(form));
    return kept;
  }
};

// The one App of the running program.
App& TheApp();
void SetApp(std::unique_ptr<App> app);

// Writes whole lines (UTF-8, each ending with "\n") to standard error when the
// process has one: under Wine and from a console it does; a GUI program on
// Windows usually has none.
void WriteToStandardError(const std::string& line);

// A modal box with the application's title, one OK button and no icon. The
// text also goes to standard error: a record of what the candidate was told.
void ShowMessage(HWND owner, std::u16string_view text);

// A modal box with Yes and No; No is the default. True for Yes only. The
// question and the answer also go to standard error.
bool AskYesNo(HWND owner, std::u16string_view text);

// Thrown out of a handler that finds, after a nested message loop or a
// window's creation, that the program has ended meanwhile: nothing more of
// the handler runs. The guard swallows it.
struct ProgramEnded {};

// Throws ProgramEnded once EndProgram has run.
void StopIfEnded();

// The fatal path: one box "错误 <number>：<description>" (also on standard
// error), then the program ends with status 1. Never throws.
void ShowFatalError(HWND window, int number, const char* description) noexcept;

// Runs one event handler. Any error escaping it takes the fatal path, and
// nothing escapes into the system code that called the window procedure.
// Returns whether the handler ran to its end.
template <typename Handler>
bool RunGuarded(HWND window, Handler&& handler) noexcept {
  try {
    handler();
    return true;
  } catch (const ProgramEnded&) {
    return false;
  } catch (const PlatformError& error) {
    ShowFatalError(window, error.code(), error.what());
  } catch (const std::exception& error) {
    ShowFatalError(window, -1, error.what());
  } catch (...) {
    ShowFatalError(window, -1, "unknown error");
  }
  return false;
}

// Ends the program at once: every window closes without asking, and the
// message loop ends with `status`. Later calls change nothing.
void EndProgram(int status = 0);
bool ProgramEnding();
int ExitStatus();

}  // namespace webexam::win32
