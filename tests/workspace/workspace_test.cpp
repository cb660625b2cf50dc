#include "workspace/workspace.h"

#include <gtest/gtest.h>

#include "support/test_support.h"
#include "workspace/window_placement.h"

namespace webexam {
namespace {

using test::WriteBytes;
namespace fs = std::filesystem;

class Workspace : public ::testing::Test {
 protected:
  Workspace() {
    fs::create_directories(root_);
    fs::create_directories(program_ / "aa");
    WriteBytes(program_ / "1.txt", test::Gbk(u"网页制作\r\n第二行\r\n"));
    WriteBytes(program_ / "aa" / "index.htm", "<html>");
  }

  std::unique_ptr<Platform> platform_ = MakePlatform();
  test::TempDir dir_;
  fs::path root_ = dir_.path() / "c";
  fs::path program_ = dir_.path() / "program";
  ExamPaths paths_ =
      MakeExamPaths(test::U16(root_), test::U16(program_), test::U16(dir_.path() / "share"), u'/');
};

TEST_F(Workspace, TheDeliveredTaskTextReplacesTheOldIsShownAsPlainGbkAndMustBeThere) {
  WriteBytes(root_ / "1.txt", "changed by somebody");
  PrepareTaskText(*platform_, paths_);
  const RichText text = LoadTaskText(*platform_, paths_);
  ASSERT_EQ(text.runs.size(), 1u);
  EXPECT_EQ(text.runs[0].text, u"网页制作\n第二行\n");
  EXPECT_EQ(text.runs[0].style.half_points, 18);

  // Missing material takes the fatal path.
  fs::remove(program_ / "1.txt");
  EXPECT_THROW(PrepareTaskText(*platform_, paths_), PlatformError);
}

TEST_F(Workspace, TheOldCandidateFolderIsGoneBeforeTheMaterialIsCopiedOrAtExit) {
  const fs::path old = root_ / "620722001";
  fs::create_directories(old / "web");
  WriteBytes(old / "web" / "old.htm", "old work");
  PrepareCandidateFolder(*platform_, paths_);
  EXPECT_FALSE(fs::exists(old / "web" / "old.htm"));
  EXPECT_EQ(test::ReadBytes(old / "web" / "index.htm"), "<html>");

  // A plain file in the folder's place goes the same way.
  fs::remove_all(old);
  WriteBytes(old, "a file");
  PrepareCandidateFolder(*platform_, paths_);
  EXPECT_EQ(test::ReadBytes(old / "web" / "index.htm"), "<html>");

  // Exit removes the candidate folder alone, and finds nothing to do the second time.
  WriteBytes(root_ / "1.txt", "task");
  RemoveCandidateFolder(*platform_, paths_);
  EXPECT_FALSE(fs::exists(old));
  EXPECT_TRUE(fs::exists(root_ / "1.txt"));
  EXPECT_NO_THROW(RemoveCandidateFolder(*platform_, paths_));

  fs::remove_all(program_ / "aa");
  EXPECT_THROW(PrepareCandidateFolder(*platform_, paths_), PlatformError);
}

TEST(WindowPlacement, RoundsXToNearestEvenAndTruncatesTheRest) {
  EXPECT_EQ(TopmostPlacement(5249, 0, 5249, 0, 15, 15), (PixelRect{350, 0, 349, 0}));
  EXPECT_EQ(TopmostPlacement(0, -200, 0, 0, 15, 15).y, -13);
  EXPECT_EQ(TopmostPlacement(37.5, 0, 0, 0, 15, 15).x, 2);  // 2.5
  EXPECT_EQ(TopmostPlacement(52.5, 0, 0, 0, 15, 15).x, 4);  // 3.5
  // Top and the twips per pixel are rounded before dividing: 22.5 -> 22, 7.5 -> 8.
  EXPECT_EQ(TopmostPlacement(0, 22.5, 0, 0, 15, 7.5).y, 2);
  // The designed grading window at 96 dots per inch.
  EXPECT_EQ(TopmostPlacement(6405, 570, 5115, 1590, 15, 15), (PixelRect{427, 38, 341, 106}));
  EXPECT_EQ(TwipsToPixels(1935, 96), 129);
  EXPECT_EQ(TwipsToPixels(1935, 192), 258);
}

}  // namespace
}  // namespace webexam
