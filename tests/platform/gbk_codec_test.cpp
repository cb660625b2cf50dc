// GBK vectors that every platform's codec must agree on, so that the Windows
// and the Linux clients read pages and write files identically.
#include <gtest/gtest.h>

#include "platform/platform.h"
#include "support/failing_platform.h"

namespace webexam {
namespace {

using test::Hex;

struct Vector {
  const char* gbk_hex;
  std::u16string_view text;
};

constexpr Vector kBothWays[] = {
    {"BF BC BA C5", u"考号"},
    {"D0 D5 C3 FB A3 BA", u"姓名："},
    {"A3 A1 A1 A1", u"！\u3000"},  // full-width '!' and the ideographic space
    {"A8 A6 80", u"é€"},
    {"81 40 FD 93", u"\u4E02\u9F98"},  // characters of the GBK extension
    {"3C 74 69 74 6C 65 3E 09 0D 0A", u"<title>\t\r\n"},
};

TEST(GbkCodec, DecodesAndEncodesTheSharedVectors) {
  auto platform = MakePlatform();
  for (const Vector& v : kBothWays) {
    EXPECT_EQ(platform->DecodeGbk(Hex(v.gbk_hex)), v.text) << v.gbk_hex;
    EXPECT_EQ(platform->EncodeGbk(v.text), Hex(v.gbk_hex)) << v.gbk_hex;
  }
}

TEST(GbkCodec, WhatIsNoCharacterBecomesAReplacementBetweenAsciiRunsOfAnyLength) {
  // ASCII goes a block at a time: runs of every length around the block's, between
  // a character, a non-character byte, a bad pair and a cut lead byte.
  auto platform = MakePlatform();
  for (std::size_t run = 0; run <= 40; ++run) {
    const std::string ascii(run, 'a');
    const std::u16string text(run, u'a');
    EXPECT_EQ(platform->DecodeGbk(ascii + Hex("BF BC") + ascii + Hex("FF") + ascii + Hex("BF 30") +
                                  ascii + Hex("BF")),
              text + u"考" + text + u"\uFFFD" + text + u"\uFFFD0" + text + u"\uFFFD")
        << run;
  }
  // A user-defined code is one bad character; NUL bytes are characters.
  EXPECT_EQ(platform->DecodeGbk(Hex("AA A1 41")), u"\uFFFDA");
  EXPECT_EQ(platform->DecodeGbk(std::string("a\0b", 3)), std::u16string(u"a\0b", 3));
}

TEST(GbkCodec, RefusesToEncodeWhatGbkCannotHold) {
  auto platform = MakePlatform();
  for (std::u16string_view text : {std::u16string_view(u"张\U0001F600"), std::u16string_view(u"한"),
                                   std::u16string_view(u"\xD800")}) {
    EXPECT_FALSE(platform->CanEncodeGbk(text));
    EXPECT_TRUE(
        test::ThrowsPlatformError([&] { platform->EncodeGbk(text); }, test::Kind::kOther, u""));
  }
  EXPECT_TRUE(platform->CanEncodeGbk(u"张三 abc"));
}

}  // namespace
}  // namespace webexam
