// webexam-grade run for real, on real files, as a teacher runs it: its line
// per page, its exit status and its usage. How pages are graded is
// tests/grading's.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "support/test_support.h"

namespace webexam {
namespace {

using test::ReadBytes;
namespace fs = std::filesystem;

class WebexamGradeTest : public ::testing::Test {
 protected:
  int Grade(const std::vector<std::string>& arguments) {
    const fs::path out = dir_.path() / "stdout", err = dir_.path() / "stderr";
    const int status =
        test::Wait(test::Spawn(test::BuiltProgram("webexam-grade"), arguments, out, err));
    out_ = ReadBytes(out);
    err_ = ReadBytes(err);
    return status;
  }
  test::TempDir dir_;
  std::string out_, err_;
};

TEST_F(WebexamGradeTest, PrintsOneLinePerPageAndNamesThePagesItCannotRead) {
  const std::string model = test::DataFile("model_answer.htm").string();
  const std::string missing = (dir_.path() / "missing.htm").string();
  const std::string no_folder = (dir_.path() / "none" / "index.htm").string();
  const std::string empty = (dir_.path() / "empty.htm").string();
  test::WriteBytes(empty, "");
  // The rest are graded all the same; the missing page is not created.
  EXPECT_EQ(Grade({model, missing, no_folder, empty, dir_.path().string()}), 1);
  std::string want = model + "\t22";
  for (int i = 0; i < 22; ++i) want += "\t1";
  want += "\n" + empty + "\t1";
  for (int i = 1; i <= 22; ++i) want += i == 14 ? "\t1" : "\t0";
  EXPECT_EQ(out_, want + "\n");
  for (const std::string& page : {missing, no_folder}) {
    EXPECT_NE(err_.find("webexam-grade: no such page: " + page), std::string::npos) << err_;
  }
  EXPECT_EQ(std::count(err_.begin(), err_.end(), '\n'), 3) << err_;  // and the folder
  EXPECT_FALSE(fs::exists(missing));

  EXPECT_EQ(Grade({model}), 0);
  EXPECT_EQ(err_, "");
}

TEST_F(WebexamGradeTest, ExplainsItselfAndRefusesNoPages) {
  EXPECT_EQ(Grade({"--help"}), 0);
  EXPECT_NE(out_.find("Usage: webexam-grade PAGE..."), std::string::npos);
  EXPECT_LE(std::count(out_.begin(), out_.end(), '\n'), 24);  // one screen
  EXPECT_EQ(Grade({}), 2);
  EXPECT_EQ(Grade({"--bogus"}), 2);
}

}  // namespace
}  // namespace webexam
