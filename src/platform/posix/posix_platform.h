// The Platform on Linux and other POSIX systems.
#pragma once

#include <iconv.h>

#include "platform/gbk_table.h"
#include "platform/platform.h"
#include "platform/posix/smb_client.h"

namespace webexam {

// How long OpenDocument waits for xdg-open's exit status before it takes the
// document as opened. Within a desktop environment xdg-open hands the
// document to the desktop's own opener (gio, kde-open, exo-open) and returns
// in well under a second. Without one it looks for the program itself
// (xdg-mime, the desktop entry), about a second on a current PC, and either
// fails, e.g. with exit status 4 where the program for text files must run in
// a terminal and there is none ("x-terminal-emulator: not found"), or runs a
// graphical viewer and returns only when the candidate closes it: still
// running after this wait, the viewer has started, and the document is taken
// as opened. The wait leaves room for an old lab PC; the grading window
// waits meanwhile, busy, and the delivery after it.
inline constexpr std::chrono::milliseconds kViewerVerdictTime{5000};

class PosixPlatform final : public Platform {
 public:
  // `smb_library` is what SmbClient loads for an SMB address.
  explicit PosixPlatform(std::string smb_library = kSmbLibrary);
  ~PosixPlatform() override;
  PosixPlatform(const PosixPlatform&) = delete;
  PosixPlatform& operator=(const PosixPlatform&) = delete;

  char16_t PathSeparator() const override { return u'/'; }
  bool OnWindows() const override { return false; }
  std::u16string ProgramFolder() override;
  InstalledExamFolders ExamFoldersOfInstall() override;
  std::optional<std::u16string> Environment(const char* name) override;
  std::u16string DriveRoot() override;
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

  std::u16string DecodeGbk(std::string_view bytes) override;
  std::string EncodeGbk(std::u16string_view text) override;
  bool CanEncodeGbk(std::u16string_view text) override;

  void Sleep(std::chrono::milliseconds duration) override;
  std::chrono::steady_clock::time_point Now() override;

 private:
  // iconv's answer for one character's bytes, for the decoding table.
  std::optional<char16_t> DecodeOne(std::string_view bytes);
  // Encodes `text` into `out`; returns where the first character without a
  // GBK form stands, or npos when all were encoded. A failure leaves errno
  // as iconv set it.
  std::size_t EncodeInto(std::u16string_view text, std::string& out);

  SmbClient smb_;    // the results share when it is an SMB address
  iconv_t decoder_;  // CP936 to UTF-16LE
  iconv_t encoder_;  // UTF-16LE to CP936
  GbkTable gbk_;
};

}  // namespace webexam
