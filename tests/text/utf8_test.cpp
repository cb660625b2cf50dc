#include "text/utf8.h"

#include <gtest/gtest.h>

namespace webexam {
namespace {

TEST(Utf8, RoundTripsChineseAndAstralCharactersAndReplacesWhatIsMalformed) {
  const std::u16string text = u"考号 120722001 \U0001F600 ！";
  EXPECT_EQ(ToUtf8(text), "考号 120722001 \xF0\x9F\x98\x80 ！");
  EXPECT_EQ(FromUtf8(ToUtf8(text)), text);
  // Malformed input becomes replacement characters.
  EXPECT_EQ(FromUtf8("a\xFF"
                     "b"),
            u"a\uFFFDb");
  EXPECT_EQ(FromUtf8("\xC0\xAF"), u"\uFFFD\uFFFD");                       // overlong '/'
  EXPECT_EQ(FromUtf8("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");             // a surrogate
  EXPECT_EQ(FromUtf8("\xE8\xAF"), u"\uFFFD\uFFFD");                       // cut at the end
  EXPECT_EQ(FromUtf8("\xF4\x90\x80\x80"), std::u16string(4, u'\uFFFD'));  // past U+10FFFF
  EXPECT_EQ(ToUtf8(std::u16string(1, char16_t{0xD800})), "\xEF\xBF\xBD");
}

}  // namespace
}  // namespace webexam
