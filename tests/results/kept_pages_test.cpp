// The names of the kept pages and how a result line finds its page again:
// exam numbers and PC names hold "-" and ".", so a name is never split.
#include "results/kept_pages.h"

#include <gtest/gtest.h>

namespace webexam {
namespace {

ShareLogRecord Line(std::size_t line, std::u16string number, std::u16string pc) {
  return {line, std::move(number), u"考生", std::move(pc), 0, {}};
}

using Names = std::vector<std::u16string>;

TEST(KeptPages, TheLinesOfOnePcTakeItsPagesInOrder) {
  // JF01 submitted thrice, once for another candidate; its name in another case;
  // "lab-1.x" and "lab-1" whose names run into each other's; pages of nobody.
  const std::vector<ShareLogRecord> lines = {
      Line(1, u"120722001", u"JF01"),  Line(2, u"120722002", u"lab-1.x"),
      Line(3, u"120722001", u"JF01"),  Line(4, u"120722009", u"jf01"),
      Line(5, u"120722002", u"lab-1"), Line(6, u"120722003", u"JF03")};
  const KeptPages kept = MatchKeptPages(
      lines, {u"120722001-JF01(2).htm", u"120722001-JF01.htm", u"120722009-JF01.HTM",
              u"120722002-lab-1.x.htm", u"120722002-lab-1.htm", u"120722001-JF01(3).htm",
              u"120722001-JF01(02).htm", u"notes.txt", u"120722004-JF04.htm"});
  EXPECT_EQ(kept.of_line,
            (std::unordered_map<std::size_t, std::u16string>{{1, u"120722001-JF01.htm"},
                                                             {2, u"120722002-lab-1.x.htm"},
                                                             {3, u"120722001-JF01(2).htm"},
                                                             {4, u"120722009-JF01.HTM"},
                                                             {5, u"120722002-lab-1.htm"}}));
  // A third page for two lines, a number written otherwise, a PC without a line.
  EXPECT_EQ(kept.without_line,
            (Names{u"120722001-JF01(02).htm", u"120722001-JF01(3).htm", u"120722004-JF04.htm"}));
  EXPECT_TRUE(kept.ambiguous.empty());
  EXPECT_TRUE(kept.fewer_pages.empty());
}

TEST(KeptPages, ANameTwoLinesWouldBothBuildIsNobodysAndMissingPagesAreSaid) {
  // 120722001 on A-B and an edited "120722001-A" on B both name 120722001-A-B.htm;
  // PC "A(2)" names its first page as PC A its second.
  const std::vector<ShareLogRecord> lines = {
      Line(1, u"120722001", u"A-B"),  Line(2, u"120722001-A", u"B"), Line(3, u"120722001", u"A"),
      Line(4, u"120722001", u"A(2)"), Line(5, u"120722001", u"A"),   Line(6, u"120722002", u"B"),
      Line(7, u"120722002", u"B")};
  const KeptPages kept = MatchKeptPages(
      lines, {u"120722001-A-B.htm", u"120722001-A.htm", u"120722001-A(2).htm", u"120722002-B.htm"});
  EXPECT_EQ(kept.ambiguous, (Names{u"120722001-A(2).htm", u"120722001-A-B.htm"}));
  EXPECT_EQ(kept.of_line, (std::unordered_map<std::size_t, std::u16string>{
                              {3, u"120722001-A.htm"}, {6, u"120722002-B.htm"}}));
  // Paired with their first lines; whether rightly, only the order says.
  EXPECT_EQ(kept.fewer_pages, (std::vector<std::vector<std::size_t>>{{3, 5}, {6, 7}}));
}

}  // namespace
}  // namespace webexam
