// A PC under restore software (还原卡): a reboot takes back drive C:, its
// marker and its log with it, and the PC submits again as if for the first
// time. What the PC keeps on the share is submission_test's and the client's
// end-to-end test's; here the teacher's webexam-results reads such a share.
#include <gtest/gtest.h>

#include "tools/common/tool_run.h"

namespace webexam {
namespace {

using test::ReadBytes;
using test::WriteBytes;
namespace fs = std::filesystem;

using RestoreSoftware = test::ToolRun;

TEST_F(RestoreSoftware, EverySubmissionOfARebootedPcKeepsItsLineAndPageAndTheTeacherIsTold) {
  const fs::path share_ = dir_.path() / "share";
  fs::create_directories(share_);
  const std::string model = ReadBytes(test::ModelAnswer());
  const std::string starter = ReadBytes(fs::path(WEBEXAM_SOURCE_DIR) / "exam/aa/index.htm");
  // JF01's marker on the share is left from an earlier exam: it stops no line.
  WriteBytes(share_ / "JF01", "left from an earlier exam");
  Submit(share_, "JF01", starter, {u"120722001", u"张三", u"JF01"});
  Submit(share_, "JF02", model, {u"120722002", u"李四", u"JF02"});
  // Rebooted (its drive restored), JF01 takes the same candidate's finished
  // page, then, rebooted again, another candidate's empty one.
  fs::remove_all(dir_.path() / "JF01");
  Submit(share_, "JF01", model, {u"120722001", u"张三", u"JF01"});
  fs::remove_all(dir_.path() / "JF01");
  Submit(share_, "JF01", "", {u"120722009", u"王五", u"JF01"});

  const std::u16string told =
      u"第 1 行（120722001 张三）：计算机 JF01 有 3 行成绩（第 1、3、4 行）：先交的第 1 行"
      u"（120722001 张三，答对 0 题，页面 pages/120722001-JF01.htm）算数；后交的第 3 行"
      u"（120722001 张三，答对 22 题，页面 pages/120722001-JF01(2).htm）、第 4 行"
      u"（120722009 王五，答对 1 题，页面 pages/120722009-JF01.htm）。"
      u"各行的考生不同，请按座位表核对谁在这台计算机上考试。"
      u"多半是这台计算机装有还原卡（硬盘保护），重启后本机的交卷记号被还原，于是又交了一次\n";
  const fs::path html = dir_.path() / "results.html";
  EXPECT_EQ(Run("webexam-results", {"--html", html.string(), share_.string()}), 0);
  EXPECT_TRUE(Says(told)) << out_;
  EXPECT_TRUE(Says(u"异常（1 条）\n")) << out_;
  EXPECT_TRUE(
      test::Holds(ReadBytes(html), "<li>" + ToUtf8(told.substr(0, told.size() - 1)) + "</li>"));

  // Each page graded again against its own line: the starter page against
  // the first line, the finished one against the third.
  EXPECT_EQ(Run("webexam-results", {"--regrade", share_.string()}), 0);
  EXPECT_TRUE(Says(u"里的 4 个页面：与成绩行不同的 0 个\n")) << out_;
  // Nothing else but that 李四's finished page is 张三's second one, the
  // same page under two exam numbers.
  EXPECT_TRUE(Says(
      u"\n相似度 100%：第 2 行（120722002 李四，JF02，pages/120722002-JF02.htm）与第 3 行"
      u"（120722001 张三，JF01，pages/120722001-JF01(2).htm）\n\n只在注释、脚本或样式里找到的题"))
      << out_;
  EXPECT_EQ(Lines(), 6u) << out_;
}

}  // namespace
}  // namespace webexam
