// The Platform on Windows: the literal paths on drive C:, code page 936, and
// the file system through the Win32 API (UNC paths work everywhere a path does).
#pragma once

#include <string>
#include <vector>

#include "platform/gbk_table.h"
#include "platform/platform.h"

namespace webexam {

// What a Win32 error number means to the callers, as POSIX errors give it:
// the kinds they decide on (a retry, the advice a teacher is given).
PlatformError::Kind KindOfSystemError(unsigned long error);

// The share that a path lies on, \\server\share, for a UNC path (also in its
// extended form \\?\UNC\server\share\...); empty for any other path.
std::u16string UncShareOf(const std::u16string& path);

// The access a secret file grants (see WriteSecretFile), in the system's
// notation: protected from what its folder would pass on, full access for
// SYSTEM and the Administrators group, none for anyone else.
inline constexpr wchar_t kSecretFileAccess[] = L"D:P(A;;FA;;;SY)(A;;FA;;;BA)";

class Win32Platform final : public Platform {
 public:
  Win32Platform();

  char16_t PathSeparator() const override { return u'\\'; }
  bool OnWindows() const override { return true; }
  std::u16string ProgramFolder() override;
  std::optional<std::u16string> Environment(const char* name) override;
  std::u16string DriveRoot() override { return u"C:"; }
  std::u16string DefaultResultsShare() override;

  std::u16string ListPath(const std::u16string& path, Listing what) override;

  Presence PresenceOf(const std::u16string& path) override;
  void RemoveFile(const std::u16string& path) override;
  void MakeFolder(const std::u16string& path) override;
  void CopyOneFile(const std::u16string& from, const std::u16string& to) override;
  void CopyFolderTree(const std::u16string& from, const std::u16string& to) override;
  void RemoveTree(const std::u16string& path) override;
  std::vector<PlatformError> RemoveTreeAsFarAsPossible(const std::u16string& path) override;
  std::vector<std::u16string> ListFiles(const std::u16string& folder) override;
  std::uint64_t FreeSpace(const std::u16string& path) override;
  ShareLocking LockingOf(const std::u16string& folder) override;
  std::uint64_t TreeSize(const std::u16string& path) override;

  std::string ReadHead(const std::u16string& path, std::size_t limit,
                       IfMissing if_missing) override;
  void AppendToFile(const std::u16string& path, std::string_view bytes) override;
  void AppendExclusively(const std::u16string& path, std::string_view bytes) override;
  void WriteFile(const std::u16string& path, std::string_view bytes) override;
  void WriteNewFile(const std::u16string& path, std::string_view bytes) override;
  void ReplaceWholeFile(const std::u16string& path, std::string_view bytes) override;
  void ConnectShare(const std::u16string& share) override;
  void DisconnectShare(const std::u16string& share) override;
  std::u16string CredentialsFile() override;
  void WriteSecretFile(const std::u16string& path, std::string_view bytes) override;

  void OpenDocument(const std::u16string& path) override;
  std::u16string DocumentViewer(const std::u16string& path) override;
  DocumentHandler HandlerOfDocument(const std::u16string& path) override;
  std::u16string ComputerName() override;

  std::u16string DecodeGbk(std::string_view bytes) override { return gbk_.Decode(bytes); }
  std::string EncodeGbk(std::u16string_view text) override;
  bool CanEncodeGbk(std::u16string_view text) override;

  void Sleep(std::chrono::milliseconds duration) override;
  std::chrono::steady_clock::time_point Now() override;

 private:
  GbkTable gbk_;
  // The shares ConnectShare connected this program to, which DisconnectShare
  // ends; used by the one thread that does the share's step.
  std::vector<std::u16string> connected_;
};

}  // namespace webexam
