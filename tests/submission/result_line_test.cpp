#include "submission/result_line.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace webexam {
namespace {

// The line as the teachers' tools read it back: the typed texts as they are,
// a control character in the computer name (a POSIX host name may hold any)
// as '?', the two-character name in four GBK bytes.
TEST(ResultLine, IsGbkFieldsSeparatedByTabsAndEndedByCrLf) {
  auto platform = MakePlatform();
  const std::string line =
      EncodeResultLine(*platform, BuildResultLine({u" 120722001 ", u"张三", u"PC\t1\x85"},
                                                  test::ResultOf("1100000000000000000001")));
  std::string marks;
  for (int item = 0; item < 19; ++item) marks += "\t0";
  EXPECT_EQ(line, " 120722001 \t\xD5\xC5\xC8\xFD\tPC?1?\t3\t1\t1" + marks + "\t1\r\n");

  ResultLineFields read;
  ParseResultLine(std::string_view(line).substr(0, line.size() - 2), read);
  EXPECT_EQ(read.fault, FieldFault::kNone);
  EXPECT_EQ(read.TextBytes(), " 120722001 \t\xD5\xC5\xC8\xFD\tPC?1?");
  EXPECT_EQ(read.correct_count, 3);
  EXPECT_EQ(read.marks, test::ResultOf("1100000000000000000001").marks);
}

}  // namespace
}  // namespace webexam
