#include "client/sign_in.h"

#include <charconv>
#include <optional>
#include <string>

#include "text/characters.h"

namespace webexam {
namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\u3000'; }
bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// A control character would break the TAB-separated, CR LF-ended result
// line; a character GBK cannot hold would reach the files as something else.
bool Writable(Platform& platform, std::u16string_view text) {
  return !HasControlCharacter(text) && platform.CanEncodeGbk(text);
}

}  // namespace

std::u16string_view MessageFor(const Exam& exam, SignInOutcome outcome) {
  switch (outcome) {
    case SignInOutcome::kBadExamNumber:
      return exam.bad_number_message;
    case SignInOutcome::kBadName:
      return kNoNameMessage;
    case SignInOutcome::kAccepted:
      break;
  }
  return {};
}

namespace {

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

SignInOutcome SignIn(Platform& platform, ExamState& state, const Exam& exam,
                     std::u16string_view exam_number, std::u16string_view name) {
  state.exam_number = exam_number;
  state.candidate_name = name;
  if (!IsExamNumber(exam_number, exam.least_number) || !Writable(platform, exam_number)) {
    return SignInOutcome::kBadExamNumber;
  }
  if (name.empty() || !Writable(platform, name)) return SignInOutcome::kBadName;
  return SignInOutcome::kAccepted;
}

}  // namespace webexam
