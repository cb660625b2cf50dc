// The class list as teachers save it (CSV or text, GBK or UTF-8, a header, stray
// blanks), its lines that are no candidate, and webexam-check --roster on a file.
// The results against it are webexam_results_test's golden files.
#include "results/roster.h"

#include <gtest/gtest.h>

#include "tools/common/tool_run.h"

namespace webexam {
namespace {

using test::Gbk;
namespace fs = std::filesystem;

Roster Read(std::string_view bytes) {
  static const std::unique_ptr<Platform> platform = MakePlatform();
  return ReadRoster(bytes, [](std::string_view gbk) { return platform->DecodeGbk(gbk); });
}

std::vector<std::u16string> Entries(const Roster& roster) {
  std::vector<std::u16string> entries;
  for (const RosterEntry& e : roster.entries) {
    entries.push_back(Digits(e.line) + u":" + e.exam_number + u"|" + e.name + u"|" +
                      e.computer_name);
  }
  return entries;
}

std::vector<std::u16string> Problems(const Roster& roster) {
  std::vector<std::u16string> problems;
  for (const RosterProblem& p : roster.problems) problems.push_back(p.text);
  return problems;
}

TEST(Roster, ReadsEveryEncodingAndSeparatorASpreadsheetSaves) {
  const std::u16string list =
      u"考号,姓名,计算机\r\n120722001, 张三 ,JF01\r\n\r\n120722002\t李四\r\n"
      u"\"120722003\",\"欧阳,修远\",,\r\n";
  const std::vector<std::u16string> want = {u"2:120722001|张三|JF01", u"4:120722002|李四|",
                                            u"5:120722003|欧阳,修远|"};
  for (const std::string& bytes : {Gbk(list), "\xEF\xBB\xBF" + ToUtf8(list), ToUtf8(list)}) {
    const Roster roster = Read(bytes);
    EXPECT_EQ(Entries(roster), want);
    EXPECT_EQ(roster.header_line, 1u);
    EXPECT_TRUE(roster.problems.empty()) << ToUtf8(Problems(roster).front());
  }
  EXPECT_FALSE(Read(Gbk(list)).read_as_utf8);
  EXPECT_TRUE(Read(ToUtf8(list)).read_as_utf8);
}

TEST(Roster, NamesEveryLineThatIsNoCandidate) {
  const Roster roster =
      Read(Gbk(u"120722001,张三\n"  // no header: the first line is a candidate
               u"考号,姓名\n"       // a header anywhere else is a bad line
               u"120722002\n"       // no name
               u"120722003,王五,JF03,多余\n"
               u"120722001,张三\n"  // listed twice
               u",李四\n"
               u"120722004,王\x01五\n"));
  EXPECT_EQ(Entries(roster), (std::vector<std::u16string>{u"1:120722001|张三|"}));
  EXPECT_EQ(roster.header_line, 0u);
  EXPECT_EQ(Problems(roster), (std::vector<std::u16string>{
                                  u"第 2 行：考号“考号”不全是数字",
                                  u"第 3 行：考号 120722002 后面没有姓名",
                                  u"第 4 行：有 4 项，应为考号、姓名，可再加计算机名",
                                  u"第 5 行：考号 120722001 在第 1 行已经有了",
                                  u"第 6 行：没有考号",
                                  u"第 7 行：有控制字符",
                              }));
  // Bytes that are text in neither encoding are not taken for a name.
  EXPECT_EQ(Problems(Read("120722001,\x81\x20\n")),
            (std::vector<std::u16string>{u"第 1 行：无法识读：既不是 GBK 也不是 UTF-8 文字"}));
}

using RosterCheck = test::ToolRun;

TEST_F(RosterCheck, WebexamCheckSaysWhatTheListHoldsAndFailsOnABadLine) {
  const fs::path good = dir_.path() / "good.txt", bad = dir_.path() / "bad.txt";
  test::WriteBytes(good, Gbk(u"考号\t姓名\r\n120722001\t张三\r\n120722002\t李四\r\n"));
  test::WriteBytes(bad, Gbk(u"120722001,张三\r\n120722001,李四\r\n"));
  EXPECT_EQ(Run("webexam-check", {"--roster", good.string()}), 0);
  EXPECT_EQ(out_, ToUtf8(u"名单：2 名考生，第 1 行是表头（GBK）；没有错行\n"));
  EXPECT_EQ(Run("webexam-check", {"--roster", bad.string()}), 1);
  EXPECT_TRUE(Says(u"第 2 行：考号 120722001 在第 1 行已经有了")) << out_;
  EXPECT_EQ(Run("webexam-check", {"--roster", (dir_.path() / "missing.txt").string()}), 1);
}

}  // namespace
}  // namespace webexam
