// What webexam-results makes of a share's lines and markers: the table's order,
// the anomalies, the CSV's cells. The rest as printed is held to the golden
// files by webexam_results_test.
#include "results/results_summary.h"

#include <gtest/gtest.h>

#include "text/utf8.h"
#include "tools/common/tool_run.h"
#include "tools/results/results_table.h"

namespace webexam {
namespace {

// A result line of a 22-item exam that passed item 1 alone.
ShareLogRecord Record(std::size_t line, std::u16string number, std::u16string pc) {
  Marks marks(22);
  marks[1] = 1;
  return {line, std::move(number), u"考生", std::move(pc), 1, std::move(marks)};
}

std::vector<std::u16string> Texts(const ResultsSummary& summary) {
  std::vector<std::u16string> texts;
  for (const Anomaly& anomaly : summary.anomalies) texts.push_back(anomaly.text);
  return texts;
}

// The CSV of a share holding one line, of the candidate `name`.
std::string CsvOf(std::u16string_view name) {
  ShareLogContent log;
  log.records = {Record(1, u"120722001", u"JF01")};
  log.records[0].candidate_name = name;
  return ResultsCsv(Summarize(std::move(log), {u"JF01"}));
}

TEST(ResultsSummary, RowsGoByExamNumberAndAnomaliesAreNamedWithTheirLines) {
  ShareLogContent log;
  log.line_count = 9;
  log.records = {Record(1, u"120722001", u"JF01"), Record(2, u"99999999", u"JF02"),
                 Record(3, u"120722001", u"JF03"), Record(5, u"120722005", u"jf01"),
                 Record(6, u"120722006", u""),     Record(7, u"x-7", u"JF07")};
  log.notes = {{1, LineProblem::kByteOrderMark, 0, 0},
               {2, LineProblem::kReadAsUtf8, 0, 0},
               {4, LineProblem::kFieldCount, 25, 0},
               {8, LineProblem::kBadCount, 0, 0},
               {9, LineProblem::kTorn, 16, 0}};
  // The log and a webexam-check probe are no markers; JF01's counts for "jf01".
  const ResultsSummary summary =
      Summarize(std::move(log), {u"JF09", u"cjwyzz.txt", u"jf01", u"JF03", u"JF07",
                                 u".webexam-check-0123456789abcdef.tmp", u"JF02"});
  EXPECT_EQ(summary.marker_count, 5u);
  std::vector<std::size_t> order;  // numbers by value, then by line; text last
  for (const ShareLogRecord& row : summary.rows) order.push_back(row.line);
  EXPECT_EQ(order, (std::vector<std::size_t>{2, 1, 3, 5, 6, 7}));
  EXPECT_EQ(Texts(summary),
            (std::vector<std::u16string>{
                u"第 1 行（120722001 考生）：文件开头有 UTF-8 的 BOM 标记，已略过",
                u"第 1 行（120722001 考生）：计算机 JF01 有 2 行成绩（第 1、5 行）："
                u"先交的第 1 行（120722001 考生，答对 1 题）算数；"
                u"后交的第 5 行（120722005 考生，答对 1 题）。"
                u"各行的考生不同，请按座位表核对谁在这台计算机上考试。"
                u"多半是这台计算机装有还原卡（硬盘保护），重启后本机的交卷记号被还原，"
                u"于是又交了一次",
                u"第 1 行（120722001 考生）：考号 120722001 出现在 2 台计算机上（第 1、3 行）",
                u"第 2 行（99999999 考生）：是 UTF-8 文字而不是 GBK，已按 UTF-8 读出",
                u"第 4 行：有 25 个字段，应为 26 个",
                u"第 6 行（120722006 考生）：计算机名为空，共享文件夹里不会有它的记号文件",
                u"第 8 行：答对数不是 0 到 22 的整数",
                u"第 9 行：最后一行不完整：没有行尾，只有 16 个字段",
                u"计算机 JF09 留有记号文件，但 cjwyzz.txt 里没有它的成绩行",
            }));
}

TEST(ResultsSummary, ExamNumbersMatchAsNumbersAndShowAsTyped) {
  // "0120722001" on the list is the line's "120722001", as a spreadsheet takes it.
  ShareLogContent log;
  log.records = {Record(1, u"120722001", u"JF01"), Record(2, u"0120722001", u"JF02")};
  Roster roster;
  roster.entries = {{1, u"0120722001", u"考生", u""}, {2, u"120722002", u"李四", u""}};
  const ResultsSummary summary = Summarize(std::move(log), {u"JF01", u"JF02"}, &roster);
  ASSERT_EQ(summary.missing.size(), 1u);
  EXPECT_EQ(summary.missing[0].candidate.exam_number, u"120722002");
  EXPECT_EQ(Texts(summary),
            (std::vector<std::u16string>{
                u"第 1 行（120722001 考生）：考号 120722001 出现在 2 台计算机上（第 1、2 行）"}));
}

TEST(ResultsCsv, QuotesFieldsAndDisarmsFormulas) {
  const std::string csv = CsvOf(u"=HYPERLINK(\"x\",\"点\")");
  std::string row = ToUtf8(u"\r\n120722001,\"'=HYPERLINK(\"\"x\"\",\"\"点\"\")\",JF01,1,1");
  for (int item = 2; item <= 22; ++item) row += ",0";
  EXPECT_TRUE(csv.ends_with(row + ",1,\r\n")) << csv;
  // Blanks before it or full-width forms fool no spreadsheet; a sign inside is none.
  for (const std::u16string_view name : {u" =1+1", u"\u3000=1+1", u"\uFF1D1+1", u"\uFF20A1"}) {
    EXPECT_TRUE(test::Holds(CsvOf(name), ",'" + ToUtf8(name) + ","));
  }
  EXPECT_TRUE(test::Holds(CsvOf(u"李-四"), u",李-四,"));
}

}  // namespace
}  // namespace webexam
