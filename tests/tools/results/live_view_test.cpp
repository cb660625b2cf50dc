// webexam-results --watch: what the screen says as lines arrive (over SMB:
// real_smb_test.py's burst; at a terminal: live_view_terminal_test.py).
#include "tools/results/live_view.h"

#include <gtest/gtest.h>

#include "text/utf8.h"
#include "tools/common/tool_run.h"
#include "tools/results/results_html.h"

namespace webexam {
namespace {

ShareLogRecord Record(std::size_t line, std::u16string number, std::u16string name,
                      std::u16string pc) {
  return {line, std::move(number), std::move(name), std::move(pc), 1, {1}};
}

TEST(LiveView, ShowsWhoIsMissingAndWhenEachLineWasFirstSeen) {
  Roster roster;
  roster.entries = {{1, u"120722001", u"张三", u""},
                    {2, u"120722002", u"李四", u"JF02"},
                    {3, u"120722003", u"王五", u""}};
  LiveView view;
  ShareLogContent log;
  log.line_count = 1;
  log.records = {Record(1, u"120722001", u"张三", u"JF01")};
  view.Look(Summarize(log, {u"JF01"}, &roster), u"10:00:00");
  log.line_count = 2;
  log.records.push_back(Record(2, u"120722009", u"外人", u"JF09"));
  view.Look(Summarize(log, {u"JF01", u"JF09"}, &roster), u"10:00:03");

  const std::u16string screen = view.Screen(u"共享文件夹 X");
  EXPECT_TRUE(
      screen.starts_with(u"共享文件夹 X\n\n已交 1 / 应交 3 人（成绩行 2 行）\n"
                         u"未交 2 人：120722002 李四（JF02）、120722003 王五\n"))
      << ToUtf8(screen);
  // Newest first; a line there before the watch began says so.
  EXPECT_TRUE(test::Holds(screen,
                          u"最近交来的：\n  10:00:03  第 2 行  120722009  外人  JF09  答对 1\n"
                          u"  开始前    第 1 行  120722001  张三  JF01  答对 1\n"));
  EXPECT_TRUE(
      test::Holds(screen, u"异常（1 条）：\n  第 2 行（120722009 外人）：考号不在名单上\n"));
  // The page the watch writes beside it reloads itself; the report's does not.
  const ResultsSummary summary = Summarize(log, {u"JF01", u"JF09"}, &roster);
  EXPECT_TRUE(test::Holds(ResultsHtml(summary, {u"X", u"10:00:03", 1}),
                          "<meta http-equiv=\"refresh\" content=\"1\">"));
  EXPECT_FALSE(test::Holds(ResultsHtml(summary, {u"X", u"10:00:03", 0}), "refresh"));
}

}  // namespace
}  // namespace webexam
