// One look at a real share folder: what the teacher's tool reads, what it
// takes as the share's own names gone wrong, and when it cannot read at all.
#include "results/share_look.h"

#include <gtest/gtest.h>

#include "support/failing_platform.h"
#include "text/utf8.h"

namespace webexam {
namespace {

using test::WriteBytes;
namespace fs = std::filesystem;

// 张三's line of a 22-item exam that passed item 1, with its line end.
std::string Line() {
  std::string line = test::Gbk(u"120722001\t张三\tJF01\t1\t1");
  for (int item = 2; item <= 22; ++item) line += "\t0";
  return line + "\r\n";
}

class ShareLookTest : public ::testing::Test {
 protected:
  ShareLookTest() { fs::create_directories(share_); }
  // One look, with `error` cleared or saying why nothing came back.
  std::optional<ShareContent> Look(bool during_the_exam = false) {
    return Share(platform_, share_.string(), 0).Read(error_, during_the_exam);
  }
  std::u16string Problem(bool during_the_exam = false) {
    const std::optional<ShareContent> content = Look(during_the_exam);
    EXPECT_TRUE(content) << ToUtf8(error_);
    EXPECT_LE(content->problems.size(), 1u);
    return content->problems.empty() ? u"" : content->problems[0];
  }

  std::unique_ptr<Platform> real_ = MakePlatform();
  test::FailingPlatform platform_{*real_};
  test::TempDir dir_;
  fs::path share_ = dir_.path() / "share";
  std::u16string error_;
};

TEST_F(ShareLookTest, AMissingLogIsNoProblemOnlyWhileNothingWasSubmitted) {
  const std::u16string missing = u"共享文件夹里没有 cjwyzz.txt：";
  EXPECT_EQ(Problem(true), u"");
  EXPECT_TRUE(Problem().starts_with(missing));
  // webexam-check's probe is no submission; a marker or a kept page is.
  WriteBytes(share_ / ".webexam-check-1.tmp", "");
  EXPECT_FALSE(Look(true)->HoldsSubmissions());
  fs::create_directory(share_ / "pages");
  WriteBytes(share_ / "pages" / "120722001-JF01.htm", "<p>");
  EXPECT_TRUE(Look(true)->HoldsSubmissions());
  EXPECT_TRUE(Problem(true).starts_with(missing));
}

// A file named pages, read as no pages and not taken for a PC's marker, is
// webexam_results_test's.
TEST_F(ShareLookTest, ALogInTheWrongShapeIsReadAsEmptyAndNamed) {
  fs::create_directories(share_ / "cjwyzz.txt" / "inside");
  std::optional<ShareContent> content = Look();
  ASSERT_TRUE(content);
  ASSERT_EQ(content->problems.size(), 1u);
  EXPECT_TRUE(
      content->problems[0].starts_with(u"共享文件夹里的 cjwyzz.txt 是一个文件夹，不是文件"));
  // Every problem is an anomaly of no line after the lines' own.
  const std::u16string problem = content->problems[0];
  const ResultsSummary summary = Share(platform_, share_.string(), 0).Summary(*content, nullptr);
  ASSERT_FALSE(summary.anomalies.empty());
  EXPECT_EQ(summary.anomalies.back().line, 0u);
  EXPECT_EQ(summary.anomalies.back().text, problem);
}

TEST_F(ShareLookTest, ALastLineStillBeingWrittenIsLeftForTheNextLook) {
  WriteBytes(share_ / "cjwyzz.txt", Line() + Line().substr(0, 20));
  std::optional<ShareContent> content = Look(true);
  ASSERT_TRUE(content);
  EXPECT_EQ(content->log.records.size(), 1u);
  ASSERT_FALSE(content->log.notes.empty());
  content->DropTornLastLine();
  EXPECT_TRUE(content->log.notes.empty());
  EXPECT_TRUE(content->log.malformed.empty());
}

TEST_F(ShareLookTest, AShareOrALogThatCannotBeReadGivesNothingAndSaysWhy) {
  WriteBytes(share_ / "cjwyzz.txt", "");
  platform_.Fail(test::FailingPlatform::Op::kReadHead, test::Kind::kDenied, u"cjwyzz.txt");
  EXPECT_FALSE(Look(true));
  EXPECT_TRUE(error_.starts_with(u"读不了 cjwyzz.txt：")) << ToUtf8(error_);
  platform_.Clear();
  fs::remove_all(share_);
  EXPECT_FALSE(Look(true));
  EXPECT_TRUE(error_.starts_with(u"读不了共享文件夹：")) << ToUtf8(error_);
}

}  // namespace
}  // namespace webexam
