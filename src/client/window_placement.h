// The layout of the client's two windows in twips, and where the grading
// window goes when it is made topmost: its design position and size in
// twips, turned into pixels by the rounding rule the window placement call
// has always used, but never smaller than its controls need.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace webexam {

// A place in twips (1/1440 inch): left, top, width, height.
struct TwipsRect {
  double left, top, width, height;
};

// A place in pixels: a control's within its window's client area, a
// window's on the screen, or the screen's part that windows may take.
struct PixelBox {
  int left, top, width, height;
  int right() const { return left + width; }
  int bottom() const { return top + height; }
  bool operator==(const PixelBox&) const = default;
};

// Twips to pixels at the screen's dots per inch, each of the four numbers on
// its own, as both clients lay out their controls.
PixelBox ToPixels(const TwipsRect& place, double dpi_x, double dpi_y);

// The grading window: its client area at its designed place on the screen,
// and its controls within the client area.
namespace grading_window {
inline constexpr TwipsRect kClient{6405, 570, 5115, 1590};
inline constexpr TwipsRect kRichTextBox1{0, 0, 5055, 1095};
inline constexpr TwipsRect kCommand1{2880, 1080, 1335, 495};
inline constexpr TwipsRect kCommand2{4320, 1080, 735, 495};
inline constexpr TwipsRect kLabel1{0, 1200, 3135, 255};
inline constexpr std::array kControls{kRichTextBox1, kCommand1, kCommand2, kLabel1};
}  // namespace grading_window

// The sign-in window, likewise.
namespace sign_in_window {
inline constexpr TwipsRect kClient{3915, 3270, 6345, 3195};
inline constexpr TwipsRect kCommand1{2280, 1440, 1935, 615};
inline constexpr TwipsRect kText1{2640, 480, 1935, 375};
inline constexpr TwipsRect kText2{2640, 960, 1935, 375};
inline constexpr TwipsRect kLabel5{1800, 120, 3495, 255};
inline constexpr TwipsRect kLabel1{1680, 600, 975, 375};
inline constexpr TwipsRect kLabel2{1680, 1080, 1095, 255};
inline constexpr std::array kControls{kCommand1, kText1, kText2, kLabel5, kLabel1, kLabel2};
}  // namespace sign_in_window

// The client area's size in pixels at these dots per inch: the designed size,
// grown where a control's rounded place reaches past it.
template <std::size_t N>
PixelBox ClientArea(const TwipsRect& client, const std::array<TwipsRect, N>& controls, double dpi_x,
                    double dpi_y) {
  PixelBox area = ToPixels(client, dpi_x, dpi_y);
  for (const TwipsRect& control : controls) {
    const PixelBox box = ToPixels(control, dpi_x, dpi_y);
    if (box.right() > area.width) area.width = box.right();
    if (box.bottom() > area.height) area.height = box.bottom();
  }
  return area;
}

// The window of the client's own that shows the candidate's report when the
// desktop cannot open it: below the grading window, clear of its buttons.
namespace report_window {
inline constexpr TwipsRect kClient{1200, 1800, 5400, 6600};
inline constexpr TwipsRect kText{0, 0, 5400, 5940};
inline constexpr TwipsRect kClose{4080, 6060, 1200, 435};
inline constexpr std::array kControls{kText, kClose};
}  // namespace report_window

// What a window's frame adds around its client area, in pixels.
struct FrameSize {
  int left, top, right, bottom;
};

// `left`, `top`, `width`, `height` in twips; `twips_per_pixel_x/y` of the
// screen. The left edge is the nearest integer of left / tpx (halves to
// even); the top, width and height divide after taking each operand to the
// nearest integer (halves to even), truncating toward zero. At 15 twips per
// pixel, 5249 twips give a left edge of 350 but a width of 349.
PixelBox TopmostPlacement(double left, double top, double width, double height,
                          double twips_per_pixel_x, double twips_per_pixel_y);

// Twips to pixels at `dots_per_inch`, for laying out controls.
int TwipsToPixels(double twips, double dots_per_inch);

// Where the grading window goes at a screen of `dpi_x` by `dpi_y` with this
// frame: TopmostPlacement of its outer place, the client area at its
// designed place. Where the rule's rounding of twips per pixel (7.5 to 8 at
// 192 dpi) would leave the client area smaller than the controls need, the
// window gets the size they need: a button cut off is one the candidate
// cannot press.
PixelBox GradingWindowPlacement(double dpi_x, double dpi_y, const FrameSize& frame);

// The width in pixels a text takes in the folder label's font.
using TextWidth = std::function<int(std::u16string_view text)>;

// `lead` and `folder` within `width` pixels: whole where they fit, else with
// the middle of the folder left out for "…". The lead stays, and so does the
// folder's end from its last separator ('/' or '\\') on, the candidate
// folder's own name, whatever the width; as much of the folder's start and
// end around the "…" as fits, one character at a time each.
std::u16string FolderMiddleLeftOut(std::u16string_view lead, std::u16string_view folder, int width,
                                   const TextWidth& measure);

// The grading window with the candidate folder on its label.
struct FolderLabelFit {
  PixelBox place;       // the whole window, frame included, as SetWindowPos takes it
  int growth = 0;       // pixels the client area is wider than designed
  std::u16string text;  // the label's text
};

// Where the grading window goes and what its folder label says, so that the
// candidate folder is read whole: `room` is what the label's text has before
// the buttons in the designed window. Where the lead and the folder need
// more, the window is wider by as much (the buttons keep their place at its
// right end), up to the width of `screen` (the part of the screen windows may
// take; without one, no limit). Where the wider window would pass the
// screen's right edge, it moves left as far as needed, never past the left
// edge. Past the screen's width, the folder loses its middle, never its end
// (FolderMiddleLeftOut).
FolderLabelFit FitFolderLabel(double dpi_x, double dpi_y, const FrameSize& frame,
                              const std::optional<PixelBox>& screen, std::u16string_view lead,
                              std::u16string_view folder, int room, const TextWidth& measure);

}  // namespace webexam
