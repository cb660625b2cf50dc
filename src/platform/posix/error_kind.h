// What an errno means for the results share's retries, for a share path and
// an SMB address alike.
#pragma once

#include <cerrno>

#include "platform/platform_error.h"

namespace webexam {

// Another writer holding the file is Kind::kBusy, a network fault that may
// pass Kind::kTransient, anything else Kind::kOther. With `denied_is_busy`
// EACCES is contention, as F_SETLK reports a lock held elsewhere on some
// systems; an SMB server means by it that access is denied, which no retry
// changes.
inline PlatformError::Kind KindOfErrno(int error, bool denied_is_busy) {
  using Kind = PlatformError::Kind;
  switch (error) {
    case EACCES:
      return denied_is_busy ? Kind::kBusy : Kind::kOther;
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
