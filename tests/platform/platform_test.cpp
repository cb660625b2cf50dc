#include "platform/platform.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>

#include "support/test_support.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace webexam {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;
namespace fs = std::filesystem;

class PlatformTest : public ::testing::Test {
 protected:
  std::unique_ptr<Platform> platform_ = MakePlatform();
  TempDir dir_;
};

TEST_F(PlatformTest, ListingGivesTheNameOfTheOneEntryOrNothing) {
  WriteBytes(dir_.path() / "cj.txt", "x");
  fs::create_directory(dir_.path() / "620722001");
  EXPECT_EQ(platform_->ListPath(dir_ / "cj.txt", Listing::kFilesOnly), u"cj.txt");
  EXPECT_EQ(platform_->ListPath(dir_ / "absent.txt", Listing::kFilesOnly), u"");
  // Folders are found only where asked for.
  EXPECT_EQ(platform_->ListPath(dir_ / "620722001", Listing::kFilesOnly), u"");
  EXPECT_EQ(platform_->ListPath(dir_ / "620722001", Listing::kFilesAndFolders), u"620722001");
  EXPECT_EQ(platform_->ListPath(dir_ / "620722001/none", Listing::kFilesAndFolders), u"");
}

#ifndef _WIN32
TEST_F(PlatformTest, ListingIsExactAndNeverFindsHiddenEntries) {
  WriteBytes(dir_.path() / "CJ.TXT", "x");
  WriteBytes(dir_.path() / ".fen.g", "");
  EXPECT_EQ(platform_->ListPath(dir_ / "cj.txt", Listing::kFilesOnly), u"");
  EXPECT_EQ(platform_->ListPath(dir_ / ".fen.g", Listing::kFilesAndFolders), u"");
}
#endif

TEST_F(PlatformTest, ReadHeadReadsUpToTheLimitAndCreatesAMissingFileOnlyWhenAsked) {
  WriteBytes(dir_.path() / "page.htm", "0123456789");
  EXPECT_EQ(platform_->ReadHead(dir_ / "page.htm", 4, Platform::IfMissing::kFail), "0123");
  EXPECT_EQ(platform_->ReadHead(dir_ / "page.htm", 99, Platform::IfMissing::kFail), "0123456789");

  EXPECT_EQ(platform_->ReadHead(dir_ / "new.htm", 10, Platform::IfMissing::kCreateEmpty), "");
  EXPECT_EQ(fs::file_size(dir_.path() / "new.htm"), 0u);
  // A missing file, a folder in the page's place, a missing folder: each
  // fails naming its path, and nothing is made.
  fs::create_directory(dir_.path() / "index.htm");
  for (auto [name, if_missing] :
       {std::pair{"none.htm", Platform::IfMissing::kFail},
        std::pair{"index.htm", Platform::IfMissing::kCreateEmpty},
        std::pair{"nofolder/index.htm", Platform::IfMissing::kCreateEmpty}}) {
    try {
      platform_->ReadHead(dir_ / name, 10, if_missing);
      ADD_FAILURE() << name << ": no error";
    } catch (const PlatformError& error) {
      EXPECT_NE(error.code(), 0);
      EXPECT_NE(std::string(error.what()).find(name), std::string::npos) << error.what();
    }
  }
  EXPECT_FALSE(fs::exists(dir_.path() / "none.htm"));
  EXPECT_FALSE(fs::exists(dir_.path() / "nofolder"));
}

#ifndef _WIN32
TEST_F(PlatformTest, ReadHeadNeverHangsOnAPipeOrLoops) {
  ASSERT_EQ(::mkfifo((dir_.path() / "fifo.htm").c_str(), 0600), 0);
  EXPECT_THROW(platform_->ReadHead(dir_ / "fifo.htm", 10, Platform::IfMissing::kFail),
               PlatformError);
  fs::create_symlink("loop.htm", dir_.path() / "loop.htm");
  EXPECT_THROW(platform_->ReadHead(dir_ / "loop.htm", 10, Platform::IfMissing::kCreateEmpty),
               PlatformError);
}
#endif

TEST_F(PlatformTest, WriteFileEmptiesAndAppendKeeps) {
  WriteBytes(dir_.path() / "f", "old content");
  platform_->WriteFile(dir_ / "f", "");
  EXPECT_EQ(ReadBytes(dir_.path() / "f"), "");
  platform_->AppendToFile(dir_ / "f", "a\r\n");
  platform_->AppendToFile(dir_ / "f", "b\r\n");
  platform_->AppendExclusively(dir_ / "f", "c\r\n");
  platform_->AppendExclusively(dir_ / "g", "new\r\n");
  EXPECT_EQ(ReadBytes(dir_.path() / "f"), "a\r\nb\r\nc\r\n");
  EXPECT_EQ(ReadBytes(dir_.path() / "g"), "new\r\n");
  EXPECT_THROW(platform_->WriteFile(dir_ / "no/f", ""), PlatformError);
}

TEST_F(PlatformTest, CopiesAFolderTreeWithAllLevels) {
  const fs::path material = dir_.path() / "aa";
  fs::create_directories(material / "images" / "small");
  fs::create_directories(material / "empty");
  WriteBytes(material / "index.htm", "<html>");
  WriteBytes(material / "images" / "small" / "Tl-10.gif", "GIF89a");
  WriteBytes(material / "readonly.txt", "keep");
  fs::permissions(material / "readonly.txt", fs::perms::owner_read | fs::perms::group_read);

  platform_->CopyFolderTree(test::U16(material), dir_ / "web");
  EXPECT_EQ(ReadBytes(dir_.path() / "web" / "index.htm"), "<html>");
  EXPECT_EQ(ReadBytes(dir_.path() / "web" / "images" / "small" / "Tl-10.gif"), "GIF89a");
  EXPECT_EQ(ReadBytes(dir_.path() / "web" / "readonly.txt"), "keep");
  EXPECT_TRUE(fs::is_directory(dir_.path() / "web" / "empty"));

  EXPECT_THROW(platform_->CopyFolderTree(dir_ / "missing", dir_ / "web2"), PlatformError);
}

TEST_F(PlatformTest, RemovesATreeWhateverItHolds) {
  const fs::path root = dir_.path() / "620722001";
  fs::create_directories(root / "web" / "sub");
  WriteBytes(root / "web" / "sub" / "locked.htm", "x");
  fs::permissions(root / "web" / "sub" / "locked.htm", fs::perms::owner_read);
  fs::permissions(root / "web" / "sub", fs::perms::owner_read | fs::perms::owner_exec);
  platform_->RemoveTree(test::U16(root));
  EXPECT_FALSE(fs::exists(root));

  WriteBytes(root, "a plain file in the folder's place");
  platform_->RemoveTree(test::U16(root));
  EXPECT_FALSE(fs::exists(root));

  EXPECT_NO_THROW(platform_->RemoveTree(test::U16(root)));  // nothing there: no error
}

#ifndef _WIN32
TEST_F(PlatformTest, OpenDocumentStartsTheViewerDetachedAndLeavesNoChild) {
  const fs::path bin = dir_.path() / "bin";
  fs::create_directory(bin);
  const fs::path seen = dir_.path() / "seen";
  WriteBytes(bin / "xdg-open", "#!/bin/sh\nsleep 0.2\necho \"$1\" > '" + seen.string() + "'\n");
  fs::permissions(bin / "xdg-open", fs::perms::owner_all);
  const std::string old_path = std::getenv("PATH");
  ::setenv("PATH", (bin.string() + ":" + old_path).c_str(), 1);

  platform_->OpenDocument(dir_ / "cj.txt");
  // The call did not wait for the viewer, and no child of ours is left.
  EXPECT_FALSE(fs::exists(seen));
  EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
  for (int i = 0; i < 100 && !fs::exists(seen); ++i) ::usleep(50'000);
  EXPECT_EQ(ReadBytes(seen), (dir_.path() / "cj.txt").string() + "\n");

  ::setenv("PATH", dir_.path().c_str(), 1);  // no viewer anywhere
  EXPECT_THROW(platform_->OpenDocument(dir_ / "cj.txt"), PlatformError);
  ::setenv("PATH", old_path.c_str(), 1);
}
#endif

}  // namespace
}  // namespace webexam
