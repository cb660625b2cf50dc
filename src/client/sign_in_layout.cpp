#include "client/sign_in_layout.h"

#include <algorithm>

namespace webexam {
namespace {

bool IsAsciiWordCharacter(char16_t c) {
  return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

bool IsBlank(char16_t c) { return c == u' ' || c == u'\u3000'; }

// Punctuation that closes what comes before it: a line never starts with it.
bool IsClosing(char16_t c) {
  return std::u16string_view(u",.;:!?)]}%，。、；：！？）》」』】”’…").find(c) !=
         std::u16string_view::npos;
}

std::size_t NextCharacter(std::u16string_view text, std::size_t at) {
  const bool pair = text[at] >= 0xD800 && text[at] <= 0xDBFF && at + 1 < text.size() &&
                    text[at + 1] >= 0xDC00 && text[at + 1] <= 0xDFFF;
  return at + (pair ? 2 : 1);
}

bool InsidePair(std::u16string_view text, std::size_t at) {
  return at > 0 && at < text.size() && text[at] >= 0xDC00 && text[at] <= 0xDFFF &&
         text[at - 1] >= 0xD800 && text[at - 1] <= 0xDBFF;
}

// Where the line that starts at `text[0]` ends, with `fits` characters'
// worth (in code units) within the width: moved back to the start of an
// ASCII word it would cut, or off closing punctuation, where the line keeps
// at least one character.
std::size_t LineEnd(std::u16string_view text, std::size_t fits) {
  if (fits >= text.size()) return text.size();
  const std::size_t first = NextCharacter(text, 0);
  std::size_t end = fits;
  for (bool moved = true; moved;) {
    moved = false;
    if (end > first && IsClosing(text[end])) {
      end -= InsidePair(text, end - 1) ? 2 : 1;
      moved = true;
    } else if (IsAsciiWordCharacter(text[end]) && IsAsciiWordCharacter(text[end - 1])) {
      std::size_t word = end - 1;
      while (word > 0 && IsAsciiWordCharacter(text[word - 1])) --word;
      if (word > 0) {
        end = word;
        moved = true;
      }
    }
  }
  return end;
}

PixelBox Below(PixelBox box, int shift) {
  box.top += shift;
  return box;
}

}  // namespace

std::vector<std::u16string> WrapLines(std::u16string_view text, int width,
                                      const TextWidth& measure) {
  std::vector<std::u16string> lines;
  while (!text.empty()) {
    std::size_t fits = NextCharacter(text, 0);  // at least one character a line
    while (fits < text.size()) {
      const std::size_t next = NextCharacter(text, fits);
      if (measure(text.substr(0, next)) > width) break;
      fits = next;
    }
    const std::size_t end = LineEnd(text, fits);
    std::u16string_view line = text.substr(0, end);
    while (line.size() > 1 && IsBlank(line.back())) line.remove_suffix(1);
    lines.emplace_back(line);
    text.remove_prefix(end);
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  }
  return lines;
}

SignInLayout LayOutSignInWindow(double dpi_x, double dpi_y, std::u16string_view range_text,
                                const TextWidth& measure, int line_height) {
  using namespace sign_in_window;
  SignInLayout layout{ClientArea(kClient, kControls, dpi_x, dpi_y),
                      ToPixels(kLabel5, dpi_x, dpi_y),
                      ToPixels(kLabel1, dpi_x, dpi_y),
                      ToPixels(kText1, dpi_x, dpi_y),
                      ToPixels(kLabel2, dpi_x, dpi_y),
                      ToPixels(kText2, dpi_x, dpi_y),
                      ToPixels(kCommand1, dpi_x, dpi_y),
                      {std::u16string(range_text)}};
  if (measure(range_text) <= layout.label5.width) return layout;
  // The label may reach the window's right edge, less a narrow margin.
  const int margin = TwipsToPixels(120, dpi_x);
  layout.label5.width =
      std::max(layout.label5.width, layout.client.width - margin - layout.label5.left);
  layout.range_lines = WrapLines(range_text, layout.label5.width, measure);
  const int shift = static_cast<int>(layout.range_lines.size() - 1) * line_height;
  layout.label5.height += shift;
  for (PixelBox* below :
       {&layout.label1, &layout.text1, &layout.label2, &layout.text2, &layout.command1}) {
    *below = Below(*below, shift);
  }
  layout.client.height += shift;
  return layout;
}

}  // namespace webexam
