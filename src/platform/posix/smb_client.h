// The results share spoken to as an SMB server, through libsmbclient, for
// share addresses of the form smb://server/share/ (or \\server\share\).
// The library (with the dozens of Samba's that it needs) is loaded by dlopen on
// the first operation on such an address, never at start-up: a PC whose
// share is a local or mounted folder loads none of it.
//
// A Linux desktop's own ways to a share are FUSE mounts, and those keep every
// lock on the one PC: two PCs appending to the log through them overwrite each
// other's lines. The server's share modes do not have that hole. The log is
// opened here as the Windows client opens it, for writing while others may
// read but not write, so the server refuses every other writer, Linux or
// Windows, until this PC has written its line and closed the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"
#include "platform/share_account.h"

// libsmbclient's context, kept out of every file but the one that uses it.
struct _SMBCCTX;

namespace webexam {

// The functions of libsmbclient that are used, as loaded.
struct SmbApi;

// libsmbclient's stable C API, as the dynamic loader finds it, and the Debian
// package that installs it.
inline constexpr char kSmbLibrary[] = "libsmbclient.so.0";
inline constexpr char kSmbLibraryPackage[] = "libsmbclient";

// Whether a path (UTF-8) names something on an SMB server: it starts with
// smb:// (any case) or is a UNC path \\server\share\....
bool IsSmbAddress(std::string_view path);

// The URL libsmbclient is given for such a path: smb://server/ followed by
// the share and the path with '/' between the names, each byte other than
// letters, digits and -._~ percent-encoded, so that a '%' or '#' in a
// computer name is read as itself.
std::string SmbUrl(std::string_view path);

// Reads a credentials file (see ParseShareAccount). A file that does not
// exist gives the guest account; one that cannot be read throws, and so does
// one whose mode lets others read or write it or its group write it
// (Kind::kDenied): its password would be no secret, or anyone could put
// another account in it.
ShareAccount ReadSmbAccount(const std::string& file);

// Where the credentials file is: $WEBEXAM_SMB_CREDENTIALS when set, else
// /etc/webexam/smb-credentials.
std::string SmbCredentialsFile();

// The Platform's file operations for SMB addresses. Every failure throws
// PlatformError; contention (a sharing violation) is Kind::kBusy, a network
// fault Kind::kTransient, as for a local share, and a server that takes no
// more connections for now Kind::kServerFull, so that the results share
// submission retries them alike. Where the library cannot be loaded,
// every operation fails with Kind::kOther (it will not pass within a retry),
// naming the package to install.
class SmbClient {
 public:
  // `library` is what dlopen is given on the first operation: the soname,
  // or (in a test) the path of a file that is not there.
  explicit SmbClient(std::string library = kSmbLibrary);
  ~SmbClient();
  SmbClient(const SmbClient&) = delete;
  SmbClient& operator=(const SmbClient&) = delete;

  // The name as the server stores it (found ignoring ASCII case, as Windows
  // does), or an empty text. Hidden and system entries, and names starting
  // with '.', are never found. Never throws.
  std::string ListPath(const std::string& path, bool folders_too);
  std::vector<std::string> ListFiles(const std::string& folder);
  // What stands at `path`, asked of the server by that one name (see
  // Platform::PresenceOf). Never throws.
  Platform::Presence PresenceOf(const std::string& path);
  std::string ReadHead(const std::string& path, std::size_t limit, bool create_empty);
  void WriteFile(const std::string& path, std::string_view bytes);
  void WriteNewFile(const std::string& path, std::string_view bytes);
  void AppendExclusively(const std::string& path, std::string_view bytes);
  void RemoveFile(const std::string& path);
  void MakeFolder(const std::string& path);
  std::uint64_t FreeSpace(const std::string& path);

  // Logs on to the server of `share` (an SMB address) and connects to the
  // share, so that a refusal is known to be the logon's or the share's and
  // told by its kind: the guest account refused is Kind::kGuestRefused, the
  // credentials file's account refused kLogonFailed, no share of that name
  // kNoShare, a server not found or not answering kTransient.
  void Connect(const std::string& share);

  // Drops both contexts with their connections, so that the server's
  // session ends and the next operation connects afresh.
  void Disconnect();

 private:
  // Opens of files that keep other writers out (the log, the markers) and
  // opens for reading that keep nobody out, each in a context of its own,
  // since libsmbclient sets the share mode for a whole context. The share
  // mode is asked for files alone: listing, making a folder and deleting go
  // through the first context, so that a PC's submission uses one
  // connection.
  enum Sharing { kDenyWrite, kDenyNone };

  // The library's functions, loaded when first asked for; throws when the
  // library cannot be loaded.
  const SmbApi& Api();
  _SMBCCTX* Context(Sharing sharing);
  // Writes `bytes` to a file opened with `flags`; `operation` names the open.
  void Write(const std::string& path, std::string_view bytes, int flags, const char* operation);
  // Notes that the context last handed out has reached the share: the
  // server answered an operation on it.
  void Reached() { reached_[current_] = true; }
  // Throws the PlatformError for errno after `operation` on `path`; after a
  // network fault or a full server the next operation connects afresh.
  [[noreturn]] void Fail(const char* operation, const std::string& path, int error);

  std::string library_;
  std::unique_ptr<const SmbApi> api_;
  _SMBCCTX* contexts_[2] = {nullptr, nullptr};
  // Whether each context has reached the share since it was made, and which
  // one the running operation uses.
  bool reached_[2] = {false, false};
  Sharing current_ = kDenyWrite;
  ShareAccount account_;
  bool account_read_ = false;
  bool reconnect_ = false;
};

}  // namespace webexam
