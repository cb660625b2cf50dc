// What webexam-results makes of the lines and markers on a share: the order
// of the table, the statistics, and the anomalies a teacher must look at.
#include "tools/results_summary.h"

#include <gtest/gtest.h>

#include "text/utf8.h"
#include "tools/results_table.h"

namespace webexam {
namespace {

ShareLogRecord Record(std::size_t line, std::u16string number, std::u16string pc,
                      std::string_view marks = "1000000000000000000000") {
  ShareLogRecord record;
  record.line = line;
  record.exam_number = std::move(number);
  record.candidate_name = u"考生";
  record.computer_name = std::move(pc);
  for (std::size_t i = 0; i < marks.size(); ++i) {
    record.marks[i] = marks[i] - '0';
    record.correct_count += record.marks[i];
  }
  return record;
}

std::vector<std::u16string> Texts(const ResultsSummary& summary) {
  std::vector<std::u16string> texts;
  for (const Anomaly& anomaly : summary.anomalies) texts.push_back(anomaly.text);
  return texts;
}

TEST(ResultsSummary, DuplicatesAndMissingMarkersAreNamedWithTheirLines) {
  ShareLogContent log;
  log.line_count = 7;
  log.records = {Record(1, u"120722001", u"JF01"), Record(2, u"120722002", u"JF02"),
                 Record(3, u"120722001", u"JF03"), Record(5, u"120722005", u"jf01"),
                 Record(6, u"120722006", u""),     Record(7, u"120722007", u"JF07")};
  log.notes = {{4, LineProblem::kFieldCount, 25, 0}};
  // The log itself and a probe left by webexam-check are no markers; JF01's
  // marker counts for "jf01" as well, as Windows names them.
  const ResultsSummary summary =
      Summarize(std::move(log), {u"JF09", u"cjwyzz.txt", u"jf01", u"JF03", u"JF07",
                                 u".webexam-check-0123456789abcdef.tmp", u"JF02"});
  EXPECT_EQ(summary.marker_count, 5u);
  EXPECT_EQ(Texts(summary), (std::vector<std::u16string>{
                                u"第 1 行：计算机 JF01 有 2 行成绩（第 1、5 行）",
                                u"第 1 行：考号 120722001 出现在 2 台计算机上（第 1、3 行）",
                                u"第 4 行：有 25 个字段，应为 26 个",
                                u"第 6 行：计算机名为空，共享文件夹里不会有它的记号文件",
                                u"计算机 JF09 留有记号文件，但 cjwyzz.txt 里没有它的成绩行",
                            }));
}

TEST(ResultsSummary, RowsGoByExamNumberAndItemsAreCounted) {
  ShareLogContent log;
  log.records = {Record(1, u"1000000000", u"A", "1100000000000000000000"),
                 Record(2, u"999999999", u"B", "1000000000000000000000"),
                 Record(3, u"x-1", u"C", "0000000000000000000000"),
                 Record(4, u"999999999", u"D", "1110000000000000000000")};
  const ResultsSummary summary = Summarize(std::move(log), {u"A", u"B", u"C", u"D"});
  std::vector<std::size_t> order;
  for (const ShareLogRecord& row : summary.rows) order.push_back(row.line);
  EXPECT_EQ(order, (std::vector<std::size_t>{2, 4, 1, 3}));  // by value, ties by line, text last
  EXPECT_EQ(summary.passed[0], 3);
  EXPECT_EQ(summary.passed[1], 2);
  EXPECT_EQ(summary.passed[2], 1);
  EXPECT_EQ(summary.with_count[0], 1);
  EXPECT_EQ(summary.with_count[3], 1);
  EXPECT_EQ(Percent(2, 4), 50);
  EXPECT_EQ(Percent(1, 8), 13);  // 12.5 rounds up
  EXPECT_FALSE(IsWeakItem(2, 4));
  EXPECT_TRUE(IsWeakItem(1, 4));
}

TEST(ResultsCsv, QuotesFieldsAndDisarmsFormulas) {
  ShareLogContent log;
  log.records = {Record(1, u"120722001", u"JF01")};
  log.records[0].candidate_name = u"=HYPERLINK(\"x\",\"点\")";
  const std::string csv = ResultsCsv(Summarize(std::move(log), {u"JF01"}));
  const std::size_t row = csv.find("\r\n") + 2;
  EXPECT_TRUE(csv.starts_with("\xEF\xBB\xBF" + ToUtf8(u"考号,姓名,计算机,答对数,题1,题2,")));
  std::string expected = ToUtf8(u"120722001,\"'=HYPERLINK(\"\"x\"\",\"\"点\"\")\",JF01,1,1");
  for (int item = 2; item <= kItemCount; ++item) expected += ",0";
  EXPECT_EQ(csv.substr(row), expected + "\r\n");
}

}  // namespace
}  // namespace webexam
