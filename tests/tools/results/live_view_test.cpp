// webexam-results --watch during the exam: what the screen says as lines
// arrive, and the real program watching while forty real PCs submit, which
// must delay none of them and write nothing on the share. The journal it
// keeps by itself is journal_file_test's.
#include "tools/results/live_view.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "support/test_support.h"
#include "text/utf8.h"
#include "tools/common/tool_run.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#endif

namespace webexam {
namespace {

using test::ReadBytes;
using test::WriteBytes;
namespace fs = std::filesystem;

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
}

// Asks the watching program to stop. On POSIX with SIGINT, what Ctrl-C at a
// terminal sends; on Windows the test has no console to press Ctrl-C on
// (console_ctrl_c.cpp presses it on one), so the program is ended outright.
void Interrupt(const test::Process& process) {
#ifdef _WIN32
  EXPECT_TRUE(::TerminateProcess(reinterpret_cast<HANDLE>(process.id), 0));
#else
  EXPECT_EQ(::kill(static_cast<pid_t>(process.id), SIGINT), 0);
#endif
}

TEST(LiveView, FortyPcsSubmitWhileTheTeacherWatches) {
  constexpr int kPcs = 40;
  test::TempDir dir;
  // A real network path where the test run maps one (under Wine, a UNC path).
  const char* unc = std::getenv("WEBEXAM_TEST_UNC_SHARE");
  // A folder of this test's own there: under Wine a folder removed from the
  // mapped share may linger a moment, and one made again at once fails.
  const fs::path share =
      (unc ? fs::path(unc) : dir.path()) / ("watched-" + dir.path().filename().string());
  fs::create_directories(share);
  // The class list has one candidate more than submit.
  std::string roster = "120722099,absent\r\n";
  for (int pc = 0; pc < kPcs; ++pc) {
    roster += std::to_string(120722001 + pc) + "," + ToUtf8(u"考生") + std::to_string(pc) + "\r\n";
  }
  WriteBytes(dir.path() / "roster.csv", roster);
  const fs::path screen = dir.path() / "screen.txt", page = dir.path() / "live.html";
  // The journal the watch keeps in the teacher's own folder.
  test::SetEnvironment("XDG_DATA_HOME", dir.path() / "data");
  const test::Process watch =
      test::Spawn(test::BuiltProgram("webexam-results"),
                  {"--watch", "--interval", "1", "--roster", (dir.path() / "roster.csv").string(),
                   "--html", page.string(), share.string()},
                  screen, dir.path() / "errors.txt");

  const std::string model = ReadBytes(test::ModelAnswer());
  // The PCs press a moment after the watch began.
  test::SubmitFromPcs(
      dir.path(), share, kPcs, [&](int) { return model; }, std::chrono::milliseconds(2500));
  EXPECT_EQ(test::CrLfLines(ReadBytes(share / "cjwyzz.txt")).size(), std::size_t{kPcs});

  // The screen comes to say that all forty have submitted, one has not.
  const std::string all_in = ToUtf8(u"已交 40 / 应交 41 人\n未交 1 人：120722099 absent\n");
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (ReadBytes(screen).find(all_in) == std::string::npos &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }

  // The journal, named on the screen, sees every line, marker and page arrive
  // while the PCs submit; the look that counted the fortieth line may have
  // come before the last markers and pages, so the watch goes on until a
  // look has seen them all.
  const std::string named = ToUtf8(u"\n日志 ");
  std::string text = ReadBytes(screen);
  const std::size_t at = text.find(named) + named.size();
  ASSERT_NE(at, std::string::npos + named.size()) << text;
  // The file, without what may follow it about the exam before.
  const std::string journal_path = text.substr(at, text.find(".txt", at) + 4 - at);
  std::string journal;
  auto records = [&journal](const std::string& kind) {
    std::size_t count = 0;
    for (std::size_t at = 0; (at = journal.find("\t" + kind + "\t", at)) != std::string::npos;
         ++at) {
      ++count;
    }
    return count;
  };
  do {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    journal = ReadBytes(fs::u8path(journal_path));
  } while ((records("marker") < std::size_t{kPcs} || records("page") < std::size_t{kPcs}) &&
           std::chrono::steady_clock::now() < deadline);
  Interrupt(watch);
  EXPECT_EQ(test::Wait(watch), 0);
  test::SetEnvironment("XDG_DATA_HOME", std::nullopt);
  text = ReadBytes(screen);
  EXPECT_TRUE(test::Holds(text, all_in));
  EXPECT_TRUE(test::Holds(text, u"异常（0 条）：没有"));
#ifndef _WIN32
  EXPECT_TRUE(text.ends_with(ToUtf8(u"已结束实时查看。\n"))) << text;
  EXPECT_TRUE(journal_path.starts_with((dir.path() / "data" / "webexam" / "journals").string()))
      << journal_path;
#endif
  EXPECT_EQ(ReadBytes(dir.path() / "errors.txt"), "");
  journal = ReadBytes(fs::u8path(journal_path));
  EXPECT_EQ(records("line"), std::size_t{kPcs});
  EXPECT_EQ(records("marker"), std::size_t{kPcs});
  EXPECT_GE(records("page"), std::size_t{kPcs});
  EXPECT_EQ(records("finding"), 0u) << journal;

  // The page reloads itself and was replaced whole, never left half-written.
  const std::string html = ReadBytes(page);
  EXPECT_TRUE(test::Holds(html, "<meta http-equiv=\"refresh\" content=\"1\">"));
  EXPECT_TRUE(html.ends_with("</html>\n"));
  EXPECT_FALSE(fs::exists(page.string() + ".tmp"));

  // Nothing on the share but what the PCs wrote.
  std::size_t entries = 0;
  for (const auto& entry : fs::directory_iterator(share)) {
    const std::string name = entry.path().filename().string();
    EXPECT_TRUE(name == "cjwyzz.txt" || name == "pages" || name.starts_with("JF")) << name;
    ++entries;
  }
  EXPECT_EQ(entries, std::size_t{kPcs} + 2);
}

}  // namespace
}  // namespace webexam
