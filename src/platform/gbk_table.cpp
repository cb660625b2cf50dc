#include "platform/gbk_table.h"

#include <algorithm>
#include <cstring>

namespace webexam {
namespace {

constexpr unsigned kLeadFirst = 0x81, kLeadLast = 0xFE;
constexpr unsigned kTrailFirst = 0x40, kTrailLast = 0xFE;
constexpr char16_t kNoCharacter = 0xFFFD;
// How many bytes the decoder looks at at once for a run of ASCII.
constexpr std::size_t kBlock = 16;

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
  const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t size = bytes.size();
  const char16_t* pairs = pairs_.data();
  char16_t* to = out.data();
  std::size_t at = 0;
  while (at < size) {
    // ASCII first, a block at a time: bytes below 0x80 are the characters
    // they stand for, whatever comes next.
    if (size - at >= kBlock) {
      unsigned char block[kBlock];
      std::memcpy(block, in + at, kBlock);
      unsigned char any = 0;
      for (unsigned char b : block) any |= b;
      if (any < 0x80) {
        for (std::size_t i = 0; i < kBlock; ++i) to[i] = block[i];
        at += kBlock;
        to += kBlock;
        continue;
      }
    }
    // Otherwise character by character to the end of the block.
    const std::size_t block_end = std::min(size, at + kBlock);
    while (at < block_end) {
      const unsigned char b = in[at];
      if (b < 0x80) {
        *to++ = b;
        ++at;
        continue;
      }
      // A lead byte and a byte that may follow it make one character, or one
      // bad character; any other byte above ASCII stands alone.
      const char16_t pair = at + 1 < size ? pairs[b << 8 | in[at + 1]] : 0;
      if (pair != 0) {
        *to++ = pair;
        at += 2;
      } else {
        *to++ = b == 0x80 ? byte_80_ : kNoCharacter;
        ++at;
      }
    }
  }
  out.resize(static_cast<std::size_t>(to - out.data()));
  return out;
}

}  // namespace webexam
