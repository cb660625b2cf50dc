#include "platform/win32/win32_platform.h"

// clang-format off
#include <windows.h>
#include <sddl.h>
#include <shellapi.h>
#include <shlwapi.h>
#include <winnetwk.h>
// clang-format on

#include <algorithm>
#include <optional>
#include <vector>

#include "platform/share_account.h"
#include "text/characters.h"
#include "text/utf8.h"

namespace webexam {
namespace {

using Kind = PlatformError::Kind;

const wchar_t* Wide(const std::u16string& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}
std::u16string FromWide(const wchar_t* text) { return reinterpret_cast<const char16_t*>(text); }

// A path as the file calls take it. Windows refuses a plain path from
// MAX_PATH characters on (a folder from 248), and a candidate may nest
// folders that deep; such a path goes in its extended form, \\?\C:\... or
// \\?\UNC\server\share\..., made whole first, since the extended form
// takes no relative parts or forward slashes. Shorter paths go as they are.
std::wstring Native(const std::u16string& path) {
  std::wstring plain(path.begin(), path.end());
  constexpr std::size_t kLongestFolder = MAX_PATH - 12;
  if (plain.size() < kLongestFolder || plain.starts_with(L"\\\\?\\") ||
      plain.starts_with(L"\\\\.\\")) {
    return plain;
  }
  std::wstring full(::GetFullPathNameW(plain.c_str(), 0, nullptr, nullptr), L'\0');
  if (full.empty()) return plain;
  full.resize(
      ::GetFullPathNameW(plain.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr));
  if (full.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

// The system's own words for an error, in UTF-8.
std::string Describe(DWORD error) {
  wchar_t* buffer = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::u16string text = length ? FromWide(buffer) : u"error " + Digits(error);
  if (buffer) ::LocalFree(buffer);
  while (!text.empty() && (text.back() == u'\n' || text.back() == u'\r' || text.back() == u' ')) {
    text.pop_back();
  }
  return ToUtf8(text);
}

}  // namespace

// A write-protected medium stays Kind::kOther: no permission mends it. Which
// number a refusal to sign comes back as differs between calls: the server's
// own status where a call passes it on, or that status as an HRESULT.
PlatformError::Kind KindOfSystemError(unsigned long error) {
  constexpr DWORD kGuestLogonBlocked = 1272;             // ERROR_SMB_GUEST_LOGON_BLOCKED
  constexpr DWORD kInvalidSignature = 0xC000A000;        // STATUS_INVALID_SIGNATURE
  constexpr DWORD kInvalidSignatureResult = 0xD000A000;  // the same, HRESULT_FROM_NT
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return Kind::kNotFound;
    case ERROR_ACCESS_DENIED:
      return Kind::kDenied;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return Kind::kNoSpace;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return Kind::kExists;
    // Another writer, or a passing network fault: worth a retry.
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_BUSY:
      return Kind::kBusy;
    case ERROR_REM_NOT_LIST:
    case ERROR_BAD_NETPATH:  // a server that does not answer at this moment
    case ERROR_NETWORK_BUSY:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_BAD_NET_RESP:
    case ERROR_UNEXP_NET_ERR:
    case ERROR_NETNAME_DELETED:
    case ERROR_SEM_TIMEOUT:
    case ERROR_VC_DISCONNECTED:
    case ERROR_NETWORK_UNREACHABLE:
    case ERROR_HOST_UNREACHABLE:
    case ERROR_CONNECTION_ABORTED:
    case ERROR_CONNECTION_REFUSED:
      return Kind::kTransient;
    case ERROR_REQ_NOT_ACCEP:  // the server's sessions are all taken
      return Kind::kServerFull;
    // Logging on to the share's server: what the teacher must change.
    case kGuestLogonBlocked:
      return Kind::kGuestRefused;
    case ERROR_LOGON_FAILURE:
    case ERROR_INVALID_PASSWORD:
    case ERROR_ACCOUNT_RESTRICTION:
    case ERROR_INVALID_LOGON_HOURS:
    case ERROR_INVALID_WORKSTATION:
    case ERROR_PASSWORD_EXPIRED:
    case ERROR_ACCOUNT_DISABLED:
    case ERROR_LOGON_TYPE_NOT_GRANTED:
    case ERROR_PASSWORD_MUST_CHANGE:
    case ERROR_ACCOUNT_LOCKED_OUT:
      return Kind::kLogonFailed;
    case ERROR_SESSION_CREDENTIAL_CONFLICT:
      return Kind::kOtherAccount;
    case ERROR_BAD_NET_NAME:
      return Kind::kNoShare;
    case kInvalidSignature:
    case kInvalidSignatureResult:
      return Kind::kSigningRequired;
    default:
      return Kind::kOther;
  }
}

namespace {

[[noreturn]] void Fail(const char* operation, const std::u16string& path,
                       DWORD error = ::GetLastError()) {
  throw PlatformError(KindOfSystemError(error), static_cast<int>(error), operation, ToUtf8(path),
                      Describe(error));
}

// A handle closed on every path out.
class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  ~Handle() {
    if (ok()) ::CloseHandle(handle_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return handle_; }
  bool ok() const { return handle_ != INVALID_HANDLE_VALUE; }
  // Closes now; false when closing failed (written data may fail here on a share).
  bool Close() {
    const BOOL closed = ::CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
    return closed;
  }

 private:
  HANDLE handle_;
};

// Writes all bytes; returns 0 or the error. `done`, when given, counts the
// bytes that went in before an error.
DWORD WriteAll(HANDLE handle, std::string_view bytes, std::size_t* done = nullptr) {
  while (!bytes.empty()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
    DWORD written = 0;
    if (!::WriteFile(handle, bytes.data(), chunk, &written, nullptr)) return ::GetLastError();
    bytes.remove_prefix(written);
    if (done) *done += written;
  }
  return 0;
}

void WriteAndClose(Handle& file, std::string_view bytes, const std::u16string& path) {
  if (DWORD error = WriteAll(file.get(), bytes)) Fail("cannot write", path, error);
  if (!file.Close()) Fail("cannot write", path);
}

// Read-only, hidden and system attributes would stop the deletion.
void ClearAttributes(const std::u16string& path) {
  ::SetFileAttributesW(Native(path).c_str(), FILE_ATTRIBUTE_NORMAL);
}

std::u16string Join(const std::u16string& folder, const wchar_t* name) {
  std::u16string path = folder;
  if (!path.empty() && path.back() != u'\\' && path.back() != u'/') path += u'\\';
  return path + FromWide(name);
}

bool IsDotOrDotDot(const wchar_t* name) {
  return (name[0] == L'.' && name[1] == 0) || (name[0] == L'.' && name[1] == L'.' && name[2] == 0);
}

// Calls `visit` for every entry of `folder` (hidden and system ones included).
template <typename Visit>
void ForEachEntry(const std::u16string& folder, Visit visit) {
  WIN32_FIND_DATAW entry;
  HANDLE find = ::FindFirstFileW(Native(Join(folder, L"*")).c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) {
    const DWORD error = ::GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES) return;
    Fail("cannot list", folder, error);
  }
  std::vector<WIN32_FIND_DATAW> entries;
  do {
    if (!IsDotOrDotDot(entry.cFileName)) entries.push_back(entry);
  } while (::FindNextFileW(find, &entry));
  const DWORD error = ::GetLastError();
  ::FindClose(find);
  if (error != ERROR_NO_MORE_FILES) Fail("cannot list", folder, error);
  for (const WIN32_FIND_DATAW& found : entries) visit(found);
}

// Copies one file. A failure names the file that failed: the source when it
// cannot be read, else the destination (a full drive, a folder that may not
// be written, a copy another program holds open).
void CopyFileNamingTheFailure(const std::u16string& from, const std::u16string& to) {
  if (::CopyFileW(Native(from).c_str(), Native(to).c_str(), FALSE)) return;
  const DWORD error = ::GetLastError();
  Handle source(::CreateFileW(Native(from).c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!source.ok()) Fail("cannot copy", from);
  Fail("cannot copy to", to, error);
}

void CopyTree(const std::u16string& from, const std::u16string& to) {
  if (!::CreateDirectoryW(Native(to).c_str(), nullptr) &&
      ::GetLastError() != ERROR_ALREADY_EXISTS) {
    Fail("cannot make folder", to);
  }
  ForEachEntry(from, [&](const WIN32_FIND_DATAW& entry) {
    const std::u16string source = Join(from, entry.cFileName);
    const std::u16string target = Join(to, entry.cFileName);
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      CopyTree(source, target);
    } else {
      ClearAttributes(target);  // an existing read-only copy is overwritten
      CopyFileNamingTheFailure(source, target);
    }
  });
}

void RemoveTreeAt(const std::u16string& path, DWORD attributes, std::vector<PlatformError>* left) {
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    const std::size_t left_before = left ? left->size() : 0;
    const bool listed = KeepGoing(left, [&] {
      ForEachEntry(path, [&](const WIN32_FIND_DATAW& entry) {
        RemoveTreeAt(Join(path, entry.cFileName), entry.dwFileAttributes, left);
      });
    });
    // A folder that keeps something of its own cannot go, and is named by it.
    if (!listed || (left && left->size() != left_before)) return;
  }
  // A junction is removed as a folder: the link goes, what it points to stays.
  KeepGoing(left, [&] {
    ClearAttributes(path);
    const BOOL removed = (attributes & FILE_ATTRIBUTE_DIRECTORY)
                             ? ::RemoveDirectoryW(Native(path).c_str())
                             : ::DeleteFileW(Native(path).c_str());
    if (!removed) Fail("cannot remove", path);
  });
}

HANDLE OpenForWriting(const std::u16string& path, DWORD access, DWORD share) {
  return ::CreateFileW(Native(path).c_str(), access, share, nullptr, OPEN_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

std::uint64_t SizeOf(const WIN32_FIND_DATAW& entry) {
  return (static_cast<std::uint64_t>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
}

// The size of the files in `folder`, at every level; a junction is not
// followed.
std::uint64_t SizeOfTree(const std::u16string& folder) {
  std::uint64_t total = 0;
  ForEachEntry(folder, [&](const WIN32_FIND_DATAW& entry) {
    if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      total += SizeOf(entry);
    } else if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
      total += SizeOfTree(Join(folder, entry.cFileName));
    }
  });
  return total;
}

}  // namespace

Win32Platform::Win32Platform()
    : gbk_([](std::string_view bytes) -> std::optional<char16_t> {
        wchar_t out[2];
        const int n = ::MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, bytes.data(),
                                            static_cast<int>(bytes.size()), out, 2);
        if (n != 1) return std::nullopt;
        return static_cast<char16_t>(out[0]);
      }) {}

std::u16string Win32Platform::ProgramFolder() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD n = ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) Fail("cannot find the program file", u"");
    if (n < buffer.size()) break;
    buffer.resize(buffer.size() * 2);
  }
  std::u16string path = FromWide(buffer.data());
  const std::size_t slash = path.find_last_of(u"\\/");
  return slash == std::u16string::npos ? path : path.substr(0, slash);
}

std::optional<std::u16string> Win32Platform::Environment(const char* name) {
  const std::u16string wide_name = FromUtf8(name);
  const DWORD size = ::GetEnvironmentVariableW(Wide(wide_name), nullptr, 0);
  if (size == 0) return std::nullopt;
  std::vector<wchar_t> value(size);
  ::GetEnvironmentVariableW(Wide(wide_name), value.data(), size);
  return FromWide(value.data());
}

std::u16string Win32Platform::DefaultResultsShare() {
  const std::string built_in = WEBEXAM_DEFAULT_SHARE;
  return built_in.empty() ? u"\\\\teacher\\results\\" : FromUtf8(built_in);
}

std::u16string Win32Platform::ListPath(const std::u16string& path, Listing what) {
  WIN32_FIND_DATAW entry;
  HANDLE find = ::FindFirstFileW(Native(path).c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return {};
  ::FindClose(find);
  const DWORD attributes = entry.dwFileAttributes;
  if (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) return {};
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && what == Listing::kFilesOnly) return {};
  return FromWide(entry.cFileName);
}

Platform::Presence Win32Platform::PresenceOf(const std::u16string& path) {
  // An open of the one name for its attributes; on a share, no listing.
  const DWORD attributes = ::GetFileAttributesW(Native(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? Presence::kAbsent
                                                                          : Presence::kUnknown;
  }
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? Presence::kFolder : Presence::kFile;
}

void Win32Platform::RemoveFile(const std::u16string& path) {
  if (!::DeleteFileW(Native(path).c_str())) Fail("cannot delete", path);
}

void Win32Platform::MakeFolder(const std::u16string& path) {
  if (!::CreateDirectoryW(Native(path).c_str(), nullptr)) Fail("cannot make folder", path);
}

void Win32Platform::CopyOneFile(const std::u16string& from, const std::u16string& to) {
  ClearAttributes(to);
  CopyFileNamingTheFailure(from, to);
}

void Win32Platform::CopyFolderTree(const std::u16string& from, const std::u16string& to) {
  const DWORD attributes = ::GetFileAttributesW(Native(from).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) Fail("cannot open folder", from);
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) Fail("cannot open folder", from, ERROR_DIRECTORY);
  CopyTree(from, to);
}

void Win32Platform::RemoveTree(const std::u16string& path) {
  const DWORD attributes = ::GetFileAttributesW(Native(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = ::GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return;
    Fail("cannot remove", path, error);
  }
  RemoveTreeAt(path, attributes, nullptr);
}

std::vector<PlatformError> Win32Platform::RemoveTreeAsFarAsPossible(const std::u16string& path) {
  std::vector<PlatformError> left;
  KeepGoing(&left, [&] {
    const DWORD attributes = ::GetFileAttributesW(Native(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
      const DWORD error = ::GetLastError();
      if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return;
      Fail("cannot remove", path, error);
    }
    RemoveTreeAt(path, attributes, &left);
  });
  return left;
}

std::vector<std::u16string> Win32Platform::ListFiles(const std::u16string& folder) {
  // A missing folder fails in the listing itself; a file in its place would
  // list as empty there.
  const DWORD attributes = ::GetFileAttributesW(Native(folder).c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    Fail("cannot list", folder, ERROR_DIRECTORY);
  }
  std::vector<std::u16string> files;
  ForEachEntry(folder, [&](const WIN32_FIND_DATAW& entry) {
    constexpr DWORD kLeftOut =
        FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    if (!(entry.dwFileAttributes & kLeftOut)) files.push_back(FromWide(entry.cFileName));
  });
  return files;
}

std::uint64_t Win32Platform::FreeSpace(const std::u16string& path) {
  // The folder itself, with a trailing separator, as a UNC root needs it.
  std::u16string folder = path;
  if (folder.empty() || (folder.back() != u'\\' && folder.back() != u'/')) folder += u'\\';
  ULARGE_INTEGER available{};
  if (!::GetDiskFreeSpaceExW(Wide(folder), &available, nullptr, nullptr)) {
    Fail("cannot measure the free space of", path);
  }
  return available.QuadPart;
}

// Windows reaches a share through its own SMB client, which asks the server
// for the share mode of every open: appends keep other PCs out.
Platform::ShareLocking Win32Platform::LockingOf(const std::u16string&) { return {}; }

std::uint64_t Win32Platform::TreeSize(const std::u16string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!::GetFileAttributesExW(Native(path).c_str(), GetFileExInfoStandard, &data)) {
    Fail("cannot measure", path);
  }
  if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  }
  return SizeOfTree(path);
}

std::string Win32Platform::ReadHead(const std::u16string& path, std::size_t limit,
                                    IfMissing if_missing) {
  // Others may read and write the page meanwhile, as the candidate's editor does.
  Handle file(::CreateFileW(Native(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr,
                            if_missing == IfMissing::kCreateEmpty ? OPEN_ALWAYS : OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.ok()) Fail("cannot open", path);
  if (::GetFileType(file.get()) != FILE_TYPE_DISK)
    Fail("cannot read", path, ERROR_INVALID_FUNCTION);
  LARGE_INTEGER size;
  if (!::GetFileSizeEx(file.get(), &size)) Fail("cannot read", path);
  const auto length = static_cast<unsigned long long>(size.QuadPart);
  std::string bytes(static_cast<std::size_t>(std::min<unsigned long long>(length, limit)), '\0');
  std::size_t got = 0;
  while (got < bytes.size()) {
    DWORD n = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - got, 1u << 30));
    if (!::ReadFile(file.get(), bytes.data() + got, chunk, &n, nullptr)) Fail("cannot read", path);
    if (n == 0) break;  // the file shrank while we read it
    got += n;
  }
  bytes.resize(got);
  return bytes;
}

void Win32Platform::AppendToFile(const std::u16string& path, std::string_view bytes) {
  Handle file(OpenForWriting(path, FILE_APPEND_DATA, FILE_SHARE_READ));
  if (!file.ok()) Fail("cannot open for appending", path);
  WriteAndClose(file, bytes, path);
}

void Win32Platform::AppendExclusively(const std::u16string& path, std::string_view bytes) {
  // Append-data alone (CreateFileW adds SYNCHRONIZE and FILE_READ_ATTRIBUTES
  // to every open): each write goes to the end of the file, and a log whose
  // access list lets candidates append but neither read nor rewrite it still
  // takes the line. Readers are let in; another writer is refused with a
  // sharing violation until this handle is closed.
  Handle file(OpenForWriting(path, FILE_APPEND_DATA, FILE_SHARE_READ));
  if (!file.ok()) Fail("cannot open for appending", path);
  // NTFS puts an append-only handle's writes at the end whatever the offset;
  // a Samba server writes where the offset says, and refuses the offset that
  // means "the end". So the write is sent at the end as the server has it
  // now (asked of the open file, which read-attributes allows): nobody else
  // can move it while we hold the file.
  if (!::SetFilePointerEx(file.get(), LARGE_INTEGER{}, nullptr, FILE_END)) {
    Fail("cannot write", path);
  }
  std::size_t written = 0;
  if (DWORD error = WriteAll(file.get(), bytes, &written)) {
    // This handle may not cut the file short: a part line stays, and the
    // caller's next try must begin a line of its own.
    PlatformError failure(KindOfSystemError(error), static_cast<int>(error), "cannot write",
                          ToUtf8(path), Describe(error));
    if (written > 0) failure.MarkPartWritten();
    throw failure;
  }
  if (!file.Close()) Fail("cannot write", path);
}

void Win32Platform::WriteFile(const std::u16string& path, std::string_view bytes) {
  Handle file(OpenForWriting(path, GENERIC_WRITE, FILE_SHARE_READ));
  if (!file.ok()) Fail("cannot open for output", path);
  if (!::SetEndOfFile(file.get())) Fail("cannot write", path);  // emptied when present
  WriteAndClose(file, bytes, path);
}

void Win32Platform::WriteNewFile(const std::u16string& path, std::string_view bytes) {
  // Append-data is all a new file needs to take its bytes, so that a folder
  // whose inherited access list grants no more still takes markers and pages.
  Handle file(::CreateFileW(Native(path).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                            CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.ok()) {
    DWORD error = ::GetLastError();
    // A folder of that name is refused as a denied access: it is there all the same.
    if (error == ERROR_ACCESS_DENIED &&
        ::GetFileAttributesW(Native(path).c_str()) != INVALID_FILE_ATTRIBUTES) {
      error = ERROR_ALREADY_EXISTS;
    }
    Fail("cannot create", path, error);
  }
  WriteAndClose(file, bytes, path);
}

void Win32Platform::ReplaceWholeFile(const std::u16string& path, std::string_view bytes) {
  const std::u16string temporary = path + u".tmp";
  try {
    WriteFile(temporary, bytes);
  } catch (const PlatformError&) {
    ::DeleteFileW(Native(temporary).c_str());
    throw;
  }
  if (!::MoveFileExW(Native(temporary).c_str(), Native(path).c_str(), MOVEFILE_REPLACE_EXISTING)) {
    const DWORD error = ::GetLastError();
    ::DeleteFileW(Native(temporary).c_str());
    Fail("cannot replace", path, error);
  }
}

namespace {

// A function of a system library, the library loaded when a call first asks
// for it; null, with the thread's last error, when either is missing. The
// shell's two calls below serve only the report at the end of an exam:
// linked, shell32 and shlwapi (and shcore under them) would be loaded at
// every start of every program, the sign-in window's included.
template <typename Function>
Function* SystemFunction(const wchar_t* library, const char* name) {
  const HMODULE module = ::LoadLibraryW(library);
  const FARPROC found = module != nullptr ? ::GetProcAddress(module, name) : nullptr;
  return reinterpret_cast<Function*>(reinterpret_cast<void (*)()>(found));
}

}  // namespace

std::u16string UncShareOf(const std::u16string& path) {
  auto is_separator = [](char16_t c) { return c == u'\\' || c == u'/'; };
  std::u16string rest;
  if (path.size() > 8 && path.starts_with(u"\\\\?\\") &&
      (path.substr(4, 4) == u"UNC\\" || path.substr(4, 4) == u"unc\\")) {
    rest = path.substr(8);
  } else if (path.size() > 2 && is_separator(path[0]) && is_separator(path[1]) &&
             !(path.size() > 3 && (path[2] == u'?' || path[2] == u'.') && is_separator(path[3]))) {
    rest = path.substr(2);
  } else {
    return {};
  }
  const auto separator = std::find_if(rest.begin(), rest.end(), is_separator);
  if (separator == rest.begin() || separator == rest.end()) return {};
  const auto share_end = std::find_if(separator + 1, rest.end(), is_separator);
  if (share_end == separator + 1) return {};
  return u"\\\\" + std::u16string(rest.begin(), separator) + u"\\" +
         std::u16string(separator + 1, share_end);
}

namespace {

// The account in the credentials file, or nothing where there is no such
// file: the program's own logon session then speaks for it, as a guest
// where the server lets guests in. A file that is there but cannot be read
// (a program that is not elevated) is refused, never taken as no file.
std::optional<ShareAccount> ReadShareAccount(Platform& platform) {
  const std::u16string file = platform.CredentialsFile();
  std::string text;
  try {
    text = platform.ReadHead(file, 64 * 1024, Platform::IfMissing::kFail);
  } catch (const PlatformError& error) {
    if (error.kind() == Kind::kNotFound) return std::nullopt;
    throw PlatformError(Kind::kDenied, error.code(), "cannot read the share's credentials",
                        ToUtf8(file), error.reason());
  }
  return ParseShareAccount(text);
}

std::wstring WideOfUtf8(const std::string& text) {
  const std::u16string wide = FromUtf8(text);
  return std::wstring(wide.begin(), wide.end());
}

void Erase(std::wstring& secret) { ::SecureZeroMemory(secret.data(), secret.size() * 2); }

}  // namespace

// A connection with no local name, in this process's logon session: an
// elevated program does not see what the user's own session connected. mpr
// is loaded here, on the first delivery or check, rather than linked: the
// sign-in window starts without it.
void Win32Platform::ConnectShare(const std::u16string& share) {
  if (AccountInAddress(std::u16string_view(share)).length > 0) ThrowAccountInAddress();
  const std::u16string remote = UncShareOf(share);
  if (remote.empty() ||
      std::find(connected_.begin(), connected_.end(), remote) != connected_.end()) {
    return;
  }
  const std::optional<ShareAccount> account = ReadShareAccount(*this);
  const auto add_connection =
      SystemFunction<decltype(::WNetAddConnection2W)>(L"mpr.dll", "WNetAddConnection2W");
  if (add_connection == nullptr) Fail("cannot connect to", remote);
  std::wstring remote_name(remote.begin(), remote.end()), user, password;
  if (account) {
    user = WideOfUtf8(account->domain.empty() ? account->user
                                              : account->domain + "\\" + account->user);
    password = WideOfUtf8(account->password);
  }
  NETRESOURCEW resource{};
  resource.dwType = RESOURCETYPE_DISK;
  resource.lpRemoteName = remote_name.data();
  const DWORD result = add_connection(&resource, account ? password.c_str() : nullptr,
                                      account ? user.c_str() : nullptr, 0);
  Erase(password);
  switch (result) {
    case NO_ERROR:
      connected_.push_back(remote);
      return;
    // No network provider on this machine (Wine has none): the file
    // operations reach the share as they always did.
    case ERROR_NO_NETWORK:
    case ERROR_NO_NET_OR_BAD_PATH:
    case ERROR_BAD_PROVIDER:
      return;
    default:
      Fail("cannot connect to", remote, result);
  }
}

// Forced: a handle left open on the share must not keep the server's session.
void Win32Platform::DisconnectShare(const std::u16string& share) {
  const std::u16string remote = UncShareOf(share);
  const auto found = std::find(connected_.begin(), connected_.end(), remote);
  if (remote.empty() || found == connected_.end()) return;
  connected_.erase(found);
  const auto cancel_connection =
      SystemFunction<decltype(::WNetCancelConnection2W)>(L"mpr.dll", "WNetCancelConnection2W");
  if (cancel_connection != nullptr) cancel_connection(Wide(remote), 0, TRUE);
}

std::u16string Win32Platform::CredentialsFile() {
  if (auto file = Environment("WEBEXAM_SMB_CREDENTIALS"); file && !file->empty()) return *file;
  std::u16string data = Environment("ProgramData").value_or(u"");
  if (data.empty()) data = u"C:\\ProgramData";
  if (data.back() == u'\\' || data.back() == u'/') data.pop_back();
  return data + u"\\webexam\\smb-credentials";
}

// The access list is set as the file is created: there is no moment when
// others may open it. advapi32 is loaded here for the same reason as mpr.
void Win32Platform::WriteSecretFile(const std::u16string& path, std::string_view bytes) {
  const std::size_t slash = path.find_last_of(u"\\/");
  if (slash != std::u16string::npos && slash > 0 && path[slash - 1] != u':') {
    const std::u16string folder = path.substr(0, slash);
    if (!::CreateDirectoryW(Native(folder).c_str(), nullptr) &&
        ::GetLastError() != ERROR_ALREADY_EXISTS) {
      Fail("cannot make folder", folder);
    }
  }
  const auto to_descriptor =
      SystemFunction<decltype(::ConvertStringSecurityDescriptorToSecurityDescriptorW)>(
          L"advapi32.dll", "ConvertStringSecurityDescriptorToSecurityDescriptorW");
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (to_descriptor == nullptr ||
      !to_descriptor(kSecretFileAccess, SDDL_REVISION_1, &descriptor, nullptr)) {
    Fail("cannot create", path);
  }
  SECURITY_ATTRIBUTES security{sizeof security, descriptor, FALSE};
  // A new file beside the old one (one a broken run left goes first: an
  // existing file would keep its own access list).
  const std::u16string temporary = path + u".new";
  ClearAttributes(temporary);
  ::DeleteFileW(Native(temporary).c_str());
  Handle file(::CreateFileW(Native(temporary).c_str(), GENERIC_WRITE, 0, &security, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
  const DWORD create_error = ::GetLastError();
  ::LocalFree(descriptor);
  if (!file.ok()) Fail("cannot create", temporary, create_error);
  DWORD error = WriteAll(file.get(), bytes);
  if (!error && !::FlushFileBuffers(file.get())) error = ::GetLastError();
  if (!file.Close() && !error) error = ::GetLastError();
  if (!error) {
    ClearAttributes(path);  // a read-only older file is replaced all the same
    if (!::MoveFileExW(Native(temporary).c_str(), Native(path).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      error = ::GetLastError();
    }
  }
  if (error) {
    ::DeleteFileW(Native(temporary).c_str());
    Fail("cannot write", path, error);
  }
}

void Win32Platform::OpenDocument(const std::u16string& path) {
  const auto shell_execute =
      SystemFunction<decltype(::ShellExecuteW)>(L"shell32.dll", "ShellExecuteW");
  if (shell_execute == nullptr) Fail("cannot open the document", path);
  const auto result = reinterpret_cast<INT_PTR>(
      shell_execute(nullptr, L"open", Wide(path), nullptr, nullptr, SW_SHOWNORMAL));
  if (result <= 32) {
    Fail("cannot open the document", path,
         result == SE_ERR_NOASSOC ? ERROR_NO_ASSOCIATION : static_cast<DWORD>(result));
  }
}

std::u16string Win32Platform::DocumentViewer(const std::u16string& path) {
  const std::size_t dot = path.find_last_of(u"."), slash = path.find_last_of(u"\\/");
  if (dot == std::u16string::npos || (slash != std::u16string::npos && dot < slash)) return {};
  const std::u16string type = path.substr(dot);
  const auto assoc_query_string =
      SystemFunction<decltype(::AssocQueryStringW)>(L"shlwapi.dll", "AssocQueryStringW");
  if (assoc_query_string == nullptr) return {};
  wchar_t program[MAX_PATH * 2];
  DWORD size = MAX_PATH * 2;
  if (assoc_query_string(ASSOCF_INIT_IGNOREUNKNOWN, ASSOCSTR_EXECUTABLE, Wide(type), L"open",
                         program, &size) != S_OK) {
    return {};
  }
  return FromWide(program);
}

Platform::DocumentHandler Win32Platform::HandlerOfDocument(const std::u16string& path) {
  return {DocumentViewer(path), {}};
}

std::u16string Win32Platform::ComputerName() {
  // A buffer of 225 characters of the system code page and its length by
  // reference; the name is as many characters as the call leaves in the
  // length, whatever the call answers.
  DWORD length = 225;
  std::string buffer(length, '\0');
  ::GetComputerNameA(buffer.data(), &length);
  buffer.resize(std::min<std::size_t>(length, buffer.size()));
  const int n =
      ::MultiByteToWideChar(CP_ACP, 0, buffer.data(), static_cast<int>(buffer.size()), nullptr, 0);
  std::wstring name(static_cast<std::size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, buffer.data(), static_cast<int>(buffer.size()), name.data(), n);
  return std::u16string(name.begin(), name.end());
}

namespace {

// Encodes `text` as GBK into `bytes`; false when a character has no GBK form
// (nothing is ever written as a default character or a look-alike).
bool EncodeInto(std::u16string_view text, std::string& bytes) {
  bytes.clear();
  if (text.empty()) return true;
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  const int length = static_cast<int>(text.size());
  BOOL used_default = FALSE;
  const int size = ::WideCharToMultiByte(936, WC_NO_BEST_FIT_CHARS, wide, length, nullptr, 0,
                                         nullptr, &used_default);
  bytes.assign(static_cast<std::size_t>(size), '\0');
  return size != 0 && !used_default &&
         ::WideCharToMultiByte(936, WC_NO_BEST_FIT_CHARS, wide, length, bytes.data(), size, nullptr,
                               &used_default) == size;
}

}  // namespace

std::string Win32Platform::EncodeGbk(std::u16string_view text) {
  std::string bytes;
  if (!EncodeInto(text, bytes)) {
    throw PlatformError(ERROR_NO_UNICODE_TRANSLATION,
                        "text cannot be written in GBK: " + ToUtf8(text));
  }
  return bytes;
}

bool Win32Platform::CanEncodeGbk(std::u16string_view text) {
  std::string bytes;
  return EncodeInto(text, bytes);
}

void Win32Platform::Sleep(std::chrono::milliseconds duration) {
  ::Sleep(static_cast<DWORD>(duration.count()));
}

std::chrono::steady_clock::time_point Win32Platform::Now() {
  return std::chrono::steady_clock::now();
}

std::unique_ptr<Platform> MakePlatform() { return std::make_unique<Win32Platform>(); }

}  // namespace webexam
