#include "text/sha256.h"

#include <gtest/gtest.h>

#include <string>

namespace webexam {
namespace {

// The test vectors of FIPS 180-2: padding that fits the last block, padding
// that needs a block of its own, and a long input.
TEST(Sha256, GivesTheStandardDigests) {
  EXPECT_EQ(Sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(Sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(Sha256Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
  EXPECT_EQ(Sha256Hex(std::string(1'000'000, 'a')),
            "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

TEST(Sha256, InputAddedInPiecesGivesTheDigestOfTheWhole) {
  const std::string text(200, 'x');
  for (const std::size_t cut :
       {std::size_t{1}, std::size_t{55}, std::size_t{64}, std::size_t{130}}) {
    Sha256 pieces;
    pieces.Add(std::string_view(text).substr(0, cut));
    pieces.Add(std::string_view(text).substr(cut));
    Sha256 whole;
    whole.Add(text);
    EXPECT_EQ(pieces.Finish(), whole.Finish()) << cut;
  }
}

}  // namespace
}  // namespace webexam
