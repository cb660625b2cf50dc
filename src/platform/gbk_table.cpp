#include "platform/gbk_table.h"

#include <cstdint>
#include <cstring>

namespace webexam {
namespace {

constexpr unsigned kLeadFirst = 0x81, kLeadLast = 0xFE;
constexpr unsigned kTrailFirst = 0x40, kTrailLast = 0xFE;
constexpr unsigned kTrailCount = kTrailLast - kTrailFirst + 1;
constexpr char16_t kNoCharacter = 0xFFFD;

bool IsLead(unsigned char b) { return b >= kLeadFirst && b <= kLeadLast; }
bool IsTrail(unsigned char b) { return b >= kTrailFirst && b <= kTrailLast && b != 0x7F; }

// The private use area, where Windows puts GBK's user-defined codes: they are
// no characters of the exam, and they decode as such on every platform.
bool IsPrivateUse(char16_t c) { return c >= 0xE000 && c <= 0xF8FF; }

}  // namespace

void GbkTable::Build() {
  pairs_.assign((kLeadLast - kLeadFirst + 1) * kTrailCount, kNoCharacter);
  for (unsigned lead = kLeadFirst; lead <= kLeadLast; ++lead) {
    for (unsigned trail = kTrailFirst; trail <= kTrailLast; ++trail) {
      if (!IsTrail(static_cast<unsigned char>(trail))) continue;
      const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
      const std::optional<char16_t> c = codec_({pair, 2});
      if (c && !IsPrivateUse(*c)) {
        pairs_[(lead - kLeadFirst) * kTrailCount + (trail - kTrailFirst)] = *c;
      }
    }
  }
  const std::optional<char16_t> euro = codec_("\x80");
  byte_80_ = euro && !IsPrivateUse(*euro) ? *euro : kNoCharacter;
}

std::u16string GbkTable::Decode(std::string_view bytes) {
  if (pairs_.empty()) Build();
  std::u16string out(bytes.size(), u'\0');  // never more units than bytes
  std::size_t n = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    // Pages are mostly markup: eight ASCII bytes at a time.
    while (i + 8 <= bytes.size()) {
      std::uint64_t word;
      std::memcpy(&word, bytes.data() + i, sizeof word);
      if (word & 0x8080808080808080u) break;
      for (int k = 0; k < 8; ++k) out[n + k] = static_cast<unsigned char>(bytes[i + k]);
      i += 8;
      n += 8;
    }
    if (i >= bytes.size()) break;
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x80) {
      out[n++] = b;
    } else if (b == 0x80) {
      out[n++] = byte_80_;
    } else if (IsLead(b) && i + 1 < bytes.size() &&
               IsTrail(static_cast<unsigned char>(bytes[i + 1]))) {
      // A lead byte and a byte that may follow it make one character, or one
      // bad character.
      const auto trail = static_cast<unsigned char>(bytes[++i]);
      out[n++] = pairs_[(b - kLeadFirst) * kTrailCount + (trail - kTrailFirst)];
    } else {
      out[n++] = kNoCharacter;  // 0xFF, or a lead byte alone or cut at the end
    }
  }
  out.resize(n);
  return out;
}

}  // namespace webexam
