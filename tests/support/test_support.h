// What the tests share: real temporary folders, byte-exact file helpers, and a
// Platform wrapper that tests override to count or fail operations.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "exam/exam.h"
#include "grading/grade_page.h"
#include "platform/platform.h"

namespace webexam::test {

namespace fs = std::filesystem;

// A fresh folder under the system's temporary folder, removed with everything
// in it when the test ends.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const fs::path& path() const { return path_; }
  // The path of `name` in this folder, as the platform takes it.
  std::u16string operator/(std::string_view name) const;

 private:
  fs::path path_;
};

std::u16string U16(const fs::path& path);
std::string ReadBytes(const fs::path& path);
void WriteBytes(const fs::path& path, std::string_view bytes);
// Text as GBK bytes, through iconv's own tables rather than the code under test.
std::string Gbk(std::u16string_view text);
// Bytes written in hex with optional blanks, "C4 E3 0D 0A".
std::string Hex(std::string_view hex);
fs::path DataFile(std::string_view name);
// The sample exam's model answer page, which scores full marks.
fs::path ModelAnswer();
// The sample exam as its editable file gives it.
const Exam& SampleExam();

// The lines of a file's bytes, each with its CR LF; a test fails when text
// follows the last CR LF (a torn line).
std::vector<std::string> CrLfLines(const std::string& bytes);

// A grading result from its marks written as 22 digits, "1100...".
GradeResult ResultOf(std::string_view marks);

// A program started by a test, running alongside it.
struct Process {
  long long id;
};
// Starts `program` with `arguments` (UTF-8), standard output to `output`,
// standard error to `errors` (by default the same file), standard input from
// `input` when given.
Process Spawn(const fs::path& program, const std::vector<std::string>& arguments,
              const fs::path& output, const fs::path& errors = {}, const fs::path& input = {});
// Waits for the process and returns its exit status (-1 when it did not exit).
int Wait(Process process);
// `count` results_driver PCs with drive roots dir/pc0, dir/pc1, ...: PC k is
// JF<100+k>, exam number 120722001+k, 考生<k>, page `page(k)`. All press "上交成绩"
// `delay` from now, to `share`; each checked to end with 0 and no message shown.
void SubmitFromPcs(const fs::path& dir, const fs::path& share, int count,
                   const std::function<std::string(int)>& page, std::chrono::milliseconds delay);

// A test helper program built next to the tests.
fs::path TestProgram(std::string_view name);

// Sets (or with no value, removes) an environment variable of this process,
// which the platform reads and spawned programs inherit.
void SetEnvironment(const char* name, const std::optional<fs::path>& value);
// One of the programs the project ships, as built.
fs::path BuiltProgram(std::string_view name);

// Passes every call to the real platform; a test overrides what it watches.
class ForwardingPlatform : public Platform {
 public:
  explicit ForwardingPlatform(Platform& inner) : inner_(inner) {}

  char16_t PathSeparator() const override { return inner_.PathSeparator(); }
  bool OnWindows() const override { return inner_.OnWindows(); }
  std::u16string ProgramFolder() override { return inner_.ProgramFolder(); }
  InstalledExamFolders ExamFoldersOfInstall() override { return inner_.ExamFoldersOfInstall(); }
  std::optional<std::u16string> Environment(const char* name) override {
    return inner_.Environment(name);
  }
  std::u16string DriveRoot() override { return inner_.DriveRoot(); }
  std::u16string DefaultResultsShare() override { return inner_.DefaultResultsShare(); }
  std::u16string ListPath(const std::u16string& path, Listing what) override {
    return inner_.ListPath(path, what);
  }
  Presence PresenceOf(const std::u16string& path) override { return inner_.PresenceOf(path); }
  void RemoveFile(const std::u16string& path) override { inner_.RemoveFile(path); }
  void MakeFolder(const std::u16string& path) override { inner_.MakeFolder(path); }
  void CopyOneFile(const std::u16string& from, const std::u16string& to) override {
    inner_.CopyOneFile(from, to);
  }
  void CopyFolderTree(const std::u16string& from, const std::u16string& to) override {
    inner_.CopyFolderTree(from, to);
  }
  void RemoveTree(const std::u16string& path) override { inner_.RemoveTree(path); }
  std::vector<PlatformError> RemoveTreeAsFarAsPossible(const std::u16string& path) override {
    return inner_.RemoveTreeAsFarAsPossible(path);
  }
  std::vector<std::u16string> ListFiles(const std::u16string& folder) override {
    return inner_.ListFiles(folder);
  }
  std::uint64_t FreeSpace(const std::u16string& path) override { return inner_.FreeSpace(path); }
  ShareLocking LockingOf(const std::u16string& folder) override { return inner_.LockingOf(folder); }
  std::uint64_t TreeSize(const std::u16string& path) override { return inner_.TreeSize(path); }
  std::string ReadHead(const std::u16string& path, std::size_t limit,
                       IfMissing if_missing) override {
    return inner_.ReadHead(path, limit, if_missing);
  }
  void AppendToFile(const std::u16string& path, std::string_view bytes) override {
    inner_.AppendToFile(path, bytes);
  }
  void AppendExclusively(const std::u16string& path, std::string_view bytes) override {
    inner_.AppendExclusively(path, bytes);
  }
  void WriteFile(const std::u16string& path, std::string_view bytes) override {
    inner_.WriteFile(path, bytes);
  }
  void WriteNewFile(const std::u16string& path, std::string_view bytes) override {
    inner_.WriteNewFile(path, bytes);
  }
  void ReplaceWholeFile(const std::u16string& path, std::string_view bytes) override {
    inner_.ReplaceWholeFile(path, bytes);
  }
  void ConnectShare(const std::u16string& share) override { inner_.ConnectShare(share); }
  void DisconnectShare(const std::u16string& share) override { inner_.DisconnectShare(share); }
  std::u16string CredentialsFile() override { return inner_.CredentialsFile(); }
  void WriteSecretFile(const std::u16string& path, std::string_view bytes) override {
    inner_.WriteSecretFile(path, bytes);
  }
  void OpenDocument(const std::u16string& path) override { inner_.OpenDocument(path); }
  std::u16string DocumentViewer(const std::u16string& path) override {
    return inner_.DocumentViewer(path);
  }
  DocumentHandler HandlerOfDocument(const std::u16string& path) override {
    return inner_.HandlerOfDocument(path);
  }
  std::u16string ComputerName() override { return inner_.ComputerName(); }
  std::u16string DecodeGbk(std::string_view bytes) override { return inner_.DecodeGbk(bytes); }
  std::string EncodeGbk(std::u16string_view text) override { return inner_.EncodeGbk(text); }
  bool CanEncodeGbk(std::u16string_view text) override { return inner_.CanEncodeGbk(text); }
  void Sleep(std::chrono::milliseconds duration) override { inner_.Sleep(duration); }
  std::chrono::steady_clock::time_point Now() override { return inner_.Now(); }

 protected:
  Platform& inner_;
};

}  // namespace webexam::test
