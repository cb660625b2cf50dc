// Forty PCs pressing "上交成绩" in the same moment, each a real process with a
// drive of its own, all appending to one results share.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <set>

#include "support/test_support.h"

namespace webexam {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;
namespace fs = std::filesystem;

TEST(ShareContention, FortyPcsSubmittingAtOnceLeaveFortyIntactLines) {
  constexpr int kPcs = 40;
  TempDir dir;
  // A real network path where the test run maps one (under Wine, a UNC path).
  const char* unc = std::getenv("WEBEXAM_TEST_UNC_SHARE");
  const fs::path share = unc ? fs::path(unc) : dir.path() / "share";
  fs::create_directories(share);
  for (const auto& entry : fs::directory_iterator(share)) fs::remove_all(entry.path());
  const std::string model = ReadBytes(test::ModelAnswer());
  const std::string starter = ReadBytes(fs::path(WEBEXAM_SOURCE_DIR) / "exam/aa/index.htm");

  test::SubmitFromPcs(
      dir.path(), share, kPcs, [&](int pc) { return pc % 2 ? model : starter; },
      std::chrono::milliseconds(1500));

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
