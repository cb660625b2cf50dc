// The results share as an SMB address on Linux: the URL libsmbclient is given,
// the credentials file, when the library is loaded and what a PC without it is
// told, and a share on a FUSE mount (bindfs standing for the file manager's).
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/posix/posix_platform.h"
#include "platform/posix/smb_client.h"
#include "state/exam_paths.h"
#include "submission/results_share.h"
#include "submission/submission.h"
#include "support/failing_platform.h"
#include "support/test_support.h"
#include "text/utf8.h"
#include "tools/check/room_check.h"

namespace webexam {
namespace {

using test::TempDir;
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
  const ExamPaths paths =
      MakeExamPaths(u"/c", u"/p", u"620722001", u"\\\\teacher\\results\\", u'/');
  EXPECT_EQ(paths.share_log, u"\\\\teacher\\results\\cjwyzz.txt");
  EXPECT_EQ(MakeExamPaths(u"/c", u"/p", u"620722001", u"smb://t/r", u'/').share_log,
            u"smb://t/r/cjwyzz.txt");
}

// Whether libsmbclient is loaded in this process, without loading it.
bool SmbLibraryLoaded() {
  void* handle = ::dlopen(kSmbLibrary, RTLD_LAZY | RTLD_NOLOAD);
  if (handle) ::dlclose(handle);  // only the reference just taken
  return handle != nullptr;
}

TEST(SmbLibrary, APcOnALocalShareNeverLoadsItOneOnAnSmbShareDoes) {
  ASSERT_FALSE(SmbLibraryLoaded()) << "linked, or loaded before the test";
  // Every operation of an exam and of the room check on a local share: probe,
  // submission with marker and kept page, the tools' listing and free space.
  TempDir dir;
  fs::create_directories(dir.path() / "share");
  const std::unique_ptr<Platform> real = MakePlatform();
  test::FailingPlatform platform(*real);  // starts no report viewer
  const ExamPaths paths = MakeExamPaths(dir / "c", dir / "c", u"620722001",
                                        test::U16(dir.path() / "share") + u"/", u'/');
  EXPECT_EQ(ShareLockingProblem(platform, paths), u"");
  EXPECT_TRUE(CheckShare(platform, paths).passed);
  fs::create_directories(dir.path() / "c" / "620722001" / "web");
  test::WriteBytes(dir.path() / "c" / "620722001" / "web" / "index.htm",
                   test::ReadBytes(test::ModelAnswer()));
  ExamState state{u"120722001", u"张三", u"JF07"};
  Submission submission(platform, paths, test::SampleExam().key, state);
  submission.GradeAndRecord();
  EXPECT_EQ(submission.Deliver(), ShareOutcome::kSubmitted);
  EXPECT_EQ(submission.Note(), u"");
  EXPECT_EQ(platform.ListFiles(paths.results_share).size(), 2u);  // the log, the marker
  EXPECT_GT(platform.FreeSpace(paths.results_share), 0u);
  EXPECT_FALSE(SmbLibraryLoaded());

  // The first operation on an SMB address loads it (the probe sees it): on
  // loopback, where no server answers here, the file is simply not found.
  EXPECT_EQ(real->ListPath(u"smb://127.0.0.1/results/cjwyzz.txt", Listing::kFilesOnly), u"");
  EXPECT_TRUE(SmbLibraryLoaded());
}

TEST(SmbLibrary, WithoutItAnSmbShareFailsAtOnceNamingThePackageToInstall) {
  const std::string missing = "/nonexistent/" + std::string(kSmbLibrary);
  SmbClient client(missing);
  try {
    client.AppendExclusively("smb://teacher/results/cjwyzz.txt", "line\r\n");
    ADD_FAILURE() << "no error";
  } catch (const PlatformError& error) {
    // Not a passing condition: the submission does not wait 15 seconds on it.
    EXPECT_EQ(error.kind(), PlatformError::Kind::kOther);
    EXPECT_FALSE(error.IsRetryable());
    EXPECT_NE(error.reason().find(missing), std::string::npos) << error.reason();
  }
  // Asked again, it is tried again: installed meanwhile, the library is found.
  EXPECT_THROW(client.FreeSpace("smb://teacher/results/"), PlatformError);
  EXPECT_EQ(client.ListPath("smb://teacher/results/cjwyzz.txt", false), "");

  // The client's note when a submission did not reach the share names the
  // package (webexam-check's share line is tests/smb's logon case).
  TempDir dir;
  PosixPlatform posix(missing);
  test::FailingPlatform platform(posix);  // starts no report viewer
  const ExamPaths paths =
      MakeExamPaths(dir / "c", dir / "c", u"620722001", u"smb://teacher/results/", u'/');
  fs::create_directories(dir.path() / "c" / "620722001" / "web");
  const ExamState state{u"120722001", u"张三", u"JF07"};
  Submission submission(platform, paths, test::SampleExam().key, state);
  submission.GradeAndRecord();
  const auto start = platform.Now();
  EXPECT_EQ(submission.Deliver(), ShareOutcome::kNotDelivered);
  const std::u16string& note = submission.Note();
  EXPECT_LT(platform.Now() - start, std::chrono::seconds(5));  // not retried for 15 s
  EXPECT_NE(note.find(u"成绩没有交到 smb://teacher/results/cjwyzz.txt：cannot start the SMB "
                      u"client: "),
            std::u16string::npos)
      << ToUtf8(note);
  EXPECT_NE(note.find(u"the Debian package libsmbclient (apt install libsmbclient)"),
            std::u16string::npos);
  EXPECT_FALSE(fs::exists(dir.path() / "c" / "windows" / "fen.g"));  // the next press tries again
}

// No credentials file is the guest's logon. As ssh refuses a key others can
// read, a file others may read or write is refused; the guide's 0640 is not.
TEST(SmbAccount, ACredentialsFileOthersMayReadOrWriteIsRefused) {
  TempDir dir;
  EXPECT_EQ(ReadSmbAccount((dir.path() / "none").string()).user, "guest");
  const fs::path file = dir.path() / "smb-credentials";
  test::WriteBytes(file, "username=kaowu\npassword=secret\n");
  const struct {
    fs::perms mode;
    const char* says;
  } kLoose[] = {
      {fs::perms(0644), "mode 0644: others may read it;"},
      {fs::perms(0666),
       "mode 0666: others may read it, others may write it, its group may write it;"},
  };
  for (const auto& loose : kLoose) {
    fs::permissions(file, loose.mode);
    try {
      ReadSmbAccount(file.string());
      ADD_FAILURE() << loose.says;
    } catch (const PlatformError& error) {
      EXPECT_EQ(error.kind(), PlatformError::Kind::kDenied);
      EXPECT_EQ(error.path(), file.string());
      EXPECT_TRUE(error.reason().starts_with(loose.says)) << error.reason();
      EXPECT_NE(error.reason().find("mode 0640"), std::string::npos);
    }
  }
  for (int mode : {0640, 0600, 0440, 0400}) {
    fs::permissions(file, fs::perms(mode));
    EXPECT_EQ(ReadSmbAccount(file.string()).user, "kaowu") << std::oct << mode;
  }

  // The append fails with it before anything reaches the network (webexam-check's
  // words on it are tests/smb's logon case).
  fs::permissions(file, fs::perms(0644));
  ::setenv("WEBEXAM_SMB_CREDENTIALS", file.c_str(), 1);
  PosixPlatform platform;
  EXPECT_TRUE(test::ThrowsPlatformError(
      [&] { platform.AppendExclusively(u"smb://127.0.0.1/results/cjwyzz.txt", "line\r\n"); },
      PlatformError::Kind::kDenied, test::U16(file)));
  ::unsetenv("WEBEXAM_SMB_CREDENTIALS");
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
  const ExamPaths on_fuse =
      MakeExamPaths(dir / "c", dir / "p", u"620722001", test::U16(gvfs / "room1"), u'/');
  const std::u16string problem = ShareLockingProblem(*platform, on_fuse);
  EXPECT_NE(problem.find(u"FUSE"), std::u16string::npos) << ToUtf8(problem);
  EXPECT_NE(problem.find(u"WEBEXAM_SHARE 设为 smb://teacher/results/room1/"), std::u16string::npos)
      << ToUtf8(problem);

  // The room check fails the share before it writes anything there.
  const CheckResult check = CheckShare(*platform, on_fuse);
  EXPECT_FALSE(check.passed);
  EXPECT_EQ(check.detail, problem);
  EXPECT_TRUE(fs::is_empty(dir.path() / "server" / "room1"));

  // A folder not made yet is no problem (a local one: APcOnALocalShare...).
  EXPECT_EQ(ShareLockingProblem(*platform, MakeExamPaths(dir / "c", dir / "p", u"620722001",
                                                         dir / "share/not/made/yet", u'/')),
            u"");
}

}  // namespace
}  // namespace webexam
