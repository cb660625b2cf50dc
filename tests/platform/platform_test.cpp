#include "platform/platform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <string>

#include "support/failing_platform.h"
#include "text/utf8.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/posix/posix_platform.h"
#endif

namespace webexam {
namespace {

using test::Kind;
using test::ReadBytes;
using test::ThrowsPlatformError;
using test::WriteBytes;
namespace fs = std::filesystem;

class PlatformTest : public ::testing::Test {
 protected:
  std::unique_ptr<Platform> platform_ = MakePlatform();
  test::TempDir dir_;
};

TEST_F(PlatformTest, ListingGivesTheNameOfTheOneEntryOrNothing) {
  WriteBytes(dir_.path() / "cj.txt", "x");
  fs::create_directory(dir_.path() / "620722001");
  EXPECT_EQ(platform_->ListPath(dir_ / "cj.txt", Listing::kFilesOnly), u"cj.txt");
  EXPECT_EQ(platform_->ListPath(dir_ / "absent.txt", Listing::kFilesOnly), u"");
  // Folders are found only where asked for.
  EXPECT_EQ(platform_->ListPath(dir_ / "620722001", Listing::kFilesOnly), u"");
  EXPECT_EQ(platform_->ListPath(dir_ / "620722001", Listing::kFilesAndFolders), u"620722001");
#ifndef _WIN32
  // Exact, and never a hidden entry.
  WriteBytes(dir_.path() / "CJ.TXT", "x");
  WriteBytes(dir_.path() / ".fen.g", "");
  EXPECT_EQ(platform_->ListPath(dir_ / "cj.TXT", Listing::kFilesOnly), u"");
  EXPECT_EQ(platform_->ListPath(dir_ / ".fen.g", Listing::kFilesAndFolders), u"");
#endif
}

// What the share relies on where candidates may add files but not list them:
// a name looked up by itself, a new file's missing folder told apart from a
// file already there, appends at the end.
TEST_F(PlatformTest, ANameIsLookedUpByItselfAndNewFilesAndAppendsNeverOverwrite) {
  using Presence = Platform::Presence;
  WriteBytes(dir_.path() / "JF07", "");
  fs::create_directory(dir_.path() / "pages");
  EXPECT_EQ(platform_->PresenceOf(dir_ / "JF07"), Presence::kFile);
  EXPECT_EQ(platform_->PresenceOf(dir_ / "pages"), Presence::kFolder);
  EXPECT_EQ(platform_->PresenceOf(dir_ / "JF08"), Presence::kAbsent);
  EXPECT_EQ(platform_->PresenceOf(dir_ / "none/JF08"), Presence::kAbsent);

  EXPECT_TRUE(ThrowsPlatformError([&] { platform_->WriteNewFile(dir_ / "none/a.htm", "x"); },
                                  Kind::kNotFound, dir_ / "none/a.htm"));
  EXPECT_TRUE(ThrowsPlatformError([&] { platform_->WriteNewFile(dir_ / "JF07", "x"); },
                                  Kind::kExists, dir_ / "JF07"));
  EXPECT_EQ(ReadBytes(dir_.path() / "JF07"), "");
  platform_->WriteNewFile(dir_ / "pages/a.htm", "<html>");
  EXPECT_EQ(ReadBytes(dir_.path() / "pages" / "a.htm"), "<html>");

  platform_->AppendExclusively(dir_ / "cjwyzz.txt", "first\r\n");
  platform_->AppendExclusively(dir_ / "cjwyzz.txt", "");
  platform_->AppendExclusively(dir_ / "cjwyzz.txt", "second\r\n");
  EXPECT_EQ(ReadBytes(dir_.path() / "cjwyzz.txt"), "first\r\nsecond\r\n");
}

TEST_F(PlatformTest, ReadHeadReadsUpToTheLimitAndCreatesAMissingFileOnlyWhenAsked) {
  WriteBytes(dir_.path() / "page.htm", "0123456789");
  EXPECT_EQ(platform_->ReadHead(dir_ / "page.htm", 4, Platform::IfMissing::kFail), "0123");
  EXPECT_EQ(platform_->ReadHead(dir_ / "page.htm", 99, Platform::IfMissing::kFail), "0123456789");

  EXPECT_EQ(platform_->ReadHead(dir_ / "new.htm", 10, Platform::IfMissing::kCreateEmpty), "");
  EXPECT_EQ(fs::file_size(dir_.path() / "new.htm"), 0u);
  // Each fails naming its path, and nothing is made.
  fs::create_directory(dir_.path() / "index.htm");
  struct Case {
    const char* name;
    Platform::IfMissing if_missing;
    Kind kind;
  };
  for (const Case& read :
       {Case{"none.htm", Platform::IfMissing::kFail, Kind::kNotFound},
        Case{"index.htm", Platform::IfMissing::kCreateEmpty, test::kFolderInTheWay},
        Case{"nofolder/index.htm", Platform::IfMissing::kCreateEmpty, Kind::kNotFound}}) {
    EXPECT_TRUE(
        ThrowsPlatformError([&] { platform_->ReadHead(dir_ / read.name, 10, read.if_missing); },
                            read.kind, dir_ / read.name));
  }
  EXPECT_FALSE(fs::exists(dir_.path() / "none.htm"));
  EXPECT_FALSE(fs::exists(dir_.path() / "nofolder"));
  // The message shows a name without its escape sequence; the caller gets it whole.
  try {
    platform_->ReadHead(dir_ / "\x1B[2Jnone.htm", 10, Platform::IfMissing::kFail);
    ADD_FAILURE() << "read a missing file";
  } catch (const PlatformError& error) {
    EXPECT_NE(std::string(error.what()).find("\xEF\xBF\xBD[2Jnone.htm"), std::string::npos);
    EXPECT_NE(error.path().find("\x1B[2J"), std::string::npos);
  }
}

#ifndef _WIN32
TEST_F(PlatformTest, ReadHeadNeverHangsOnAPipeOrLoops) {
  ASSERT_EQ(::mkfifo((dir_.path() / "fifo.htm").c_str(), 0600), 0);
  EXPECT_TRUE(ThrowsPlatformError(
      [&] { platform_->ReadHead(dir_ / "fifo.htm", 10, Platform::IfMissing::kFail); }, Kind::kOther,
      dir_ / "fifo.htm"));
  fs::create_symlink("loop.htm", dir_.path() / "loop.htm");
  EXPECT_TRUE(ThrowsPlatformError(
      [&] { platform_->ReadHead(dir_ / "loop.htm", 10, Platform::IfMissing::kCreateEmpty); },
      Kind::kOther, dir_ / "loop.htm"));
}
#endif

// That appends keep what is there is the e2e client test's local log of two
// presses, byte for byte.
TEST_F(PlatformTest, WriteFileEmptiesTheFile) {
  WriteBytes(dir_.path() / "f", "old content");
  platform_->WriteFile(dir_ / "f", "");
  EXPECT_EQ(ReadBytes(dir_.path() / "f"), "");
  EXPECT_TRUE(ThrowsPlatformError([&] { platform_->WriteFile(dir_ / "no/f", ""); }, Kind::kNotFound,
                                  dir_ / "no/f"));
}

// A page a browser reloads is the old one or the new one: a failed write or
// rename leaves the old file whole and no temporary.
TEST_F(PlatformTest, ReplaceWholeFileSwapsTheFileOrLeavesTheOldOne) {
  const fs::path page = dir_.path() / "live.html", temporary = dir_.path() / "live.html.tmp";
  platform_->ReplaceWholeFile(dir_ / "live.html", "first");
  platform_->ReplaceWholeFile(dir_ / "live.html", "second, longer");
  EXPECT_EQ(ReadBytes(page), "second, longer");
  EXPECT_FALSE(fs::exists(temporary));
  fs::create_directory(temporary);  // the write fails
  EXPECT_THROW(platform_->ReplaceWholeFile(dir_ / "live.html", "third"), PlatformError);
  EXPECT_EQ(ReadBytes(page), "second, longer");
  fs::remove(temporary);
  fs::create_directories(dir_.path() / "folder" / "inside");  // the rename fails
  EXPECT_THROW(platform_->ReplaceWholeFile(dir_ / "folder", "x"), PlatformError);
  EXPECT_TRUE(fs::is_directory(dir_.path() / "folder" / "inside"));
  EXPECT_FALSE(fs::exists(dir_.path() / "folder.tmp"));
}

TEST_F(PlatformTest, CopiesAFolderTreeWithAllLevelsAndAFailedCopyNamesItsFile) {
  const fs::path material = dir_.path() / "aa";
  fs::create_directories(material / "images" / "small");
  fs::create_directories(material / "empty");
  WriteBytes(material / "index.htm", "<html>");
  WriteBytes(material / "images" / "small" / "Tl-10.gif", "GIF89a");
  WriteBytes(material / "readonly.txt", "keep");
  fs::permissions(material / "readonly.txt", fs::perms::owner_read | fs::perms::group_read);

  platform_->CopyFolderTree(test::U16(material), dir_ / "web");
  EXPECT_EQ(ReadBytes(dir_.path() / "web" / "images" / "small" / "Tl-10.gif"), "GIF89a");
  EXPECT_EQ(ReadBytes(dir_.path() / "web" / "readonly.txt"), "keep");
  EXPECT_TRUE(fs::is_directory(dir_.path() / "web" / "empty"));

  // A folder stands where a copy goes.
  const fs::path in_the_way = dir_.path() / "web2" / "images" / "small" / "Tl-10.gif";
  fs::create_directories(in_the_way);
  EXPECT_TRUE(ThrowsPlatformError([&] { platform_->CopyFolderTree(dir_ / "aa", dir_ / "web2"); },
                                  test::kFolderInTheWay, test::U16(in_the_way)));
  const std::u16string to_file = test::U16(dir_.path() / "missing" / "index.htm");
  EXPECT_TRUE(ThrowsPlatformError(
      [&] { platform_->CopyOneFile(test::U16(material / "index.htm"), to_file); }, Kind::kNotFound,
      to_file));
  EXPECT_TRUE(
      ThrowsPlatformError([&] { platform_->CopyOneFile(dir_ / "2.txt", dir_ / "copy.txt"); },
                          Kind::kNotFound, dir_ / "2.txt"));
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

void MakeCandidateFolder(const fs::path& root) {
  fs::create_directories(root / "web" / "sound");
  fs::create_directories(root / "web" / "images");
  WriteBytes(root / "web" / "index.htm", "<html>");
  WriteBytes(root / "web" / "images" / "Tl-10.gif", "GIF89a");
  WriteBytes(root / "web" / "sound" / "Bjyy.wav", "RIFF");
}

// Everything is gone but the entry left and the folders that hold it.
void ExpectOnlyLeft(const fs::path& root, const fs::path& kept) {
  std::vector<fs::path> found;
  for (const auto& entry : fs::recursive_directory_iterator(root)) found.push_back(entry.path());
  std::vector<fs::path> expected;
  for (fs::path at = kept; at != root; at = at.parent_path()) expected.insert(expected.begin(), at);
  std::sort(found.begin(), found.end());
  EXPECT_EQ(found, expected);
}

#ifdef _WIN32
TEST_F(PlatformTest, AFileHeldOpenStaysAndEverythingElseGoes) {
  const fs::path root = dir_.path() / "620722001";
  MakeCandidateFolder(root);
  const fs::path held = root / "web" / "sound" / "Bjyy.wav";
  // A player holds the sound open and lets nobody delete it.
  const HANDLE player = ::CreateFileW(held.wstring().c_str(), GENERIC_READ, FILE_SHARE_READ,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(player, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(ThrowsPlatformError([&] { platform_->RemoveTree(test::U16(root)); }, Kind::kBusy,
                                  test::U16(held)));

  const std::vector<PlatformError> left = platform_->RemoveTreeAsFarAsPossible(test::U16(root));
  ASSERT_EQ(left.size(), 1u);
  EXPECT_TRUE(ThrowsPlatformError([&] { throw left[0]; }, Kind::kBusy, test::U16(held)));
  EXPECT_TRUE(std::string_view(left[0].what()).starts_with("cannot remove")) << left[0].what();
  ExpectOnlyLeft(root, held);

  ::CloseHandle(player);
  EXPECT_TRUE(platform_->RemoveTreeAsFarAsPossible(test::U16(root)).empty());
  EXPECT_FALSE(fs::exists(root));
  EXPECT_TRUE(platform_->RemoveTreeAsFarAsPossible(test::U16(root)).empty());
}

TEST_F(PlatformTest, TheViewerOfADocumentIsTheProgramAssociatedWithItsType) {
  // A fresh Wine prefix, like Windows, opens .txt files with Notepad.
  const std::u16string notepad = platform_->DocumentViewer(u"C:\\cj.txt");
  EXPECT_NE(ToUtf8(notepad).find("notepad"), std::string::npos) << ToUtf8(notepad);
  EXPECT_EQ(platform_->DocumentViewer(u"C:\\cj.webexam-no-such-type"), u"");
  EXPECT_EQ(platform_->DocumentViewer(u"C:\\no.type\\cj"), u"");
}
#else
TEST_F(PlatformTest, AFolderThisUserMayNotChangeStaysAndEverythingElseGoes) {
  // Another user's folder the candidate may not change: only root can make it.
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to make another user's folder";
  constexpr uid_t kCandidate = 65534;  // nobody
  const fs::path drive = dir_.path() / "c";
  fs::create_directory(drive);
  fs::permissions(dir_.path(), fs::perms::owner_all | fs::perms::others_exec);
  const fs::path root = drive / "620722001";
  MakeCandidateFolder(root);
  const fs::path kept = root / "web" / "sound" / "Bjyy.wav";
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    ASSERT_EQ(::chown(entry.path().c_str(), kCandidate, kCandidate), 0);
  }
  ASSERT_EQ(::chown(root.c_str(), kCandidate, kCandidate), 0);
  ASSERT_EQ(::chown(drive.c_str(), kCandidate, kCandidate), 0);
  ASSERT_EQ(::chown(kept.parent_path().c_str(), 0, 0), 0);  // root's, read and search only
  fs::permissions(kept.parent_path(),
                  fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);

  // The candidate's process removes the folder; its exit status says whether
  // the one error left is the one expected.
  const std::string expected = std::to_string(static_cast<int>(Kind::kDenied)) + " cannot remove " +
                               kept.string() + ": " + std::strerror(EACCES) + "\n";
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (::setgid(kCandidate) != 0 || ::setuid(kCandidate) != 0) ::_exit(2);
    std::string out;
    for (const PlatformError& error : platform_->RemoveTreeAsFarAsPossible(test::U16(root))) {
      out += std::to_string(static_cast<int>(error.kind())) + " " + error.what() + "\n";
    }
    if (out != expected) std::fputs(out.c_str(), stderr);
    ::_exit(out == expected ? 0 : 1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  ExpectOnlyLeft(root, kept);
}

// Environment variables set for one test and put back after it.
struct Environment {
  ~Environment() {
    for (const auto& [name, value] : saved) test::SetEnvironment(name.c_str(), value);
  }
  void Set(const char* name, const std::optional<fs::path>& value) {
    if (const char* old = std::getenv(name)) saved.try_emplace(name, old);
    saved.try_emplace(name, std::nullopt);
    test::SetEnvironment(name, value);
  }
  std::map<std::string, std::optional<fs::path> > saved;
};

void WriteScript(const fs::path& bin, const char* name, const std::string& body) {
  WriteBytes(bin / name, "#!/bin/sh\n" + body);
  fs::permissions(bin / name, fs::perms::owner_all);
}

bool NoChildLeft() { return ::waitpid(-1, nullptr, WNOHANG) == -1 && errno == ECHILD; }

TEST_F(PlatformTest, OpenDocumentTakesXdgOpensExitStatusAndLeavesNoChild) {
  const fs::path bin = dir_.path() / "bin", seen = dir_.path() / "seen";
  fs::create_directory(bin);
  Environment environment;
  environment.Set("PATH", bin.string() + ":" + std::getenv("PATH"));
  const std::u16string report = dir_ / "cj.txt";

  // xdg-open hands the document on and ends with 0: opened.
  WriteScript(bin, "xdg-open", "echo \"$1\" > '" + seen.string() + "'\n");
  EXPECT_EQ(platform_->DocumentViewer(report), test::U16(bin / "xdg-open"));
  platform_->OpenDocument(report);
  EXPECT_EQ(ReadBytes(seen), (dir_.path() / "cj.txt").string() + "\n");
  EXPECT_TRUE(NoChildLeft());

  // A failure status, or killed: the caller is told (what the PC then shows is
  // the e2e no-viewer scenario), and no child is left.
  for (const char* body : {"exit 4\n", "kill -9 $$\n"}) {
    WriteScript(bin, "xdg-open", body);
    EXPECT_TRUE(
        ThrowsPlatformError([&] { platform_->OpenDocument(report); }, Kind::kOther, report));
    EXPECT_TRUE(NoChildLeft());
  }

  // Still running when the wait ends (a viewer xdg-open runs itself): opened,
  // not waited for longer, no child of ours.
  const fs::path pid = dir_.path() / "pid";
  WriteScript(bin, "xdg-open", "echo $$ > '" + pid.string() + "'\nexec sleep 30\n");
  const auto start = std::chrono::steady_clock::now();
  platform_->OpenDocument(report);
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_GE(took, kViewerVerdictTime);
  EXPECT_LT(took, kViewerVerdictTime + std::chrono::seconds(2));
  EXPECT_TRUE(NoChildLeft());
  ASSERT_TRUE(fs::exists(pid));
  EXPECT_EQ(::kill(std::stoi(ReadBytes(pid)), SIGKILL), 0);  // it was still running
}

TEST_F(PlatformTest, TheHandlerOfATextFileIsTheEntryXdgMimeNamesAndWhatItLacks) {
  const fs::path bin = dir_.path() / "bin", applications = dir_.path() / "data" / "applications";
  fs::create_directories(bin);
  fs::create_directories(applications);
  Environment environment;
  // Only the test's programs: no terminal, no editor but those made here.
  environment.Set("PATH", bin.string());
  environment.Set("XDG_DATA_HOME", (dir_.path() / "data").string());
  environment.Set("XDG_DATA_DIRS", (dir_.path() / "none").string());
  environment.Set("TERMINAL", std::nullopt);
  const std::u16string report = dir_ / "cj.txt";
  using Handler = Platform::DocumentHandler;
  auto found = [&](std::u16string name, std::u16string missing) {
    const Handler handler = platform_->HandlerOfDocument(report);
    return handler.name == name && handler.missing == missing;
  };
  // The default for text/plain, as xdg-mime answers.
  auto default_is = [&](const std::string& name) {
    WriteScript(bin, "xdg-mime",
                "test \"$1 $2 $3\" = 'query default text/plain' || exit 1\necho '" + name + "'\n");
  };

  EXPECT_TRUE(found(u"", u""));  // no xdg-mime
  default_is("editor.desktop");
  EXPECT_TRUE(found(u"", u""));  // no such entry
  WriteBytes(applications / "editor.desktop",
             "[Desktop Entry]\nName=Editor\nExec=editor %F\nTerminal=false\n\n"
             "[Desktop Action window]\nExec=other\n");
  EXPECT_TRUE(found(u"editor.desktop", u"editor"));  // its program is not there
  WriteScript(bin, "editor", "exit 0\n");
  EXPECT_TRUE(found(u"editor.desktop", u""));

  // A text viewer for a terminal, as Debian's vim.desktop: it needs one.
  default_is("vim.desktop");
  WriteBytes(applications / "vim.desktop",
             "[Desktop Entry]\nName=Vim\nExec=vim %F\nTerminal = true\n");
  WriteScript(bin, "vim", "exit 0\n");
  EXPECT_TRUE(found(u"vim.desktop", u"x-terminal-emulator"));
  environment.Set("TERMINAL", "my-term --wait");
  EXPECT_TRUE(found(u"vim.desktop", u"my-term"));
  environment.Set("TERMINAL", std::nullopt);
  WriteScript(bin, "x-terminal-emulator", "exit 0\n");
  EXPECT_TRUE(found(u"vim.desktop", u""));

  // An entry in a vendor's folder: kde-kate.desktop as kde/kate.desktop.
  default_is("kde-kate.desktop");
  fs::create_directory(applications / "kde");
  WriteBytes(applications / "kde" / "kate.desktop", "[Desktop Entry]\nExec=editor\n");
  EXPECT_TRUE(found(u"kde-kate.desktop", u""));
}
#endif

}  // namespace
}  // namespace webexam
