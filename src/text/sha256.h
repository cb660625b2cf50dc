// SHA-256 (FIPS 180-4), for the teacher's journal of the results share: a
// kept page is known again by its hash, so that a page written over with
// other bytes is told from the one first seen. Our own, as the Windows
// tools are one static file with no crypto library.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace webexam {

class Sha256 {
 public:
  Sha256();
  void Add(std::string_view bytes);
  // The digest of everything added; the object is spent after it.
  std::array<std::uint8_t, 32> Finish();

 private:
  void Block(const std::uint8_t* block);

  std::array<std::uint32_t, 8> state_;
  std::array<std::uint8_t, 64> buffer_{};
  std::size_t buffered_ = 0;
  std::uint64_t length_ = 0;  // bytes added
};

// The digest of `bytes` as 64 lower-case hex digits.
std::string Sha256Hex(std::string_view bytes);

}  // namespace webexam
