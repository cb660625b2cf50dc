#include "ui/win32/form.h"

#include "text/utf8.h"
#include "ui/win32/app.h"

namespace webexam::win32 {
namespace {

// A title bar with a close box; the border does not resize.
constexpr DWORD kFormStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;

}  // namespace

void Form::CreateForm(const wchar_t* class_name, const wchar_t* caption, const Twips& twips,
                      const TwipsRect& client) {
  CreateForm(class_name, caption, ToPixels(client, twips.DpiX(), twips.DpiY()));
}

void Form::CreateForm(const wchar_t* class_name, const wchar_t* caption, const PixelBox& client) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof(window_class);
  if (!GetClassInfoExW(instance, class_name, &window_class)) {
    window_class.lpfnWndProc = &Form::WindowProc;
    window_class.hInstance = instance;
    window_class.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    window_class.lpszClassName = class_name;
    if (RegisterClassExW(&window_class) == 0) {
      FailWithLastError("cannot register the window class " + ToUtf8(FromWide(class_name)));
    }
  }
  const RECT outer = OuterRect(client);
  // The window procedure stores hwnd_ when the window is made.
  if (CreateWindowExW(0, class_name, caption, kFormStyle, outer.left, outer.top,
                      outer.right - outer.left, outer.bottom - outer.top, nullptr, nullptr,
                      instance, this) == nullptr) {
    FailWithLastError("cannot create the window " + ToUtf8(FromWide(caption)));
  }
  open_ = true;
}

RECT Form::OuterRect(const Twips& twips, const TwipsRect& client) {
  return OuterRect(ToPixels(client, twips.DpiX(), twips.DpiY()));
}

RECT Form::OuterRect(const PixelBox& client) {
  RECT outer{client.left, client.top, client.right(), client.bottom()};
  if (!AdjustWindowRectEx(&outer, kFormStyle, FALSE, 0)) {
    FailWithLastError("cannot size a window");
  }
  return outer;
}

void Form::Show() {
  ShowWindow(hwnd_, SW_SHOWNORMAL);
  SetForegroundWindow(hwnd_);
  if (focus_ != nullptr) SetFocus(focus_);
}

void Form::Destroy() {
  if (open_) DestroyWindow(hwnd_);
}

LRESULT Form::OnMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_ACTIVATE:
      if (LOWORD(wparam) == WA_INACTIVE) {
        // Leaving, maybe for a message box: remember where the focus was.
        const HWND focus = GetFocus();
        if (focus != nullptr && IsChild(hwnd_, focus)) focus_ = focus;
      } else if (HIWORD(wparam) == 0 && focus_ != nullptr && IsWindow(focus_)) {
        SetFocus(focus_);
        return 0;
      }
      break;
    case WM_SETFOCUS:
      if (focus_ != nullptr && IsWindow(focus_)) {
        SetFocus(focus_);
        return 0;
      }
      break;
    default:
      break;
  }
  return DefWindowProcW(hwnd_, message, wparam, lparam);
}

// The window procedure boundary: every message of a form runs guarded, so no
// error ever travels through DispatchMessage into the system.
LRESULT CALLBACK Form::WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  Form* form = nullptr;
  if (message == WM_NCCREATE) {
    form = static_cast<Form*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    form->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
  } else {
    form = reinterpret_cast<Form*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  }
  if (form == nullptr) return DefWindowProcW(hwnd, message, wparam, lparam);
  if (message == WM_DESTROY) form->open_ = false;

  LRESULT result = 0;
  const bool ran = RunGuarded(hwnd, [&] { result = form->OnMessage(message, wparam, lparam); });
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    form->hwnd_ = nullptr;
    form->focus_ = nullptr;
  }
  if (ran) return result;
  return message == WM_CREATE ? -1 : 0;  // a failed creation makes no window
}

}  // namespace webexam::win32
