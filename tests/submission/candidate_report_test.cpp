#include "submission/candidate_report.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace webexam {
namespace {

namespace fs = std::filesystem;

class CandidateReport : public ::testing::Test {
 protected:
  std::string Write(std::string_view marks) {
    WriteCandidateReport(*platform_, paths_, state_, test::ResultOf(marks));
    return test::ReadBytes(dir_.path() / "cj.txt");
  }

  std::unique_ptr<Platform> platform_ = MakePlatform();
  test::TempDir dir_;
  ExamPaths paths_ =
      MakeExamPaths(test::U16(dir_.path()), u"/program", u"620722001", u"/share/", u'/');
  ExamState state_{u"120722001", u"张三", u"JF07"};
};

TEST_F(CandidateReport, IsTwentyEightGbkLinesByteForByteReplacingTheLastOne) {
  // Each count with a blank before and after it; each written over the last.
  for (const auto& [marks, count] : {std::pair{"1100100000000000000011", " 5 "},
                                     {"1111111111111111111111", " 22 "},
                                     {"0000000000000000000000", " 0 "}}) {
    std::string expected = test::Gbk(u"考  号：120722001\r\n姓  名：张三\r\n你答对的个数为 ") +
                           count +
                           test::Gbk(
                               u"个\r\n第一列 表示题号\r\n第二列 表示该题对错情况，1表示对，"
                               u"0表示错\r\n看完成绩，请关闭此窗口，然后 按 退出\r\n");
    for (int item = 1; item <= 22; ++item) {
      expected += std::to_string(item) + "  " + marks[item - 1] + " \r\n";
    }
    EXPECT_EQ(Write(marks), expected) << marks;
  }
  // The same bytes not through iconv: full-width colon, no byte-order mark.
  EXPECT_EQ(Write("0000000000000000000000").substr(0, 8), test::Hex("BF BC 20 20 BA C5 A3 BA"));
}

#ifdef _WIN32
TEST_F(CandidateReport, AReportTheListingDoesNotNameExactlyIsAppendedTo) {
  // Stored as CJ.TXT: the listing gives that name, which is not "cj.txt".
  test::WriteBytes(dir_.path() / "CJ.TXT", "old\r\n");
  EXPECT_EQ(test::CrLfLines(Write("0000000000000000000000")).size(), 29u);

  // Hidden: the listing does not find it at all.
  fs::remove(dir_.path() / "CJ.TXT");
  test::WriteBytes(dir_.path() / "cj.txt", "old\r\n");
  ::SetFileAttributesW((dir_.path() / "cj.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(test::CrLfLines(Write("0000000000000000000000")).size(), 29u);
}
#endif

}  // namespace
}  // namespace webexam
