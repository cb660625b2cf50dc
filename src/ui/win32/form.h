// A top-level window of the client: its window class, its window procedure
// (the one place where handler errors are caught), and the focus it keeps
// across deactivation.
#pragma once

#include <windows.h>

#include "ui/win32/controls.h"

namespace webexam::win32 {

class Form {
 public:
  Form() = default;
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;
  virtual ~Form() = default;

  HWND hwnd() const { return hwnd_; }

  // Between the window's creation and the start of its destruction.
  bool IsOpen() const { return open_; }

  // Shows the window and brings it to the front; the focus goes to the
  // control named by `focus_`.
  void Show();

  // Destroys the window; the form itself stays.
  void Destroy();

 protected:
  // Makes the window of class `class_name`: a title bar with a close box,
  // not resizable, its client area at `client` (screen twips).
  void CreateForm(const wchar_t* class_name, const wchar_t* caption, const Twips& twips,
                  const TwipsRect& client);
  // Likewise, the client area at `client` in screen pixels.
  void CreateForm(const wchar_t* class_name, const wchar_t* caption, const PixelBox& client);

  // The window's outer rectangle in pixels when its client area lies at
  // `client` (screen twips, or screen pixels).
  static RECT OuterRect(const Twips& twips, const TwipsRect& client);
  static RECT OuterRect(const PixelBox& client);

  // Handles one message. Errors escape to the window procedure's guard. The
  // base handles activation and focus, and passes the rest to the system.
  virtual LRESULT OnMessage(UINT message, WPARAM wparam, LPARAM lparam);

  HWND hwnd_ = nullptr;
  // The control that has the focus while the window is active; it gets it
  // back when the window is activated again (after a message box).
  HWND focus_ = nullptr;

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

  bool open_ = false;
};

}  // namespace webexam::win32
