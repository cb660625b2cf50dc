#include "client/window_placement.h"

#include <algorithm>
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

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// The index past the character at `at`, and the one before it: a surrogate
// pair is one character, never split.
std::size_t NextCharacter(std::u16string_view text, std::size_t at) {
  return at + (IsHighSurrogate(text[at]) && at + 1 < text.size() && IsLowSurrogate(text[at + 1])
                   ? 2
                   : 1);
}
std::size_t PreviousCharacter(std::u16string_view text, std::size_t at) {
  return at - (at >= 2 && IsLowSurrogate(text[at - 1]) && IsHighSurrogate(text[at - 2]) ? 2 : 1);
}

}  // namespace

PixelBox TopmostPlacement(double left, double top, double width, double height,
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

PixelBox GradingWindowPlacement(double dpi_x, double dpi_y, const FrameSize& frame) {
  using namespace grading_window;
  const PixelBox client = ClientArea(kClient, kControls, dpi_x, dpi_y);
  const int left = client.left - frame.left, top = client.top - frame.top;
  const int width = frame.left + client.width + frame.right;
  const int height = frame.top + client.height + frame.bottom;
  const double tpx = 1440.0 / dpi_x, tpy = 1440.0 / dpi_y;
  PixelBox place = TopmostPlacement(left * tpx, top * tpy, width * tpx, height * tpy, tpx, tpy);
  if (place.width < width) place.width = width;
  if (place.height < height) place.height = height;
  return place;
}

std::u16string FolderMiddleLeftOut(std::u16string_view lead, std::u16string_view folder, int width,
                                   const TextWidth& measure) {
  std::u16string whole(lead);
  whole += folder;
  if (measure(whole) <= width) return whole;
  // Kept: folder[0, head) and folder[tail, end), with "…" between them.
  const std::size_t last_separator = folder.find_last_of(u"/\\");
  std::size_t head = 0, tail = last_separator == std::u16string_view::npos ? 0 : last_separator;
  const auto text = [&](std::size_t h, std::size_t t) {
    std::u16string out(lead);
    out += folder.substr(0, h);
    out += u'\u2026';
    out += folder.substr(t);
    return out;
  };
  for (bool grew = true; grew && head < tail;) {
    grew = false;
    if (const std::size_t h = NextCharacter(folder, head);
        h < tail && measure(text(h, tail)) <= width) {
      head = h;
      grew = true;
    }
    if (const std::size_t t = PreviousCharacter(folder, tail);
        head < t && measure(text(head, t)) <= width) {
      tail = t;
      grew = true;
    }
  }
  return text(head, tail);
}

FolderLabelFit FitFolderLabel(double dpi_x, double dpi_y, const FrameSize& frame,
                              const std::optional<PixelBox>& screen, std::u16string_view lead,
                              std::u16string_view folder, int room, const TextWidth& measure) {
  FolderLabelFit fit{GradingWindowPlacement(dpi_x, dpi_y, frame), 0, {}};
  std::u16string whole(lead);
  whole += folder;
  fit.growth = std::max(0, measure(whole) - room);
  if (screen) fit.growth = std::min(fit.growth, std::max(0, screen->width - fit.place.width));
  fit.place.width += fit.growth;
  if (screen && fit.place.left + fit.place.width > screen->right()) {
    fit.place.left = std::max(screen->left, screen->right() - fit.place.width);
  }
  fit.text = FolderMiddleLeftOut(lead, folder, room + fit.growth, measure);
  return fit;
}

}  // namespace webexam
