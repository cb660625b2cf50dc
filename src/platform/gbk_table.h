// GBK decoding through a table asked once of the platform's own codec, so
// that both platforms decode pages identically and fast: a byte sequence that
// is no character becomes U+FFFD, the way Windows splits bytes into
// characters.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace webexam {

class GbkTable {
 public:
  // Gives the one character that a one- or two-byte sequence stands for, or
  // nothing when it stands for none.
  using Codec = std::function<std::optional<char16_t>(std::string_view bytes)>;

  explicit GbkTable(Codec codec) : codec_(std::move(codec)) {}

  std::u16string Decode(std::string_view bytes);

 private:
  void Build();

  Codec codec_;
  std::vector<char16_t> pairs_;  // what every two bytes make, built on first use
  char16_t byte_80_ = 0xFFFD;    // the one single byte above ASCII that may be a character
};

}  // namespace webexam
