// Controls laid out in twips, as the exam's windows are designed: each is a
// small struct holding its window, made by one Create call that names its
// place, so that a form's code reads like its layout table.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "client/window_placement.h"
#include "platform/platform.h"
#include "task_text/task_text.h"

namespace webexam::win32 {

// Windows' wide text is UTF-16, as the system's text is.
std::wstring ToWide(std::u16string_view text);
std::u16string FromWide(std::wstring_view text);

// Converts the designed twips to pixels at the screen's real dots per inch.
class Twips {
 public:
  Twips();
  int X(double twips) const;
  int Y(double twips) const;
  RECT Rect(const TwipsRect& place) const;
  int DpiX() const { return dpi_x_; }
  int DpiY() const { return dpi_y_; }

 private:
  int dpi_x_, dpi_y_;
};

// Moves and sizes a control to a place already in pixels.
void Place(HWND control, const PixelBox& box);

// The width in pixels `text` takes in `font`, and the distance between its
// lines as a label draws them.
int TextWidthIn(HFONT font, std::u16string_view text);
int LineHeightOf(HFONT font);

// SimSun ("宋体") at `points`, with the GB2312 character set and normal
// weight, for as long as the object lives.
class Font {
 public:
  Font(int points, const Twips& twips);
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;
  ~Font();
  HFONT get() const { return font_; }

 private:
  HFONT font_;
};

// Throws PlatformError with the calling thread's last error: its number, and
// `operation` with the system's description of it.
[[noreturn]] void FailWithLastError(const std::string& operation);

// Loads the RichEdit control: Msftedit.dll ("RICHEDIT50W"), or else
// Riched20.dll ("RichEdit20W"). RichTextBox::Create calls it, and only the
// first call loads: the sign-in window has no viewer, and its start need not
// wait for RichEdit and the COM libraries under it.
void LoadRichEdit();

// A static text ("Label").
struct Label {
  HWND hwnd = nullptr;
  void Create(HWND parent, int id, const Twips& twips, const TwipsRect& place,
              std::wstring_view text, const Font& font);
};

// A single-line edit box without a length limit ("TextBox").
struct TextBox {
  HWND hwnd = nullptr;
  void Create(HWND parent, int id, const Twips& twips, const TwipsRect& place,
              std::wstring_view text, const Font& font);
  std::u16string Text() const;
};

// A push button ("CommandButton"); its clicks reach the parent as
// WM_COMMAND with BN_CLICKED.
struct CommandButton {
  HWND hwnd = nullptr;
  int id = 0;
  void Create(HWND parent, int id, const Twips& twips, const TwipsRect& place,
              std::wstring_view caption, const Font& font);
  // Whether a WM_COMMAND with these parameters is this button's click.
  bool Clicked(WPARAM wparam, LPARAM lparam) const {
    return reinterpret_cast<HWND>(lparam) == hwnd && LOWORD(wparam) == id &&
           HIWORD(wparam) == BN_CLICKED;
  }
};

// A read-only RichEdit viewer with a vertical scroll bar ("RichTextBox"). Tab
// leaves it for the next control, as in the rest of the window.
struct RichTextBox {
  HWND hwnd = nullptr;
  void Create(HWND parent, int id, const Twips& twips, const TwipsRect& place, const Font& font);
  void SetBackColor(COLORREF color);
  // Shows the task text read from `path`: RTF as the control reads it,
  // else (plain text, or RTF the control refuses) its words in SimSun 9 pt.
  void Show(Platform& platform, const TaskTextFile& file, const std::u16string& path);

 private:
  // Replaces the content with `bytes` in `format` (EM_STREAMIN); false when
  // the control reports an error.
  bool StreamIn(std::string_view bytes, WPARAM format);
};

}  // namespace webexam::win32
