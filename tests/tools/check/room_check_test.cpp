// webexam-check's checks on a real drive root, program folder and share, with
// the platform bent where a machine cannot be made to answer so (a full disk).
#include "tools/check/room_check.h"

#include <gtest/gtest.h>

#include "exam/sealed_exam.h"
#include "submission/share_advice.h"
#include "support/failing_platform.h"
#include "text/utf8.h"
#include "tools/common/tool_run.h"

namespace webexam {
namespace {

using test::WriteBytes;
namespace fs = std::filesystem;

class BentPlatform : public test::FailingPlatform {
 public:
  using FailingPlatform::FailingPlatform;
  std::u16string ComputerName() override { return computer_name; }
  std::uint64_t FreeSpace(const std::u16string& path) override {
    return free_space ? *free_space : inner_.FreeSpace(path);
  }
  std::string ReadHead(const std::u16string& path, std::size_t limit,
                       IfMissing if_missing) override {
    std::string bytes = FailingPlatform::ReadHead(path, limit, if_missing);
    if (!garbled.empty() && path.starts_with(garbled)) bytes += "x";
    return bytes;
  }
  std::vector<std::u16string> ListFiles(const std::u16string& folder) override {
    if (listing_refused) throw test::ErrorOf(test::Kind::kDenied, "cannot list", folder);
    return inner_.ListFiles(folder);
  }
  std::u16string DocumentViewer(const std::u16string&) override { return viewer; }
  DocumentHandler HandlerOfDocument(const std::u16string&) override { return handler; }
  std::u16string computer_name = u"JF07";
  std::optional<std::uint64_t> free_space;
  std::u16string garbled;  // reads of files here come back changed
  bool listing_refused = false;
  std::u16string viewer = u"notepad.exe";
  DocumentHandler handler{u"notepad.exe", {}};
};

class RoomCheckTest : public ::testing::Test {
 protected:
  RoomCheckTest() {
    fs::create_directories(root_);
    fs::create_directories(share_);
    // The exam folder as candidates' PCs get it: the sealed exam, no source.
    fs::copy(fs::path(WEBEXAM_SOURCE_DIR) / "exam", program_, fs::copy_options::recursive);
    fs::remove(program_ / "exam.txt");
    fs::remove(program_ / "model.htm");
    WriteBytes(program_ / "exam.sealed", SealExam(test::SampleExam()));
  }
  std::vector<CheckResult> Check() { return CheckRoom(platform_, test::U16(root_), paths_); }
  // Whether the `index`th check fails saying `words`, with every other check
  // but the `also`th passing.
  bool Fails(std::size_t index, std::u16string_view words, std::size_t also = SIZE_MAX) {
    const std::vector<CheckResult> results = Check();
    for (std::size_t i = 0; i < results.size(); ++i) {
      EXPECT_EQ(results[i].passed, i != index && i != also)
          << i << ": " << ToUtf8(results[i].detail);
    }
    return index < results.size() && results[index].detail.find(words) != std::u16string::npos;
  }

  std::unique_ptr<Platform> real_ = MakePlatform();
  BentPlatform platform_{*real_};
  test::TempDir dir_;
  fs::path root_ = dir_.path() / "c", share_ = dir_.path() / "share",
           program_ = dir_.path() / "program";
  ExamPaths paths_ = MakeExamPaths(test::U16(root_), test::U16(program_), u"620722001",
                                   test::U16(share_), platform_.PathSeparator());
};

TEST_F(RoomCheckTest, APreparedPcPassesAndKeepsNoProbe) {
  const std::vector<CheckResult> results = Check();
  ASSERT_EQ(results.size(), 7u);
  for (const CheckResult& result : results) EXPECT_TRUE(result.passed) << ToUtf8(result.detail);
  EXPECT_TRUE(fs::is_empty(root_) && fs::is_empty(share_));
  // The windows folder, once there, is probed too, and keeps no probe either.
  fs::create_directory(root_ / "windows");
  EXPECT_TRUE(Check()[1].passed);
  EXPECT_TRUE(fs::is_empty(root_ / "windows"));
}

TEST_F(RoomCheckTest, IncompleteOrMisencodedMaterialFails) {
  fs::remove(program_ / "aa" / "index.htm");
  EXPECT_TRUE(Fails(0, u"index.htm"));
  fs::remove_all(program_ / "aa");
  WriteBytes(program_ / "aa", "");  // a file where the folder belongs
  EXPECT_TRUE(Fails(0, u"缺素材文件夹 aa"));
  fs::remove(program_ / "1.txt");
  EXPECT_TRUE(Fails(0, u"缺考题 1.txt"));

  fs::remove(program_ / "aa");
  fs::copy(fs::path(WEBEXAM_SOURCE_DIR) / "exam" / "aa", program_ / "aa");
  // Re-saved by an editor that writes UTF-8, with and without a BOM.
  WriteBytes(program_ / "1.txt", "\xEF\xBB\xBFTask");
  EXPECT_TRUE(Fails(0, u"UTF-8"));
  WriteBytes(program_ / "1.txt", "第一题：制作网页，标题为“欢迎进入网页天地！”。\r\n");
  EXPECT_TRUE(Fails(0, u"UTF-8"));
  WriteBytes(program_ / "1.txt", "\r\n");
  EXPECT_TRUE(Fails(0, u"空的"));
}

TEST_F(RoomCheckTest, TheExamFileNamesTheExamAndShowsNoKey) {
  // The teacher's files beside it would show candidates the key.
  for (const char* name : {"exam.txt", "model.htm"}) {
    fs::copy_file(fs::path(WEBEXAM_SOURCE_DIR) / "exam" / name, program_ / name);
    EXPECT_TRUE(Fails(6, FromUtf8(name) + u"（")) << name;
    fs::remove(program_ / name);
  }
  const std::string sealed = test::ReadBytes(program_ / "exam.sealed");
  WriteBytes(program_ / "exam.sealed", sealed.substr(0, sealed.size() - 1));
  EXPECT_TRUE(Fails(6, u"封存后被改动过"));
  fs::remove(program_ / "exam.sealed");
  EXPECT_TRUE(Fails(6, u"缺 exam.sealed"));
}

TEST_F(RoomCheckTest, ADriveWithoutRoomOrAShareThatDoesNotWorkFails) {
  platform_.free_space = kRoomMargin;  // the material itself does not fit any more
  EXPECT_TRUE(Fails(1, u"至少要 65 MB"));
  fs::remove_all(root_);
  platform_.free_space.reset();
  EXPECT_TRUE(Fails(1, u"不能在"));
  fs::create_directories(root_);
  // Windows refuses a program that is not elevated the files of C:\Windows.
  fs::create_directory(root_ / "windows");
  const PlatformError refusal = test::ErrorOf(test::Kind::kDenied, "", u"");
  platform_.Fail(test::FailingPlatform::Op::kWriteFile, test::Kind::kDenied, paths_.marker_folder);
  EXPECT_TRUE(Fails(1, platform_.OnWindows() ? u"请以管理员身份运行" : u"权限"));
  EXPECT_TRUE(Fails(1, paths_.marker_folder + u" 写文件（" + FromUtf8(refusal.reason()) + u"）"));
  platform_.Clear();
  fs::remove_all(root_ / "windows");
  WriteBytes(root_ / "windows", "");  // a file where the folder belongs
  EXPECT_TRUE(Fails(1, u"是一个文件"));
  fs::remove(root_ / "windows");

  // No program for the report: the client shows it itself; the teacher is told.
  platform_.viewer.clear();
  EXPECT_TRUE(Fails(5, u"自己的窗口"));
  // On Linux xdg-open needs a program for text files (xdg-mime names none), one
  // that can start (vim.desktop needs a terminal, and there is none).
  platform_.viewer = u"/usr/bin/xdg-open";
  platform_.handler = {};
  EXPECT_TRUE(
      Fails(5, u"xdg-open 找不到打开 .txt 文件的程序，考试程序只能用自己的窗口显示成绩报告。"));
  platform_.handler = {u"vim.desktop", u"x-terminal-emulator"};
  EXPECT_TRUE(Fails(5,
                    u"打开 .txt 文件的 vim.desktop 要用 x-terminal-emulator，本机没有，"
                    u"考试程序只能用自己的窗口显示成绩报告。请安装 x-terminal-emulator，"));
  platform_.handler = {u"org.xfce.mousepad.desktop", {}};
  EXPECT_EQ(Check()[5].detail, u"/usr/bin/xdg-open，org.xfce.mousepad.desktop");

  // Without the share, the computer name's marker there cannot be looked at.
  platform_.garbled = test::U16(share_);
  EXPECT_TRUE(Fails(2, u"读回来不一样", 4));
  EXPECT_TRUE(fs::is_empty(share_));  // no probe left behind
  fs::remove(share_);
  EXPECT_TRUE(Fails(2, u"写不进", 4));
  WriteBytes(share_, "");  // a file where the folder belongs
  EXPECT_TRUE(Fails(2, u"是一个文件，不是文件夹", 4));
}

// Each way the server refuses, connecting or writing, tells the teacher what it
// means and what to change; a cause it cannot name keeps the general words.
TEST_F(RoomCheckTest, EachCauseOfAFailingShareSaysWhatToChange) {
  using Op = test::FailingPlatform::Op;
  using test::Kind;
  const struct {
    Kind kind;
    std::u16string_view says;
  } kCauses[] = {
      {Kind::kGuestRefused, u"教师机不接受来宾（guest）登录"},
      {Kind::kServerFull, u"教师机现在不再接受连接（Windows 10/11 最多同时接待 20 台）"},
      {Kind::kDenied, u"这个账户不能往共享里写。请检查教师机上这个共享的权限"},
      {Kind::kOther, u"请检查网络、教师机的共享和"},
  };
  for (Op op : {Op::kConnectShare, Op::kWriteNewFile}) {
    for (const auto& cause : kCauses) {
      platform_.Clear();
      platform_.Fail(op, cause.kind, paths_.results_share);
      const PlatformError error = test::ErrorOf(cause.kind, "", u"");
      // The system's words first, then what they mean.
      const std::u16string line = (op == Op::kConnectShare ? u"连不上 " : u"写不进 ") +
                                  paths_.results_share + u"（" + FromUtf8(error.reason()) +
                                  u"）。" + std::u16string(cause.says);
      EXPECT_TRUE(Fails(2, line, 4)) << ToUtf8(Check()[2].detail);
    }
  }
  platform_.Clear();
  EXPECT_TRUE(fs::is_empty(share_));
}

// A share candidates may add to but not read, list or delete from passes, naming
// what it refuses (all refused on Samba is real_smb_test.py's locked case).
TEST_F(RoomCheckTest, AShareThatOnlyTakesSubmissionsPassesAndNamesItsProtections) {
  using Op = test::FailingPlatform::Op;
  using test::Kind;
  WriteBytes(share_ / "cjwyzz.txt", "120722001\t张三\r\n");
  // Where candidates may do anything, the teacher is warned.
  CheckResult share = Check()[2];
  EXPECT_TRUE(share.passed);
  EXPECT_TRUE(test::Holds(share.detail, u"写读删用时"));
  EXPECT_TRUE(test::Holds(share.detail, u"考生能看到、能删改同学的成绩和页面"));

  platform_.Fail(Op::kRemoveFile, Kind::kDenied, paths_.results_share);
  platform_.listing_refused = true;
  share = Check()[2];
  EXPECT_TRUE(share.passed) << ToUtf8(share.detail);
  EXPECT_TRUE(test::Holds(share.detail, u"考生删文件、列出文件被拒，但能读别人的文件、读成绩文件"));

  // A log candidates cannot append to fails the share.
  platform_.Clear();
  platform_.listing_refused = false;
  platform_.Fail(Op::kAppendExclusively, Kind::kDenied, u"cjwyzz.txt");
  EXPECT_TRUE(Fails(2, u"里添成绩", 4));
}

TEST(ShareFailureAdvice, NamesTheConnectionToDrop) {
  const std::unique_ptr<Platform> platform = MakePlatform();
  const PlatformError other_account(PlatformError::Kind::kOtherAccount, 1219, "cannot connect to",
                                    "\\\\teacher\\results\\", "");
  EXPECT_TRUE(test::Holds(ShareFailureAdvice(*platform, other_account, u"\\\\teacher\\results\\"),
                          u"（net use \\\\teacher\\results /delete）再试。"));
}

TEST_F(RoomCheckTest, MarkersAndComputerNamesThatWouldSpoilTheSubmissionFail) {
  fs::create_directories(root_ / "windows" / "fen.g");  // a folder: the client's write would fail
  EXPECT_TRUE(Fails(3, u"文件夹"));
  fs::remove(root_ / "windows" / "fen.g");
  WriteBytes(root_ / "windows" / "fen.g", "");
  EXPECT_TRUE(Fails(3, u"--clear-marker"));
  fs::remove(root_ / "windows" / "fen.g");

  WriteBytes(share_ / "JF07", "");
  EXPECT_TRUE(Fails(4, u"已有本机的记号"));
  // Unsafe names in all their forms are submission_test's.
  platform_.computer_name = u"JF/07";
  EXPECT_TRUE(Fails(4, u"不能作文件名"));
  platform_.computer_name = u"한국";  // no GBK form: the result line could not be written
  EXPECT_TRUE(Fails(4, u"GBK"));
  platform_.computer_name = u"CJWYZZ.TXT";  // its marker would empty the results file
  EXPECT_TRUE(Fails(4, u"同名"));
  platform_.computer_name = u"Pages";  // its marker would keep every PC's page out
  EXPECT_TRUE(Fails(4, u"存放页面的文件夹同名"));
}

TEST_F(RoomCheckTest, AShareWhoseOwnNamesHaveTheWrongShapeFails) {
  // A folder where the log goes, or a file where pages goes, fails the share's
  // line with what to do, and the marker check that needs the share.
  fs::create_directories(share_ / "cjwyzz.txt" / "inside");
  EXPECT_TRUE(Fails(
      2, u"cjwyzz.txt 是一个文件夹，不是文件，考生机的成绩都写不进去。请把这个文件夹移走或改名",
      4));
  fs::remove_all(share_ / "cjwyzz.txt");
  WriteBytes(share_ / "pages", "");
  EXPECT_TRUE(Fails(2, u"pages 是一个文件，不是文件夹", 4));
}

}  // namespace
}  // namespace webexam
