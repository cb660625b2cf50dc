#include "task_text/task_text.h"

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace webexam {
namespace {

TEST(TaskText, PlainGbkIsShownInNinePointAndItsWordsKeepTheirLineEnds) {
  const std::unique_ptr<Platform> platform = MakePlatform();
  test::TempDir dir;
  test::WriteBytes(dir.path() / "1.txt", test::Gbk(u"网页制作\r\n第二行\r第三行\n"));
  const TaskTextFile file = ReadTaskTextFile(*platform, dir / "1.txt");
  EXPECT_FALSE(file.rtf);
  const RichText text = ReadTaskText(*platform, file);
  ASSERT_EQ(text.runs.size(), 1u);
  EXPECT_EQ(text.runs[0].text, u"网页制作\n第二行\n第三行\n");
  EXPECT_EQ(text.runs[0].style.half_points, 18);
  EXPECT_EQ(TaskTextWords(*platform, file), u"网页制作\r\n第二行\r第三行\n");
  EXPECT_TRUE(ReadTaskText(*platform, TaskTextFile{}).runs.empty());

  // RTF is read by the core, the same for the formatted reading and the words.
  test::WriteBytes(dir.path() / "1.txt",
                   "{\\rtf1\\ansi\\ansicpg936 {\\b \\'cd\\'f8\\'d2\\'b3}\\par}");
  const TaskTextFile rtf = ReadTaskTextFile(*platform, dir / "1.txt");
  const RichText read = ReadTaskText(*platform, rtf);
  EXPECT_TRUE(rtf.rtf && read.runs.at(0).style.bold);
  EXPECT_EQ(TaskTextWords(*platform, rtf), u"网页\n");
  EXPECT_EQ(read.PlainText(), u"网页\n");

  EXPECT_THROW(ReadTaskTextFile(*platform, dir / "2.txt"), PlatformError);
}

}  // namespace
}  // namespace webexam
