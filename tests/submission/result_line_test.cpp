#include "submission/result_line.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace webexam {
namespace {

std::string Repeat(std::string_view piece, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += piece;
  return out;
}

TEST(ResultRecord, IsTwentySixTabSeparatedGbkFieldsAppendedAsCrLfLines) {
  test::TempDir dir;
  auto platform = MakePlatform();
  auto append = [&](const ExamState& state, std::string_view marks) {
    AppendResultRecord(*platform, dir / "cjj.txt", BuildResultRecord(state, test::ResultOf(marks)));
  };
  append({u"120722001", u"张三", u"JF07"}, "1100000000000000000001");
  // The typed texts go as they are.
  append({u" 120722001 ", u" ", u"jf07"}, "0000000000000000000000");
  // The two-character name takes four bytes; nineteen failed items between.
  EXPECT_EQ(test::ReadBytes(dir.path() / "cjj.txt"),
            "120722001\t\xD5\xC5\xC8\xFD\tJF07\t3\t1\t1" + Repeat("\t0", 19) + "\t1\r\n" +
                " 120722001 \t \tjf07\t0" + Repeat("\t0", 22) + "\r\n");
}

}  // namespace
}  // namespace webexam
