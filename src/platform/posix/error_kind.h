// What an errno means, for a local path, a share path and an SMB address
// alike.
#pragma once

#include <cerrno>

#include "platform/platform_error.h"

namespace webexam {

// Another writer holding the file is Kind::kBusy, a network fault that may
// pass Kind::kTransient. EACCES is a refusal here; a lock held elsewhere,
// which F_SETLK reports as EACCES on some systems, is told apart by the
// caller that takes the lock. A read-only file system stays Kind::kOther:
// no permission mends it.
inline PlatformError::Kind KindOfErrno(int error) {
  using Kind = PlatformError::Kind;
  switch (error) {
    case ENOENT:
      return Kind::kNotFound;
    case EACCES:
    case EPERM:
      return Kind::kDenied;
    case EEXIST:
      return Kind::kExists;
    case ENOSPC:
    case EDQUOT:
      return Kind::kNoSpace;
    case EAGAIN:
#if EWOULDBLOCK != EAGAIN
    case EWOULDBLOCK:
#endif
    case EBUSY:
    case EDEADLK:
    case ENOLCK:
    case EINTR:
      return Kind::kBusy;
    case ETIMEDOUT:
    case EHOSTDOWN:
    case EHOSTUNREACH:
    case ENETDOWN:
    case ENETUNREACH:
    case ENETRESET:
    case ECONNABORTED:
    case ECONNRESET:
    case ECONNREFUSED:
    case ENOTCONN:
    case EPIPE:
    case ESTALE:
    case EIO:
      return Kind::kTransient;
    default:
      return Kind::kOther;
  }
}

}  // namespace webexam
