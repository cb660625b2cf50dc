// The sign-in window laid out for its exam: the range text on Label5 is shown
// whole, however long. A text that fits the designed label leaves the window
// exactly as designed; a longer one widens the label towards the window's
// right edge, and past that takes more lines, which push the controls below
// it, and the window's bottom, down by as much.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "client/window_placement.h"

namespace webexam {

// `text` broken into lines no wider than `width` pixels as `measure` gives
// them: a line ends before a run of ASCII letters and digits (an exam number)
// rather than inside it, and never right before closing punctuation; a
// blank where a line breaks is dropped. A character wider than `width` is a
// line of its own. A surrogate pair is never split.
std::vector<std::u16string> WrapLines(std::u16string_view text, int width,
                                      const TextWidth& measure);

struct SignInLayout {
  PixelBox client;  // its place on the screen and its size
  PixelBox label5, label1, text1, label2, text2, command1;
  std::vector<std::u16string> range_lines;  // Label5's text, one line each
};

// The sign-in window at `dpi_x` by `dpi_y` with `range_text` on Label5;
// `measure` gives a text's width in Label5's font, whose lines are
// `line_height` pixels apart.
SignInLayout LayOutSignInWindow(double dpi_x, double dpi_y, std::u16string_view range_text,
                                const TextWidth& measure, int line_height);

}  // namespace webexam
