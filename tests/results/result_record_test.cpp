#include "results/result_record.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace webexam {
namespace {

using test::ReadBytes;
using test::TempDir;

template <typename Char>
std::basic_string<Char> Repeat(std::basic_string_view<Char> piece, int times) {
  std::basic_string<Char> out;
  for (int i = 0; i < times; ++i) out += piece;
  return out;
}

TEST(ResultRecord, IsTwentySixTabSeparatedFieldsInGbkEndedByCrLf) {
  TempDir dir;
  auto platform = MakePlatform();
  ExamState state{u"120722001", u"张三", u"JF07", u"marquee", u"kk"};
  AppendResultRecord(*platform, dir / "cjj.txt",
                     BuildResultRecord(state, test::ResultOf("1100000000000000000001")));
  // The two-character name takes four bytes; nineteen failed items between.
  EXPECT_EQ(ReadBytes(dir.path() / "cjj.txt"),
            "120722001\t\xD5\xC5\xC8\xFD\tJF07\t3\t1\t1" + Repeat<char>("\t0", 19) + "\t1\r\n");
}

TEST(ResultRecord, CountsOfNoneAndAllAreWrittenAsPlainDigits) {
  ExamState state{u"1", u"a", u"PC", u"", u""};
  EXPECT_EQ(BuildResultRecord(state, GradeResult{}), u"1\ta\tPC\t0" + Repeat<char16_t>(u"\t0", 22));

  GradeResult all;
  for (int item = 1; item <= kItemCount; ++item) all.marks[static_cast<std::size_t>(item)] = 1;
  all.correct_count = 22;
  EXPECT_EQ(BuildResultRecord(state, all), u"1\ta\tPC\t22" + Repeat<char16_t>(u"\t1", 22));
}

TEST(ResultRecord, KeepsTheTypedTextsAsTheyAreAndAppendsToTheLog) {
  TempDir dir;
  auto platform = MakePlatform();
  ExamState state{u" 120722001 ", u" ", u"jf07", u"", u""};
  const std::u16string record = BuildResultRecord(state, GradeResult{});
  EXPECT_EQ(record.substr(0, 18), u" 120722001 \t \tjf07");
  AppendResultRecord(*platform, dir / "cjj.txt", record);
  AppendResultRecord(*platform, dir / "cjj.txt", record);
  const std::string line = " 120722001 \t \tjf07\t0" + Repeat<char>("\t0", 22) + "\r\n";
  EXPECT_EQ(ReadBytes(dir.path() / "cjj.txt"), line + line);
}

}  // namespace
}  // namespace webexam
