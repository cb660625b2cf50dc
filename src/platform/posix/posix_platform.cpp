#include "platform/posix/posix_platform.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/types.h>
#include <sys/vfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/posix/error_kind.h"
#include "text/utf8.h"

namespace webexam {
namespace {

static_assert(std::endian::native == std::endian::little, "the codec hands iconv UTF-16LE");

using Kind = PlatformError::Kind;

std::string Native(const std::u16string& path) { return ToUtf8(path); }

[[noreturn]] void Fail(const char* operation, const std::string& path, int error, Kind kind) {
  throw PlatformError(kind, error, operation, path, std::strerror(error));
}
[[noreturn]] void Fail(const char* operation, const std::string& path, int error = errno) {
  Fail(operation, path, error, KindOfErrno(error));
}

// The exam works with the results share only through listing, reading,
// writing, appending, deleting files and making a folder; anything else asked
// of an SMB address is a mistake of the caller, refused rather than taken as
// a local path.
void RefuseSmb(const std::string& path) {
  if (IsSmbAddress(path)) Fail("cannot do this on an SMB share:", path, ENOTSUP);
}

// A file descriptor closed on every path out.
class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  bool ok() const { return fd_ >= 0; }
  // Closes now and reports the error close gives (written data may fail here
  // on network file systems).
  int Close() {
    int rc = ::close(fd_);
    fd_ = -1;
    return rc == 0 ? 0 : errno;
  }

 private:
  int fd_;
};

int OpenRetryingEintr(const char* path, int flags, mode_t mode = 0666) {
  int fd;
  do {
    fd = ::open(path, flags | O_CLOEXEC, mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

int OpenAtRetryingEintr(int dir, const char* name, int flags, mode_t mode = 0666) {
  int fd;
  do {
    fd = ::openat(dir, name, flags | O_CLOEXEC, mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

// Writes all bytes; returns 0 or the error number.
int WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return 0;
}

void WriteAndClose(Fd& fd, std::string_view bytes, const char* operation, const std::string& path) {
  if (int error = WriteAll(fd.get(), bytes)) Fail(operation, path, error);
  if (int error = fd.Close()) Fail(operation, path, error);
}

// Copies the content of an open file to a new file `name` in `dir`. A
// failure names the file that failed: `from_shown` or `to_shown`.
void CopyContent(int from_fd, int to_dir, const char* name, mode_t mode,
                 const std::string& from_shown, const std::string& shown) {
  Fd to(OpenAtRetryingEintr(to_dir, name, O_WRONLY | O_CREAT | O_TRUNC, mode & 07777));
  if (!to.ok()) Fail("cannot create", shown);
  std::vector<char> buffer(1 << 16);
  for (;;) {
    ssize_t n = ::read(from_fd, buffer.data(), buffer.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail("cannot read", from_shown);
    }
    if (n == 0) break;
    if (int error = WriteAll(to.get(), {buffer.data(), static_cast<std::size_t>(n)})) {
      Fail("cannot write", shown, error);
    }
  }
  // The copy keeps the source's permission bits (a read-only file stays
  // read-only), whatever the umask made of them.
  ::fchmod(to.get(), mode & 07777);
  if (int error = to.Close()) Fail("cannot write", shown, error);
}

std::vector<std::string> EntryNames(int dir_fd, const std::string& shown) {
  int dup_fd = ::dup(dir_fd);
  if (dup_fd < 0) Fail("cannot list", shown);
  DIR* dir = ::fdopendir(dup_fd);
  if (!dir) {
    int error = errno;
    ::close(dup_fd);
    Fail("cannot list", shown, error);
  }
  std::vector<std::string> names;
  errno = 0;
  while (dirent* entry = ::readdir(dir)) {
    if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) {
      names.emplace_back(entry->d_name);
    }
    errno = 0;
  }
  int error = errno;
  ::closedir(dir);
  if (error) Fail("cannot list", shown, error);
  return names;
}

// Copies the folder open as `from_dir` into the new folder `to_dir`, working
// relative to open folders so that depth never makes a path too long.
void CopyTreeAt(int from_dir, int to_dir, const std::string& shown, const std::string& to_shown) {
  for (const std::string& name : EntryNames(from_dir, shown)) {
    const std::string entry_shown = shown + "/" + name;
    const std::string target_shown = to_shown + "/" + name;
    struct stat st;
    if (::fstatat(from_dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
      Fail("cannot copy", entry_shown);
    }
    if (S_ISDIR(st.st_mode)) {
      if (::mkdirat(to_dir, name.c_str(), 0777) != 0 && errno != EEXIST) {
        Fail("cannot make folder", target_shown);
      }
      Fd from_sub(OpenAtRetryingEintr(from_dir, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW));
      if (!from_sub.ok()) Fail("cannot open folder", entry_shown);
      Fd to_sub(OpenAtRetryingEintr(to_dir, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW));
      if (!to_sub.ok()) Fail("cannot open folder", target_shown);
      CopyTreeAt(from_sub.get(), to_sub.get(), entry_shown, target_shown);
      ::fchmod(to_sub.get(), st.st_mode & 07777);
    } else if (S_ISREG(st.st_mode)) {
      Fd from(OpenAtRetryingEintr(from_dir, name.c_str(), O_RDONLY | O_NOFOLLOW));
      if (!from.ok()) Fail("cannot open", entry_shown);
      // A read-only file already at the destination is replaced, not refused.
      ::unlinkat(to_dir, name.c_str(), 0);
      CopyContent(from.get(), to_dir, name.c_str(), st.st_mode, entry_shown, target_shown);
    } else if (S_ISLNK(st.st_mode)) {
      std::vector<char> target(PATH_MAX + 1);
      ssize_t n = ::readlinkat(from_dir, name.c_str(), target.data(), target.size() - 1);
      if (n < 0) Fail("cannot copy", entry_shown);
      target[static_cast<std::size_t>(n)] = '\0';
      ::unlinkat(to_dir, name.c_str(), 0);
      if (::symlinkat(target.data(), to_dir, name.c_str()) != 0)
        Fail("cannot copy to", target_shown);
    } else {
      Fail("cannot copy a special file", entry_shown, EINVAL);
    }
  }
}

// Empties the folder open as `dir`, whatever the permissions of what is in
// it. With `left`, goes on past what cannot be removed.
void RemoveContentsAt(int dir, const std::string& shown, std::vector<PlatformError>* left) {
  std::vector<std::string> names;
  if (!KeepGoing(left, [&] { names = EntryNames(dir, shown); })) return;
  for (const std::string& name : names) {
    const std::string entry_shown = shown + "/" + name;
    KeepGoing(left, [&] {
      struct stat st;
      if (::fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno == ENOENT) return;
        Fail("cannot remove", entry_shown);
      }
      if (S_ISDIR(st.st_mode)) {
        // A folder without read, write or search permission is opened up first.
        ::fchmodat(dir, name.c_str(), (st.st_mode & 07777) | S_IRWXU, 0);
        Fd sub(OpenAtRetryingEintr(dir, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW));
        if (!sub.ok()) Fail("cannot open folder", entry_shown);
        const std::size_t left_before = left ? left->size() : 0;
        RemoveContentsAt(sub.get(), entry_shown, left);
        // A folder that keeps something of its own cannot go, and is named by it.
        if (left && left->size() != left_before) return;
        if (::unlinkat(dir, name.c_str(), AT_REMOVEDIR) != 0) Fail("cannot remove", entry_shown);
      } else if (::unlinkat(dir, name.c_str(), 0) != 0 && errno != ENOENT) {
        Fail("cannot remove", entry_shown);
      }
    });
  }
}

// Removes `native` with everything in it; a missing path is no error.
void RemoveTreeAt(const std::string& native, std::vector<PlatformError>* left) {
  struct stat st;
  if (::lstat(native.c_str(), &st) != 0) {
    if (errno == ENOENT) return;
    Fail("cannot remove", native);
  }
  if (S_ISDIR(st.st_mode)) {
    ::chmod(native.c_str(), (st.st_mode & 07777) | S_IRWXU);
    Fd dir(OpenRetryingEintr(native.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW));
    if (!dir.ok()) Fail("cannot open folder", native);
    const std::size_t left_before = left ? left->size() : 0;
    RemoveContentsAt(dir.get(), native, left);
    if (left && left->size() != left_before) return;
    if (::rmdir(native.c_str()) != 0) Fail("cannot remove", native);
  } else if (::unlink(native.c_str()) != 0) {
    Fail("cannot remove", native);
  }
}

// The folder of a path, for messages and for the folder of a missing page.
std::string BaseName(const std::string& path) {
  std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Whether `file` can be started: a path, or a name found on PATH.
// Where PATH finds the program `file`, or an empty text.
std::string FindProgram(const std::string& file) {
  if (file.find('/') != std::string::npos) return ::access(file.c_str(), X_OK) == 0 ? file : "";
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
  std::size_t start = 0;
  while (start <= dirs.size()) {
    std::size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    std::string dir = dirs.substr(start, end - start);
    if (dir.empty()) dir = ".";
    if (::access((dir + "/" + file).c_str(), X_OK) == 0) return dir + "/" + file;
    start = end + 1;
  }
  return "";
}

bool CanExecute(const std::string& file) { return !FindProgram(file).empty(); }

// The size of the files in the folder open as `dir`, at every level.
std::uint64_t SizeAt(int dir, const std::string& shown) {
  std::uint64_t total = 0;
  for (const std::string& name : EntryNames(dir, shown)) {
    const std::string entry_shown = shown + "/" + name;
    struct stat st;
    if (::fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
      if (errno == ENOENT) continue;
      Fail("cannot measure", entry_shown);
    }
    if (S_ISDIR(st.st_mode)) {
      Fd sub(OpenAtRetryingEintr(dir, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW));
      if (!sub.ok()) Fail("cannot open folder", entry_shown);
      total += SizeAt(sub.get(), entry_shown);
    } else if (S_ISREG(st.st_mode)) {
      total += static_cast<std::uint64_t>(st.st_size);
    }
  }
  return total;
}

}  // namespace

PosixPlatform::PosixPlatform(std::string smb_library)
    : smb_(std::move(smb_library)),
      decoder_(::iconv_open("UTF-16LE", "CP936")),
      encoder_(::iconv_open("CP936", "UTF-16LE")),
      gbk_([this](std::string_view bytes) { return DecodeOne(bytes); }) {
  if (decoder_ == reinterpret_cast<iconv_t>(-1) || encoder_ == reinterpret_cast<iconv_t>(-1)) {
    throw PlatformError(errno, "iconv cannot convert between CP936 and UTF-16");
  }
}

PosixPlatform::~PosixPlatform() {
  ::iconv_close(decoder_);
  ::iconv_close(encoder_);
}

std::u16string PosixPlatform::ProgramFolder() {
  std::vector<char> buffer(PATH_MAX + 1);
  ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (n < 0) Fail("cannot find the program file", "/proc/self/exe");
  std::string exe(buffer.data(), static_cast<std::size_t>(n));
  std::size_t slash = exe.find_last_of('/');
  return FromUtf8(slash == 0 ? "/" : exe.substr(0, slash));
}

// /etc/webexam/exam is the teacher's for the whole PC; the sample lies in
// share/webexam/exam beside the program's bin folder, so /usr/bin/webexam
// finds /usr/share/webexam/exam and a copy under /usr/local its own.
Platform::InstalledExamFolders PosixPlatform::ExamFoldersOfInstall() {
  const std::u16string program_folder = ProgramFolder();
  const std::size_t slash = program_folder.find_last_of(u'/');
  const std::u16string prefix =
      slash == std::u16string::npos ? std::u16string() : program_folder.substr(0, slash);
  return {u"/etc/webexam/exam", prefix + u"/share/webexam/exam"};
}

std::optional<std::u16string> PosixPlatform::Environment(const char* name) {
  const char* value = std::getenv(name);
  if (!value) return std::nullopt;
  return FromUtf8(value);
}

std::u16string PosixPlatform::DriveRoot() {
  if (auto root = Environment("WEBEXAM_ROOT"); root && !root->empty()) {
    while (root->size() > 1 && root->back() == u'/') root->pop_back();
    return *root;
  }
  return Environment("HOME").value_or(u"") + u"/webexam";
}

std::u16string PosixPlatform::DefaultResultsShare() {
  std::string built_in = WEBEXAM_DEFAULT_SHARE;
  if (!built_in.empty()) return FromUtf8(built_in);
  return DriveRoot() + u"/share/";
}

std::u16string PosixPlatform::ListPath(const std::u16string& path, Listing what) {
  const std::string native = Native(path);
  if (IsSmbAddress(native)) {
    return FromUtf8(smb_.ListPath(native, what == Listing::kFilesAndFolders));
  }
  const std::string name = BaseName(native);
  if (name.empty() || name[0] == '.') return {};  // hidden entries are never found
  struct stat st;
  if (::stat(native.c_str(), &st) != 0) return {};
  const bool found =
      S_ISREG(st.st_mode) || (what == Listing::kFilesAndFolders && S_ISDIR(st.st_mode));
  return found ? FromUtf8(name) : std::u16string();
}

Platform::Presence PosixPlatform::PresenceOf(const std::u16string& path) {
  const std::string native = Native(path);
  if (IsSmbAddress(native)) return smb_.PresenceOf(native);
  struct stat st;
  if (::stat(native.c_str(), &st) != 0) {
    return errno == ENOENT || errno == ENOTDIR ? Presence::kAbsent : Presence::kUnknown;
  }
  return S_ISDIR(st.st_mode) ? Presence::kFolder : Presence::kFile;
}

void PosixPlatform::RemoveFile(const std::u16string& path) {
  const std::string native = Native(path);
  if (IsSmbAddress(native)) return smb_.RemoveFile(native);
  if (::unlink(native.c_str()) != 0) Fail("cannot delete", native);
}

void PosixPlatform::MakeFolder(const std::u16string& path) {
  const std::string native = Native(path);
  if (IsSmbAddress(native)) return smb_.MakeFolder(native);
  if (::mkdir(native.c_str(), 0777) != 0) Fail("cannot make folder", native);
}

void PosixPlatform::CopyOneFile(const std::u16string& from, const std::u16string& to) {
  const std::string source = Native(from), target = Native(to);
  RefuseSmb(source);
  RefuseSmb(target);
  Fd in(OpenRetryingEintr(source.c_str(), O_RDONLY));
  if (!in.ok()) Fail("cannot open", source);
  struct stat st;
  if (::fstat(in.get(), &st) != 0) Fail("cannot open", source);
  if (!S_ISREG(st.st_mode)) Fail("cannot copy", source, S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
  ::unlink(target.c_str());  // replaces a read-only copy as well
  CopyContent(in.get(), AT_FDCWD, target.c_str(), st.st_mode | S_IWUSR, source, target);
}

void PosixPlatform::CopyFolderTree(const std::u16string& from, const std::u16string& to) {
  const std::string source = Native(from), target = Native(to);
  RefuseSmb(source);
  RefuseSmb(target);
  Fd from_dir(OpenRetryingEintr(source.c_str(), O_RDONLY | O_DIRECTORY));
  if (!from_dir.ok()) Fail("cannot open folder", source);
  if (::mkdir(target.c_str(), 0777) != 0 && errno != EEXIST) Fail("cannot make folder", target);
  Fd to_dir(OpenRetryingEintr(target.c_str(), O_RDONLY | O_DIRECTORY));
  if (!to_dir.ok()) Fail("cannot open folder", target);
  CopyTreeAt(from_dir.get(), to_dir.get(), source, target);
}

void PosixPlatform::RemoveTree(const std::u16string& path) {
  RefuseSmb(Native(path));
  RemoveTreeAt(Native(path), nullptr);
}

std::vector<PlatformError> PosixPlatform::RemoveTreeAsFarAsPossible(const std::u16string& path) {
  RefuseSmb(Native(path));
  std::vector<PlatformError> left;
  KeepGoing(&left, [&] { RemoveTreeAt(Native(path), &left); });
  return left;
}

std::vector<std::u16string> PosixPlatform::ListFiles(const std::u16string& folder) {
  const std::string native = Native(folder);
  if (IsSmbAddress(native)) {
    std::vector<std::u16string> files;
    for (const std::string& name : smb_.ListFiles(native)) files.push_back(FromUtf8(name));
    return files;
  }
  Fd dir(OpenRetryingEintr(native.c_str(), O_RDONLY | O_DIRECTORY));
  if (!dir.ok()) Fail("cannot list", native);
  std::vector<std::u16string> files;
  for (const std::string& name : EntryNames(dir.get(), native)) {
    if (name[0] == '.') continue;  // hidden, as ListPath has it
    struct stat st;
    // Followed, as ListPath follows a link, so that both see the same files.
    if (::fstatat(dir.get(), name.c_str(), &st, 0) == 0 && S_ISREG(st.st_mode)) {
      files.push_back(FromUtf8(name));
    }
  }
  return files;
}

std::uint64_t PosixPlatform::FreeSpace(const std::u16string& path) {
  const std::string native = Native(path);
  if (IsSmbAddress(native)) return smb_.FreeSpace(native);
  struct statvfs st;
  int rc;
  do {
    rc = ::statvfs(native.c_str(), &st);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) Fail("cannot measure the free space of", native);
  return static_cast<std::uint64_t>(st.f_bavail) * static_cast<std::uint64_t>(st.f_frsize);
}

namespace {

// What statfs reports for any FUSE file system (gvfs, smbnetfs, sshfs, ...).
constexpr decltype(std::declval<struct statfs>().f_type) kFuseMagic = 0x65735546;

// The smb:// address behind a gvfs mount, whose folder is named like
// smb-share:server=teacher,share=results; the folders below it follow. Empty
// when the path has no such folder.
std::string SmbAddressOfGvfsPath(const std::string& path) {
  const std::size_t start = path.find("/smb-share:");
  if (start == std::string::npos) return {};
  const std::size_t end = std::min(path.find('/', start + 1), path.size());
  const std::string settings = path.substr(start + 11, end - start - 11);
  std::string server, share;
  std::size_t at = 0;
  while (at <= settings.size()) {
    const std::size_t comma = std::min(settings.find(',', at), settings.size());
    const std::string pair = settings.substr(at, comma - at);
    if (pair.starts_with("server=")) server = pair.substr(7);
    if (pair.starts_with("share=")) share = pair.substr(6);
    at = comma + 1;
  }
  if (server.empty() || share.empty()) return {};
  std::string address = "smb://" + server + "/" + share + path.substr(end);
  if (address.back() != '/') address += '/';
  return address;
}

}  // namespace

Platform::ShareLocking PosixPlatform::LockingOf(const std::u16string& folder) {
  const std::string native = Native(folder);
  if (IsSmbAddress(native)) return {};
  // A share folder not made yet lies on the file system of its nearest parent.
  std::string probe = native;
  struct statfs st;
  while (::statfs(probe.c_str(), &st) != 0) {
    const std::size_t slash = probe.find_last_of('/', probe.size() > 1 ? probe.size() - 2 : 0);
    if (slash == std::string::npos || probe.size() <= 1) return {};
    probe = slash == 0 ? "/" : probe.substr(0, slash);
  }
  if (st.f_type != kFuseMagic) return {};
  return {false, FromUtf8(SmbAddressOfGvfsPath(native))};
}

std::uint64_t PosixPlatform::TreeSize(const std::u16string& path) {
  const std::string native = Native(path);
  RefuseSmb(native);
  struct stat st;
  if (::stat(native.c_str(), &st) != 0) Fail("cannot measure", native);
  if (!S_ISDIR(st.st_mode)) return S_ISREG(st.st_mode) ? static_cast<std::uint64_t>(st.st_size) : 0;
  Fd dir(OpenRetryingEintr(native.c_str(), O_RDONLY | O_DIRECTORY));
  if (!dir.ok()) Fail("cannot open folder", native);
  return SizeAt(dir.get(), native);
}

std::string PosixPlatform::ReadHead(const std::u16string& path, std::size_t limit,
                                    IfMissing if_missing) {
  const std::string native = Native(path);
  if (IsSmbAddress(native)) {
    return smb_.ReadHead(native, limit, if_missing == IfMissing::kCreateEmpty);
  }
  // Non-blocking, so that a named pipe in the page's place cannot hang us.
  int flags = O_RDONLY | O_NONBLOCK;
  if (if_missing == IfMissing::kCreateEmpty) flags |= O_CREAT;
  Fd fd(OpenRetryingEintr(native.c_str(), flags));
  if (!fd.ok()) Fail("cannot open", native);
  struct stat st;
  if (::fstat(fd.get(), &st) != 0) Fail("cannot read", native);
  if (S_ISDIR(st.st_mode)) Fail("cannot read", native, EISDIR);
  if (!S_ISREG(st.st_mode)) Fail("cannot read", native, EINVAL);

  const std::size_t length = static_cast<std::size_t>(st.st_size);
  std::string bytes(length < limit ? length : limit, '\0');
  std::size_t got = 0;
  while (got < bytes.size()) {
    ssize_t n = ::read(fd.get(), bytes.data() + got, bytes.size() - got);
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail("cannot read", native);
    }
    if (n == 0) break;  // the file shrank while we read it
    got += static_cast<std::size_t>(n);
  }
  bytes.resize(got);
  return bytes;
}

void PosixPlatform::AppendToFile(const std::u16string& path, std::string_view bytes) {
  const std::string native = Native(path);
  RefuseSmb(native);
  Fd fd(OpenRetryingEintr(native.c_str(), O_WRONLY | O_APPEND | O_CREAT));
  if (!fd.ok()) Fail("cannot open for appending", native);
  WriteAndClose(fd, bytes, "cannot write", native);
}

void PosixPlatform::AppendExclusively(const std::u16string& path, std::string_view bytes) {
  const std::string native = Native(path);
  if (IsSmbAddress(native)) return smb_.AppendExclusively(native, bytes);
  Fd fd(OpenRetryingEintr(native.c_str(), O_WRONLY | O_APPEND | O_CREAT));
  if (!fd.ok()) Fail("cannot open for appending", native);
  // A record lock on the whole file: unlike flock, it reaches the server on
  // network file systems, so PCs sharing one results folder exclude each other.
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  if (::fcntl(fd.get(), F_SETLK, &lock) != 0) {
    int error = errno;
    Fail("cannot lock", native, error,
         error == EAGAIN || error == EACCES ? Kind::kBusy : KindOfErrno(error));
  }
  struct stat st;
  if (::fstat(fd.get(), &st) != 0) Fail("cannot write", native);
  if (int error = WriteAll(fd.get(), bytes)) {
    // Take back a part line, so that a retry cannot leave a torn one behind.
    if (::ftruncate(fd.get(), st.st_size) != 0) {
      // The file is left as the failed write made it; the error below says so.
    }
    Fail("cannot write", native, error);
  }
  if (int error = fd.Close()) Fail("cannot write", native, error);
}

namespace {

// Opens `native` with `flags` (`operation` names the open), writes all of
// `bytes` and closes it.
void WriteWhole(const std::string& native, int flags, const char* operation,
                std::string_view bytes) {
  Fd fd(OpenRetryingEintr(native.c_str(), flags));
  if (!fd.ok()) Fail(operation, native);
  if (int error = WriteAll(fd.get(), bytes)) Fail("cannot write", native, error);
  if (int error = fd.Close()) Fail("cannot write", native, error);
}

}  // namespace

void PosixPlatform::WriteFile(const std::u16string& path, std::string_view bytes) {
  const std::string native = Native(path);
  if (IsSmbAddress(native)) return smb_.WriteFile(native, bytes);
  WriteWhole(native, O_WRONLY | O_CREAT | O_TRUNC, "cannot open for output", bytes);
}

void PosixPlatform::WriteNewFile(const std::u16string& path, std::string_view bytes) {
  const std::string native = Native(path);
  if (IsSmbAddress(native)) return smb_.WriteNewFile(native, bytes);
  WriteWhole(native, O_WRONLY | O_CREAT | O_EXCL, "cannot create", bytes);
}

void PosixPlatform::ReplaceWholeFile(const std::u16string& path, std::string_view bytes) {
  const std::string native = Native(path);
  RefuseSmb(native);
  const std::string temporary = native + ".tmp";
  try {
    WriteWhole(temporary, O_WRONLY | O_CREAT | O_TRUNC, "cannot open for output", bytes);
  } catch (const PlatformError&) {
    ::unlink(temporary.c_str());
    throw;
  }
  if (::rename(temporary.c_str(), native.c_str()) != 0) {
    const int error = errno;
    ::unlink(temporary.c_str());
    Fail("cannot replace", native, error);
  }
}

void PosixPlatform::ConnectShare(const std::u16string& share) {
  // A mounted or local share needs no connection of ours.
  const std::string native = Native(share);
  if (IsSmbAddress(native)) smb_.Connect(native);
}

void PosixPlatform::DisconnectShare(const std::u16string& share) {
  if (IsSmbAddress(Native(share))) smb_.Disconnect();
}

std::u16string PosixPlatform::CredentialsFile() { return FromUtf8(SmbCredentialsFile()); }

void PosixPlatform::WriteSecretFile(const std::u16string& path, std::string_view bytes) {
  const std::string native = Native(path);
  const std::size_t slash = native.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "."
                             : slash == 0               ? "/"
                                                        : native.substr(0, slash);
  if (::mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST) Fail("cannot make folder", folder);
  // A name of its own beside the file, so that the rename stays on one file
  // system; mkstemp makes it 0600, readable by no one else while it fills.
  std::string temporary = native + ".XXXXXX";
  Fd fd(::mkostemp(temporary.data(), O_CLOEXEC));
  if (!fd.ok()) Fail("cannot create", native);
  auto fail = [&](const char* operation, int error) {
    ::unlink(temporary.c_str());
    Fail(operation, native, error);
  };
  // The group a teacher gave the older file (the candidates' group, so that
  // the exam program reads it) stays with the new one.
  struct stat older;
  if (::stat(native.c_str(), &older) == 0) (void)!::fchown(fd.get(), -1, older.st_gid);
  if (::fchmod(fd.get(), 0640) != 0) fail("cannot write", errno);
  if (int error = WriteAll(fd.get(), bytes)) fail("cannot write", error);
  if (::fsync(fd.get()) != 0) fail("cannot write", errno);
  if (int error = fd.Close()) fail("cannot write", error);
  if (::rename(temporary.c_str(), native.c_str()) != 0) fail("cannot write", errno);
}

namespace {

// What the process between us and xdg-open reports through the pipe.
struct ViewerReport {
  enum What : int { kNotStarted, kEnded } what;
  int value;  // kNotStarted: the error number; kEnded: the wait status
};

void Report(int fd, ViewerReport::What what, int value) {
  const ViewerReport report{what, value};
  (void)!::write(fd, &report, sizeof report);
}

std::int64_t MonotonicMilliseconds() {
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1'000'000;
}

}  // namespace

void PosixPlatform::OpenDocument(const std::u16string& path) {
  const std::string native = Native(path);
  const char* viewer = "xdg-open";
  if (!CanExecute(viewer)) Fail("cannot open the document", native, ENOENT);

  // xdg-open is started as a grandchild. The child between waits for its
  // exit status, at most kViewerVerdictTime, reports it through a
  // close-on-exec pipe, and exits; we reap the child at once. A viewer still
  // running then belongs to init when the child is gone, and never becomes
  // our zombie. After fork only async-signal-safe calls: the client has
  // threads.
  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0) Fail("cannot open the document", native);
  pid_t child = ::fork();
  if (child < 0) {
    int error = errno;
    ::close(report[0]);
    ::close(report[1]);
    Fail("cannot open the document", native, error);
  }
  if (child == 0) {
    ::close(report[0]);
    ::setsid();
    pid_t viewer_pid = ::fork();
    if (viewer_pid == 0) {
      int null_fd = ::open("/dev/null", O_RDWR);
      if (null_fd >= 0) {
        ::dup2(null_fd, STDIN_FILENO);
        ::dup2(null_fd, STDOUT_FILENO);
      }
      // Its standard error stays ours: why it failed is on the client's.
      char* const argv[] = {const_cast<char*>(viewer), const_cast<char*>(native.c_str()), nullptr};
      ::execvp(viewer, argv);
      Report(report[1], ViewerReport::kNotStarted, errno);
      ::_exit(127);
    }
    if (viewer_pid < 0) {
      Report(report[1], ViewerReport::kNotStarted, errno);
      ::_exit(0);
    }
    const std::int64_t deadline = MonotonicMilliseconds() + kViewerVerdictTime.count();
    for (;;) {
      int status;
      const pid_t ended = ::waitpid(viewer_pid, &status, WNOHANG);
      if (ended == viewer_pid) {
        Report(report[1], ViewerReport::kEnded, status);
        break;
      }
      if ((ended < 0 && errno != EINTR) || MonotonicMilliseconds() >= deadline) break;
      const timespec pause{0, 10'000'000};
      ::nanosleep(&pause, nullptr);
    }
    ::_exit(0);
  }
  ::close(report[1]);
  int status;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  // Every writer is gone: the child has ended, the viewer has closed the
  // pipe at its exec or ended.
  std::optional<ViewerReport> not_started, ended;
  for (;;) {
    ViewerReport got{};
    const ssize_t n = ::read(report[0], &got, sizeof got);
    if (n < 0 && errno == EINTR) continue;
    if (n != static_cast<ssize_t>(sizeof got)) break;
    (got.what == ViewerReport::kNotStarted ? not_started : ended) = got;
  }
  ::close(report[0]);
  if (not_started) Fail("cannot open the document", native, not_started->value);
  if (!ended) return;  // still running: opened
  const int code = ended->value;
  if (WIFEXITED(code) && WEXITSTATUS(code) == 0) return;
  const std::string why =
      WIFEXITED(code) ? "xdg-open ended with exit status " + std::to_string(WEXITSTATUS(code))
                      : "xdg-open was ended by signal " + std::to_string(WTERMSIG(code));
  throw PlatformError(Kind::kOther, WIFEXITED(code) ? WEXITSTATUS(code) : 128 + WTERMSIG(code),
                      "cannot open the document", native, why);
}

std::u16string PosixPlatform::DocumentViewer(const std::u16string&) {
  return FromUtf8(FindProgram("xdg-open"));
}

namespace {

// How long the room check waits for xdg-mime's answer.
constexpr int kXdgMimeTimeMs = 10'000;

// What `argv` writes on standard output, or nothing when it cannot be
// started, fails, or has not ended within `time_ms`.
std::optional<std::string> ProgramOutput(const std::vector<std::string>& argv, int time_ms) {
  if (FindProgram(argv[0]).empty()) return std::nullopt;
  int out[2];
  if (::pipe2(out, O_CLOEXEC) != 0) return std::nullopt;
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  const pid_t child = ::fork();
  if (child < 0) {
    ::close(out[0]);
    ::close(out[1]);
    return std::nullopt;
  }
  if (child == 0) {
    ::setpgid(0, 0);  // so that it is ended with all it started
    const int null_fd = ::open("/dev/null", O_RDWR);
    if (null_fd >= 0) {
      ::dup2(null_fd, STDIN_FILENO);
      ::dup2(null_fd, STDERR_FILENO);
    }
    ::dup2(out[1], STDOUT_FILENO);
    ::execvp(args[0], args.data());
    ::_exit(127);
  }
  ::close(out[1]);
  std::string text;
  const std::int64_t deadline = MonotonicMilliseconds() + time_ms;
  bool in_time = true;
  for (;;) {
    const std::int64_t left = deadline - MonotonicMilliseconds();
    pollfd ready{out[0], POLLIN, 0};
    const int n = left > 0 ? ::poll(&ready, 1, static_cast<int>(left)) : 0;
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      in_time = false;
      break;
    }
    char buffer[4096];
    const ssize_t got = ::read(out[0], buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    text.append(buffer, static_cast<std::size_t>(got));
  }
  ::close(out[0]);
  if (!in_time) ::kill(-child, SIGKILL);
  int status;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (!in_time || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
  return text;
}

std::string FirstLine(const std::string& text) {
  std::string line = text.substr(0, text.find('\n'));
  while (!line.empty() && (line.back() == ' ' || line.back() == '\t' || line.back() == '\r')) {
    line.pop_back();
  }
  return line;
}

// The first word of `text`, without the quotes around it.
std::string FirstWord(const std::string& text) {
  const std::size_t start = text.find_first_not_of(" \t");
  if (start == std::string::npos) return {};
  if (text[start] == '"') {
    const std::size_t end = text.find('"', start + 1);
    return text.substr(start + 1, end == std::string::npos ? end : end - start - 1);
  }
  return text.substr(start, text.find_first_of(" \t", start) - start);
}

// The desktop entry `name` where xdg-open looks for it: in the applications
// folder of $XDG_DATA_HOME (~/.local/share) and then of each of
// $XDG_DATA_DIRS (/usr/local/share:/usr/share), as `name` or with its first
// '-' read as a folder ("kde-kate.desktop" as kde/kate.desktop). Empty when
// there is none.
std::string DesktopEntryFile(const std::string& name) {
  const char* data_home = std::getenv("XDG_DATA_HOME");
  const char* home = std::getenv("HOME");
  const char* data_dirs = std::getenv("XDG_DATA_DIRS");
  std::string dirs =
      data_home && *data_home ? data_home : std::string(home ? home : "") + "/.local/share";
  dirs += ":";
  dirs += data_dirs && *data_dirs ? data_dirs : "/usr/local/share/:/usr/share/";
  std::string in_folder = name;
  if (const std::size_t dash = in_folder.find('-'); dash != std::string::npos)
    in_folder[dash] = '/';
  std::size_t start = 0;
  while (start <= dirs.size()) {
    const std::size_t end = std::min(dirs.find(':', start), dirs.size());
    const std::string dir = dirs.substr(start, end - start);
    start = end + 1;
    if (dir.empty()) continue;
    for (const std::string& file : {name, in_folder}) {
      const std::string candidate = dir + "/applications/" + file;
      if (::access(candidate.c_str(), R_OK) == 0) return candidate;
    }
  }
  return {};
}

// The value of `key` in the [Desktop Entry] group of the entry `file`.
std::string DesktopEntryValue(const std::string& file, const std::string& key) {
  std::ifstream in(file);
  bool in_group = false;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.starts_with('[')) {
      in_group = line == "[Desktop Entry]";
      continue;
    }
    if (!in_group || !line.starts_with(key)) continue;
    const std::size_t equals = line.find_first_not_of(" \t", key.size());
    if (equals != std::string::npos && line[equals] == '=') {
      const std::size_t value = line.find_first_not_of(" \t", equals + 1);
      return value == std::string::npos ? std::string() : line.substr(value);
    }
  }
  return {};
}

}  // namespace

// As xdg-open without a desktop environment finds what opens a file: the
// type's default entry by xdg-mime, its Exec program, and for Terminal=true
// the terminal. A desktop environment's own opener finds the same entry.
Platform::DocumentHandler PosixPlatform::HandlerOfDocument(const std::u16string& path) {
  const std::string native = Native(path);
  std::string type;
  const std::size_t dot = native.find_last_of('.');
  if (dot != std::string::npos && native.find('/', dot) == std::string::npos) {
    std::string extension = native.substr(dot);
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (extension == ".txt") type = "text/plain";
  }
  if (type.empty()) {
    const std::optional<std::string> out =
        ProgramOutput({"xdg-mime", "query", "filetype", native}, kXdgMimeTimeMs);
    if (!out) return {};
    type = FirstLine(*out).substr(0, FirstLine(*out).find(';'));
  }
  if (type.empty()) return {};
  const std::optional<std::string> out =
      ProgramOutput({"xdg-mime", "query", "default", type}, kXdgMimeTimeMs);
  const std::string name = out ? FirstLine(*out) : std::string();
  if (name.empty()) return {};
  const std::string file = DesktopEntryFile(name);
  if (file.empty()) return {};
  DocumentHandler handler{FromUtf8(name), {}};
  if (const std::string program = FirstWord(DesktopEntryValue(file, "Exec"));
      program.empty() || !CanExecute(program)) {
    handler.missing = FromUtf8(program.empty() ? name : program);
  } else if (DesktopEntryValue(file, "Terminal") == "true") {
    const char* terminal = std::getenv("TERMINAL");
    const std::string wanted =
        terminal && *terminal ? FirstWord(terminal) : std::string("x-terminal-emulator");
    if (!CanExecute(wanted)) handler.missing = FromUtf8(wanted);
  }
  return handler;
}

std::u16string PosixPlatform::ComputerName() {
  char name[HOST_NAME_MAX + 1] = {};
  if (::gethostname(name, sizeof name - 1) != 0) return {};
  return FromUtf8(name);
}

std::u16string PosixPlatform::DecodeGbk(std::string_view bytes) { return gbk_.Decode(bytes); }

std::optional<char16_t> PosixPlatform::DecodeOne(std::string_view bytes) {
  char16_t out[2];
  char* in = const_cast<char*>(bytes.data());
  std::size_t in_left = bytes.size();
  char* out_at = reinterpret_cast<char*>(out);
  std::size_t out_left = sizeof out;
  ::iconv(decoder_, nullptr, nullptr, nullptr, nullptr);
  if (::iconv(decoder_, &in, &in_left, &out_at, &out_left) == static_cast<std::size_t>(-1) ||
      out_left != sizeof(char16_t)) {
    return std::nullopt;
  }
  return out[0];
}

std::size_t PosixPlatform::EncodeInto(std::u16string_view text, std::string& out) {
  out.assign(text.size() * 2, '\0');  // at most two bytes a unit
  char* in = const_cast<char*>(reinterpret_cast<const char*>(text.data()));
  std::size_t in_left = text.size() * sizeof(char16_t);
  char* out_at = out.data();
  std::size_t out_left = out.size();
  ::iconv(encoder_, nullptr, nullptr, nullptr, nullptr);
  if (::iconv(encoder_, &in, &in_left, &out_at, &out_left) == static_cast<std::size_t>(-1)) {
    return text.size() - in_left / sizeof(char16_t);
  }
  out.resize(out.size() - out_left);
  return std::u16string_view::npos;
}

std::string PosixPlatform::EncodeGbk(std::u16string_view text) {
  std::string out;
  if (const std::size_t at = EncodeInto(text, out); at != std::u16string_view::npos) {
    const int error = errno;
    throw PlatformError(error, "text cannot be written in GBK: " + ToUtf8(text.substr(0, at)) +
                                   "[" + ToUtf8(text.substr(at, 1)) + "]");
  }
  return out;
}

bool PosixPlatform::CanEncodeGbk(std::u16string_view text) {
  std::string out;
  return EncodeInto(text, out) == std::u16string_view::npos;
}

void PosixPlatform::Sleep(std::chrono::milliseconds duration) {
  std::this_thread::sleep_for(duration);
}

std::chrono::steady_clock::time_point PosixPlatform::Now() {
  return std::chrono::steady_clock::now();
}

}  // namespace webexam

namespace webexam {

std::unique_ptr<Platform> MakePlatform() { return std::make_unique<PosixPlatform>(); }

}  // namespace webexam
