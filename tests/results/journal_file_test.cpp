// The journal --watch keeps in the teacher's folder: a restarted watch goes on
// with it, a cleared share begins the next exam's.
#include "results/journal_file.h"

#include <gtest/gtest.h>

#include "support/test_support.h"
#include "text/characters.h"
#include "text/utf8.h"

namespace webexam {
namespace {

namespace fs = std::filesystem;

TEST(JournalFile, EachExamOnAClearedShareGetsAJournalOfItsOwn) {
  test::TempDir dir;
  // The teacher's own folder, on either system.
  for (const char* name : {"XDG_DATA_HOME", "LOCALAPPDATA"}) {
    test::SetEnvironment(name, dir.path() / "data");
  }
  const std::unique_ptr<Platform> platform = MakePlatform();
  const std::string share = (dir.path() / "share").string();
  auto open = [&](bool share_is_empty) {
    OpenedJournal opened = OpenJournal(*platform, "", share, share_is_empty);
    EXPECT_TRUE(opened.journal) << ToUtf8(opened.problem);
    return std::move(*opened.journal);
  };
  // A look that saw a line and a marker.
  JournalFile first = open(false);
  EXPECT_TRUE(first.File().starts_with((dir.path() / "data" / "webexam" / "journals").string()))
      << first.File();
  EXPECT_EQ(first.Keep(test::ReadBytes(test::DataFile("results") / "cjwyzz.txt"), {u"JF01"},
                       std::nullopt, u""),
            u"");
  // Restarted during the exam: the share still holds what was seen.
  EXPECT_EQ(open(false).Shown(), ShownName(FromUtf8(first.File())));
  const std::string next = first.File().substr(0, first.File().size() - 4) + "-2.txt";
  EXPECT_EQ(open(true).Shown(), ShownName(FromUtf8(next)) +
                                    u"（共享文件夹已清空，当作新的一场考试；上一场的日志是 " +
                                    ShownName(FromUtf8(first.File())) + u"）");
  // The new journal saw nothing yet: a restart on the empty share keeps it.
  EXPECT_EQ(open(true).File(), next);
  for (const char* name : {"XDG_DATA_HOME", "LOCALAPPDATA"}) test::SetEnvironment(name, {});
}

}  // namespace
}  // namespace webexam
