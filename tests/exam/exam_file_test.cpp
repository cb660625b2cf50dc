// The exam's file: the sample gives the exam as always graded, mistakes are
// refused with their line, the bytes tell the encoding, the seal holds.
#include "exam/exam_file.h"

#include <gtest/gtest.h>

#include "exam/exam_folder_files.h"
#include "exam/sealed_exam.h"
#include "support/test_support.h"
#include "text/sha256.h"
#include "text/utf8.h"

namespace webexam {
namespace {

using test::Gbk;
using namespace std::string_view_literals;
namespace fs = std::filesystem;

// Two exams are the same when the writer, which writes every field and text in
// order, writes them alike.
void ExpectSameExam(const Exam& got, const Exam& want) {
  EXPECT_EQ(ExamFileText(got), ExamFileText(want));
}

class ExamFileTest : public ::testing::Test {
 protected:
  Exam Parse(std::string_view bytes) { return ParseExamFile(*platform_, bytes, u"exam.txt"); }
  // The error the bytes are refused with; fails the test when they are not.
  ExamFileError Refusal(std::string_view bytes) {
    try {
      Parse(bytes);
    } catch (const ExamFileError& error) {
      return error;
    }
    ADD_FAILURE() << "taken: " << bytes;
    return ExamFileError(u"", -1, u"");
  }
  void ExpectRefused(std::string_view bytes, int line, std::u16string_view words) {
    const ExamFileError error = Refusal(bytes);
    EXPECT_EQ(error.line(), line) << error.what();
    EXPECT_NE(error.problem().find(words), std::u16string::npos) << error.what();
    if (line > 0) {
      EXPECT_NE(error.message().find(u"第 " + Digits(line) + u" 行"), std::u16string::npos);
    }
  }

  std::unique_ptr<Platform> platform_ = MakePlatform();
};

// Everything but the items, as a teacher writes it.
constexpr std::string_view kHead =
    "标题：第二套\n"
    "登录提示：考号范围：2001至2999\n"
    "考号出错提示：考号不对\n"
    "考号开头：2\n"
    "最小考号：2001\n"
    "考生文件夹：exam2\n";

TEST_F(ExamFileTest, TheSampleFileGivesTheExamOfTodayAndReadsBackFromWhatItWrites) {
  const Exam& sample = test::SampleExam();
  // The exam pages have always been graded by: any change to exam/exam.txt
  // changes this digest of what it gives.
  EXPECT_EQ(Sha256Hex(ExamFileText(sample)),
            "13dc3ffd4cfe3ee5f7866c46601fcda06dca34ecc007f0271233ad2309001d13")
      << ExamFileText(sample);
  ASSERT_EQ(ItemCount(sample.key), 22);
  EXPECT_EQ(sample.key[7].probe_texts, (std::vector<std::u16string>{u" height", u"88"}));
  // Written and read again, blanks kept where they count (" height").
  ExpectSameExam(Parse(ExamFileText(sample)), sample);

  // A value in quotes is taken as it stands; unquoted, blanks around it go.
  const Exam quoted =
      Parse(std::string(kHead) + "第1题：都要有\n文字：  a b  \n文字：\" c \"\n文字：\"\"d\"\"\n");
  EXPECT_EQ(quoted.key[0].probe_texts, (std::vector<std::u16string>{u"a b", u" c ", u"\"d\""}));
  ExpectSameExam(Parse(ExamFileText(quoted)), quoted);
}

TEST_F(ExamFileTest, MalformedFilesAreRefusedWithTheirLine) {
  const std::string head(kHead);
  // A field left out is the file's fault as a whole.
  ExpectRefused("标题：x\n第1题：都要有\n文字：a\n", 0, u"缺少“登录提示”");
  ExpectRefused(head, 0, u"一道题也没有");
  ExpectRefused(head + "第1题：都得有\n文字：a\n", 7, u"不认识的规则“都得有”");
  ExpectRefused(head + "第1题：都要有\n", 7, u"第1题下面没有“文字”");
  ExpectRefused(head + "文字：a\n", 7, u"要写在某道题");
  ExpectRefused(head + "第2题：都要有\n文字：a\n", 7, u"题号应是 1");
  ExpectRefused(head + "第1题：都要有\n文字：a\n题目：b\n", 9, u"不认识的名称“题目”");
  ExpectRefused(head + "第1题：都要有\n文字 a\n", 8, u"没有冒号");
  ExpectRefused(head + "标题：又一个\n第1题：都要有\n文字：a\n", 7, u"第 1 行已经有了");
  ExpectRefused(head + "第1题：都要有\n文字：\n", 8, u"文字是空的");
  ExpectRefused(head + "第1题：都要有\n文字：\xF0\x9F\x98\x80\n", 8, u"GBK 没有的字");
  std::string items;
  for (int item = 1; item <= kMostItems + 1; ++item) {
    items += "第" + std::to_string(item) + "题：都不能有\n文字：t" + std::to_string(item) + "\n";
  }
  ExpectRefused(head + items, 6 + 2 * kMostItems + 1, u"最多 50 道");
  // 50 items and many texts to an item are an exam.
  const std::size_t last = items.rfind("第51题");
  EXPECT_EQ(ItemCount(Parse(head + items.substr(0, last) + "文字：u\n文字：v\n").key), kMostItems);

  // The candidate folder the client removes whole: never one the system keeps.
  for (const char* name : {"Windows", "..\\x", "con", "COM1", "a b", "", "Users",
                           "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456"}) {
    std::string file = head;
    file.replace(file.find("exam2"), 5, name);
    ExpectRefused(file + "第1题：都要有\n文字：a\n", 6, u"考生文件夹的名字");
  }
  EXPECT_TRUE(IsSafeCandidateFolderName(u"620722001"));
  EXPECT_TRUE(IsSafeCandidateFolderName(u"Exam2com"));
}

TEST_F(ExamFileTest, TheEncodingIsToldByTheBytes) {
  const std::u16string text = FromUtf8(std::string(kHead) + "第1题：都要有\n文字：楷体\n");
  // As Notepad saves it: UTF-8 with or without its mark, and GBK ("ANSI").
  for (const std::string& bytes : {ToUtf8(text), "\xEF\xBB\xBF" + ToUtf8(text), Gbk(text)}) {
    const Exam exam = Parse(bytes);
    EXPECT_EQ(exam.title, u"第二套");
    EXPECT_EQ(exam.key[0].probe_texts[0], u"楷体");
  }
  // "Unicode" (UTF-16) either way round is refused, and text in neither on its line.
  ExpectRefused(
      "\xFF\xFE"
      "a\0"sv,
      0, u"UTF-16");
  ExpectRefused(
      "\xFE\xFF"
      "\0a"sv,
      0, u"UTF-16");
  ExpectRefused(Gbk(text + u"文字：") + "\xFF\xFF\n", 9, u"既不是 UTF-8 也不是 GBK");
  ExpectRefused("\xEF\xBB\xBF" + Gbk(text), 1, u"标明是 UTF-8");
}

TEST_F(ExamFileTest, TheSealedCopyReadsBackOnlyAsSealed) {
  const Exam& sample = test::SampleExam();
  const std::string sealed = SealExam(sample);
  EXPECT_EQ(SealExam(sample), sealed);
  EXPECT_TRUE(IsSealedExam(sealed));
  EXPECT_EQ(sealed.find(ToUtf8(u"网页制作题型集锦")), std::string::npos);
  EXPECT_EQ(sealed.find("marquee"), std::string::npos);
  ExpectSameExam(UnsealExam(*platform_, sealed, u"exam.sealed"), sample);

  // One byte changed anywhere after the first line, or the file cut short.
  for (std::size_t at : {std::size_t{30}, sealed.size() / 2, sealed.size() - 1}) {
    std::string changed = sealed;
    changed[at] ^= 0x20;
    EXPECT_THROW(UnsealExam(*platform_, changed, u"exam.sealed"), ExamFileError) << at;
  }
  EXPECT_THROW(UnsealExam(*platform_, sealed.substr(0, sealed.size() - 3), u"exam.sealed"),
               ExamFileError);
  EXPECT_THROW(UnsealExam(*platform_, ExamFileText(sample), u"exam.sealed"), ExamFileError);

  // A teacher's tool reads the editable file first, a client only the sealed.
  test::TempDir dir;
  test::WriteBytes(dir.path() / "exam.sealed", sealed);
  std::u16string read;
  EXPECT_EQ(ItemCount(LoadExam(*platform_, test::U16(dir.path()), &read).key), 22);
  EXPECT_TRUE(read.ends_with(u"exam.sealed"));
  test::WriteBytes(dir.path() / "exam.txt", std::string(kHead) + "第1题：都要有\n文字：a\n");
  EXPECT_EQ(LoadExam(*platform_, test::U16(dir.path()), &read).title, u"第二套");
  EXPECT_TRUE(read.ends_with(u"exam.txt"));
  EXPECT_EQ(LoadSealedExam(*platform_, test::U16(dir.path())).title, sample.title);
}

}  // namespace
}  // namespace webexam
