// UTF-8 to and from the UTF-16 text the system holds in memory. Used where
// text leaves for or comes from the outside world in UTF-8: POSIX file names
// and environment, terminal output of the teachers' tools.
#pragma once

#include <string>
#include <string_view>

namespace webexam {

// A lone surrogate becomes U+FFFD.
std::string ToUtf8(std::u16string_view text);

// A malformed sequence becomes U+FFFD, one per bad byte.
std::u16string FromUtf8(std::string_view bytes);

// A whole number in decimal digits, as the system's texts print it.
template <typename Number>
std::u16string Digits(Number n) {
  return FromUtf8(std::to_string(n));
}

}  // namespace webexam
