// webexam-check run for real, for what the program adds to room_check_test's
// checks: WEBEXAM_SHARE and WEBEXAM_ROOT, the material beside it, its exit status
// and the teacher's y/N (a leftover marker on Linux only: under Wine drive C: is
// the prefix's own). Its usage is command_line_test's.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "tools/common/tool_run.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace webexam {
namespace {

using test::SetEnvironment;
using test::WriteBytes;
namespace fs = std::filesystem;

class WebexamCheckTest : public test::ToolRun {
 protected:
  WebexamCheckTest() {
    fs::create_directories(root_);
    fs::create_directories(share_);
    SetEnvironment("WEBEXAM_ROOT", root_);
    SetEnvironment("WEBEXAM_SHARE", share_);
#ifndef _WIN32
    // A text viewer of the test's own, whatever the desktop opens text with
    // (Debian's vim.desktop needs a terminal): mimeapps.list and its entry.
    const fs::path config = dir_.path() / "config", data = dir_.path() / "data";
    fs::create_directories(config);
    fs::create_directories(data / "applications");
    WriteBytes(config / "mimeapps.list",
               "[Default Applications]\ntext/plain=webexam-viewer.desktop\n");
    WriteBytes(data / "applications" / "webexam-viewer.desktop",
               "[Desktop Entry]\nType=Application\nName=Viewer\nExec=true %f\n");
    SetEnvironment("XDG_CONFIG_HOME", config);
    SetEnvironment("XDG_DATA_HOME", data);
#endif
  }
  ~WebexamCheckTest() override {
    SetEnvironment("WEBEXAM_ROOT", std::nullopt);
    SetEnvironment("WEBEXAM_SHARE", std::nullopt);
#ifndef _WIN32
    SetEnvironment("XDG_CONFIG_HOME", std::nullopt);
    SetEnvironment("XDG_DATA_HOME", std::nullopt);
#endif
  }
  int Check(const fs::path& program = test::BuiltProgram("webexam-check")) {
    return Run(program, {});
  }
  // The teacher's answers to `option`'s questions, typed on standard input.
  int Answer(const char* option, const std::string& text) {
    WriteBytes(dir_.path() / "in", text);
    return Run(program_, {option}, dir_.path() / "in");
  }

  const fs::path program_ = test::BuiltProgram("webexam-check");
  fs::path root_ = dir_.path() / "c", share_ = dir_.path() / "share";
};

TEST_F(WebexamCheckTest, ChecksTheShareItIsGivenAndExitsByTheChecks) {
  [[maybe_unused]] const int status = Check();
  EXPECT_EQ(Lines(), 7u) << out_;  // a line per check
  EXPECT_TRUE(Says(u"考题文件              通过（网页制作 样题，")) << out_;
  EXPECT_TRUE(Says(u"通过（" + test::U16(share_))) << out_;
#ifndef _WIN32
  EXPECT_EQ(status, 0) << out_;
  EXPECT_TRUE(Says(u"xdg-open，webexam-viewer.desktop）")) << out_;
#endif
  // The material is looked for beside the program file, wherever that is.
  const fs::path alone = dir_.path() / "alone" / program_.filename();
  fs::create_directories(alone.parent_path());
  fs::copy_file(program_, alone);
  EXPECT_EQ(Check(alone), 1);
  EXPECT_TRUE(Says(u"缺考题 1.txt")) << out_;
  // The exam folder a teacher names comes first, the check says which and why.
  const fs::path exam = fs::path(WEBEXAM_SOURCE_DIR) / "exam";
  SetEnvironment("WEBEXAM_EXAM", exam);
  [[maybe_unused]] const int named = Check(alone);
  SetEnvironment("WEBEXAM_EXAM", std::nullopt);
  EXPECT_TRUE(Says(u"通过（" + test::U16(exam) + u"，由环境变量 WEBEXAM_EXAM 指定）")) << out_;
  // The program's own folder, named so, is scripts/test.sh's under Wine.
}

// The account piped in (CR LF, as from a batch file): kept in the file the
// variable names, in a folder made for it; then the check runs. Differing
// passwords or answers that end too soon change nothing. The password shown
// nowhere is save_credentials_terminal_test.py's and real_smb_test.py's.
TEST_F(WebexamCheckTest, SavesTheShareAccountPipedInThenChecks) {
  const fs::path file = dir_.path() / "etc" / "smb-credentials";
  SetEnvironment("WEBEXAM_SMB_CREDENTIALS", file);
  const std::string password = " pa#ss=密码 ";
  auto answer = [&](const std::string& text) { return Answer("--save-credentials", text); };
#ifndef _WIN32
  const mode_t umask_before = ::umask(077);  // the file's mode is 0640 all the same
#endif
  [[maybe_unused]] const int status =
      answer("老师\r\n JF \r\n" + password + "\r\n" + password + "\r\n");
#ifndef _WIN32
  ::umask(umask_before);
  EXPECT_EQ(status, 0) << out_ << err_;
  EXPECT_EQ(fs::status(file).permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
#endif
  const std::string saved = "username=老师\npassword= pa#ss=密码 \ndomain=JF\n";
  EXPECT_EQ(test::ReadBytes(file), saved);
  EXPECT_TRUE(Says(u"已保存在 " + test::U16(file))) << out_;
  EXPECT_TRUE(Says(u"通过（" + test::U16(share_))) << out_;  // the check ran after

  EXPECT_EQ(answer("老师\n\n" + password + "\npa#ss\n"), 1);
  EXPECT_TRUE(test::Holds(err_, u"两次输入的密码不一样，没有保存"));
  EXPECT_EQ(answer("老师\n\n" + password + "\n"), 1);
  EXPECT_TRUE(test::Holds(err_, u"没有答完"));
  EXPECT_EQ(answer("\n"), 1);
  EXPECT_TRUE(test::Holds(err_, u"没有输入用户名"));
  EXPECT_EQ(test::ReadBytes(file), saved);
  EXPECT_FALSE(Says(u"通过（")) << out_;  // no check after what was refused
  SetEnvironment("WEBEXAM_SMB_CREDENTIALS", std::nullopt);
}

#ifndef _WIN32
TEST_F(WebexamCheckTest, ClearsALeftoverMarkerOnlyWhenTheTeacherAgrees) {
  const fs::path marker = root_ / "windows" / "fen.g";
  fs::create_directories(marker.parent_path());
  WriteBytes(marker, "");
  EXPECT_EQ(Answer("--clear-marker", "n\n"), 1);
  EXPECT_TRUE(Says(u"(y/N)")) << out_;
  EXPECT_TRUE(fs::exists(marker));
  EXPECT_EQ(Answer("--clear-marker", "y\n"), 0) << out_;
  EXPECT_FALSE(fs::exists(marker));

  WriteBytes(marker, "");
  EXPECT_EQ(Run(program_, {"--clear-marker", "--yes"}), 0) << out_;
  EXPECT_TRUE(Says(u"已删除")) << out_;
  EXPECT_FALSE(fs::exists(marker));
}

// The loader's own account (LD_DEBUG=files): libsmbclient, loaded on the first
// SMB operation, is never loaded on a local share; with an smb:// share it is.
TEST_F(WebexamCheckTest, LoadsLibsmbclientOnlyForAnSmbShare) {
  SetEnvironment("LD_DEBUG", "files");
  Check();
  EXPECT_TRUE(Says(u"通过（" + test::U16(share_))) << out_;  // written, read, removed
  EXPECT_TRUE(test::Holds(err_, "file=libstdc++.so.6"));
  EXPECT_EQ(err_.find("libsmbclient"), std::string::npos) << err_;
  SetEnvironment("WEBEXAM_SHARE", fs::path("smb://127.0.0.1/results/"));
  Check();  // no server answers on loopback here: the share fails
  SetEnvironment("LD_DEBUG", std::nullopt);
  EXPECT_TRUE(Says(u"连不上 smb://127.0.0.1/results/")) << out_;
  EXPECT_TRUE(test::Holds(err_, "file=libsmbclient.so.0"));
}
#endif

}  // namespace
}  // namespace webexam
