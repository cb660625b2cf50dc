#include "exam/exam_number.h"

#include <charconv>
#include <optional>
#include <string>

namespace webexam {
namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\u3000'; }
bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// The value of a number of at least `least`, when the text is one.
std::optional<double> NumberValue(std::u16string_view text, double least) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);

  std::size_t i = 0;
  auto digits = [&] {
    const std::size_t start = i;
    while (i < text.size() && IsDigit(text[i])) ++i;
    return i - start;
  };
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) ++i;
  std::size_t mantissa = digits();
  if (i < text.size() && text[i] == u'.') {
    ++i;
    mantissa += digits();
  }
  if (mantissa == 0) return std::nullopt;
  if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
    ++i;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) ++i;
    if (digits() == 0) return std::nullopt;
  }
  if (i != text.size()) return std::nullopt;

  // Only ASCII is left. from_chars ignores the locale (a Qt program runs in
  // the user's, whose decimal point may be a comma) and refuses values too
  // large to hold. It takes no plus sign.
  std::string ascii(text.begin(), text.end());
  if (ascii.front() == '+') ascii.erase(0, 1);
  double value = 0;
  const auto [end, error] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
  if (error != std::errc() || end != ascii.data() + ascii.size() || value < least) {
    return std::nullopt;
  }
  return value;
}

}  // namespace

bool IsExamNumber(std::u16string_view text, double least) {
  return NumberValue(text, least).has_value();
}

std::u16string ExamNumberKey(std::u16string_view text) {
  const std::optional<double> value = NumberValue(text, 0);
  if (!value) return std::u16string(text);
  // The shortest decimal that reads back as the same value, never with an
  // exponent.
  char digits[400];
  const auto [end, error] =
      std::to_chars(digits, digits + sizeof digits, *value, std::chars_format::fixed);
  if (error != std::errc()) return std::u16string(text);
  return std::u16string(digits, end);
}

}  // namespace webexam
