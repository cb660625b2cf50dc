// Reading cjwyzz.txt back as the teachers' tools do, from the bytes a share
// really ends up holding: torn, mixed, re-saved, or garbage.
#include "results/share_log_reader.h"

#include <gtest/gtest.h>

#include <random>

#include "support/test_support.h"

namespace webexam {
namespace {

using test::Gbk;

class ShareLogReaderTest : public ::testing::Test {
 protected:
  ShareLogContent Read(std::string_view bytes) {
    return ReadShareLog(bytes, [this](std::string_view gbk) { return platform_->DecodeGbk(gbk); });
  }
  std::unique_ptr<Platform> platform_ = MakePlatform();
};

// A result line's fields, without the line end: the count is the sum of the
// marks unless one is given.
std::string Fields(std::string_view text, std::string_view marks, int count = -1) {
  if (count < 0) count = static_cast<int>(std::count(marks.begin(), marks.end(), '1'));
  std::string line = std::string(text) + "\t" + std::to_string(count);
  for (char mark : marks) line += std::string("\t") + mark;
  return line;
}

constexpr std::string_view kAll = "1111111111111111111111";
constexpr std::string_view kNone = "0000000000000000000000";

using Found = std::vector<std::pair<std::size_t, LineProblem>>;

Found Problems(const ShareLogContent& log) {
  Found problems;
  for (const LineNote& note : log.notes) problems.emplace_back(note.line, note.problem);
  return problems;
}

TEST_F(ShareLogReaderTest, MixedLineEndsAByteOrderMarkAndATornButCompleteLastLine) {
  const std::string bytes = "\xEF\xBB\xBF" + Fields("120722001\t" + Gbk(u"张三") + "\tJF01", kAll) +
                            "\n" + Fields("120722002\tLi\tJF02", kNone) + "\r\n" +
                            Fields("120722003\tWang\tJF03", "1000000000000000000001");
  const ShareLogContent log = Read(bytes);
  ASSERT_EQ(log.records.size(), 3u);
  EXPECT_EQ(log.line_count, 3u);
  EXPECT_EQ(log.records[0].exam_number, u"120722001");
  EXPECT_EQ(log.records[0].candidate_name, u"张三");
  EXPECT_EQ(log.records[0].correct_count, 22);
  EXPECT_EQ(log.records[1].computer_name, u"JF02");  // no CR left on the last field
  EXPECT_EQ(log.records[2].line, 3u);
  EXPECT_EQ(log.records[2].correct_count, 2);
  EXPECT_EQ(log.records[2].marks[21], 1);
  EXPECT_EQ(Problems(log), (Found{{1, LineProblem::kByteOrderMark}}));
}

TEST_F(ShareLogReaderTest, ATornLastLineShortOfFieldsIsReported) {
  const std::string whole = Fields("120722001\tZhang\tJF01", kAll) + "\r\n";
  const ShareLogContent log = Read(whole + whole.substr(0, 30));
  EXPECT_EQ(log.records.size(), 1u);
  ASSERT_EQ(log.notes.size(), 1u);
  EXPECT_EQ(log.notes[0].line, 2u);
  EXPECT_EQ(log.notes[0].problem, LineProblem::kTorn);
  EXPECT_EQ(log.notes[0].value, 8);  // "120722001", "Zhang", "JF01", "22", "1", "1", "1", ""
}

TEST_F(ShareLogReaderTest, UnicodeLinesAreReadAsUtf8AndNoted) {
  // 张三 in UTF-8 is also a valid GBK byte sequence, but reads as rare
  // characters there; 李四五 in UTF-8 is no GBK text at all.
  const std::string utf8_valid_gbk = Fields("120722001\t张三\tJF01", kAll);
  const std::string utf8_invalid_gbk = Fields("120722002\t李四五\t机房二", kNone);
  // 隆隆 in GBK is valid UTF-8 too, but reads as "¡¡" there: it stays GBK.
  const std::string gbk_valid_utf8 = Fields("120722003\t" + Gbk(u"隆隆") + "\tJF03", kNone);
  const ShareLogContent log =
      Read(utf8_valid_gbk + "\r\n" + utf8_invalid_gbk + "\r\n" + gbk_valid_utf8 + "\r\n");
  ASSERT_EQ(log.records.size(), 3u);
  EXPECT_EQ(log.records[0].candidate_name, u"张三");
  EXPECT_TRUE(log.records[0].read_as_utf8);
  EXPECT_EQ(log.records[1].candidate_name, u"李四五");
  EXPECT_EQ(log.records[1].computer_name, u"机房二");
  EXPECT_EQ(log.records[2].candidate_name, u"隆隆");
  EXPECT_FALSE(log.records[2].read_as_utf8);
  EXPECT_EQ(Problems(log), (Found{{1, LineProblem::kReadAsUtf8}, {2, LineProblem::kReadAsUtf8}}));
}

TEST_F(ShareLogReaderTest, MalformedLinesAreLeftOutAndNamedByNumber) {
  const std::string lines[] = {
      Fields("120722001\tA\tJF01", kAll),                      // 1: good
      "",                                                      // 2
      Fields("120722003\tA\tJF03\textra", kAll),               // 3: 27 fields
      Fields("120722004\tA\tJF04", kAll, 21),                  // 4: count is not the sum
      Fields("120722005\tA\tJF05", "1111111111111111111112"),  // 5: mark 2 at item 22
      Fields("120722006\tA\tJF06", "11111 1111111111111111"),  // 6: blank at item 6
      "120722007\tA\tJF07\t23" + Fields("", kAll).substr(3),   // 7: count 23
      Fields("120722008\t\xFF\xFE\tJF08", kNone),              // 8: neither GBK nor UTF-8
      Fields("120722009\tA\x1B[2J\tJF09", kNone),              // 9: an escape sequence
  };
  std::string bytes;
  for (const std::string& line : lines) bytes += line + "\r\n";
  const ShareLogContent log = Read(bytes);
  ASSERT_EQ(log.records.size(), 1u);
  EXPECT_EQ(log.line_count, 9u);
  EXPECT_EQ(Problems(log), (Found{{2, LineProblem::kEmpty},
                                  {3, LineProblem::kFieldCount},
                                  {4, LineProblem::kCountNotSum},
                                  {5, LineProblem::kBadMark},
                                  {6, LineProblem::kBadMark},
                                  {7, LineProblem::kBadCount},
                                  {8, LineProblem::kUndecodable},
                                  {9, LineProblem::kControlCharacter}}));
  EXPECT_EQ(log.notes[1].value, 27);
  EXPECT_EQ(log.notes[2].value, 21);
  EXPECT_EQ(log.notes[2].other, 22);
  EXPECT_EQ(log.notes[3].value, 22);
  EXPECT_EQ(log.notes[4].value, 6);
  EXPECT_EQ(log.notes[7].value, 2);
}

TEST_F(ShareLogReaderTest, GarbageIsReportedLineByLine) {
  std::mt19937 random(7);
  std::string bytes;
  for (int i = 0; i < 1 << 20; ++i) {
    // Mostly line ends, TABs and digits among arbitrary bytes, so that some
    // lines come close to records.
    const unsigned pick = random() % 16;
    bytes += pick == 0   ? '\n'
             : pick == 1 ? '\r'
             : pick < 5  ? '\t'
             : pick < 8  ? char('0' + pick % 2)
                         : static_cast<char>(random());
  }
  bytes += std::string(200'000, '\t');  // one line of many fields
  const ShareLogContent log = Read(bytes);
  std::size_t problems = 0;
  for (const LineNote& note : log.notes) problems += IsProblem(note.problem) ? 1 : 0;
  EXPECT_EQ(log.records.size() + problems, log.line_count);
  EXPECT_GT(log.line_count, 10'000u);
  EXPECT_EQ(log.notes.back().problem, LineProblem::kFieldCount);
  EXPECT_GT(log.notes.back().value, 200'000);
}

}  // namespace
}  // namespace webexam
