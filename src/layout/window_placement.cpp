#include "layout/window_placement.h"

#include <cmath>
#include <cstdint>

namespace webexam {
namespace {

// Nearest integer, halves to the even neighbour.
double RoundHalfEven(double value) {
  const double floor = std::floor(value);
  const double fraction = value - floor;
  if (fraction > 0.5) return floor + 1;
  if (fraction < 0.5) return floor;
  return std::fmod(floor, 2.0) == 0 ? floor : floor + 1;
}

std::int32_t ToInt32(double value) { return static_cast<std::int32_t>(RoundHalfEven(value)); }

int TruncatingDivision(double dividend, double divisor) {
  const std::int32_t d = ToInt32(divisor);
  return d == 0 ? 0 : ToInt32(dividend) / d;  // C++ division truncates toward zero
}

}  // namespace

PixelRect TopmostPlacement(double left, double top, double width, double height,
                           double twips_per_pixel_x, double twips_per_pixel_y) {
  return {static_cast<int>(RoundHalfEven(left / twips_per_pixel_x)),
          TruncatingDivision(top, twips_per_pixel_y), TruncatingDivision(width, twips_per_pixel_x),
          TruncatingDivision(height, twips_per_pixel_y)};
}

int TwipsToPixels(double twips, double dots_per_inch) {
  return static_cast<int>(std::lround(twips * dots_per_inch / 1440.0));
}

PixelBox ToPixels(const TwipsRect& place, double dpi_x, double dpi_y) {
  return {TwipsToPixels(place.left, dpi_x), TwipsToPixels(place.top, dpi_y),
          TwipsToPixels(place.width, dpi_x), TwipsToPixels(place.height, dpi_y)};
}

PixelRect GradingWindowPlacement(double dpi_x, double dpi_y, const FrameSize& frame) {
  using namespace grading_window;
  const PixelBox client = ClientArea(kClient, kControls, dpi_x, dpi_y);
  const int left = client.left - frame.left, top = client.top - frame.top;
  const int width = frame.left + client.width + frame.right;
  const int height = frame.top + client.height + frame.bottom;
  const double tpx = 1440.0 / dpi_x, tpy = 1440.0 / dpi_y;
  PixelRect place = TopmostPlacement(left * tpx, top * tpy, width * tpx, height * tpy, tpx, tpy);
  if (place.cx < width) place.cx = width;
  if (place.cy < height) place.cy = height;
  return place;
}

}  // namespace webexam
