// Rules about single characters that the whole system shares: which ones
// break a TAB-separated, CR LF-ended line, and case without regard to
// language for names that Windows compares that way (files, computers).
#pragma once

#include <string>
#include <string_view>

namespace webexam {

// The C0 controls (TAB, CR and LF among them), DEL and the C1 controls
// U+0080..U+009F. No text field of a result line holds one: sign-in refuses
// them, the result line writes none in the computer name, the share log's
// reader refuses a line that has one.
constexpr bool IsControlCharacter(char16_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

bool HasControlCharacter(std::u16string_view text);

// A name from the share or from a line, as the tools may print it on a
// terminal or a page: each control character (an escape sequence's ESC among
// them) becomes U+FFFD, so that a file named by a candidate cannot move the
// teacher's cursor, clear the screen or hide the lines before it.
std::u16string ShownName(std::u16string_view name);

// ASCII letters to lower case, every other character as it is: how Windows
// compares file and computer names (and the scheme and server of an SMB
// address).
constexpr char16_t AsciiLower(char16_t c) {
  return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}
constexpr char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::u16string AsciiLower(std::u16string_view text);

bool EqualIgnoringAsciiCase(std::u16string_view a, std::u16string_view b);
bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b);

}  // namespace webexam
