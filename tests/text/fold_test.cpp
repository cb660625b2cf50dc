#include "text/fold.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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

// For each needle, what the one pass over `text` gives, in the order given.
std::vector<std::size_t> FoundAll(std::vector<std::u16string_view> needles,
                                  std::u16string_view text) {
  const NeedleSet set(needles);
  std::vector<std::size_t> positions;
  set.FindAll(text, positions);
  std::vector<std::size_t> found;
  for (std::u16string_view needle : needles) found.push_back(positions.at(set.IndexOf(needle)));
  return found;
}

TEST(NeedleSet, FindsEachNeedleWhereFindInFoldedDoesInOnePassWhereverTheTextIsSplit) {
  // Needles inside others, sharing starts and ends, repeated, folded alike;
  // the text unfolded, as the set folds each unit as it reads it.
  const std::u16string text = u"<A HREF=x>Bright</a> BorderColorLight aaaa ＨＲ 1984 欢迎！";
  std::vector<std::u16string_view> needles = {u"hr", u"href", u"right", u"bordercolor"};
  needles.insert(needles.end(), {u"bordercolorlight", u"bordercolordark", u"aaa", u"aa", u"4"});
  needles.insert(needles.end(), {u"hr ", u"ＨＲ", u"HR", u"欢迎!", u"</A>", u"abcd", u"", u"x"});
  needles.push_back(u"t B");
  auto one_by_one = [&](std::u16string_view in) {
    std::vector<std::size_t> found;
    for (std::u16string_view needle : needles) found.push_back(FindInFolded(Fold(in), needle));
    return found;
  };
  EXPECT_EQ(FoundAll(needles, text), one_by_one(text));
  EXPECT_EQ(FoundAll(needles, Fold(text)), one_by_one(text));
  EXPECT_EQ(FoundAll(needles, u""), one_by_one(u""));  // the empty needle alone, at 1
  EXPECT_EQ(one_by_one(text)[1], 4u);

  // The pass reads the text in parts side by side: a needle at any place,
  // across any part's end, is found there and nowhere earlier.
  needles = {u"marquee", u"m", u"ee", u"quee ", u"zz"};
  for (std::size_t size : {0u, 1u, 7u, 8u, 33u, 101u}) {
    for (std::size_t at = 0; at + 7 <= size; ++at) {
      std::u16string split(size, u'.');
      split.replace(at, 7, u"MARQUEE");
      ASSERT_EQ(FoundAll(needles, split), one_by_one(split)) << size << " " << at;
    }
  }
}

}  // namespace
}  // namespace webexam
