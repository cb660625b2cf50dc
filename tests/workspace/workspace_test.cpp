#include "workspace/workspace.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "support/failing_platform.h"
#include "text/utf8.h"

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
  ExamPaths paths_ = MakeExamPaths(test::U16(root_), test::U16(program_), u"620722001",
                                   test::U16(dir_.path() / "share"), u'/');
};

TEST_F(Workspace, TheDeliveredTaskTextReplacesTheOldAndMustBeThere) {
  WriteBytes(root_ / "1.txt", "changed by somebody");
  PrepareTaskText(*platform_, paths_);
  EXPECT_EQ(test::ReadBytes(root_ / "1.txt"), test::Gbk(u"网页制作\r\n第二行\r\n"));

  // Missing material takes the fatal path.
  fs::remove(program_ / "1.txt");
  EXPECT_TRUE(test::ThrowsPlatformError([&] { PrepareTaskText(*platform_, paths_); },
                                        test::Kind::kNotFound, paths_.task_text_source));
}

TEST_F(Workspace, TheOldCandidateFolderIsGoneBeforeTheMaterialIsCopied) {
  const fs::path old = root_ / "620722001";
  fs::create_directories(old / "web");
  WriteBytes(old / "web" / "old.htm", "old work");
  PrepareCandidateFolder(*platform_, paths_);
  EXPECT_FALSE(fs::exists(old / "web" / "old.htm"));
  EXPECT_EQ(test::ReadBytes(old / "web" / "index.htm"), "<html>");

  // What exit leaves (the task text, nothing of the candidate's) and the
  // fatal path without the material: the e2e client test's scenarios.
  EXPECT_TRUE(RemoveCandidateFolder(*platform_, paths_).empty());
}

TEST_F(Workspace, AnExamInsideTheCandidateFolderIsRefusedBeforeAnythingIsRemoved) {
  // The teacher copied the exam to a folder named as the exam's candidate
  // folder: preparing or leaving would delete it.
  const fs::path exam = root_ / "Kaoshi2026" / "." / "exam";
  fs::create_directories(exam / "aa");
  WriteBytes(exam / "1.txt", "task");
  WriteBytes(root_ / "1.txt", "old copy");
  const ExamPaths inside = MakeExamPaths(test::U16(root_), test::U16(exam), u"Kaoshi2026",
                                         test::U16(dir_.path() / "share"), u'/');
  try {
    PrepareTaskText(*platform_, inside);
    ADD_FAILURE() << "not refused";
  } catch (const std::runtime_error& error) {
    EXPECT_NE(std::string(error.what()).find(ToUtf8(u"考生文件夹 " + inside.candidate_folder)),
              std::string::npos)
        << error.what();
  }
  EXPECT_THROW(PrepareCandidateFolder(*platform_, inside), std::runtime_error);
  EXPECT_THROW(RemoveCandidateFolder(*platform_, inside), std::runtime_error);
  EXPECT_EQ(test::ReadBytes(exam / "1.txt"), "task");
  EXPECT_EQ(test::ReadBytes(root_ / "1.txt"), "old copy");

  // The exam in the drive's root: its task text is the working copy.
  const ExamPaths at_root = MakeExamPaths(test::U16(root_), test::U16(root_ / "."), u"620722001",
                                          test::U16(dir_.path() / "share"), u'/');
  EXPECT_THROW(PrepareTaskText(*platform_, at_root), std::runtime_error);
  EXPECT_EQ(test::ReadBytes(root_ / "1.txt"), "old copy");

  // A neighbour whose name starts the same is no part of it; the name's case
  // counts where the file system's does.
  const auto check = [&](std::u16string_view name) {
    CheckWorkspaceSparesExam(*platform_, MakeExamPaths(test::U16(root_), test::U16(exam), name,
                                                       test::U16(dir_.path() / "share"), u'/'));
  };
  EXPECT_NO_THROW(check(u"Kaoshi"));
  if (platform_->OnWindows()) {
    EXPECT_THROW(check(u"kaoshi2026"), std::runtime_error);
  } else {
    EXPECT_NO_THROW(check(u"kaoshi2026"));
  }
}

TEST(HomeWritten, WritesTheHomeFolderAsTildeOnlyWhereItIsOne) {
  EXPECT_EQ(HomeWritten(u"/home/ann/webexam/620722001", u"/home/ann"), u"~/webexam/620722001");
  EXPECT_EQ(HomeWritten(u"/home/ann", u"/home/ann"), u"~");
  EXPECT_EQ(HomeWritten(u"/home/anna/webexam", u"/home/ann"), u"/home/anna/webexam");
  EXPECT_EQ(HomeWritten(u"/webexam/620722001", u"/"), u"/webexam/620722001");  // root's home
  EXPECT_EQ(HomeWritten(u"/webexam/620722001", u""), u"/webexam/620722001");
}

}  // namespace
}  // namespace webexam
