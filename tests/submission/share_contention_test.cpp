// Forty PCs pressing "上交成绩" in the same moment, each a real process with a
// drive of its own, all appending to one results share while the teacher's
// live view reads it.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <set>

#include "support/test_support.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#endif

namespace webexam {
namespace {

using test::ReadBytes;
namespace fs = std::filesystem;

TEST(ShareContention, FortyPcsSubmittingAtOnceLeaveFortyIntactLines) {
  constexpr int kPcs = 40;
  test::TempDir dir;
  // A real network path where the test run maps one (under Wine, a UNC path).
  const char* unc = std::getenv("WEBEXAM_TEST_UNC_SHARE");
  const fs::path share = unc ? fs::path(unc) : dir.path() / "share";
  fs::create_directories(share);
  for (const auto& entry : fs::directory_iterator(share)) fs::remove_all(entry.path());
  const std::string model = ReadBytes(test::ModelAnswer());
  const std::string starter = ReadBytes(fs::path(WEBEXAM_SOURCE_DIR) / "exam/aa/index.htm");

  // The live view reads the share all the while: it keeps none of the PCs
  // out (each checked to be shown no message) and writes nothing there.
  const test::Process watch = test::Spawn(test::BuiltProgram("webexam-results"),
                                          {"--watch", "--interval", "1", "--journal",
                                           (dir.path() / "journal.txt").string(), share.string()},
                                          dir.path() / "watch.out");
  test::SubmitFromPcs(
      dir.path(), share, kPcs, [&](int pc) { return pc % 2 ? model : starter; },
      std::chrono::milliseconds(1500));
  // Ctrl-C at a terminal; on Windows the test has no console to press it on.
#ifdef _WIN32
  ::TerminateProcess(reinterpret_cast<HANDLE>(watch.id), 0);
#else
  ::kill(static_cast<pid_t>(watch.id), SIGINT);
#endif
  EXPECT_EQ(test::Wait(watch), 0) << ReadBytes(dir.path() / "watch.out");
  EXPECT_EQ(std::distance(fs::directory_iterator(share), fs::directory_iterator()), kPcs + 2);

  const std::vector<std::string> lines = test::CrLfLines(ReadBytes(share / "cjwyzz.txt"));
  EXPECT_EQ(lines.size(), static_cast<std::size_t>(kPcs));
  const std::multiset<std::string> on_share(lines.begin(), lines.end());
  for (int pc = 0; pc < kPcs; ++pc) {
    const fs::path root = dir.path() / ("pc" + std::to_string(pc));
    const std::string local = ReadBytes(root / "cjj.txt");
    ASSERT_EQ(test::CrLfLines(local).size(), 1u);
    EXPECT_EQ(on_share.count(local), 1u) << "PC " << pc << ": its line is not on the share once";
    EXPECT_EQ(ReadBytes(share / ("JF" + std::to_string(100 + pc))), "");
    EXPECT_EQ(ReadBytes(root / "windows" / "fen.g"), "");
    // Each PC also left the page it was graded on.
    EXPECT_EQ(
        ReadBytes(share / "pages" /
                  (std::to_string(120722001 + pc) + "-JF" + std::to_string(100 + pc) + ".htm")),
        pc % 2 ? model : starter);
  }
}

}  // namespace
}  // namespace webexam
