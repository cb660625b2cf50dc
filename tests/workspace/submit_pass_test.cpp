#include "workspace/submit_pass.h"

#include <gtest/gtest.h>

#include "results/result_record.h"
#include "support/test_support.h"

namespace webexam {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;
namespace fs = std::filesystem;

// Records the report viewer's starts instead of opening windows.
class ViewerPlatform : public test::ForwardingPlatform {
 public:
  using ForwardingPlatform::ForwardingPlatform;
  void OpenDocument(const std::u16string& path) override {
    if (fail_open) throw PlatformError(2, "no viewer");
    opened.push_back(path);
  }
  std::vector<std::u16string> opened;
  bool fail_open = false;
};

class SubmitPassTest : public ::testing::Test {
 protected:
  SubmitPassTest() {
    fs::create_directories(root_ / "620722001" / "web");
    fs::create_directories(share_);
  }
  std::u16string Press() { return SubmitPass(platform_, paths_, state_); }
  void WritePage(const std::string& bytes) {
    WriteBytes(root_ / "620722001" / "web" / "index.htm", bytes);
  }
  std::size_t LineCount(const fs::path& file) {
    if (!fs::exists(file)) return 0;
    const std::string bytes = ReadBytes(file);
    std::size_t count = 0;
    for (std::size_t at = 0; (at = bytes.find("\r\n", at)) != std::string::npos; at += 2) ++count;
    return count;
  }

  std::unique_ptr<Platform> real_ = MakePlatform();
  ViewerPlatform platform_{*real_};
  TempDir dir_;
  fs::path root_ = dir_.path() / "c";
  fs::path share_ = dir_.path() / "share";
  ExamPaths paths_ = MakeExamPaths(test::U16(root_), u"/program", test::U16(share_), u'/');
  ExamState state_{u"120722001", u"张三", u"JF07", u"", u""};
};

// The local log line of this candidate for a page with these marks.
std::string LogLine(const std::string& count, std::string_view marks) {
  std::string line = "120722001\t\xD5\xC5\xC8\xFD\tJF07\t" + count;  // 张三
  for (char mark : marks) line += std::string("\t") + mark;
  return line + "\r\n";
}

TEST_F(SubmitPassTest, ThreePressesLogThreeTimesAndReachTheShareOnce) {
  WritePage(ReadBytes(test::DataFile("model_answer.htm")));
  EXPECT_EQ(Press(), u"");
  const std::string first = LogLine("22", "1111111111111111111111");
  EXPECT_EQ(ReadBytes(root_ / "cjj.txt"), first);

  WritePage("");  // the candidate empties the page: the next presses grade it afresh
  const std::u16string refusal(kAlreadySubmittedMessage);
  EXPECT_EQ(Press(), refusal);
  EXPECT_EQ(Press(), refusal);

  const std::string empty = LogLine("1", "0000000000000100000000");
  EXPECT_EQ(ReadBytes(root_ / "cjj.txt"), first + empty + empty);
  EXPECT_EQ(ReadBytes(share_ / "cjwyzz.txt"), first);
  // The report was rewritten and shown on every press, refused ones included.
  EXPECT_EQ(LineCount(root_ / "cj.txt"), 28u);
  EXPECT_EQ(platform_.opened.size(), 3u);
  EXPECT_TRUE(fs::is_directory(root_ / "windows"));
}

TEST_F(SubmitPassTest, AMissingPageIsGradedEmptyAndRecorded) {
  EXPECT_EQ(Press(), u"");
  EXPECT_TRUE(fs::exists(root_ / "620722001" / "web" / "index.htm"));
  EXPECT_EQ(ReadBytes(share_ / "cjwyzz.txt"), ReadBytes(root_ / "cjj.txt"));
}

TEST_F(SubmitPassTest, AFailingStepStopsThePassAndKeepsWhatWasWritten) {
  // The page's folder is gone: grading fails, nothing is logged.
  fs::remove_all(root_ / "620722001");
  EXPECT_THROW(Press(), PlatformError);
  EXPECT_TRUE(fs::is_directory(root_ / "windows"));
  EXPECT_FALSE(fs::exists(root_ / "cjj.txt"));

  // The local log cannot be written: no report, no share.
  fs::create_directories(root_ / "620722001" / "web");
  fs::create_directory(root_ / "cjj.txt");
  EXPECT_THROW(Press(), PlatformError);
  EXPECT_FALSE(fs::exists(root_ / "cj.txt"));
  EXPECT_TRUE(platform_.opened.empty());
  fs::remove(root_ / "cjj.txt");

  // The viewer cannot be started: the line is logged, the share not touched.
  platform_.fail_open = true;
  EXPECT_THROW(Press(), PlatformError);
  EXPECT_EQ(LineCount(root_ / "cjj.txt"), 1u);
  EXPECT_EQ(LineCount(root_ / "cj.txt"), 28u);
  EXPECT_FALSE(fs::exists(root_ / "windows" / "fen.g"));
  EXPECT_FALSE(fs::exists(share_ / "cjwyzz.txt"));
}

}  // namespace
}  // namespace webexam
