// webexam-results run for real on shares the real submission wrote, held to golden
// files byte for byte (tests/data/results; WEBEXAM_UPDATE_GOLDEN=1 rewrites them:
// review the difference), and on shares it cannot read or write for. Damaged
// lines are share_log_reader_test's and results_summary_test's.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <regex>
#include <string>

#include "results/share_log_reader.h"
#include "submission/results_share.h"
#include "tools/common/tool_run.h"

namespace webexam {
namespace {

using test::ReadBytes;
using test::WriteBytes;
namespace fs = std::filesystem;

void MatchesGolden(const std::string& got, const std::string& name) {
  const fs::path golden = test::DataFile("results") / name;
  if (const char* update = std::getenv("WEBEXAM_UPDATE_GOLDEN");
      update && update == std::string("1")) {
    WriteBytes(golden, got);
    return;
  }
  const std::string want = ReadBytes(golden);
  const auto at =
      std::mismatch(got.begin(), got.end(), want.begin(), want.end()).first - got.begin();
  EXPECT_TRUE(got == want) << golden << " differs from byte " << at
                           << ", which has\n  got:  " << got.substr(at, 60)
                           << "\n  want: " << want.substr(at, 60)
                           << "\n(WEBEXAM_UPDATE_GOLDEN=1 rewrites the golden files)";
}

class WebexamResults : public test::ToolRun {
 protected:
  WebexamResults() { fs::create_directories(share_); }
  int Results(const std::vector<std::string>& arguments) {
    return Run("webexam-results", arguments);
  }
  fs::path share_ = dir_.path() / "share";
};

TEST_F(WebexamResults, SummarizesAShareThePressesWroteAsTheGoldenFilesSay) {
  const std::string model = ReadBytes(test::ModelAnswer());
  const std::string starter = ReadBytes(fs::path(WEBEXAM_SOURCE_DIR) / "exam/aa/index.htm");
  auto part = [&model](std::size_t bytes) { return model.substr(0, bytes); };

  // In the order the PCs submit, which is not the order of exam numbers.
  Submit(share_, "pc3", part(900), {u"120722003", u"王五", u"JF03"});
  Submit(share_, "pc1", model, {u"120722001", u"张三", u"JF01"});
  Submit(share_, "pc5", part(400), {u"120722005", u"欧阳修远", u"机房五"});
  Submit(share_, "pc2", starter, {u"120722002", u"李四", u"JF02"});
  Submit(share_, "pc4", part(650), {u"120722004", u"O'Neil, \"Jr\" <b>&", u"JF04"});
  Submit(share_, "pc6", part(1100), {u"120722006", u"阿卜杜·热合曼", u"JF06"});
  // The share refused JF08's marker: its line is there, its marker is not.
  Submit(share_, "pc8", part(1000), {u"120722008", u"钱七", u"JF08"}, true);
  // The teacher took JF03's own marker away for a second try.
  fs::remove(dir_.path() / "pc3" / "windows" / "fen.g");
  Submit(share_, "pc3", model, {u"120722003", u"王五", u"JF03"});
  // A marker left from an earlier exam.
  WriteBytes(share_ / "JF09", "");
  // A line edited on the share (count not the sum of its marks), its PC's only one.
  std::string edited = test::Gbk(u"120722010\t孙八\tJF10\t18");
  for (int item = 1; item <= 22; ++item) edited += item <= 15 ? "\t1" : "\t0";
  WriteBytes(share_ / "cjwyzz.txt", ReadBytes(share_ / "cjwyzz.txt") + edited + "\r\n");
  WriteBytes(share_ / "JF10", "");
  // The class list, GBK with a header: 赵六 never submitted, 李四 is 李斯 there,
  // JF05 sits where it has JF15, 120722006 is not on it.
  const fs::path roster = dir_.path() / "roster.csv";
  WriteBytes(roster, test::Gbk(u"考号,姓名,计算机\r\n120722001,张三,JF01\r\n120722002,李斯,JF02\r\n"
                               u"120722003,王五\r\n120722004,\"O'Neil, \"\"Jr\"\" <b>&\"\r\n"
                               u"120722005,欧阳修远,JF15\r\n120722007,赵六,JF07\r\n"
                               u"120722008,钱七,JF08\r\n120722010,孙八,JF10\r\n"));

  const fs::path csv = dir_.path() / "out.csv", html = dir_.path() / "out.html";
  EXPECT_EQ(Results({"--roster", roster.string(), "--csv", csv.string(), "--html", html.string(),
                     share_.string()}),
            0);
  EXPECT_EQ(err_, "");
  MatchesGolden(ReadBytes(share_ / "cjwyzz.txt"), "cjwyzz.txt");
  MatchesGolden(out_, "summary.txt");
  MatchesGolden(ReadBytes(csv), "results.csv");
  // The page names the share and the time it was made, which differ from run to run.
  std::string page = ReadBytes(html);
  const std::string source = "共享文件夹 " + share_.string() + "，生成于 ";
  ASSERT_NE(page.find(source), std::string::npos);
  page.replace(page.find(source), source.size(), "共享文件夹 SHARE，生成于 ");
  page = std::regex_replace(page, std::regex("\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d"),
                            "YYYY-MM-DD hh:mm:ss");
  MatchesGolden(page, "results.html");
}

// A share that cannot be read fails the run. One whose own names are gone or
// misshapen (each case is share_look_test's) is read, what is wrong an anomaly.
TEST_F(WebexamResults, AMissingOrMisshapenLogOrPagesFolderIsAnAnomalyNotAFailure) {
  EXPECT_EQ(Results({(dir_.path() / "missing").string()}), 1);
  EXPECT_TRUE(test::Holds(err_, u"读不了共享文件夹"));
  const std::string model = ReadBytes(test::ModelAnswer());
  Submit(share_, "pc1", model, {u"120722001", u"张三", u"JF01"});
  fs::remove(share_ / "cjwyzz.txt");
  // Read all the same; but a CSV that cannot be written fails the run, the
  // summary still shown.
  EXPECT_EQ(Results({"--csv", (dir_.path() / "no" / "such.csv").string(), share_.string()}), 1);
  EXPECT_TRUE(Says(u"没有成绩行。")) << out_;
  EXPECT_TRUE(Says(u"计算机 JF01 留有记号文件，但 cjwyzz.txt 里没有它的成绩行")) << out_;
  EXPECT_EQ(Results({"--regrade", share_.string()}), 0) << err_;
  EXPECT_TRUE(Says(u"共享文件夹里没有 cjwyzz.txt")) << out_;
  EXPECT_TRUE(Says(u"120722001-JF01.htm")) << out_;
  // webexam-check's probes, left where deleting is refused, are no PC's marker or
  // page, and the journal misses nothing when they are cleared.
  const fs::path probes[] = {share_ / ".webexam-check-1.tmp",
                             share_ / "pages" / ".webexam-check-2.tmp"};
  for (const fs::path& probe : probes) WriteBytes(probe, "webexam-check");
  const std::string journal = (dir_.path() / "journal.txt").string();
  EXPECT_EQ(Results({"--journal", journal, share_.string()}), 0) << err_;
  for (const fs::path& probe : probes) fs::remove(probe);
  EXPECT_EQ(Results({"--journal", journal, share_.string()}), 0) << err_;
  EXPECT_FALSE(Says(u".webexam-check")) << out_;

  // A file named pages keeps every page out, and is no PC's marker.
  Submit(share_, "pc2", model, {u"120722002", u"李四", u"JF02"});
  fs::remove_all(share_ / "pages");
  WriteBytes(share_ / "pages", "");
  EXPECT_EQ(Results({share_.string()}), 0) << err_;
  EXPECT_TRUE(Says(u"pages 是一个文件，不是文件夹")) << out_;
  EXPECT_FALSE(Says(u"计算机 pages")) << out_;
}

// A log grown far past any exam's is read up to the limit: the results of
// its first lines, the first notes with a count of the rest, and the cut.
TEST_F(WebexamResults, ALogPastTheReadLimitGivesItsFirstLinesAndSaysWhatWasLeft) {
  const std::string model = ReadBytes(test::ModelAnswer());
  Submit(share_, "pc1", model, {u"120722001", u"张三", u"JF01"});
  std::string bytes = ReadBytes(share_ / "cjwyzz.txt");
  const std::size_t first_line = bytes.size();
  bytes += std::string(kShareLogReadLimit, '\n');
  WriteBytes(share_ / "cjwyzz.txt", bytes);
  EXPECT_EQ(Results({share_.string()}), 0) << err_;
  EXPECT_TRUE(Says(u"120722001")) << out_;
  const std::size_t lines_read = 1 + (kShareLogReadLimit - first_line);
  EXPECT_TRUE(Says(u"cjwyzz.txt 超过 16 MiB，只读了前 " + Digits(lines_read) + u" 行")) << out_;
  EXPECT_TRUE(Says(u"第 " + Digits(kNotesKept + 1) + u" 行之后还有 " +
                   Digits(lines_read - 1 - kNotesKept) + u" 条行的问题没有列出"))
      << out_;
  EXPECT_LT(out_.size(), std::size_t{1} << 20);
}

TEST_F(WebexamResults, TheJournalNamesEveryChangeOfTheShareInTheReport) {
  const std::string model = ReadBytes(test::ModelAnswer());
  const fs::path journal = dir_.path() / "journal.txt";
  const std::string starter = ReadBytes(fs::path(WEBEXAM_SOURCE_DIR) / "exam/aa/index.htm");
  Submit(share_, "pc1", starter, {u"120722001", u"张三", u"JF01"});
  Submit(share_, "pc2", model, {u"120722002", u"李四", u"JF02"});
  EXPECT_EQ(Results({"--journal", journal.string(), share_.string()}), 0);
  EXPECT_TRUE(Says(u"；异常 0 条\n")) << out_;
  EXPECT_TRUE(Says(u"日志 " + test::U16(journal) + u"：自 ")) << out_;

  // 李四's page copied over 张三's: named in every form of the report (each
  // change the journal finds is share_journal_test's).
  WriteBytes(share_ / "pages" / "120722001-JF01.htm",
             ReadBytes(share_ / "pages" / "120722002-JF02.htm"));
  const fs::path html = dir_.path() / "results.html";
  EXPECT_EQ(Results({"--journal", journal.string(), "--html", html.string(), share_.string()}), 0);
  const std::u16string changed =
      u"页面 pages/120722001-JF01.htm（第 1 行（120722001 张三，计算机 JF01，答对 0 题）的）被改过";
  EXPECT_TRUE(Says(changed)) << out_;
  EXPECT_TRUE(test::Holds(ReadBytes(html), changed));

  // The journal is kept off the share; a file that is not one is left as it is.
  EXPECT_EQ(Results({"--journal", (share_ / "journal.txt").string(), share_.string()}), 2);
  EXPECT_TRUE(test::Holds(err_, u"日志不能放在共享文件夹里"));
  EXPECT_FALSE(fs::exists(share_ / "journal.txt"));
  WriteBytes(dir_.path() / "notes.txt", "my notes\n");
  EXPECT_EQ(Results({"--journal", (dir_.path() / "notes.txt").string(), share_.string()}), 1);
  EXPECT_TRUE(test::Holds(err_, u"不是 webexam-results 的日志"));
  EXPECT_EQ(ReadBytes(dir_.path() / "notes.txt"), "my notes\n");
}

}  // namespace
}  // namespace webexam
