#include "text/characters.h"

#include <gtest/gtest.h>

namespace webexam {
namespace {

TEST(Characters, ControlCharactersAreC0DelAndC1) {
  for (char16_t c : {u'\0', u'\t', u'\r', u'\n', u'\x1F', u'\x7F', u'\x80', u'\x85', u'\x9F'}) {
    EXPECT_TRUE(IsControlCharacter(c)) << static_cast<int>(c);
  }
  for (char16_t c : {u' ', u'~', u'\xA0', u'\u3000', u'张', u'\uFFFD'}) {
    EXPECT_FALSE(IsControlCharacter(c)) << static_cast<int>(c);
  }
  EXPECT_TRUE(HasControlCharacter(u"JF\u008507"));
  EXPECT_FALSE(HasControlCharacter(u"JF-07 机房"));
}

TEST(Characters, AsciiCaseIsIgnoredAndNothingElse) {
  EXPECT_TRUE(EqualIgnoringAsciiCase(u"CJWYZZ.TXT", u"cjwyzz.txt"));
  EXPECT_TRUE(EqualIgnoringAsciiCase("SMB://Server", "smb://server"));
  EXPECT_FALSE(EqualIgnoringAsciiCase(u"cjwyzz.txt", u"cjwyzz.tx"));
  // Full-width and Latin-1 letters are other names on a Windows share.
  EXPECT_FALSE(EqualIgnoringAsciiCase(u"Ａ", u"ａ"));
  EXPECT_FALSE(EqualIgnoringAsciiCase(u"É", u"é"));
  EXPECT_EQ(AsciiLower(u"JF07-ÀБ"), u"jf07-ÀБ");
}

}  // namespace
}  // namespace webexam
