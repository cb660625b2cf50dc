#include "results/candidate_report.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace webexam {
namespace {

using test::Gbk;
using test::Hex;
using test::ReadBytes;
using test::ResultOf;
using test::TempDir;
namespace fs = std::filesystem;

class CandidateReport : public ::testing::Test {
 protected:
  std::vector<std::string> Write(const GradeResult& result) {
    WriteCandidateReport(*platform_, paths_, state_, result);
    return test::CrLfLines(ReadBytes(dir_.path() / "cj.txt"));
  }

  std::unique_ptr<Platform> platform_ = MakePlatform();
  TempDir dir_;
  ExamPaths paths_ = MakeExamPaths(test::U16(dir_.path()), u"/program", u"/share/", u'/');
  ExamState state_{u"120722001", u"张三", u"JF07", u"", u""};
};

TEST_F(CandidateReport, IsTwentyEightGbkLinesByteForByte) {
  const auto lines = Write(ResultOf("1100100000000000000011"));  // 5 passed
  ASSERT_EQ(lines.size(), 28u);
  EXPECT_EQ(lines[0], Gbk(u"考  号：") + "120722001\r\n");
  EXPECT_EQ(lines[0].substr(0, 8), Hex("BF BC 20 20 BA C5 A3 BA"));
  EXPECT_EQ(lines[1], Gbk(u"姓  名：张三") + "\r\n");
  EXPECT_EQ(lines[2], Hex("C4 E3 B4 F0 B6 D4 B5 C4 B8 F6 CA FD CE AA 20  20 35 20  B8 F6 0D 0A"));
  EXPECT_EQ(lines[3], Gbk(u"第一列 表示题号\r\n"));
  EXPECT_EQ(lines[4], Gbk(u"第二列 表示该题对错情况，1表示对，0表示错\r\n"));
  EXPECT_EQ(lines[5], Gbk(u"看完成绩，请关闭此窗口，然后 按 退出\r\n"));
  EXPECT_EQ(lines[6], Hex("31 20 20 31 20 0D 0A"));      // item 1 passed
  EXPECT_EQ(lines[15], Hex("31 30 20 20 30 20 0D 0A"));  // item 10 failed
  EXPECT_EQ(lines[27], Hex("32 32 20 20 31 20 0D 0A"));  // item 22 passed
  EXPECT_NE(lines[0].substr(0, 3), "\xEF\xBB\xBF");
}

TEST_F(CandidateReport, PrintsEveryCountWithItsBlanks) {
  const std::string head = Hex("C4 E3 B4 F0 B6 D4 B5 C4 B8 F6 CA FD CE AA 20");
  const std::string tail = Hex("B8 F6 0D 0A");
  EXPECT_EQ(Write(ResultOf("0000000000000000000000"))[2], head + " 0 " + tail);
  EXPECT_EQ(Write(ResultOf("1111111111111110000000"))[2], head + " 15 " + tail);
  const auto all = Write(ResultOf("1111111111111111111111"));
  EXPECT_EQ(all[2], head + " 22 " + tail);
  for (int item = 1; item <= 22; ++item) {
    EXPECT_EQ(all[static_cast<std::size_t>(item + 5)], std::to_string(item) + "  1 \r\n");
  }
}

TEST_F(CandidateReport, ReplacesTheOldReportInsteadOfGrowingIt) {
  Write(ResultOf("1111111111111111111111"));
  const auto lines = Write(ResultOf("0000000000000000000000"));
  EXPECT_EQ(lines.size(), 28u);
  EXPECT_EQ(lines[6], "1  0 \r\n");
}

#ifdef _WIN32
TEST_F(CandidateReport, AReportTheListingDoesNotNameExactlyIsAppendedTo) {
  // Stored as CJ.TXT: the listing gives that name, which is not "cj.txt".
  test::WriteBytes(dir_.path() / "CJ.TXT", "old\r\n");
  WriteCandidateReport(*platform_, paths_, state_, ResultOf("0000000000000000000000"));
  EXPECT_EQ(test::CrLfLines(ReadBytes(dir_.path() / "cj.txt")).size(), 29u);

  // Hidden: the listing does not find it at all.
  fs::remove(dir_.path() / "CJ.TXT");
  test::WriteBytes(dir_.path() / "cj.txt", "old\r\n");
  ::SetFileAttributesW((dir_.path() / "cj.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
  WriteCandidateReport(*platform_, paths_, state_, ResultOf("0000000000000000000000"));
  EXPECT_EQ(test::CrLfLines(ReadBytes(dir_.path() / "cj.txt")).size(), 29u);
}
#endif

}  // namespace
}  // namespace webexam
