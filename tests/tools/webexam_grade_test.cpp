// webexam-grade run for real, on real files, as a teacher runs it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "support/test_support.h"

namespace webexam {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;
namespace fs = std::filesystem;

struct ToolRun {
  std::string out, err;
  int status;
};

ToolRun Grade(const TempDir& dir, const std::vector<std::string>& arguments) {
  const fs::path out = dir.path() / "stdout", err = dir.path() / "stderr";
  const int status =
      test::Wait(test::Spawn(test::BuiltProgram("webexam-grade"), arguments, out, err));
  return {ReadBytes(out), ReadBytes(err), status};
}

TEST(WebexamGrade, PrintsOneLinePerPage) {
  TempDir dir;
  const std::string model = test::DataFile("model_answer.htm").string();
  const std::string starter = (fs::path(WEBEXAM_SOURCE_DIR) / "exam/aa/index.htm").string();
  ToolRun run = Grade(dir, {model, starter});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  std::string model_line = model + "\t22";
  for (int i = 0; i < 22; ++i) model_line += "\t1";
  const std::size_t first_end = run.out.find('\n');
  ASSERT_NE(first_end, std::string::npos);
  EXPECT_EQ(run.out.substr(0, first_end), model_line);

  // The starter page of the sample exam scores well below half.
  const std::string second = run.out.substr(first_end + 1);
  ASSERT_EQ(second.rfind(starter + "\t", 0), 0u) << second;
  EXPECT_LT(std::stoi(second.substr(starter.size() + 1)), 8) << second;
  EXPECT_EQ(std::count(second.begin(), second.end(), '\t'), 23);
  EXPECT_EQ(second.back(), '\n');
  EXPECT_EQ(second.find('\r'), std::string::npos);
}

TEST(WebexamGrade, AMissingPageIsReportedNotCreatedAndTheRestAreGraded) {
  TempDir dir;
  WriteBytes(dir.path() / "empty.htm", "");
  const std::string missing = (dir.path() / "missing.htm").string();
  const std::string empty = (dir.path() / "empty.htm").string();
  ToolRun run = Grade(dir, {missing, empty});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find(missing), std::string::npos) << run.err;
  EXPECT_FALSE(fs::exists(missing));
  EXPECT_EQ(run.out,
            empty + "\t1\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t1\t0\t0\t0\t0\t0\t0\t0\t0\n");

  // A folder in a page's place is reported too.
  run = Grade(dir, {dir.path().string()});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_NE(run.err.find(dir.path().string()), std::string::npos) << run.err;
}

TEST(WebexamGrade, ExplainsItselfAndRefusesNoPages) {
  TempDir dir;
  ToolRun run = Grade(dir, {"--help"});
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.out.find("Usage: webexam-grade PAGE..."), std::string::npos);
  EXPECT_LE(std::count(run.out.begin(), run.out.end(), '\n'), 24);  // one screen
  EXPECT_EQ(Grade(dir, {}).status, 2);
  EXPECT_EQ(Grade(dir, {"--bogus"}).status, 2);
}

}  // namespace
}  // namespace webexam
