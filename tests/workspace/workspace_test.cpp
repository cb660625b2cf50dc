#include "workspace/workspace.h"

#include <gtest/gtest.h>

#include "support/test_support.h"
#include "workspace/window_placement.h"

namespace webexam {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;
namespace fs = std::filesystem;

class Workspace : public ::testing::Test {
 protected:
  Workspace() {
    fs::create_directories(root_);
    fs::create_directories(program_ / "aa" / "images" / "deeper");
    WriteBytes(program_ / "1.txt", "task");
    WriteBytes(program_ / "aa" / "index.htm", "<html>");
    WriteBytes(program_ / "aa" / "images" / "deeper" / "Tl-10.gif", "GIF89a");
  }

  std::unique_ptr<Platform> platform_ = MakePlatform();
  TempDir dir_;
  fs::path root_ = dir_.path() / "c";
  fs::path program_ = dir_.path() / "program";
  ExamPaths paths_ =
      MakeExamPaths(test::U16(root_), test::U16(program_), test::U16(dir_.path() / "share"), u'/');
};

TEST_F(Workspace, TheTaskTextIsReplacedByTheDeliveredOne) {
  PrepareTaskText(*platform_, paths_);
  EXPECT_EQ(ReadBytes(root_ / "1.txt"), "task");
  WriteBytes(root_ / "1.txt", "changed by somebody");
  PrepareTaskText(*platform_, paths_);
  EXPECT_EQ(ReadBytes(root_ / "1.txt"), "task");
}

TEST_F(Workspace, AnOldCandidateFolderIsGoneBeforeTheMaterialIsCopied) {
  const fs::path old = root_ / "620722001";
  fs::create_directories(old / "web" / "sub");
  WriteBytes(old / "web" / "old.htm", "old work");
  WriteBytes(old / "web" / "sub" / "locked.htm", "old");
  fs::permissions(old / "web" / "sub" / "locked.htm", fs::perms::owner_read);
  fs::permissions(old / "web" / "sub", fs::perms::owner_read | fs::perms::owner_exec);

  PrepareCandidateFolder(*platform_, paths_);
  EXPECT_FALSE(fs::exists(old / "web" / "old.htm"));
  EXPECT_FALSE(fs::exists(old / "web" / "sub"));
  EXPECT_EQ(ReadBytes(old / "web" / "index.htm"), "<html>");
  EXPECT_EQ(ReadBytes(old / "web" / "images" / "deeper" / "Tl-10.gif"), "GIF89a");

  // A plain file in the folder's place goes the same way.
  fs::remove_all(old);
  WriteBytes(old, "a file");
  PrepareCandidateFolder(*platform_, paths_);
  EXPECT_TRUE(fs::is_directory(old / "web"));
}

TEST_F(Workspace, MissingMaterialTakesTheFatalPath) {
  fs::remove(program_ / "1.txt");
  EXPECT_THROW(PrepareTaskText(*platform_, paths_), PlatformError);
  fs::remove_all(program_ / "aa");
  EXPECT_THROW(PrepareCandidateFolder(*platform_, paths_), PlatformError);
}

TEST_F(Workspace, ExitRemovesTheCandidateFolderAndKeepsTheRest) {
  PrepareTaskText(*platform_, paths_);
  PrepareCandidateFolder(*platform_, paths_);
  fs::permissions(root_ / "620722001" / "web" / "index.htm", fs::perms::owner_read);
  RemoveCandidateFolder(*platform_, paths_);
  EXPECT_FALSE(fs::exists(root_ / "620722001"));
  EXPECT_TRUE(fs::exists(root_ / "1.txt"));
  EXPECT_NO_THROW(RemoveCandidateFolder(*platform_, paths_));  // already gone
}

TEST_F(Workspace, TheTaskTextIsShownAsPlainGbkOrAsRtf) {
  WriteBytes(program_ / "1.txt", test::Gbk(u"网页制作\r\n第二行\r\n"));
  PrepareTaskText(*platform_, paths_);
  RichText text = LoadTaskText(*platform_, paths_);
  EXPECT_EQ(text.PlainText(), u"网页制作\n第二行\n");
  ASSERT_EQ(text.runs.size(), 1u);
  EXPECT_EQ(text.runs[0].style.half_points, 18);

  WriteBytes(root_ / "1.txt", "{\\rtf1\\ansi\\ansicpg936 {\\b \\'cd\\'f8\\'d2\\'b3}\\par}");
  text = LoadTaskText(*platform_, paths_);
  EXPECT_EQ(text.PlainText(), u"网页\n");
  EXPECT_TRUE(text.runs.at(0).style.bold);
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
