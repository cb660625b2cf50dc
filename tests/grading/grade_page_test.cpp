#include "grading/grade_page.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace webexam {
namespace {

class GradePageTest : public ::testing::Test {
 protected:
  GradeResult Grade(std::string_view bytes) {
    test::WriteBytes(dir_.path() / "index.htm", bytes);
    return GradePage(*platform_, test::SampleExam().key, page_);
  }
  static std::string Marks(const GradeResult& result) {
    std::string marks;
    for (int item = 1; item <= 22; ++item) marks += static_cast<char>('0' + result.Mark(item));
    return marks;
  }

  std::unique_ptr<Platform> platform_ = MakePlatform();
  test::TempDir dir_;
  std::u16string page_ = dir_ / "index.htm";
  const std::string model_answer_ = test::ReadBytes(test::ModelAnswer());
};

// The model answer's and an empty page's marks are webexam-grade's lines in
// evidence_test; a page that cannot be read, and binary and huge ones, are
// bad_input_test's.
TEST_F(GradePageTest, AMissingPageIsGradedAsEmptyAndLeftBehind) {
  EXPECT_EQ(GradePage(*platform_, test::SampleExam().key, page_).correct_count, 1);
  EXPECT_EQ(test::ReadBytes(dir_.path() / "index.htm"), "");
}

TEST_F(GradePageTest, AbcdFailsItem14AloneUnlessItLiesBeyondTheCut) {
  GradeResult result = Grade(model_answer_ + "abcd");
  EXPECT_EQ(Marks(result), "1111111111111011111111");
  EXPECT_EQ(result.correct_count, 21);
  EXPECT_EQ(Grade(model_answer_ + std::string(32000, ' ') + "abcd").correct_count, 22);
}

TEST_F(GradePageTest, AnItemNeedsAllItsTextsEachAPlainSubstring) {
  EXPECT_EQ(Grade("<hr width=85%>").Mark(2), 0);  // item 2 lacks #FF0000
  EXPECT_EQ(Grade("<hr width=85% color=#ff0000>").Mark(2), 1);
  // "hr" inside href, "right" inside bright, "bordercolor" inside its longer
  // form, "4" as any digit 4.
  GradeResult result =
      Grade(test::Gbk(u"<a href=x color=#FF0000>85%</a> bright Brenlowe <marquee> bordercolorlight "
                      u"表格是网页的骨架 楷体 #0000ff 1984"));
  EXPECT_EQ(Marks(result), "0110010000000100000001");  // 2, 3, 6, 22 and 14 (no abcd)
  EXPECT_EQ(result.correct_count, 5);
}

}  // namespace
}  // namespace webexam
