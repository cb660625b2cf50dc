// Text the browser does not show, and the items that passed only on it.
#include "grading/hidden_text.h"

#include <gtest/gtest.h>

#include "grading/grade_page.h"
#include "support/test_support.h"

namespace webexam {
namespace {

// Masked units as dots, to compare masks by eye.
std::u16string Mask(std::u16string_view text) {
  std::u16string masked = MaskHiddenText(text);
  EXPECT_EQ(masked.size(), text.size());
  for (char16_t& c : masked) {
    if (c == u'\uFFFD') c = u'.';
  }
  return masked;
}

std::u16string Dots(std::size_t count) { return std::u16string(count, u'.'); }

TEST(MaskHiddenText, CommentsScriptsAndStylesToTheirEndWhateverTheirCaseAndNothingElse) {
  EXPECT_EQ(Mask(u"a<!-- hr -->b"), u"a...........b");
  EXPECT_EQ(Mask(u"<SCRIPT type=\"x\">hr</Script >c"), Dots(29) + u"c");
  EXPECT_EQ(Mask(u"<style>p{}</style>d"), Dots(18) + u"d");
  EXPECT_EQ(Mask(u"<!-->hr<!--->hr"), Dots(5) + u"hr" + Dots(6) + u"hr");
  // Lines stay where they are, for --explain's places.
  EXPECT_EQ(Mask(u"<!--a\nb-->c"), Dots(5) + u"\n" + Dots(4) + u"c");
  // Names that only start alike, a closing tag alone, a "<!" that is no comment.
  for (std::u16string_view text :
       {u"<scripts>hr</scripts>", u"<styles>hr", u"</script>hr", u"<!DOCTYPE html>hr", u"<p>"}) {
    EXPECT_EQ(MaskHiddenText(text), text);
  }
  // A closing tag whose name only starts alike does not end the block.
  EXPECT_EQ(Mask(u"<script></scripts>hr</script>e"), Dots(29) + u"e");
  // An open comment or block runs to the end.
  EXPECT_EQ(Mask(u"a<!-- hr"), u"a.......");
  EXPECT_EQ(Mask(u"a<script>hr"), u"a..........");
  EXPECT_EQ(Mask(u"a<style>hr</style"), u"a................");
}

TEST(HiddenText, MarksOfTextAreGradingsMarks) {
  auto platform = MakePlatform();
  test::TempDir dir;
  for (const std::string& page : {test::ReadBytes(test::ModelAnswer()), std::string(),
                                  test::Gbk(u"<!-- 17-1.bmp --> abcd <title>欢迎进入网页天地!")}) {
    test::WriteBytes(dir.path() / "index.htm", page);
    EXPECT_EQ(MarksOfText(test::SampleExam().key, platform->DecodeGbk(page)),
              GradePage(*platform, test::SampleExam().key, dir / "index.htm").marks);
  }
}

// Whole rooms with pages hidden in comments and scripts are copies_test.py's;
// here, the edges of an item.
TEST(HiddenText, ItemsPassedOnlyOnHiddenText) {
  // One of an item's texts hidden is enough; an item failing anyway is none.
  EXPECT_EQ(ItemsPassedOnHiddenText(test::SampleExam().key,
                                    u"<hr width=85%><style>#ff0000</style> <script>11%"),
            (std::vector<int>{2, 12}));
  EXPECT_TRUE(ItemsPassedOnHiddenText(test::SampleExam().key, u"<hr><!-- 85% -->").empty());
  // Hiding a text that must be absent passes nothing the page fails.
  EXPECT_TRUE(ItemsPassedOnHiddenText(test::SampleExam().key, u"<!-- abcd -->").empty());
}

}  // namespace
}  // namespace webexam
