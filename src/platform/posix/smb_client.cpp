#include "platform/posix/smb_client.h"

#include <dlfcn.h>
#include <libsmbclient.h>
#include <netdb.h>
#include <sys/stat.h>
#include <sys/statvfs.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <type_traits>

#include "platform/platform_error.h"
#include "platform/posix/error_kind.h"
#include "text/characters.h"

namespace webexam {

// Every function of libsmbclient used here, looked up by its name when the
// library is loaded; its type is the one libsmbclient.h declares.
#define WEBEXAM_SMB_FUNCTIONS(F)           \
  F(smbc_new_context)                      \
  F(smbc_free_context)                     \
  F(smbc_init_context)                     \
  F(smbc_setDebug)                         \
  F(smbc_setTimeout)                       \
  F(smbc_setOptionUseKerberos)             \
  F(smbc_setOptionFallbackAfterKerberos)   \
  F(smbc_setOptionUrlEncodeReaddirEntries) \
  F(smbc_setOptionOpenShareMode)           \
  F(smbc_setOptionUserData)                \
  F(smbc_getOptionUserData)                \
  F(smbc_setFunctionAuthDataWithContext)   \
  F(smbc_getFunctionOpen)                  \
  F(smbc_getFunctionRead)                  \
  F(smbc_getFunctionWrite)                 \
  F(smbc_getFunctionLseek)                 \
  F(smbc_getFunctionFtruncate)             \
  F(smbc_getFunctionClose)                 \
  F(smbc_getFunctionStat)                  \
  F(smbc_getFunctionStatVFS)               \
  F(smbc_getFunctionUnlink)                \
  F(smbc_getFunctionMkdir)                 \
  F(smbc_getFunctionOpendir)               \
  F(smbc_getFunctionReaddirPlus)           \
  F(smbc_getFunctionClosedir)

struct SmbApi {
#define WEBEXAM_SMB_POINTER(name) decltype(&::name) name = nullptr;
  WEBEXAM_SMB_FUNCTIONS(WEBEXAM_SMB_POINTER)
#undef WEBEXAM_SMB_POINTER
};

namespace {

using Kind = PlatformError::Kind;

// The loaded library's smbc_getOptionUserData, for the callback that gives
// the account: libsmbclient calls it with nothing but the context.
std::atomic<decltype(&::smbc_getOptionUserData)> user_data_of{nullptr};

// The failure of every operation on an SMB address where the library cannot
// be loaded: not one that passes within a retry, and what to install.
[[noreturn]] void CannotLoad(const std::string& why) {
  const std::string reason = why + "; an SMB share needs the Debian package " + kSmbLibraryPackage +
                             " (apt install " + kSmbLibraryPackage + ")";
  throw PlatformError(ELIBACC, "cannot start the SMB client: " + reason, Kind::kOther, reason);
}

// Loads `library` and looks up each function used. The library stays loaded
// for the rest of the process (dlclose is never called): Samba's libraries
// are not made to be unloaded, and a later client finds them in place.
std::unique_ptr<const SmbApi> LoadSmbApi(const std::string& library) {
  void* handle = ::dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* error = ::dlerror();
    CannotLoad(error ? error : library + ": cannot be loaded");
  }
  auto api = std::make_unique<SmbApi>();
  const char* missing = nullptr;
  auto resolve = [&](const char* name, auto& function) {
    void* symbol = ::dlsym(handle, name);
    if (!symbol && !missing) missing = name;
    function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(symbol);
  };
#define WEBEXAM_SMB_RESOLVE(name) resolve(#name, api->name);
  WEBEXAM_SMB_FUNCTIONS(WEBEXAM_SMB_RESOLVE)
#undef WEBEXAM_SMB_RESOLVE
  if (missing) CannotLoad(library + " has no " + missing + ": it is too old");
  user_data_of.store(api->smbc_getOptionUserData);
  return api;
}

bool IsUnreserved(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.' || c == '_' || c == '~';
}

// The part after the scheme: server/share/path, with '/' between the names.
std::string WithoutScheme(std::string_view path) {
  std::string rest;
  if (path.starts_with("\\\\")) {
    rest = path.substr(2);
    for (char& c : rest) {
      if (c == '\\') c = '/';
    }
  } else {
    rest = path.substr(6);  // "smb://"
  }
  return rest;
}

// The URL of the folder holding `path` (ending with '/') and the name in it;
// the name is empty for the share itself (smb://server/share/), which is no
// entry of a folder.
std::pair<std::string, std::string> SplitLast(std::string_view path) {
  std::string rest = WithoutScheme(path);
  while (!rest.empty() && rest.back() == '/') rest.pop_back();
  const std::size_t share_start = rest.find('/');
  const std::size_t slash = rest.find_last_of('/');
  if (share_start == std::string::npos || slash == share_start) {
    return {SmbUrl("smb://" + rest) + "/", ""};
  }
  return {SmbUrl("smb://" + rest.substr(0, slash + 1)), rest.substr(slash + 1)};
}

// An open file of a context, closed on every way out.
class SmbFile {
 public:
  SmbFile(const SmbApi& api, SMBCCTX* context, SMBCFILE* file)
      : close_(api.smbc_getFunctionClose(context)), context_(context), file_(file) {}
  ~SmbFile() {
    if (file_) close_(context_, file_);
  }
  SmbFile(const SmbFile&) = delete;
  SmbFile& operator=(const SmbFile&) = delete;
  SMBCFILE* get() const { return file_; }
  // Closes now and gives the error the close reports, or 0.
  int Close() {
    const int rc = close_(context_, file_);
    file_ = nullptr;
    return rc == 0 ? 0 : errno;
  }

 private:
  smbc_close_fn close_;
  SMBCCTX* context_;
  SMBCFILE* file_;
};

class SmbFolder {
 public:
  SmbFolder(const SmbApi& api, SMBCCTX* context, SMBCFILE* folder)
      : closedir_(api.smbc_getFunctionClosedir(context)), context_(context), folder_(folder) {}
  ~SmbFolder() {
    if (folder_) closedir_(context_, folder_);
  }
  SmbFolder(const SmbFolder&) = delete;
  SmbFolder& operator=(const SmbFolder&) = delete;
  SMBCFILE* get() const { return folder_; }

 private:
  smbc_closedir_fn closedir_;
  SMBCCTX* context_;
  SMBCFILE* folder_;
};

constexpr std::uint16_t kHidden = 0x02;  // FILE_ATTRIBUTE_HIDDEN
constexpr std::uint16_t kSystem = 0x04;  // FILE_ATTRIBUTE_SYSTEM
constexpr std::uint16_t kFolder = 0x10;  // FILE_ATTRIBUTE_DIRECTORY

// How long one request may wait for the server. The submission retries
// within its own budget; a server that does not answer in this time is taken
// as gone for this try.
constexpr int kTimeoutMs = 5000;

void GiveAccount(SMBCCTX* context, const char*, const char*, char* workgroup, int workgroup_size,
                 char* user, int user_size, char* password, int password_size) {
  const auto* account = static_cast<const ShareAccount*>(user_data_of.load()(context));
  auto copy = [](const std::string& from, char* to, int size) {
    if (size <= 0) return;
    std::strncpy(to, from.c_str(), static_cast<std::size_t>(size) - 1);
    to[size - 1] = '\0';
  };
  if (!account->domain.empty()) copy(account->domain, workgroup, workgroup_size);
  copy(account->user, user, user_size);
  copy(account->password, password, password_size);
}

// Whether an account is the guest logon: a credentials file without a user
// name, or none at all, gives it.
bool IsGuest(const ShareAccount& account) {
  return account.user.empty() || EqualIgnoringAsciiCase(account.user, "guest");
}

// The URL of the share itself (smb://server/share/) for any path on it.
std::string ShareRootUrl(std::string_view path) {
  const std::string rest = WithoutScheme(path);
  const std::size_t server_end = rest.find('/');
  const std::size_t share_end =
      server_end == std::string::npos ? std::string::npos : rest.find('/', server_end + 1);
  return SmbUrl("smb://" + rest.substr(0, share_end)) + "/";
}

// Whether the system's resolver finds the server of an SMB address (an
// address itself is found).
bool ServerNameResolves(std::string_view path) {
  const std::string rest = WithoutScheme(path);
  const std::string server = rest.substr(0, rest.find('/'));
  addrinfo hints{};
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (::getaddrinfo(server.c_str(), "445", &hints, &found) != 0) return false;
  ::freeaddrinfo(found);
  return true;
}

// What is wrong with the mode of a credentials file, or nothing: others may
// read or write it, or its group write it.
std::string LooseModeProblem(mode_t mode) {
  std::string problem;
  auto add = [&](const char* what) {
    problem += (problem.empty() ? "" : ", ") + std::string(what);
  };
  if (mode & S_IROTH) add("others may read it");
  if (mode & S_IWOTH) add("others may write it");
  if (mode & S_IWGRP) add("its group may write it");
  return problem;
}

}  // namespace

bool IsSmbAddress(std::string_view path) {
  if (path.starts_with("\\\\")) return true;
  return path.size() >= 6 && EqualIgnoringAsciiCase(path.substr(0, 6), "smb://");
}

std::string SmbUrl(std::string_view path) {
  // libsmbclient would log on with an account written into the address.
  if (AccountInAddress(path).length > 0) ThrowAccountInAddress();
  const std::string rest = WithoutScheme(path);
  const std::size_t server_end = std::min(rest.find('/'), rest.size());
  std::string url = "smb://" + rest.substr(0, server_end);
  static constexpr char kHex[] = "0123456789ABCDEF";
  for (std::size_t i = server_end; i < rest.size(); ++i) {
    const auto c = static_cast<unsigned char>(rest[i]);
    if (c == '/' || IsUnreserved(c)) {
      url += static_cast<char>(c);
    } else {
      url += '%';
      url += kHex[c >> 4];
      url += kHex[c & 0xF];
    }
  }
  return url;
}

std::string SmbCredentialsFile() {
  const char* file = std::getenv("WEBEXAM_SMB_CREDENTIALS");
  return file && *file ? file : "/etc/webexam/smb-credentials";
}

ShareAccount ReadSmbAccount(const std::string& file) {
  struct stat st;
  if (::stat(file.c_str(), &st) != 0) {
    if (errno == ENOENT) return {};
  } else if (const std::string problem = LooseModeProblem(st.st_mode); !problem.empty()) {
    // As ssh refuses a key others can read: the password is no secret there,
    // and an account another user put there would take the PC's results.
    char mode[8];
    std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
    throw PlatformError(Kind::kDenied, EACCES, "will not use the share's credentials", file,
                        std::string("mode ") + mode + ": " + problem +
                            "; make it owned by root, its group the candidates' group, mode 0640");
  }
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    const int error = errno ? errno : EACCES;
    throw PlatformError(KindOfErrno(error), error, "cannot read the share's credentials", file,
                        std::strerror(error));
  }
  return ParseShareAccount(
      std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()));
}

SmbClient::SmbClient(std::string library) : library_(std::move(library)) {}

SmbClient::~SmbClient() { Disconnect(); }

const SmbApi& SmbClient::Api() {
  if (!api_) api_ = LoadSmbApi(library_);
  return *api_;
}

void SmbClient::Disconnect() {
  reconnect_ = false;
  for (SMBCCTX*& context : contexts_) {
    if (context) api_->smbc_free_context(context, 1);
    context = nullptr;
  }
  reached_[kDenyWrite] = reached_[kDenyNone] = false;
}

SMBCCTX* SmbClient::Context(Sharing sharing) {
  if (reconnect_) {
    Disconnect();
    reconnect_ = false;
  }
  current_ = sharing;
  if (contexts_[sharing]) return contexts_[sharing];
  const SmbApi& api = Api();
  if (!account_read_) {
    account_ = ReadSmbAccount(SmbCredentialsFile());
    account_read_ = true;
  }
  SMBCCTX* context = api.smbc_new_context();
  if (!context) {
    const int error = errno;
    throw PlatformError(error, std::string("cannot start the SMB client: ") + std::strerror(error),
                        KindOfErrno(error), std::strerror(error));
  }
  api.smbc_setDebug(context, 0);
  api.smbc_setTimeout(context, kTimeoutMs);
  api.smbc_setOptionUseKerberos(context, 0);
  api.smbc_setOptionFallbackAfterKerberos(context, 1);
  api.smbc_setOptionUrlEncodeReaddirEntries(context, 0);
  api.smbc_setOptionOpenShareMode(
      context, sharing == kDenyWrite ? SMBC_SHAREMODE_DENY_WRITE : SMBC_SHAREMODE_DENY_NONE);
  api.smbc_setOptionUserData(context, &account_);
  api.smbc_setFunctionAuthDataWithContext(context, GiveAccount);
  if (!api.smbc_init_context(context)) {
    const int error = errno;
    api.smbc_free_context(context, 1);
    throw PlatformError(error, std::string("cannot start the SMB client: ") + std::strerror(error),
                        KindOfErrno(error), std::strerror(error));
  }
  contexts_[sharing] = context;
  reached_[sharing] = false;
  return context;
}

void SmbClient::Fail(const char* operation, const std::string& path, int error) {
  // A sharing violation (another PC holds the log) comes back as EBUSY; a
  // denied access, a read-only share or a missing share will not pass
  // within a retry.
  Kind kind = KindOfErrno(error);
  if (kind == Kind::kBusy || kind == Kind::kExists) Reached();
  // libsmbclient gives EINVAL for every server status it has no errno for,
  // among them each way a server says it takes no more connections for now:
  // Samba's "max connections" on a share refuses the tree connect with
  // INSUFFICIENT_RESOURCES, a Windows PC past its twenty sessions refuses
  // the logon with REQUEST_NOT_ACCEPTED. Before the context has reached the
  // share that is what EINVAL means; after, it is a fault of the request.
  // (Samba past "max smbd processes" drops the connection instead, which is
  // a network fault here and retried alike.)
  if (error == EINVAL && !reached_[current_]) kind = Kind::kServerFull;
  // The context still holds the open file that its owner closes on the way
  // out; it is dropped when the next operation starts, so that the next try
  // connects afresh.
  if (kind == Kind::kTransient || kind == Kind::kServerFull) reconnect_ = true;
  const std::string reason = kind == Kind::kServerFull
                                 ? "the server takes no more connections for now"
                                 : std::strerror(error);
  throw PlatformError(kind, error, operation, path, reason);
}

void SmbClient::Connect(const std::string& share) {
  SMBCCTX* context = Context(kDenyWrite);
  struct stat st;
  errno = 0;
  if (api_->smbc_getFunctionStat(context)(context, ShareRootUrl(share).c_str(), &st) == 0) {
    Reached();
    return;
  }
  const int error = errno ? errno : EIO;
  // What libsmbclient gives for each refusal, found against Samba: a logon
  // refused, and a share that refuses the account, are both EACCES (a wrong
  // password gets in as a guest where the share lets guests in); a share the
  // server does not have is ENOENT; a server name that does not resolve is
  // EINVAL, a server that does not answer ECONNREFUSED or ETIMEDOUT.
  switch (error) {
    case EACCES:
    case EPERM:
      if (IsGuest(account_)) {
        throw PlatformError(Kind::kGuestRefused, error, "cannot connect to", share,
                            std::string("the guest logon is refused: ") + std::strerror(error));
      }
      throw PlatformError(Kind::kLogonFailed, error, "cannot connect to", share,
                          "the account " + account_.user + " is refused: " + std::strerror(error));
    case ENOENT:
      throw PlatformError(Kind::kNoShare, error, "cannot connect to", share,
                          std::string("the server has no such share: ") + std::strerror(error));
    case EINVAL:
      // Also what a refusal without an errno of its own gives (Samba's
      // "max connections" among them): the name is blamed only when this PC
      // cannot resolve it either.
      if (!ServerNameResolves(share)) {
        reconnect_ = true;
        throw PlatformError(
            Kind::kTransient, error, "cannot connect to", share,
            std::string("no server of that name is found: ") + std::strerror(error));
      }
      [[fallthrough]];
    default:
      Fail("cannot connect to", share, error);
  }
}

std::string SmbClient::ListPath(const std::string& path, bool folders_too) {
  try {
    const auto [folder, name] = SplitLast(path);
    SMBCCTX* context = Context(kDenyWrite);
    if (name.empty()) {
      // The share itself: a folder when the server lets us in.
      struct stat st;
      if (!folders_too || api_->smbc_getFunctionStat(context)(context, folder.c_str(), &st) != 0) {
        return {};
      }
      Reached();
      const std::string rest = WithoutScheme(path);
      std::string share = rest.substr(std::min(rest.find('/'), rest.size()));
      while (!share.empty() && share.back() == '/') share.pop_back();
      return share.substr(share.find_last_of('/') + 1);
    }
    if (name[0] == '.') return {};  // hidden, as on a Linux drive
    SmbFolder dir(*api_, context, api_->smbc_getFunctionOpendir(context)(context, folder.c_str()));
    if (!dir.get()) return {};
    Reached();
    std::string found;
    std::uint16_t attributes = 0;
    while (const libsmb_file_info* entry =
               api_->smbc_getFunctionReaddirPlus(context)(context, dir.get())) {
      if (!entry->name) continue;
      const std::string_view stored = entry->name;
      if (stored == name || (found.empty() && EqualIgnoringAsciiCase(stored, name))) {
        found = stored;
        attributes = entry->attrs;
        if (stored == name) break;
      }
    }
    if (found.empty() || (attributes & (kHidden | kSystem))) return {};
    if ((attributes & kFolder) && !folders_too) return {};
    return found;
  } catch (const PlatformError&) {
    return {};
  }
}

Platform::Presence SmbClient::PresenceOf(const std::string& path) {
  try {
    SMBCCTX* context = Context(kDenyWrite);
    struct stat st;
    errno = 0;
    if (api_->smbc_getFunctionStat(context)(context, SmbUrl(path).c_str(), &st) != 0) {
      const int error = errno;
      if (error != ENOENT && error != ENOTDIR) return Platform::Presence::kUnknown;
      return Platform::Presence::kAbsent;
    }
    Reached();
    return S_ISDIR(st.st_mode) ? Platform::Presence::kFolder : Platform::Presence::kFile;
  } catch (const PlatformError&) {
    return Platform::Presence::kUnknown;
  }
}

std::vector<std::string> SmbClient::ListFiles(const std::string& folder) {
  std::string url = SmbUrl(folder);
  if (url.back() != '/') url += '/';
  SMBCCTX* context = Context(kDenyWrite);
  SmbFolder dir(*api_, context, api_->smbc_getFunctionOpendir(context)(context, url.c_str()));
  if (!dir.get()) Fail("cannot list", folder, errno);
  Reached();
  std::vector<std::string> files;
  errno = 0;
  while (const libsmb_file_info* entry =
             api_->smbc_getFunctionReaddirPlus(context)(context, dir.get())) {
    if (!entry->name || entry->name[0] == '.') continue;
    if (entry->attrs & (kFolder | kHidden | kSystem)) continue;
    files.emplace_back(entry->name);
  }
  return files;
}

std::string SmbClient::ReadHead(const std::string& path, std::size_t limit, bool create_empty) {
  const std::string url = SmbUrl(path);
  SMBCCTX* context = Context(kDenyNone);
  const int flags = create_empty ? O_RDWR | O_CREAT : O_RDONLY;
  SmbFile file(*api_, context,
               api_->smbc_getFunctionOpen(context)(context, url.c_str(), flags, 0666));
  if (!file.get()) Fail("cannot open", path, errno);
  Reached();
  std::string bytes;
  char buffer[65536];
  while (bytes.size() < limit) {
    const std::size_t want = std::min(sizeof buffer, limit - bytes.size());
    const ssize_t n = api_->smbc_getFunctionRead(context)(context, file.get(), buffer, want);
    if (n < 0) Fail("cannot read", path, errno);
    if (n == 0) break;
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
  return bytes;
}

void SmbClient::Write(const std::string& path, std::string_view bytes, int flags,
                      const char* operation) {
  const std::string url = SmbUrl(path);
  SMBCCTX* context = Context(kDenyWrite);
  SmbFile file(*api_, context,
               api_->smbc_getFunctionOpen(context)(context, url.c_str(), flags, 0666));
  if (!file.get()) Fail(operation, path, errno);
  Reached();
  while (!bytes.empty()) {
    const ssize_t n =
        api_->smbc_getFunctionWrite(context)(context, file.get(), bytes.data(), bytes.size());
    if (n < 0) Fail("cannot write", path, errno);
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  if (const int error = file.Close()) Fail("cannot write", path, error);
}

void SmbClient::WriteFile(const std::string& path, std::string_view bytes) {
  Write(path, bytes, O_RDWR | O_CREAT | O_TRUNC, "cannot open for output");
}

void SmbClient::WriteNewFile(const std::string& path, std::string_view bytes) {
  // Write access alone: a page or a marker is never read back, and a folder
  // whose files candidates may not read still takes it.
  Write(path, bytes, O_WRONLY | O_CREAT | O_EXCL, "cannot create");
}

void SmbClient::AppendExclusively(const std::string& path, std::string_view bytes) {
  const std::string url = SmbUrl(path);
  SMBCCTX* context = Context(kDenyWrite);
  // Write access without read access, others may only read: the server
  // refuses this open while another PC writes, and every other writer while
  // we hold it, and a log candidates may not read still takes the line.
  // (libsmbclient cannot ask for append-data alone: O_APPEND adds it to
  // write-data.)
  SmbFile file(*api_, context,
               api_->smbc_getFunctionOpen(context)(context, url.c_str(), O_WRONLY | O_CREAT, 0666));
  if (!file.get()) Fail("cannot open for appending", path, errno);
  Reached();
  // The end as the server has it now; nobody else can move it while we hold
  // the file. The size is asked of the path: libsmbclient asks it of the open
  // file, which a write-only open may not do.
  struct stat st;
  if (api_->smbc_getFunctionStat(context)(context, url.c_str(), &st) != 0) {
    Fail("cannot write", path, errno);
  }
  const off_t end = st.st_size;
  if (api_->smbc_getFunctionLseek(context)(context, file.get(), end, SEEK_SET) != end) {
    Fail("cannot write", path, errno);
  }
  const ssize_t n =
      api_->smbc_getFunctionWrite(context)(context, file.get(), bytes.data(), bytes.size());
  if (n < 0 || static_cast<std::size_t>(n) != bytes.size()) {
    const int error = n < 0 ? errno : EIO;
    // Take back a part line, so that a retry cannot leave a torn one behind;
    // where that fails too, the retry begins a line of its own.
    const bool taken_back = api_->smbc_getFunctionFtruncate(context)(context, file.get(), end) == 0;
    try {
      Fail("cannot write", path, error);
    } catch (PlatformError& failure) {
      if (n > 0 && !taken_back) failure.MarkPartWritten();
      throw;
    }
  }
  if (const int error = file.Close()) Fail("cannot write", path, error);
}

void SmbClient::RemoveFile(const std::string& path) {
  SMBCCTX* context = Context(kDenyWrite);
  if (api_->smbc_getFunctionUnlink(context)(context, SmbUrl(path).c_str()) != 0) {
    Fail("cannot delete", path, errno);
  }
  Reached();
}

void SmbClient::MakeFolder(const std::string& path) {
  SMBCCTX* context = Context(kDenyWrite);
  if (api_->smbc_getFunctionMkdir(context)(context, SmbUrl(path).c_str(), 0777) != 0) {
    Fail("cannot make folder", path, errno);
  }
  Reached();
}

std::uint64_t SmbClient::FreeSpace(const std::string& path) {
  SMBCCTX* context = Context(kDenyWrite);
  std::string url = SmbUrl(path);
  struct statvfs st;
  if (api_->smbc_getFunctionStatVFS(context)(context, url.data(), &st) != 0) {
    Fail("cannot measure the free space of", path, errno);
  }
  Reached();
  return static_cast<std::uint64_t>(st.f_bavail) * static_cast<std::uint64_t>(st.f_frsize);
}

}  // namespace webexam
