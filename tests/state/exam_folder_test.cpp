// Finding the exam folder on real folders: the places an installed program
// looks at in order, each only with material, but a folder the teacher names.
#include <gtest/gtest.h>

#include "state/exam_paths.h"
#include "support/test_support.h"

namespace webexam {
namespace {

namespace fs = std::filesystem;

// The real platform, the program file, WEBEXAM_EXAM and installed places moved.
class MovedPlatform : public test::ForwardingPlatform {
 public:
  using ForwardingPlatform::ForwardingPlatform;
  std::u16string ProgramFolder() override { return program_folder; }
  std::optional<std::u16string> Environment(const char* name) override {
    if (std::string_view(name) == "WEBEXAM_EXAM") return exam_variable;
    return inner_.Environment(name);
  }
  InstalledExamFolders ExamFoldersOfInstall() override { return installed; }

  std::u16string program_folder;
  std::optional<std::u16string> exam_variable;
  InstalledExamFolders installed;
};

class ExamFolderTest : public ::testing::Test {
 protected:
  ExamFolderTest() {
    for (const fs::path& folder : {teacher_, program_, sample_, set_}) {
      fs::create_directories(folder);
    }
    platform_.program_folder = test::U16(program_);
    platform_.installed = {test::U16(teacher_), test::U16(sample_)};
  }
  std::pair<std::string, ExamFolderOrigin> Found() {
    const ExamFolder found = FindExamFolder(platform_);
    return {fs::path(found.path).string(), found.origin};
  }
  static std::pair<std::string, ExamFolderOrigin> Is(const fs::path& folder,
                                                     ExamFolderOrigin origin) {
    return {folder.string(), origin};
  }

  std::unique_ptr<Platform> real_ = MakePlatform();
  MovedPlatform platform_{*real_};
  test::TempDir dir_;
  fs::path teacher_ = dir_.path() / "etc" / "exam", program_ = dir_.path() / "bin",
           sample_ = dir_.path() / "share" / "exam", set_ = dir_.path() / "set";
};

TEST_F(ExamFolderTest, ThePlacesAreLookedAtInOrderAndOnlyAFolderWithMaterialIsTaken) {
  using enum ExamFolderOrigin;
  // Nothing anywhere: the PC's own exam folder, where the exam belongs.
  EXPECT_EQ(Found(), Is(teacher_, kTeacherFolder));

  // The sample alone; either part of an exam makes a folder count.
  fs::create_directories(sample_ / "aa");
  EXPECT_EQ(Found(), Is(sample_, kSample));
  test::WriteBytes(program_ / "1.txt", "task");
  EXPECT_EQ(Found(), Is(program_, kBesideProgram));
  // A file named aa is material gone wrong, which the room check names: taken.
  test::WriteBytes(teacher_ / "aa", "");
  EXPECT_EQ(Found(), Is(teacher_, kTeacherFolder));

  // A folder the teacher names is taken whatever it holds: a typo shows as
  // missing material, never as another exam.
  platform_.exam_variable = test::U16(set_) + platform_.PathSeparator();
  EXPECT_EQ(Found(), Is(set_, kEnvironment));
  platform_.exam_variable = test::U16(dir_.path() / "typo");
  EXPECT_EQ(Found(), Is(dir_.path() / "typo", kEnvironment));
  platform_.exam_variable = u"";  // set but empty: as if unset
  EXPECT_EQ(Found(), Is(teacher_, kTeacherFolder));
  // Without installed places (Windows) the exam is beside the program, even missing.
  platform_.installed = {};
  fs::remove(program_ / "1.txt");
  EXPECT_EQ(Found(), Is(program_, kBesideProgram));
}

#ifndef _WIN32
// /usr/bin/webexam looks in /etc/webexam/exam and /usr/share/webexam/exam;
// a build tree's program the same way from its bin.
TEST(InstalledExamFolders, TheSampleLiesInShareBesideTheProgramsBinFolder) {
  const std::unique_ptr<Platform> platform = MakePlatform();
  const Platform::InstalledExamFolders installed = platform->ExamFoldersOfInstall();
  EXPECT_EQ(installed.teacher, u"/etc/webexam/exam");
  const fs::path program_folder(platform->ProgramFolder());
  EXPECT_EQ(fs::path(installed.sample), program_folder.parent_path() / "share/webexam/exam");
}
#endif

}  // namespace
}  // namespace webexam
