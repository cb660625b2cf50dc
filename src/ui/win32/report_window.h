// The candidate's report in a window of the client's own, for a PC whose
// desktop cannot open it (no program for text files): read-only text and a
// close button, above the grading window.
#pragma once

#include <optional>
#include <string_view>

#include "ui/win32/controls.h"
#include "ui/win32/form.h"

namespace webexam::win32 {

class ReportWindow : public Form {
 public:
  // Shows `text` in the report window, which opens when none is open.
  // Errors escape to the caller's guard.
  static void Open(std::u16string_view text);

 private:
  ReportWindow() = default;
  void Create();
  void SetText(std::u16string_view text);

  LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam) override;

  std::optional<Font> font9_, font12_;
  HWND text_ = nullptr;  // a read-only edit box with a vertical scroll bar
  CommandButton close_;  // "关闭"
};

}  // namespace webexam::win32
