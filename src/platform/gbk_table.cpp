#include "platform/gbk_table.h"

namespace webexam {
namespace {

constexpr unsigned kLeadFirst = 0x81, kLeadLast = 0xFE;
constexpr unsigned kTrailFirst = 0x40, kTrailLast = 0xFE;
constexpr char16_t kNoCharacter = 0xFFFD;

bool IsTrail(unsigned char b) { return b >= kTrailFirst && b <= kTrailLast && b != 0x7F; }

// The private use area, where Windows puts GBK's user-defined codes: they are
// no characters of the exam, and they decode as such on every platform.
bool IsPrivateUse(char16_t c) { return c >= 0xE000 && c <= 0xF8FF; }

}  // namespace

void GbkTable::Build() {
  // What any two bytes make, indexed by the first times 256 plus the second:
  // zero where they are no pair.
  pairs_.assign(0x100 * 0x100, 0);
  for (unsigned lead = kLeadFirst; lead <= kLeadLast; ++lead) {
    for (unsigned trail = kTrailFirst; trail <= kTrailLast; ++trail) {
      if (!IsTrail(static_cast<unsigned char>(trail))) continue;
      const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
      const std::optional<char16_t> c = codec_({pair, 2});
      pairs_[lead << 8 | trail] = c && *c != 0 && !IsPrivateUse(*c) ? *c : kNoCharacter;
    }
  }
  const std::optional<char16_t> euro = codec_("\x80");
  byte_80_ = euro && !IsPrivateUse(*euro) ? *euro : kNoCharacter;
}

std::u16string GbkTable::Decode(std::string_view bytes) {
  if (pairs_.empty()) Build();
  std::u16string out(bytes.size(), u'\0');  // never more units than bytes
  std::size_t to = 0;
  std::size_t at = 0;
  while (at < bytes.size()) {
    const auto b = static_cast<unsigned char>(bytes[at]);
    if (b < 0x80) {
      out[to++] = b;
      ++at;
      continue;
    }
    // A lead byte and a byte that may follow it make one character, or one
    // bad character; any other byte above ASCII stands alone.
    const char16_t pair =
        at + 1 < bytes.size() ? pairs_[b << 8 | static_cast<unsigned char>(bytes[at + 1])] : 0;
    if (pair != 0) {
      out[to++] = pair;
      at += 2;
    } else {
      out[to++] = b == 0x80 ? byte_80_ : kNoCharacter;
      ++at;
    }
  }
  out.resize(to);
  return out;
}

}  // namespace webexam
