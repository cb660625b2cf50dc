#include "support/failing_platform.h"

#include "text/utf8.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <cstring>
#endif

namespace webexam::test {
namespace {

const char* NameOf(Kind kind) {
  constexpr const char* kNames[] = {
      "kOther",        "kNotFound", "kDenied",         "kBusy",         "kNoSpace",
      "kTransient",    "kExists",   "kServerFull",     "kGuestRefused", "kLogonFailed",
      "kOtherAccount", "kNoShare",  "kSigningRequired"};
  return kNames[static_cast<int>(kind)];
}

}  // namespace

PlatformError ErrorOf(Kind kind, std::string_view operation, std::u16string_view path) {
  struct Cause {
    int code;
    const char* words;
  };
#ifdef _WIN32
  constexpr Cause kCauses[] = {
      {ERROR_INVALID_FUNCTION, "Incorrect function."},
      {ERROR_FILE_NOT_FOUND, "The system cannot find the file specified."},
      {ERROR_ACCESS_DENIED, "Access is denied."},
      {ERROR_SHARING_VIOLATION,
       "The process cannot access the file because it is being used by another process."},
      {ERROR_DISK_FULL, "There is not enough space on the disk."},
      {ERROR_NETNAME_DELETED, "The specified network name is no longer available."},
      {ERROR_FILE_EXISTS, "The file exists."},
      {ERROR_REQ_NOT_ACCEP,
       "No more connections can be made to this remote computer at this time because there "
       "are already as many connections as the computer can accept."},
      {1272,  // ERROR_SMB_GUEST_LOGON_BLOCKED
       "You can't access this shared folder because your organization's security policies "
       "block unauthenticated guest access."},
      {ERROR_LOGON_FAILURE, "The user name or password is incorrect."},
      {ERROR_SESSION_CREDENTIAL_CONFLICT,
       "Multiple connections to a server or shared resource by the same user, using more than "
       "one user name, are not allowed."},
      {ERROR_BAD_NET_NAME, "The network name cannot be found."},
      {static_cast<int>(0xC000A000), "The cryptographic signature is invalid."},
  };
  const Cause cause = kCauses[static_cast<int>(kind)];
#else
  constexpr int kCodes[] = {EINVAL, ENOENT, EACCES, EBUSY,    ENOSPC, EHOSTDOWN, EEXIST,
                            EUSERS, EACCES, EPERM,  EALREADY, ENOENT, EPROTO};
  const Cause cause{kCodes[static_cast<int>(kind)], std::strerror(kCodes[static_cast<int>(kind)])};
#endif
  return PlatformError(kind, cause.code, operation, ToUtf8(path), cause.words);
}

::testing::AssertionResult ThrowsPlatformError(const std::function<void()>& operation, Kind kind,
                                               std::u16string_view path) {
  try {
    operation();
  } catch (const PlatformError& error) {
    const std::string named = ToUtf8(path);
    if (error.kind() != kind || error.path() != named ||
        std::string_view(error.what()).find(named) == std::string_view::npos) {
      return ::testing::AssertionFailure()
             << NameOf(error.kind()) << " naming \"" << error.path() << "\" (" << error.what()
             << "), not " << NameOf(kind) << " naming \"" << named << "\"";
    }
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure() << "no PlatformError";
}

void FailingPlatform::Call(Op op, const std::u16string& path) {
  ++calls_[static_cast<std::size_t>(op)];
  static constexpr const char* kOperations[] = {
      "cannot open",   "cannot open for output", "cannot open for appending",
      "cannot delete", "cannot make folder",     "cannot open the document",
      "cannot create", "cannot connect to",      "cannot look at",
      "cannot replace"};
  for (Fault& fault : faults_) {
    if (fault.op != op || fault.times == 0 || path.find(fault.where) == std::u16string::npos ||
        (fault.until && Now() >= *fault.until)) {
      continue;
    }
    if (fault.times > 0) --fault.times;
    throw ErrorOf(fault.kind, kOperations[static_cast<std::size_t>(op)], path);
  }
}

}  // namespace webexam::test
