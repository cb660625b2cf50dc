// Reading cjwyzz.txt back as the teachers' tools do, from bytes a share really
// holds: torn, mixed, re-saved, damaged (any bytes at all: the share_log fuzz target).
#include "results/share_log_reader.h"

#include <gtest/gtest.h>

#include <tuple>

#include "support/test_support.h"
#include "text/utf8.h"

namespace webexam {
namespace {

using test::Gbk;
using enum LineProblem;

// Read as the lines say, or as lines of an exam of `item_count` items.
ShareLogContent Read(std::string_view bytes, int item_count = 0) {
  static const std::unique_ptr<Platform> platform = MakePlatform();
  return ReadShareLog(
      bytes, [](std::string_view gbk) { return platform->DecodeGbk(gbk); }, item_count);
}

// A result line's fields, no line end; the count the marks' sum unless given.
std::string Fields(std::string_view text, std::string_view marks, int count = -1) {
  if (count < 0) count = static_cast<int>(std::count(marks.begin(), marks.end(), '1'));
  std::string line = std::string(text) + "\t" + std::to_string(count);
  for (char mark : marks) line += std::string("\t") + mark;
  return line;
}

constexpr std::string_view kAll = "1111111111111111111111";
constexpr std::string_view kNone = "0000000000000000000000";

using Notes = std::vector<std::tuple<std::size_t, LineProblem, int, int>>;
Notes NotesOf(const ShareLogContent& log) {
  Notes notes;
  for (const LineNote& n : log.notes) notes.emplace_back(n.line, n.problem, n.value, n.other);
  return notes;
}

TEST(ShareLogReader, MixedLineEndsAByteOrderMarkAndATornLastLine) {
  const std::string bytes = "\xEF\xBB\xBF" + Fields("120722001\t" + Gbk(u"张三") + "\tJF01", kAll) +
                            "\n" + Fields("120722002\tLi\tJF02", kNone) + "\r\n" +
                            Fields("120722003\tWang\tJF03", "1000000000000000000001");
  ShareLogContent log = Read(bytes);
  ASSERT_EQ(log.records.size(), 3u);
  EXPECT_EQ(log.records[1].computer_name, u"JF02");  // no CR left on the last field
  EXPECT_EQ(log.records[2].correct_count, 2);        // complete, though without a line end
  EXPECT_EQ(log.records[2].marks[22], 1);
  EXPECT_EQ(NotesOf(log), (Notes{{1, kByteOrderMark, 0, 0}}));

  // Torn after the TAB of item 13 (its empty field counted) or after a mark (a
  // whole 13-item line): torn all the same, short of the exam's or the others' marks.
  for (const std::size_t cut : {19, 18}) {
    for (const int items : {0, 22}) {
      log = Read(bytes.substr(0, bytes.size() - cut), items);
      EXPECT_EQ(log.records.size(), 2u);
      EXPECT_EQ(NotesOf(log), (Notes{{1, kByteOrderMark, 0, 0}, {3, kTorn, 17, 0}}));
    }
  }
  // Where the other lines are of 13 items, it is one of them.
  const std::string short_exam = Fields("120722001\tA\tJF01", kAll.substr(0, 13)) + "\r\n" +
                                 Fields("120722003\tWang\tJF03", "1000000000001");
  log = Read(short_exam);
  ASSERT_EQ(log.records.size(), 2u);
  EXPECT_EQ(log.records[1].marks.Count(), 13);
  EXPECT_EQ(NotesOf(log), Notes{});
}

TEST(ShareLogReader, UnicodeLinesAreReadAsUtf8AndNoted) {
  // 张三 in UTF-8 reads as rare GBK characters; 李四五 in UTF-8 is no GBK at all;
  // 隆隆 in GBK is valid UTF-8 too ("¡¡"): it stays GBK.
  const ShareLogContent log = Read(Fields("120722001\t张三\tJF01", kAll) + "\r\n" +
                                   Fields("120722002\t李四五\t机房二", kNone) + "\r\n" +
                                   Fields("120722003\t" + Gbk(u"隆隆") + "\tJF03", kNone));
  std::vector<std::u16string> read;
  for (const ShareLogRecord& r : log.records)
    read.push_back(r.candidate_name + u"/" + r.computer_name);
  EXPECT_EQ(read, (std::vector<std::u16string>{u"张三/JF01", u"李四五/机房二", u"隆隆/JF03"}));
  EXPECT_TRUE(log.records[0].read_as_utf8);
  EXPECT_FALSE(log.records[2].read_as_utf8);
  EXPECT_EQ(NotesOf(log), (Notes{{1, kReadAsUtf8, 0, 0}, {2, kReadAsUtf8, 0, 0}}));
}

TEST(ShareLogReader, MalformedLinesAreLeftOutAndNamedByNumber) {
  const std::string lines[] = {
      Fields("120722001\tA\tJF01", kAll),                      // 1: good
      "",                                                      // 2
      Fields("120722003\tA\tJF03\textra", kAll),               // 3: 27 fields
      Fields("120722004\tA\tJF04", kAll, 21),                  // 4: count is not the sum
      Fields("120722005\tA\tJF05", "1111111111111111111112"),  // 5: mark 2 at item 22
      "120722007\tA\tJF07\t23" + Fields("", kAll).substr(3),   // 6: count 23
      Fields("120722008\t\xFF\xFE\tJF08", kNone),              // 7: neither GBK nor UTF-8
      Fields("120722009\tA\x1B[2J\tJF09", kNone),              // 8: an escape sequence
      std::string(200'000, '\t'),                              // 9: very many fields
  };
  std::string bytes;
  for (const std::string& line : lines) bytes += line + "\r\n";
  // As lines of the 22-item exam: one with 23 marks is no line of it.
  const ShareLogContent log = Read(bytes, 22);
  ASSERT_EQ(log.records.size(), 1u);
  EXPECT_EQ(log.line_count, 9u);
  EXPECT_EQ(NotesOf(log), (Notes{{2, kEmpty, 0, 0},
                                 {3, kFieldCount, 27, 0},
                                 {4, kCountNotSum, 21, 22},
                                 {5, kBadMark, 22, 0},
                                 {6, kBadCount, 0, 0},
                                 {7, kUndecodable, 0, 0},
                                 {8, kControlCharacter, 2, 0},
                                 {9, kFieldCount, 200'001, 0}}));
  // Whose each bad line is as far as it can be read: the undecodable one by its
  // ASCII fields, its name shown as what it is not; not the empty or all-TAB line.
  std::vector<std::u16string> who;
  for (const ShareLogRecord& m : log.malformed) {
    who.push_back(Digits(m.line) + u":" + m.exam_number + u"/" + m.computer_name);
  }
  EXPECT_EQ(who, (std::vector<std::u16string>{u"3:120722003/JF03", u"4:120722004/JF04",
                                              u"5:120722005/JF05", u"6:120722007/JF07",
                                              u"7:120722008/JF08", u"8:120722009/JF09"}));
  EXPECT_NE(log.malformed[4].candidate_name.find(u'\uFFFD'), std::u16string::npos);
}

// A log filled by a hostile hand costs no more than its first notes: the rest
// are counted, their lines not kept, and a good line after them is still read.
TEST(ShareLogReader, NotesPastTheFirstAreOnlyCounted) {
  const std::string good = Fields("120722001\tA\tJF01", kAll) + "\r\n";
  std::string bytes = good;
  for (std::size_t k = 0; k < kNotesKept + 50; ++k)
    bytes += Fields("120722002\tB\tJF02", kAll, 3) + "\r\n";
  const ShareLogContent log = Read(bytes + good);
  EXPECT_EQ(log.records.size(), 2u);
  EXPECT_EQ(log.records[1].line, kNotesKept + 52);
  EXPECT_EQ(log.notes_left_off, 50u);
  EXPECT_EQ(log.malformed.size(), kNotesKept);
}

TEST(ShareLogReader, HugeTextFieldsAreCutWithAnEllipsis) {
  const std::string long_name(3'000'000, 'x');
  const ShareLogContent log =
      Read(Fields("120722001\t" + long_name + "\tJF01", kAll) + "\r\n" +
           Fields(std::string(500, '9') + "\t" + Gbk(std::u16string(kFieldKeptLength, u'张')) +
                      "\t" + long_name,
                  kAll, 30) +
           "\r\n");
  ASSERT_EQ(log.records.size(), 1u);
  EXPECT_EQ(log.records[0].candidate_name, std::u16string(kFieldKeptLength - 1, u'x') + u"…");
  ASSERT_EQ(log.malformed.size(), 1u);  // a bad count: still says whose it is, cut
  EXPECT_EQ(log.malformed[0].exam_number.size(), kFieldKeptLength);
  EXPECT_TRUE(log.malformed[0].exam_number.ends_with(u"9…"));
  EXPECT_EQ(log.malformed[0].candidate_name, std::u16string(kFieldKeptLength, u'张'));
  EXPECT_TRUE(log.malformed[0].computer_name.ends_with(u"x…"));
  // A cut never leaves half of a character outside the basic plane.
  std::u16string astral = u"a";
  for (int k = 0; k < 100; ++k) astral += u"\U00020000";
  EXPECT_TRUE(KeptField(astral).ends_with(u"\U00020000…"));
}

// Past the read limit only whole lines are read (a log of many lines is
// webexam_results_test's); one line longer than the limit leaves nothing.
TEST(ShareLogReader, AHeadReadPastTheLimitIsCutAfterItsLastWholeLine) {
  std::string one_long_line(kShareLogReadLimit + 1, 'x');
  EXPECT_TRUE(CutAtReadLimit(one_long_line));
  EXPECT_TRUE(one_long_line.empty());
  const std::string line = Fields("120722001\tA\tJF01", kAll) + "\r\n";
  std::string whole = line;
  EXPECT_FALSE(CutAtReadLimit(whole));
  EXPECT_EQ(whole, line);
}

}  // namespace
}  // namespace webexam
