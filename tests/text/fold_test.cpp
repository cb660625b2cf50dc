#include "text/fold.h"

#include <gtest/gtest.h>

namespace webexam {
namespace {

TEST(Fold, FullWidthFormsNarrowAndGbkAlphabetsLowerLeavingChineseAndSigns) {
  EXPECT_EQ(Fold(u"ＨＲ！＃ＦＦ０a\u3000b\uFFE5\uFFE0"), u"hr!#ff0a b\u00A5\u00A2");
  EXPECT_EQ(Fold(u"BorderColorLIGHT ΑΒΓΩ АБВЯЁ ⅠⅫ ÀÉÖ×Ā"), u"bordercolorlight αβγω абвяё ⅰⅻ àéö×ā");
  EXPECT_EQ(Fold(u"表格是网页的骨架 #0000ff 85% \uFFFD"), u"表格是网页的骨架 #0000ff 85% \uFFFD");
}

TEST(FindInFolded, GivesTheOneBasedPositionOfTheFirstOccurrence) {
  EXPECT_EQ(FindInFolded(Fold(u"abcabc"), u"BC"), 2u);
  EXPECT_EQ(FindInFolded(u"", u"a"), 0u);
  EXPECT_EQ(FindInFolded(u"abc", u""), 1u);
  // The needle is folded; the text was folded once.
  EXPECT_EQ(FindInFolded(Fold(u"<TITLE>欢迎进入网页天地!"), u"<title>欢迎进入网页天地！"), 1u);
  EXPECT_EQ(FindInFolded(Fold(u"a<HR>b<hr>"), u"<Hr>"), 2u);
  EXPECT_EQ(FindInFolded(u"xyz", u"xyzz"), 0u);
}

TEST(Fold, FoldingTwiceChangesNothingMore) {
  // FindInFolded compares folded needles with folded pages as they stand.
  for (char32_t u = 0; u < 0x10000; ++u) {
    const char16_t once = FoldUnit(static_cast<char16_t>(u));
    ASSERT_EQ(FoldUnit(once), once) << std::hex << static_cast<unsigned>(u);
  }
}

}  // namespace
}  // namespace webexam
