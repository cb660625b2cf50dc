#include "ui/win32/controls.h"

#include <richedit.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "client/window_placement.h"
#include "text/utf8.h"

namespace webexam::win32 {
namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows' wide text is UTF-16");

// Every control is a visible child that paints only where no sibling above
// it in the z-order lies (the grading window's label lies under its buttons).
constexpr DWORD kChild = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;

// The text size of a RichEdit control without a limit worth the name.
constexpr LPARAM kRichEditTextLimit = 0x7FFFFFFE;

// The class name of the RichEdit control LoadRichEdit loaded.
const wchar_t* rich_edit_class = nullptr;

// The RichEdit class's own window procedure, under the viewer's.
WNDPROC rich_edit_proc = nullptr;

HWND CreateControl(DWORD ex_style, const wchar_t* window_class, std::wstring_view text, DWORD style,
                   HWND parent, int id, const Twips& twips, const TwipsRect& place,
                   const Font& font) {
  const RECT rect = twips.Rect(place);
  const std::wstring caption(text);
  HWND hwnd = CreateWindowExW(ex_style, window_class, caption.c_str(), style, rect.left, rect.top,
                              rect.right - rect.left, rect.bottom - rect.top, parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                              GetModuleHandleW(nullptr), nullptr);
  if (hwnd == nullptr) {
    FailWithLastError("cannot create the control " + ToUtf8(FromWide(window_class)) + " " +
                      ToUtf8(FromWide(caption)));
  }
  SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
  return hwnd;
}

// The viewer is read-only: Tab and Enter belong to the window's keyboard
// handling (Tab moves the focus on), and entering it selects nothing.
LRESULT CALLBACK ViewerProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  LRESULT result = CallWindowProcW(rich_edit_proc, hwnd, message, wparam, lparam);
  if (message == WM_GETDLGCODE) {
    result &=
        ~static_cast<LRESULT>(DLGC_WANTTAB | DLGC_WANTALLKEYS | DLGC_WANTMESSAGE | DLGC_HASSETSEL);
  }
  return result;
}

// The bytes EM_STREAMIN reads, and how far it has read.
struct StreamSource {
  std::string_view bytes;
  std::size_t offset = 0;
};

DWORD CALLBACK ReadStreamSource(DWORD_PTR cookie, LPBYTE buffer, LONG wanted, LONG* got) {
  auto* source = reinterpret_cast<StreamSource*>(cookie);
  const std::size_t count = std::min(static_cast<std::size_t>(std::max(wanted, LONG{0})),
                                     source->bytes.size() - source->offset);
  std::memcpy(buffer, source->bytes.data() + source->offset, count);
  source->offset += count;
  *got = static_cast<LONG>(count);
  return 0;
}

}  // namespace

std::wstring ToWide(std::u16string_view text) {
  return std::wstring(reinterpret_cast<const wchar_t*>(text.data()), text.size());
}

std::u16string FromWide(std::wstring_view text) {
  return std::u16string(reinterpret_cast<const char16_t*>(text.data()), text.size());
}

void FailWithLastError(const std::string& operation) {
  const DWORD error = GetLastError();
  std::string description = operation;
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  if (text != nullptr) {
    std::wstring_view reason(text, length);
    while (!reason.empty() && (reason.back() == L'\r' || reason.back() == L'\n')) {
      reason.remove_suffix(1);
    }
    if (!reason.empty()) description += ": " + ToUtf8(FromWide(reason));
    LocalFree(text);
  }
  throw PlatformError(static_cast<int>(error), description);
}

Twips::Twips() : dpi_x_(96), dpi_y_(96) {
  if (HDC screen = GetDC(nullptr)) {
    dpi_x_ = GetDeviceCaps(screen, LOGPIXELSX);
    dpi_y_ = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
  }
  if (dpi_x_ <= 0) dpi_x_ = 96;
  if (dpi_y_ <= 0) dpi_y_ = 96;
}

int Twips::X(double twips) const { return TwipsToPixels(twips, dpi_x_); }
int Twips::Y(double twips) const { return TwipsToPixels(twips, dpi_y_); }

RECT Twips::Rect(const TwipsRect& place) const {
  const PixelBox box = ToPixels(place, dpi_x_, dpi_y_);
  return RECT{box.left, box.top, box.right(), box.bottom()};
}

void Place(HWND control, const PixelBox& box) {
  MoveWindow(control, box.left, box.top, box.width, box.height, TRUE);
}

namespace {

// A screen device context with `font` selected, for measuring text.
class MeasuringDc {
 public:
  explicit MeasuringDc(HFONT font) : dc_(GetDC(nullptr)) {
    if (dc_ == nullptr) FailWithLastError("cannot measure a text");
    old_ = SelectObject(dc_, font);
  }
  MeasuringDc(const MeasuringDc&) = delete;
  MeasuringDc& operator=(const MeasuringDc&) = delete;
  ~MeasuringDc() {
    SelectObject(dc_, old_);
    ReleaseDC(nullptr, dc_);
  }
  HDC get() const { return dc_; }

 private:
  HDC dc_;
  HGDIOBJ old_;
};

}  // namespace

int TextWidthIn(HFONT font, std::u16string_view text) {
  const MeasuringDc dc(font);
  SIZE size{};
  const std::wstring wide = ToWide(text);
  if (!GetTextExtentPoint32W(dc.get(), wide.c_str(), static_cast<int>(wide.size()), &size)) {
    FailWithLastError("cannot measure a text");
  }
  return size.cx;
}

int LineHeightOf(HFONT font) {
  const MeasuringDc dc(font);
  TEXTMETRICW metrics{};
  if (!GetTextMetricsW(dc.get(), &metrics)) FailWithLastError("cannot measure a font");
  return metrics.tmHeight;  // a static control's lines lie tmHeight apart
}

Font::Font(int points, const Twips& twips)
    : font_(CreateFontW(-MulDiv(points, twips.DpiY(), 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                        GB2312_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                        DEFAULT_PITCH | FF_DONTCARE, L"宋体")) {
  if (font_ == nullptr) {
    FailWithLastError("cannot create the font 宋体 " + std::to_string(points) + " pt");
  }
}

Font::~Font() { DeleteObject(font_); }

void LoadRichEdit() {
  if (rich_edit_class != nullptr) return;
  if (LoadLibraryW(L"Msftedit.dll") != nullptr) {
    rich_edit_class = MSFTEDIT_CLASS;
  } else if (LoadLibraryW(L"Riched20.dll") != nullptr) {
    rich_edit_class = RICHEDIT_CLASSW;
  } else {
    FailWithLastError("cannot load the RichEdit control (Msftedit.dll, Riched20.dll)");
  }
}

void Label::Create(HWND parent, int id, const Twips& twips, const TwipsRect& place,
                   std::wstring_view text, const Font& font) {
  hwnd = CreateControl(0, L"STATIC", text, kChild | SS_LEFT | SS_NOPREFIX, parent, id, twips, place,
                       font);
}

void TextBox::Create(HWND parent, int id, const Twips& twips, const TwipsRect& place,
                     std::wstring_view text, const Font& font) {
  hwnd =
      CreateControl(WS_EX_CLIENTEDGE, L"EDIT", text, kChild | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL,
                    parent, id, twips, place, font);
  SendMessageW(hwnd, EM_SETLIMITTEXT, 0, 0);  // 0: as long as the control can hold
}

std::u16string TextBox::Text() const {
  const int length = GetWindowTextLengthW(hwnd);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(hwnd, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(std::max(copied, 0)));
  return FromWide(text);
}

void CommandButton::Create(HWND parent, int id, const Twips& twips, const TwipsRect& place,
                           std::wstring_view caption, const Font& font) {
  this->id = id;
  hwnd = CreateControl(0, L"BUTTON", caption, kChild | WS_TABSTOP | BS_PUSHBUTTON, parent, id,
                       twips, place, font);
}

void RichTextBox::Create(HWND parent, int id, const Twips& twips, const TwipsRect& place,
                         const Font& font) {
  LoadRichEdit();
  hwnd =
      CreateControl(WS_EX_CLIENTEDGE, rich_edit_class, L"",
                    kChild | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY,
                    parent, id, twips, place, font);
  rich_edit_proc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ViewerProc)));
  // The default limit (32767 characters) would cut a long task text short.
  SendMessageW(hwnd, EM_EXLIMITTEXT, 0, kRichEditTextLimit);
}

void RichTextBox::SetBackColor(COLORREF color) {
  SendMessageW(hwnd, EM_SETBKGNDCOLOR, 0, static_cast<LPARAM>(color));
}

bool RichTextBox::StreamIn(std::string_view bytes, WPARAM format) {
  StreamSource source{bytes};
  EDITSTREAM stream{};
  stream.dwCookie = reinterpret_cast<DWORD_PTR>(&source);
  stream.pfnCallback = &ReadStreamSource;
  SendMessageW(hwnd, EM_STREAMIN, format, reinterpret_cast<LPARAM>(&stream));
  return stream.dwError == 0;
}

void RichTextBox::Show(Platform& platform, const TaskTextFile& file, const std::u16string& path) {
  if (file.rtf && StreamIn(file.bytes, SF_RTF)) {
    SendMessageW(hwnd, EM_SETSEL, 0, 0);
    return;
  }
  // RTF the control refuses still shows its words, as the core reads them.
  const std::u16string text = TaskTextWords(platform, file);
  const std::string_view utf16(reinterpret_cast<const char*>(text.data()),
                               text.size() * sizeof(char16_t));
  if (!StreamIn(utf16, SF_TEXT | SF_UNICODE)) {
    SetLastError(ERROR_INVALID_DATA);
    FailWithLastError("cannot show " + ToUtf8(path));
  }
  // Plain text in the viewer's font: SimSun 9 pt.
  CHARFORMAT2W format{};
  format.cbSize = sizeof(format);
  format.dwMask = CFM_FACE | CFM_SIZE | CFM_CHARSET;
  format.yHeight = 9 * 20;  // twips
  format.bCharSet = GB2312_CHARSET;
  std::wcscpy(format.szFaceName, L"宋体");
  SendMessageW(hwnd, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&format));
  SendMessageW(hwnd, EM_SETSEL, 0, 0);
}

}  // namespace webexam::win32
