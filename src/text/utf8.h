// UTF-8 to and from the UTF-16 text the system holds in memory. Used where
// text leaves for or comes from the outside world in UTF-8: POSIX file names
// and environment, terminal output of the teachers' tools.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace webexam {

// A lone surrogate becomes U+FFFD.
std::string ToUtf8(std::u16string_view text);

// A malformed sequence becomes U+FFFD, one per bad byte.
std::u16string FromUtf8(std::string_view bytes);

// The character whose strict UTF-8 form (no overlong form, no surrogate,
// nothing past U+10FFFF) starts at `bytes[at]`, with `at` moved past it; or
// nothing, `at` left where it was, when the bytes there are no character.
std::optional<char32_t> NextUtf8(std::string_view bytes, std::size_t& at);

// A whole number in decimal digits, as the system's texts print it.
template <typename Number>
std::u16string Digits(Number n) {
  return FromUtf8(std::to_string(n));
}

}  // namespace webexam
