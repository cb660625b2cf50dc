// Where the grading window goes when it is made topmost: its design position
// and size in twips, turned into pixels by the rounding rule the window
// placement call has always used.
#pragma once

namespace webexam {

struct PixelRect {
  int x, y, cx, cy;
  bool operator==(const PixelRect&) const = default;
};

// `left`, `top`, `width`, `height` in twips; `twips_per_pixel_x/y` of the
// screen. X is the nearest integer of left / tpx (halves to even); Y, cx and
// cy divide after taking each operand to the nearest integer (halves to
// even), truncating toward zero. At 15 twips per pixel, 5249 twips give X 350
// but cx 349.
PixelRect TopmostPlacement(double left, double top, double width, double height,
                           double twips_per_pixel_x, double twips_per_pixel_y);

// Twips to pixels at `dots_per_inch`, for laying out controls.
int TwipsToPixels(double twips, double dots_per_inch);

}  // namespace webexam
