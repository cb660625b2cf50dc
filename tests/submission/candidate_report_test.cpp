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

// The report of 22 marks, byte for byte, is the clients' end-to-end test's;
// here a count of one digit, written over the last report.
TEST_F(CandidateReport, IsTwentyEightGbkLinesByteForByteReplacingTheLastOne) {
  Write("1111111111111111111111");
  const std::string marks = "1100100000000000000011";
  std::string expected = test::Gbk(
      u"考  号：120722001\r\n姓  名：张三\r\n你答对的个数为  5 个\r\n第一列 表示题号\r\n"
      u"第二列 表示该题对错情况，1表示对，0表示错\r\n看完成绩，请关闭此窗口，然后 按 退出\r\n");
  for (int item = 1; item <= 22; ++item) {
    expected += std::to_string(item) + "  " + marks[item - 1] + " \r\n";
  }
  EXPECT_EQ(Write(marks), expected);
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
