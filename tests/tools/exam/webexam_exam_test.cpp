// A teacher's new exam made with webexam-exam from the sample beside it, checked,
// sealed, then used by the other tools with --exam, all run for real.
#include <gtest/gtest.h>

#include <string>

#include "tools/common/tool_run.h"

namespace webexam {
namespace {

using test::WriteBytes;
namespace fs = std::filesystem;

// A second exam: three items, another range and candidate folder.
constexpr std::string_view kSecondExam =
    "标题：第二套\r\n"
    "登录提示：考号范围：2001至2999\r\n"
    "考号出错提示：考号不对\r\n"
    "考号开头：2\r\n"
    "最小考号：2001\r\n"
    "考生文件夹：exam2\r\n"
    "第1题：都要有\r\n文字：marquee\r\n文字：\" height\"\r\n"
    "第2题：都不能有\r\n文字：<blink>\r\n"
    "第3题：都要有\r\n文字：第二套专用\r\n";

class WebexamExam : public test::ToolRun {
 protected:
  WebexamExam() {
    // The teacher's zip: the tool with the editable sample beside it.
    fs::create_directories(tool_.parent_path());
    fs::copy_file(test::BuiltProgram("webexam-exam"), tool_);
    fs::copy(fs::path(WEBEXAM_SOURCE_DIR) / "exam", tool_.parent_path() / "sample-exam",
             fs::copy_options::recursive);
  }

  fs::path tool_ = dir_.path() / "teacher" / test::BuiltProgram("webexam-exam").filename();
  fs::path exam_ = dir_.path() / "exam2", out_dir_ = dir_.path() / "out";
};

TEST_F(WebexamExam, MakesChecksAndSealsAnExamTheOtherToolsGradeWith) {
  ASSERT_EQ(Run(tool_, {"new", exam_.string()}), 0) << err_;
  EXPECT_EQ(Run(tool_, {"new", exam_.string()}), 1);  // never over an exam
  // The sample copied whole: its task text and starting page with it.
  EXPECT_EQ(Run(tool_, {"check", exam_.string()}), 0) << out_ << err_;
  EXPECT_TRUE(Says(u"  第 14 题  都不能有：“abcd”")) << out_;
  EXPECT_TRUE(Says(u"标准答案 model.htm：答对 22 题，满分。")) << out_;

  // The teacher's own exam: the sample's model answer misses item 3.
  WriteBytes(exam_ / "exam.txt", std::string(kSecondExam));
  EXPECT_EQ(Run(tool_, {"check", exam_.string()}), 1);
  EXPECT_TRUE(Says(u"只答对 2 题，第 3 题没有通过")) << out_;
  EXPECT_EQ(Run(tool_, {"seal", exam_.string(), out_dir_.string()}), 1);
  EXPECT_FALSE(fs::exists(out_dir_));
  WriteBytes(exam_ / "model.htm", test::ReadBytes(exam_ / "model.htm") + test::Gbk(u"第二套专用"));
  EXPECT_EQ(Run(tool_, {"check", exam_.string()}), 0) << out_;
  EXPECT_TRUE(Says(u"考生文件夹：exam2")) << out_;
  EXPECT_TRUE(Says(u"起始页面 aa/index.htm：答对 1 题（第 2 题）")) << out_;

  // Sealed: what candidates get holds no key to read, and not into the
  // exam's own folder.
  EXPECT_EQ(Run(tool_, {"seal", exam_.string(), exam_.string()}), 1);
  ASSERT_EQ(Run(tool_, {"seal", exam_.string(), out_dir_.string()}), 0) << err_;
  EXPECT_FALSE(fs::exists(out_dir_ / "exam.txt") || fs::exists(out_dir_ / "model.htm"));
  EXPECT_EQ(test::ReadBytes(out_dir_ / "exam.sealed").find(ToUtf8(u"第二套专用")),
            std::string::npos);
  EXPECT_EQ(Run(tool_, {"check", out_dir_.string()}), 0) << out_;
  EXPECT_TRUE(Says(u"考题：第二套（")) << out_;

  // Graded with the sealed exam, three marks a page.
  const std::string model = (exam_ / "model.htm").string();
  ASSERT_EQ(Run("webexam-grade", {"--exam", out_dir_.string(), model}), 0) << err_;
  EXPECT_EQ(out_, model + "\t3\t1\t1\t1\n");
  WriteBytes(exam_ / "exam.txt", "标题：x\n第1题：都得有\n");
  EXPECT_EQ(Run("webexam-grade", {"--exam", exam_.string(), model}), 2);
  EXPECT_TRUE(test::Holds(err_, u"第 2 行：不认识的规则“都得有”"));
}

TEST_F(WebexamExam, ResultsReadTheLinesByTheExamAndNameASecondExam) {
  const fs::path share = dir_.path() / "share";
  fs::create_directories(share);
  // Three lines of a 3-item exam, one of the 22-item sample's.
  std::string log;
  for (int pc = 1; pc <= 3; ++pc) {
    log += "200" + std::to_string(pc) + "\tA\tPC" + std::to_string(pc) + "\t2\t1\t0\t1\r\n";
    WriteBytes(share / ("PC" + std::to_string(pc)), "");
  }
  log += "120722001\tB\tJF01\t0";
  for (int item = 1; item <= 22; ++item) log += "\t0";
  log += "\r\n";
  WriteBytes(share / "JF01", "");
  WriteBytes(share / "cjwyzz.txt", log);
  for (const bool given : {false, true}) {
    std::vector<std::string> arguments = {share.string()};
    if (given) {
      fs::create_directories(exam_);
      WriteBytes(exam_ / "exam.txt", std::string(kSecondExam));
      arguments.insert(arguments.begin(), {"--exam", exam_.string()});
    }
    ASSERT_EQ(Run("webexam-results", arguments), 0) << err_;
    const std::u16string said =
        u"第 4 行（120722001 B，计算机 JF01）：共享文件夹里有两套考题的成绩：第 4 行有 "
        u"22 道题的分数，而";
    EXPECT_TRUE(Says(said + (given ? u"给的考题" : u"多数行") + u"是 3 道题")) << out_;
    EXPECT_TRUE(Says(u"答对数  1 2 3\n")) << out_;
  }
}

}  // namespace
}  // namespace webexam
