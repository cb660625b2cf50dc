#include "platform/gbk_table.h"

#include <bit>
#include <cstdint>
#include <cstring>

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
  // Never more units than bytes, and room for the eight units the ASCII step
  // may write past the last one.
  std::u16string out(bytes.size() + 8, u'\0');
  const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto* const end = in + bytes.size();
  char16_t* to = out.data();
  const char16_t* const pairs = pairs_.data();
  while (in < end) {
    const unsigned b = *in;
    if (b < 0x80) {
      // Pages are mostly markup: ASCII goes eight bytes at a time while it
      // lasts, the end of a run by the count of its ASCII bytes.
      while (end - in >= 8) {
        // (Copied out first: the compiler then knows that the bytes and the
        // units cannot overlap, and widens them in one step.)
        unsigned char eight[8];
        std::memcpy(eight, in, sizeof eight);
        for (int k = 0; k < 8; ++k) to[k] = eight[k];
        std::uint64_t word;
        std::memcpy(&word, eight, sizeof word);
        const std::uint64_t high = word & 0x8080808080808080u;
        if (high != 0) {
          const int ascii = std::endian::native == std::endian::little ? std::countr_zero(high) / 8
                                                                       : std::countl_zero(high) / 8;
          in += ascii;
          to += ascii;
          break;
        }
        in += 8;
        to += 8;
      }
      while (in < end && *in < 0x80) *to++ = *in++;
    } else {
      // Chinese text comes in runs of high bytes: four pairs at a time while
      // they last and are all characters.
      while (end - in >= 8) {
        std::uint64_t word;
        std::memcpy(&word, in, sizeof word);
        if ((word & 0x8080808080808080u) != 0x8080808080808080u) break;
        const char16_t c0 = pairs[in[0] << 8 | in[1]];
        const char16_t c1 = pairs[in[2] << 8 | in[3]];
        const char16_t c2 = pairs[in[4] << 8 | in[5]];
        const char16_t c3 = pairs[in[6] << 8 | in[7]];
        if ((c0 == 0) | (c1 == 0) | (c2 == 0) | (c3 == 0)) break;
        to[0] = c0;
        to[1] = c1;
        to[2] = c2;
        to[3] = c3;
        in += 8;
        to += 4;
      }
      if (in >= end || *in < 0x80) continue;
      // A lead byte and a byte that may follow it make one character, or one
      // bad character; any other byte above ASCII stands alone.
      const unsigned lead = *in;
      const char16_t pair = in + 1 < end ? pairs[lead << 8 | in[1]] : 0;
      if (pair != 0) {
        *to++ = pair;
        in += 2;
      } else {
        *to++ = lead == 0x80 ? byte_80_ : kNoCharacter;
        ++in;
      }
    }
  }
  out.resize(static_cast<std::size_t>(to - out.data()));
  return out;
}

}  // namespace webexam
