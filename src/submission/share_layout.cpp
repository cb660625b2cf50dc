#include "submission/share_layout.h"

#include <algorithm>

#include "state/exam_paths.h"
#include "text/characters.h"
#include "text/utf8.h"

namespace webexam {

std::u16string ComputerMarkerPath(std::u16string_view share, std::u16string_view computer_name) {
  return std::u16string(share) + std::u16string(computer_name);
}

std::u16string KeptPageStem(std::u16string_view exam_number, std::u16string_view computer_name) {
  return std::u16string(exam_number) + u"-" + std::u16string(computer_name);
}

std::u16string KeptPageName(std::u16string_view exam_number, std::u16string_view computer_name,
                            int sequence) {
  std::u16string name = KeptPageStem(exam_number, computer_name);
  if (sequence > 1) name += u"(" + Digits(sequence) + u")";
  return name + std::u16string(kKeptPageEnding);
}

bool IsKeptPageName(std::u16string_view name) {
  return name.size() > kKeptPageEnding.size() &&
         EqualIgnoringAsciiCase(name.substr(name.size() - kKeptPageEnding.size()), kKeptPageEnding);
}

std::vector<KeptPageReading> ReadKeptPageName(std::u16string_view name) {
  if (!IsKeptPageName(name)) return {};
  const std::u16string_view stem = name.substr(0, name.size() - kKeptPageEnding.size());
  std::vector<KeptPageReading> readings{{stem, 1}};
  // A later page: "(" and the sequence without a leading zero, 2 to
  // kMostKeptPages, then ")".
  if (stem.empty() || stem.back() != u')') return readings;
  const std::size_t open = stem.rfind(u'(');
  if (open == std::u16string_view::npos) return readings;
  const std::u16string_view digits = stem.substr(open + 1, stem.size() - open - 2);
  if (digits.empty() || digits.size() > 3 || digits.front() == u'0') return readings;
  int sequence = 0;
  for (char16_t c : digits) {
    if (c < u'0' || c > u'9') return readings;
    sequence = sequence * 10 + (c - u'0');
  }
  if (sequence >= 2) readings.push_back({stem.substr(0, open), sequence});
  return readings;
}

bool IsShareOwnName(std::u16string_view name) {
  return EqualIgnoringAsciiCase(name, kShareLogName) ||
         EqualIgnoringAsciiCase(name, kKeptPagesFolderName);
}

bool IsNoSubmission(std::u16string_view name) {
  return IsShareOwnName(name) || name.starts_with(u'.');
}

bool IsSafeFileName(std::u16string_view name) {
  if (name.empty() || name == u"." || name == u"..") return false;
  // A PC named like the share log would empty every result on the share with
  // its marker, one named like the pages folder would keep every PC's page
  // out (the share may ignore case, as Windows does).
  if (IsShareOwnName(name)) return false;
  return std::none_of(name.begin(), name.end(), [](char16_t c) {
    return IsControlCharacter(c) ||
           std::u16string_view(u"/\\:*?\"<>|").find(c) != std::u16string_view::npos;
  });
}

}  // namespace webexam
