// The teacher's journal of a share held in memory, looked at at times the test
// sets: what each tampering is reported as, and what real submissions never are.
#include "results/share_journal.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>

#include "platform/platform.h"
#include "support/test_support.h"
#include "text/utf8.h"
#include "tools/common/tool_run.h"

namespace webexam {
namespace {

// A result line as a PC appends it: `count` marks of 1, then 0s.
std::string ResultLine(const std::u16string& exam, const std::u16string& name,
                       const std::u16string& pc, int count) {
  std::u16string line = exam + u"\t" + name + u"\t" + pc + u"\t" + Digits(count);
  for (int item = 1; item <= 22; ++item) line += item <= count ? u"\t1" : u"\t0";
  return test::Gbk(line) + "\r\n";
}

// Minutes and seconds after 09:00 of the exam day.
JournalTime At(int minutes, int seconds = 0) {
  char local[32];
  std::snprintf(local, sizeof local, "2026-12-07 09:%02d:%02d", minutes, seconds);
  return {1'796'000'000'000 + (minutes * 60 + seconds) * 1000LL, FromUtf8(local)};
}

class Journal : public ::testing::Test {
 protected:
  // One submission as the share holds it: the line, the marker, the page.
  void Submit(const std::u16string& exam, const std::u16string& pc, int count,
              const std::string& page = "") {
    log_ += ResultLine(exam, u"考生" + exam.substr(exam.size() - 1), pc, count);
    markers_.push_back(pc);
    pages_[exam + u"-" + pc + u".htm"] = page.empty() ? "<p>" + std::to_string(count) : page;
  }
  // Looks at the share at `now`; returns what this look found.
  std::vector<std::u16string> Look(const JournalTime& now) {
    ShareLook look{log_, markers_, std::vector<SharePage>(), {}};
    for (const auto& [name, bytes] : pages_) look.pages->push_back({name, bytes});
    const std::size_t before = journal_.Findings().size();
    bytes_ += journal_.Look(look, now);
    std::vector<std::u16string> found;
    for (std::size_t i = before; i < journal_.Findings().size(); ++i) {
      found.push_back(journal_.Findings()[i].text);
    }
    return found;
  }
  // The journal read back from its bytes, as the next run reads it.
  ShareJournal Reread() {
    ShareJournal again(u"/srv/results", decode_);
    EXPECT_EQ(again.Load(bytes_), u"");
    return again;
  }

  std::unique_ptr<Platform> platform_ = MakePlatform();
  GbkDecoder decode_ = [this](std::string_view gbk) { return platform_->DecodeGbk(gbk); };
  ShareJournal journal_{u"/srv/results", decode_};
  std::string bytes_, log_;
  std::vector<std::u16string> markers_;
  std::map<std::u16string, std::string> pages_;
};

TEST_F(Journal, ChangedLinesAndPagesAreNamedWithWhoseTheyWereAndWhenAndStayNamed) {
  Submit(u"120722001", u"JF01", 6);
  Submit(u"120722002", u"JF02", 22, "<p>all twenty-two");
  Submit(u"120722003", u"JF03", 18);
  EXPECT_TRUE(Look(At(0)).empty());
  EXPECT_TRUE(Look(At(1)).empty());

  // JF01's line raised from 6 to 22 and the 22-mark page copied over his;
  // JF03's line lowered to 3.
  const std::string honest_log = log_;
  log_ = ResultLine(u"120722001", u"考生1", u"JF01", 22) +
         ResultLine(u"120722002", u"考生2", u"JF02", 22) +
         ResultLine(u"120722003", u"考生3", u"JF03", 3);
  pages_[u"120722001-JF01.htm"] = pages_[u"120722002-JF02.htm"];
  const std::vector<std::u16string> found = Look(At(7, 30));
  const std::vector<std::u16string> want = {
      u"第 1 行起，cjwyzz.txt 原有末尾之前的内容被改写过：与日志 2026-12-07 09:00:00 记下的 " +
          Digits(honest_log.size()) + u" 字节不同（2026-12-07 09:07:30 查看时发现）",
      u"第 1 行被改过：原来是（120722001 考生1，计算机 JF01，答对 6 题），日志 2026-12-07 "
      u"09:00:00 首次记下；2026-12-07 09:07:30 查看时已成了（120722001 考生1，计算机 JF01，答对 22 "
      u"题）",
      u"第 3 行被改过：原来是（120722003 考生3，计算机 JF03，答对 18 题），日志 2026-12-07 "
      u"09:00:00 首次记下；2026-12-07 09:07:30 查看时已成了（120722003 考生3，计算机 JF03，答对 3 "
      u"题）",
      u"页面 pages/120722001-JF01.htm（第 1 行（120722001 考生1，计算机 JF01，答对 22 题）的）"
      u"被改过：日志记下的是 4 字节（2026-12-07 09:00:00 首次见到），2026-12-07 09:07:30 "
      u"查看时是 17 字节"};
  EXPECT_EQ(found, want);

  // Read back by the next run, it still names them all, and finds nothing twice.
  ShareJournal next = Reread();
  ASSERT_EQ(next.Findings().size(), want.size());
  for (std::size_t i = 0; i < want.size(); ++i) EXPECT_EQ(next.Findings()[i].text, want[i]);
  EXPECT_EQ(next.Findings()[1].line, 1u);
  EXPECT_TRUE(Look(At(8)).empty());
  EXPECT_EQ(Reread().Looks(), 4u);
}

TEST_F(Journal, RemovedAndInsertedLinesAShrunkLogAndRemovedMarkersAndPagesAreNamed) {
  Submit(u"120722001", u"JF01", 6);
  Submit(u"120722002", u"JF02", 9);
  Submit(u"120722003", u"JF03", 12);
  EXPECT_TRUE(Look(At(0)).empty());

  // The second line taken out, JF02's marker and page with it.
  const std::size_t size = log_.size();
  log_ = ResultLine(u"120722001", u"考生1", u"JF01", 6) +
         ResultLine(u"120722003", u"考生3", u"JF03", 12);
  markers_.erase(markers_.begin() + 1);
  pages_.erase(u"120722002-JF02.htm");
  EXPECT_EQ(Look(At(5)),
            (std::vector<std::u16string>{
                u"cjwyzz.txt 变小了：日志 2026-12-07 09:00:00 记下它有 " + Digits(size) +
                    u" 字节，2026-12-07 09:05:00 查看时只有 " + Digits(log_.size()) +
                    u" 字节，有成绩行被删掉或改短了",
                u"原第 2 行（120722002 考生2，计算机 JF02，答对 9 题）不见了：日志 2026-12-07 "
                u"09:00:00 首次记下它，2026-12-07 09:05:00 查看时已没有",
                u"计算机 JF02 的记号文件不见了：日志 2026-12-07 09:00:00 首次记下它，2026-12-07 "
                u"09:05:00 查看时已没有",
                u"页面 pages/120722002-JF02.htm（120722002 考生2，计算机 JF02，答对 9 "
                u"题的）不见了：日志 2026-12-07 09:00:00 首次记下它"
                u"（4 字节），2026-12-07 09:05:00 查看时已没有"}));

  // A line slipped in before the last: rewritten before its end, though grown.
  log_ = ResultLine(u"120722001", u"考生1", u"JF01", 6) +
         ResultLine(u"120722008", u"考生8", u"JF01", 22) +
         ResultLine(u"120722003", u"考生3", u"JF03", 12);
  const std::vector<std::u16string> found = Look(At(6));
  ASSERT_EQ(found.size(), 2u);
  EXPECT_TRUE(found[0].starts_with(u"第 2 行起，cjwyzz.txt 原有末尾之前的内容被改写过"))
      << ToUtf8(found[0]);
  EXPECT_EQ(found[1],
            u"第 2 行（120722008 考生8，计算机 JF01，答对 22 题）插在原有的行之间，"
            u"不是接在文件末尾交来的（2026-12-07 09:06:00 查看时发现）");
}

TEST_F(Journal, WhatComesLongAfterTheRestOfItsPcIsNamedAndASubmissionSpreadOverLooksIsNot) {
  Submit(u"120722001", u"JF01", 6);
  pages_.erase(u"120722001-JF01.htm");  // its page was not kept
  Submit(u"120722002", u"JF02", 9);
  pages_.erase(u"120722002-JF02.htm");  // its page is still on its way
  Submit(u"120722003", u"JF03", 12);
  EXPECT_TRUE(Look(At(0)).empty());
  // Ten minutes without a look: JF02's page may have come just after its line.
  pages_[u"120722002-JF02.htm"] = "<p>9";
  EXPECT_TRUE(Look(At(10)).empty());

  // Looks every minute: JF01's page comes now; a forged line and page for an
  // absent candidate from JF03; a whole forged submission from a new PC.
  Look(At(11));
  pages_[u"120722001-JF01.htm"] = "<p>22 copied";
  log_ += ResultLine(u"120722009", u"考生9", u"JF03", 22);
  pages_[u"120722009-JF03.htm"] = "<p>22";
  Submit(u"120722010", u"JF10", 22);
  const std::vector<std::u16string> found = Look(At(12, 5));
  EXPECT_EQ(found,
            (std::vector<std::u16string>{
                u"第 4 行（120722009 考生9，计算机 JF03，答对 22 题）：在 2026-12-07 09:12:05 "
                u"才见到（2026-12-07 09:11:00 查看时还没有），而计算机 JF03 最早交来的东西在 "
                u"2026-12-07 09:00:00 就已见到，相隔超过 2 分钟。可能是这台计算机装有还原卡，"
                u"重启后又交了一次；也可能是有人后来伪造了这台计算机的成绩行，请核对",
                u"页面 pages/120722001-JF01.htm（第 1 行（120722001 考生1，计算机 JF01，答对 6 "
                u"题）的）在 2026-12-07 09:12:05 才见到（2026-12-07 09:11:00 查看时还没有），"
                u"而它的成绩行在 2026-12-07 09:00:00 就已见到，相隔超过 2 分钟。页面总在它的"
                u"成绩行之后几秒内交来，晚到的页面可能是有人后放进去的"}));
  // The new PC's things came together: only its arrival, with its time.
  const std::u16string text = JournalText(journal_, u"journal.txt");
  EXPECT_TRUE(test::Holds(text, u"  2026-12-07 09:12:05  页面 pages/120722010-JF10.htm\n"));
  EXPECT_TRUE(test::Holds(
      text, u"  2026-12-07 09:12:05  第 5 行（120722010 考生0，计算机 JF10，答对 22 题）\n"));
  EXPECT_TRUE(test::Holds(
      text, u"  2026-12-07 09:00:00（第一次查看时已有）  页面 pages/120722003-JF03.htm\n"));

  // A marker long after its line.
  log_ += ResultLine(u"120722004", u"考生4", u"JF04", 1);
  Look(At(13));
  Look(At(16));
  markers_.push_back(u"JF04");
  EXPECT_EQ(Look(At(17)).size(), 1u);
  EXPECT_TRUE(
      journal_.Findings().back().text.starts_with(u"计算机 JF04 的记号文件在 2026-12-07 09:17:00"));
}

TEST_F(Journal, APageCaughtPartWrittenIsNoChangeButAPageGrownLaterIs) {
  Submit(u"120722001", u"JF01", 6, "<html><body>twenty");
  const std::string whole = pages_[u"120722001-JF01.htm"];
  pages_[u"120722001-JF01.htm"] = "";
  EXPECT_TRUE(Look(At(0)).empty());
  pages_[u"120722001-JF01.htm"] = whole.substr(0, 6);
  EXPECT_TRUE(Look(At(0, 3)).empty());
  pages_[u"120722001-JF01.htm"] = whole;
  EXPECT_TRUE(Look(At(0, 6)).empty());
  EXPECT_TRUE(Look(At(0, 9)).empty());
  // Stuffed afterwards: grown, but not from look to look since its first sight.
  pages_[u"120722001-JF01.htm"] = whole + "<!-- 17-1.BMP -->";
  EXPECT_EQ(Look(At(0, 12)).size(), 1u);
}

TEST_F(Journal, RefusesWhatIsNotItsOwnAndPassesOverARecordCutOffByACrash) {
  ShareJournal other(u"/srv/results", decode_);
  EXPECT_EQ(other.Load("120722001\t张三\n"),
            u"不是 webexam-results 的日志，不会写进去；请另给一个文件名");
  Submit(u"120722001", u"JF01", 6);
  Look(At(0));
  ShareJournal elsewhere(u"/srv/other", decode_);
  EXPECT_EQ(elsewhere.Load(bytes_),
            u"记的是共享文件夹 /srv/results，不是 /srv/other 的，不会写进去；请另给一个文件名");

  // The last record cut off in a line's bytes: left out, the next on its own line.
  Submit(u"120722002", u"JF02", 9);
  Look(At(1));
  bytes_.resize(bytes_.rfind("\tline\t") + 30);
  ShareJournal cut = Reread();
  EXPECT_EQ(cut.Looks(), 2u);
  const std::string more = cut.Look(ShareLook{log_, markers_, std::nullopt, {}}, At(2));
  EXPECT_TRUE(more.starts_with("\n")) << more;
  EXPECT_TRUE(cut.Findings().empty());
  bytes_ += more;
  EXPECT_EQ(Reread().Findings().size(), 0u);
}

}  // namespace
}  // namespace webexam
