// webexam-check run for real, as a teacher runs it on a PC: the drive root
// and the results share are temporary folders named by WEBEXAM_ROOT and
// WEBEXAM_SHARE.
//
// Under Wine the drive root is the prefix's own C:, which no variable moves,
// so the states of drive C: (a leftover marker, its removal) are checked on
// Linux only; the share's states are checked on both.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "platform/platform.h"
#include "support/test_support.h"
#include "text/utf8.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/wait.h>
#endif

namespace webexam {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;
namespace fs = std::filesystem;

// Sets (or with no value, removes) a variable the spawned tools inherit.
void SetEnvironment(const char* name, const std::optional<fs::path>& value) {
#ifdef _WIN32
  ::SetEnvironmentVariableW(fs::path(name).wstring().c_str(),
                            value ? value->wstring().c_str() : nullptr);
#else
  if (value) {
    ::setenv(name, value->c_str(), 1);
  } else {
    ::unsetenv(name);
  }
#endif
}

struct CheckRun {
  int status;
  std::vector<std::string> lines;  // standard output
  std::string err;
};

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

class WebexamCheckTest : public ::testing::Test {
 protected:
  WebexamCheckTest() {
    fs::create_directories(root_);
    fs::create_directories(share_);
    SetEnvironment("WEBEXAM_ROOT", root_);
    SetEnvironment("WEBEXAM_SHARE", share_);
  }
  ~WebexamCheckTest() override {
    SetEnvironment("WEBEXAM_ROOT", std::nullopt);
    SetEnvironment("WEBEXAM_SHARE", std::nullopt);
  }
  CheckRun Run(const std::vector<std::string>& arguments,
               const fs::path& program = test::BuiltProgram("webexam-check")) {
    const fs::path out = dir_.path() / "stdout", err = dir_.path() / "stderr";
    const int status = test::Wait(test::Spawn(program, arguments, out, err));
    return {status, Lines(ReadBytes(out)), ReadBytes(err)};
  }
  // Whether the `index`th line says the check passed.
  static bool Passed(const CheckRun& run, std::size_t index) {
    return index < run.lines.size() &&
           run.lines[index].find(ToUtf8(u"  通过")) != std::string::npos;
  }
  static bool Says(const CheckRun& run, std::size_t index, std::u16string_view words) {
    return index < run.lines.size() && run.lines[index].find(ToUtf8(words)) != std::string::npos;
  }

  TempDir dir_;
  fs::path root_ = dir_.path() / "c";
  fs::path share_ = dir_.path() / "share";
  const std::u16string computer_ = MakePlatform()->ComputerName();
};

TEST_F(WebexamCheckTest, ReportsEachStateOfTheShare) {
  CheckRun run = Run({});
  ASSERT_EQ(run.lines.size(), 5u) << run.err;
  EXPECT_TRUE(Passed(run, 0)) << run.lines[0];
  EXPECT_TRUE(Passed(run, 2)) << run.lines[2];
  EXPECT_TRUE(Says(run, 2, u"毫秒"));
  EXPECT_TRUE(Passed(run, 4)) << run.lines[4];
  EXPECT_TRUE(fs::is_empty(share_));
#ifndef _WIN32
  EXPECT_EQ(run.status, 0);
  EXPECT_TRUE(fs::is_empty(root_));
#endif

  fs::remove(share_);
  run = Run({});
  EXPECT_EQ(run.status, 1);
  EXPECT_FALSE(Passed(run, 2));
  EXPECT_TRUE(Says(run, 2, u"写不进")) << run.lines[2];
  EXPECT_FALSE(Passed(run, 4));  // its markers cannot be looked at

  WriteBytes(share_, "");  // a file where the folder belongs
  run = Run({});
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(Says(run, 2, u"是一个文件，不是文件夹")) << run.lines[2];

  fs::remove(share_);
  fs::create_directories(share_);
  WriteBytes(share_ / fs::path(computer_), "");  // left from an earlier exam
  run = Run({});
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(Passed(run, 2));
  EXPECT_TRUE(Says(run, 4, u"已有本机的记号")) << run.lines[4];
}

TEST_F(WebexamCheckTest, FindsMaterialMissingBesideTheProgram) {
  const fs::path alone = dir_.path() / "alone" / test::BuiltProgram("webexam-check").filename();
  fs::create_directories(alone.parent_path());
  fs::copy_file(test::BuiltProgram("webexam-check"), alone);
  const CheckRun run = Run({}, alone);
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(Says(run, 0, u"缺考题 1.txt")) << run.lines.at(0);
}

#ifndef _WIN32
// Runs the program with `input` on its standard input, through the shell.
CheckRun RunWithInput(const fs::path& dir, const std::vector<std::string>& arguments,
                      const std::string& input) {
  WriteBytes(dir / "stdin", input);
  std::string command = "'" + test::BuiltProgram("webexam-check").string() + "'";
  for (const std::string& arg : arguments) command += " " + arg;
  command += " <'" + (dir / "stdin").string() + "' >'" + (dir / "stdout").string() + "' 2>'" +
             (dir / "stderr").string() + "'";
  const int status = std::system(command.c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Lines(ReadBytes(dir / "stdout")),
          ReadBytes(dir / "stderr")};
}

TEST_F(WebexamCheckTest, ClearsALeftoverMarkerOnlyWhenTheTeacherAgrees) {
  fs::create_directories(root_ / "windows");
  WriteBytes(root_ / "windows" / "fen.g", "");
  CheckRun run = Run({});
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(Says(run, 3, u"--clear-marker")) << run.lines.at(3);

  run = RunWithInput(dir_.path(), {"--clear-marker"}, "n\n");
  EXPECT_TRUE(fs::exists(root_ / "windows" / "fen.g"));
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(run.lines.at(0).find("(y/N)") != std::string::npos) << run.lines[0];

  run = RunWithInput(dir_.path(), {"--clear-marker"}, "y\n");
  EXPECT_FALSE(fs::exists(root_ / "windows" / "fen.g"));
  EXPECT_EQ(run.status, 0) << run.err;

  WriteBytes(root_ / "windows" / "fen.g", "");
  run = Run({"--clear-marker", "--yes"});
  EXPECT_FALSE(fs::exists(root_ / "windows" / "fen.g"));
  EXPECT_EQ(run.status, 0) << run.err;
  ASSERT_EQ(run.lines.size(), 6u);
  EXPECT_TRUE(Says(run, 0, u"已删除"));
  EXPECT_TRUE(Passed(run, 4));
}
#endif

TEST_F(WebexamCheckTest, ExplainsItselfAndRefusesWhatItDoesNotKnow) {
  CheckRun run = Run({"--help"});
  EXPECT_EQ(run.status, 0);
  EXPECT_LE(run.lines.size(), 24u);  // one screen
  EXPECT_EQ(Run({"--bogus"}).status, 2);
  EXPECT_EQ(Run({"--yes"}).status, 2);  // only with --clear-marker
  EXPECT_EQ(Run({"share"}).status, 2);
}

}  // namespace
}  // namespace webexam
