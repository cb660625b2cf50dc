// webexam-grade run for real as a teacher runs it, and the evidence for an
// appeal: --explain on a page, webexam-results --regrade on a share the real
// submission kept pages on. How pages are graded is tests/grading's.
#include <gtest/gtest.h>

#include "tools/common/tool_run.h"

namespace webexam {
namespace {

using test::ReadBytes;
using test::U16;
using test::WriteBytes;
namespace fs = std::filesystem;

using Evidence = test::ToolRun;

// A Chinese folder, the missing page not created: grade_console_test.py's.
TEST_F(Evidence, GradePrintsOneLinePerPageAndNamesThePagesItCannotRead) {
  const fs::path folder = dir_.path();
  WriteBytes(folder / "index.htm", ReadBytes(test::ModelAnswer()));
  const std::string model = ToUtf8(U16(folder / "index.htm"));
  const std::string missing = ToUtf8(U16(folder / "missing.htm"));
  const std::string no_folder = ToUtf8(U16(dir_.path() / "none" / "index.htm"));
  const std::string empty = ToUtf8(U16(dir_.path() / "empty.htm"));
  const std::string a_folder = ToUtf8(U16(dir_.path()));
  WriteBytes(dir_.path() / "empty.htm", "");
  // The rest are graded all the same; the missing page is not created.
  EXPECT_EQ(Run("webexam-grade", {model, missing, no_folder, empty, a_folder}), 1);
  std::string want = model + "\t22";
  for (int i = 0; i < 22; ++i) want += "\t1";
  want += "\n" + empty + "\t1";
  for (int i = 1; i <= 22; ++i) want += i == 14 ? "\t1" : "\t0";
  EXPECT_EQ(out_, want + "\n");
  for (const std::string& page : {missing, no_folder}) {
    EXPECT_TRUE(test::Holds(err_, ToUtf8(u"webexam-grade: 没有这个网页：") + page + "\n"));
  }
  EXPECT_TRUE(test::Holds(err_, ToUtf8(u"webexam-grade: 读不了网页 ") + a_folder + ToUtf8(u"：")));
  EXPECT_EQ(std::count(err_.begin(), err_.end(), '\n'), 3) << err_;
}

TEST_F(Evidence, ExplainSaysWhereEachTextIsAndWhatLiesBeyondTheLimit) {
  const std::string head = test::Gbk(u"<title>欢迎进入网页天地！</title>\r\n  <HR>\r\n");
  const fs::path page = dir_.path() / "index.htm";
  WriteBytes(page, head + std::string(32000 - head.size(), ' ') + "17-1.bmp\r\n");
  EXPECT_EQ(Run("webexam-grade", {"--explain", page.string()}), 0);
  EXPECT_TRUE(Says(u"答对 2 题，共 22 题。")) << out_;
  EXPECT_TRUE(Says(u"（本页 32010 字节）"));
  EXPECT_TRUE(Says(u"第 1 题：不通过\n  没有找到“17-1.BMP”：它在第 3 行第 " +
                   Digits(32000 - head.size() + 1) + u" 列，超出了前 32000 字节\n"))
      << out_;
  EXPECT_TRUE(Says(u"  没有找到“85%”\n"));
  EXPECT_TRUE(
      Says(u"第 14 题：通过（这一题要求页面里没有“abcd”：有它就不通过，没有才通过）\n"
           u"  没有找到“abcd”\n"));

  // The marks are grading's own: the same as webexam-grade's line.
  EXPECT_EQ(Run("webexam-grade", {"--explain", (dir_.path() / "missing.htm").string()}), 1);
  EXPECT_TRUE(err_.starts_with(ToUtf8(u"webexam-grade: 没有这个网页："))) << err_;
  EXPECT_FALSE(fs::exists(dir_.path() / "missing.htm"));
}

TEST_F(Evidence, RegradeListsLinesThatNoLongerMatchTheirKeptPage) {
  const fs::path share = dir_.path() / "share";
  fs::create_directories(share);
  const std::string model = ReadBytes(test::ModelAnswer());
  Submit(share, "pc1", model, {u"120722001", u"张三", u"JF01"});
  Submit(share, "pc2", "", {u"120722002", u"李四", u"JF02"});
  // Each page as its line says is real_smb_test.py's tools case. Someone raised
  // 李四's line from 1 to 2 items.
  std::string log = ReadBytes(share / "cjwyzz.txt");
  std::string before = "JF02\t1", after = "JF02\t2";
  for (int item = 1; item <= 22; ++item) {
    before += item == 14 ? "\t1" : "\t0";
    after += item == 14 || item == 1 ? "\t1" : "\t0";
  }
  ASSERT_NE(log.find(before), std::string::npos);
  log.replace(log.find(before), before.size(), after);
  WriteBytes(share / "cjwyzz.txt", log);
  // A page without a line, and a line without a page.
  WriteBytes(share / "pages" / "120722009-JF09.htm", model);
  std::string line = test::Gbk(u"120722003\t王五\tJF03\t0");
  for (int item = 1; item <= 22; ++item) line += "\t0";
  WriteBytes(share / "cjwyzz.txt", log + line + "\r\n");

  EXPECT_EQ(Run("webexam-results", {"--regrade", share.string()}), 0);
  EXPECT_TRUE(Says(u"里的 3 个页面：与成绩行不同的 1 个\n")) << out_;
  EXPECT_TRUE(
      Says(u"第 2 行（120722002 李四）：成绩行答对 2 题，重评答对 1 题；"
           u"不同的题：第 1 题（成绩行 1，重评 0）\n"))
      << out_;
  EXPECT_TRUE(
      Says(u"pages/120722009-JF09.htm：cjwyzz.txt 里没有这台计算机这个考号的成绩行"
           u"（重评答对 22 题）\n"));
  EXPECT_TRUE(Says(u"没有留下页面的成绩行（1 行）：第 3 行\n"));
#ifndef _WIN32
  // A page named on a POSIX share clears no screen: its escape is replaced.
  WriteBytes(share / "pages" / "\x1b[2J.htm", "");
  EXPECT_EQ(Run("webexam-results", {"--regrade", share.string()}), 0);
  EXPECT_TRUE(Says(u"pages/\uFFFD[2J.htm：")) << out_;
  EXPECT_EQ(out_.find('\x1b'), std::string::npos);
#endif
}

}  // namespace
}  // namespace webexam
