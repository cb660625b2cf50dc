// The results share as an SMB address on Linux: how an address becomes the
// URL libsmbclient is given, the teacher's credentials file, and a share path
// on a FUSE mount, for real (a bindfs mount standing for the file manager's
// smb:// place). The server itself is exercised by tests/smb.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/posix/smb_client.h"
#include "results/results_share.h"
#include "state/exam_paths.h"
#include "support/test_support.h"
#include "text/utf8.h"
#include "tools/room_check.h"

namespace webexam {
namespace {

using test::TempDir;
using test::WriteBytes;
namespace fs = std::filesystem;

TEST(SmbAddress, UncAndSmbFormsMeanTheSameUrlWithEveryOddByteEncoded) {
  EXPECT_TRUE(IsSmbAddress("smb://teacher/results/cjwyzz.txt"));
  EXPECT_TRUE(IsSmbAddress("SMB://teacher/results/"));
  EXPECT_TRUE(IsSmbAddress("\\\\teacher\\results\\"));
  EXPECT_FALSE(IsSmbAddress("/home/teacher/results/"));
  EXPECT_FALSE(IsSmbAddress("smb:/teacher"));

  EXPECT_EQ(SmbUrl("\\\\teacher\\results\\cjwyzz.txt"), "smb://teacher/results/cjwyzz.txt");
  // A computer name may hold what a URL would read otherwise: '%' starts an
  // escape, '#' a fragment, a blank ends nothing but is no URL character.
  EXPECT_EQ(SmbUrl("smb://teacher/results/PC%1#a b"), "smb://teacher/results/PC%251%23a%20b");
  EXPECT_EQ(SmbUrl("smb://teacher/成绩/"), "smb://teacher/%E6%88%90%E7%BB%A9/");

  // The share path the exam builds from a UNC setting keeps one separator.
  const ExamPaths paths = MakeExamPaths(u"/c", u"/p", u"\\\\teacher\\results\\", u'/');
  EXPECT_EQ(paths.share_log, u"\\\\teacher\\results\\cjwyzz.txt");
  EXPECT_EQ(MakeExamPaths(u"/c", u"/p", u"smb://t/r", u'/').share_log, u"smb://t/r/cjwyzz.txt");
}

TEST(SmbAccount, GuestWithoutAFileTheTeachersAccountFromIt) {
  TempDir dir;
  const SmbAccount guest = ReadSmbAccount((dir.path() / "none").string());
  EXPECT_EQ(guest.user, "guest");
  EXPECT_EQ(guest.password, "");

  // As a teacher may write it on Windows: CR LF, a comment, blanks around
  // the names; a password keeps its own blanks and '=' signs.
  WriteBytes(dir.path() / "credentials",
             "# results share\r\n  username = kaowu\r\npassword=a b=c \r\n\r\ndomain=SCHOOL\r\n");
  const SmbAccount account = ReadSmbAccount((dir.path() / "credentials").string());
  EXPECT_EQ(account.user, "kaowu");
  EXPECT_EQ(account.password, "a b=c ");
  EXPECT_EQ(account.domain, "SCHOOL");

  ::setenv("WEBEXAM_SMB_CREDENTIALS", "/somewhere/else", 1);
  EXPECT_EQ(SmbCredentialsFile(), "/somewhere/else");
  ::unsetenv("WEBEXAM_SMB_CREDENTIALS");
  EXPECT_EQ(SmbCredentialsFile(), "/etc/webexam/smb-credentials");
}

// A folder mounted through FUSE at the place the desktop's file manager
// mounts a share, for the length of a test.
class FuseMount {
 public:
  FuseMount(const fs::path& source, const fs::path& mount_point) : mount_point_(mount_point) {
    fs::create_directories(mount_point);
    const std::string command =
        "bindfs '" + source.string() + "' '" + mount_point.string() + "' 2>/dev/null";
    mounted_ = std::system(command.c_str()) == 0;
  }
  ~FuseMount() {
    if (mounted_) {
      const std::string command = "fusermount -u '" + mount_point_.string() + "'";
      if (std::system(command.c_str()) != 0) ADD_FAILURE() << "cannot unmount " << mount_point_;
    }
  }
  bool mounted() const { return mounted_; }

 private:
  fs::path mount_point_;
  bool mounted_ = false;
};

TEST(ShareLocking, AFuseShareIsRefusedWithTheSmbAddressToUse) {
  TempDir dir;
  fs::create_directories(dir.path() / "server" / "room1");
  const fs::path gvfs = dir.path() / "gvfs" / "smb-share:server=teacher,share=results";
  FuseMount mount(dir.path() / "server", gvfs);
  if (!mount.mounted()) GTEST_SKIP() << "no bindfs or no /dev/fuse here";

  auto platform = MakePlatform();
  const ExamPaths on_fuse = MakeExamPaths(dir / "c", dir / "p", test::U16(gvfs / "room1"), u'/');
  const std::u16string problem = ShareLockingProblem(*platform, on_fuse);
  EXPECT_NE(problem.find(u"FUSE"), std::u16string::npos) << ToUtf8(problem);
  EXPECT_NE(problem.find(u"WEBEXAM_SHARE 设为 smb://teacher/results/room1/"), std::u16string::npos)
      << ToUtf8(problem);

  // The room check fails the share before it writes anything there.
  const CheckResult check = CheckShare(*platform, on_fuse);
  EXPECT_FALSE(check.passed);
  EXPECT_EQ(check.detail, problem);
  EXPECT_TRUE(fs::is_empty(dir.path() / "server" / "room1"));

  // A local folder, or one not made yet, is no problem; neither is an
  // smb:// address.
  EXPECT_EQ(ShareLockingProblem(
                *platform, MakeExamPaths(dir / "c", dir / "p", dir / "share/not/made/yet", u'/')),
            u"");
  EXPECT_EQ(ShareLockingProblem(*platform, MakeExamPaths(u"/c", u"/p", u"smb://t/r/", u'/')), u"");
}

}  // namespace
}  // namespace webexam
