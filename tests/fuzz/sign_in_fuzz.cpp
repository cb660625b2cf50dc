// The sign-in window's start button on any two texts. The input is UTF-16LE;
// its first unit is the length of the exam number in units, the number
// follows, the name is the rest. Whatever the texts, they are stored as
// typed; blanks around a number do not change the answer; and what is
// accepted can be written into the result line: a number, a name, both in
// GBK and free of control characters.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "client/sign_in.h"
#include "fuzz_harness.h"

namespace {

using namespace webexam;
using fuzz::Expect;

// A control character, or a line or paragraph separator: none may go into
// the result line.
bool HasControl(std::u16string_view text) {
  for (const char16_t c : text) {
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::u16string units(size / 2, u'\0');
  std::memcpy(units.data(), data, units.size() * 2);
  if (units.empty()) return 0;
  const std::size_t number_size = units[0] < units.size() ? units[0] : units.size() - 1;
  const std::u16string number = units.substr(1, number_size);
  const std::u16string name = units.substr(1 + number_size);

  // An exam whose numbers start at 100000000, as the sample exam's do.
  static const Exam exam{.bad_number_message = u"考号不对", .least_number = 1e8};
  Platform& platform = fuzz::ThePlatform();
  ExamState state;
  const SignInOutcome outcome = SignIn(platform, state, exam, number, name);
  Expect(state.exam_number == number && state.candidate_name == name, "texts not stored as typed");
  const bool is_number = IsExamNumber(number, 1e8);
  Expect(IsExamNumber(u" " + number + u"\u3000 ", 1e8) == is_number,
         "blanks around the number changed the answer");
  if (outcome == SignInOutcome::kAccepted) {
    Expect(is_number && !name.empty(), "accepted without a number or a name");
    Expect(!HasControl(number) && !HasControl(name), "accepted a control character");
    try {
      platform.EncodeGbk(number);
      platform.EncodeGbk(name);
    } catch (const PlatformError&) {
      fuzz::Fail("accepted a text GBK cannot write");
    }
  }
  return 0;
}
