// The candidate's report in a window of the client's own, for a desktop that
// cannot open it (no xdg-open, or a viewer that does not start): read-only
// text and a close button, above the grading window.
#pragma once

#include <QPlainTextEdit>
#include <QWidget>
#include <string_view>

#include "ui/qt/widgets.h"

namespace webexam::qt {

class ReportWindow : public QWidget {
 public:
  // Shows `text` in the report window, which opens when none is open.
  static void Open(std::u16string_view text);

 private:
  ReportWindow();

  QPlainTextEdit text_;
  Button close_;  // "关闭"
};

}  // namespace webexam::qt
