#include "submission/share_layout.h"

#include <algorithm>

#include "state/exam_paths.h"
#include "text/characters.h"
#include "text/utf8.h"

namespace webexam {

std::u16string KeptPageName(std::u16string_view exam_number, std::u16string_view computer_name,
                            int sequence) {
  std::u16string name = std::u16string(exam_number) + u"-" + std::u16string(computer_name);
  if (sequence > 1) name += u"(" + Digits(sequence) + u")";
  return name + std::u16string(kKeptPageEnding);
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
