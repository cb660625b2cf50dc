#include "text/characters.h"

#include <algorithm>

namespace webexam {
namespace {

template <typename Char>
bool EqualFolded(std::basic_string_view<Char> a, std::basic_string_view<Char> b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](Char x, Char y) { return AsciiLower(x) == AsciiLower(y); });
}

}  // namespace

bool HasControlCharacter(std::u16string_view text) {
  return std::any_of(text.begin(), text.end(), [](char16_t c) { return IsControlCharacter(c); });
}

std::u16string ShownName(std::u16string_view name) {
  std::u16string shown(name);
  if (const AddressAccount account = AccountInAddress(name); account.length > 0) {
    shown.replace(account.start, account.length, u"…@");
  }
  for (char16_t& c : shown) {
    if (IsControlCharacter(c)) c = u'\uFFFD';
  }
  return shown;
}

std::u16string AsciiLower(std::u16string_view text) {
  std::u16string lower(text);
  for (char16_t& c : lower) c = AsciiLower(c);
  return lower;
}

bool EqualIgnoringAsciiCase(std::u16string_view a, std::u16string_view b) {
  return EqualFolded(a, b);
}

bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) { return EqualFolded(a, b); }

}  // namespace webexam
