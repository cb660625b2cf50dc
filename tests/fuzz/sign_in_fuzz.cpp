// The sign-in window's start button on any two texts. The input is UTF-16LE;
// its first unit is the length of the exam number in units, the number
// follows, the name is the rest. Whatever the texts, they are stored as
// typed; blanks around a number do not change the answer; a number reads as
// one to the C library too; and what is accepted can be written into the
// result line: a number, a name, both in GBK and free of control characters.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "client/sign_in.h"
#include "platform/platform.h"

namespace {

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "%s\n", what);
  std::abort();
}

bool HasControl(std::u16string_view text) {
  for (const char16_t c : text) {
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029) return true;
  }
  return false;
}

// An exam whose numbers start at 100000000, as the sample exam's do.
const webexam::Exam& SampleExamForFuzzing() {
  static const webexam::Exam exam = [] {
    webexam::Exam made;
    made.bad_number_message = u"考号不对";
    made.least_number = 1e8;
    return made;
  }();
  return exam;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::unique_ptr<webexam::Platform> platform = webexam::MakePlatform();
  std::u16string units(size / 2, u'\0');
  std::memcpy(units.data(), data, units.size() * 2);
  if (units.empty()) return 0;
  const std::size_t number_size = units[0] < units.size() ? units[0] : units.size() - 1;
  const std::u16string number = units.substr(1, number_size);
  const std::u16string name = units.substr(1 + number_size);

  webexam::ExamState state;
  const webexam::SignInOutcome outcome =
      webexam::SignIn(*platform, state, SampleExamForFuzzing(), number, name);
  if (state.exam_number != number || state.candidate_name != name)
    Fail("texts not stored as typed");
  const bool is_number = webexam::IsExamNumber(number, 1e8);
  if (webexam::IsExamNumber(u" " + number + u"\u3000 ", 1e8) != is_number) {
    Fail("blanks around the number changed the answer");
  }
  if (is_number) {
    // A number is ASCII once its blanks are gone, and reads as at least
    // 100000000 with the C library too.
    std::string ascii;
    for (const char16_t c : number) {
      if (c == u' ' || c == u'\u3000') continue;
      if (c > 0x7F) Fail("a number with a character beyond ASCII");
      ascii += static_cast<char>(c);
    }
    if (!(std::strtod(ascii.c_str(), nullptr) >= 1e8)) Fail("a number below 100000000");
  }
  if (outcome == webexam::SignInOutcome::kAccepted) {
    if (!is_number || name.empty()) Fail("accepted without a number or a name");
    if (HasControl(number) || HasControl(name)) Fail("accepted a control character");
    try {
      platform->EncodeGbk(number);
      platform->EncodeGbk(name);
    } catch (const webexam::PlatformError&) {
      Fail("accepted a text GBK cannot write");
    }
  }
  return 0;
}
