#include "platform/platform_error.h"

#include "text/characters.h"
#include "text/utf8.h"

namespace webexam {
namespace {

// The path as a message may name it (see ShownName): no control character
// of a name a candidate chose, no account written into an SMB address.
std::string PathAsShown(std::string_view path) { return ToUtf8(ShownName(FromUtf8(path))); }

}  // namespace

PlatformError::PlatformError(Kind kind, int code, std::string_view operation, std::string_view path,
                             std::string_view reason)
    : std::runtime_error(std::string(operation) + " " + PathAsShown(path) + ": " +
                         std::string(reason)),
      code_(code),
      kind_(kind),
      path_(path),
      reason_(reason) {}

PlatformError::PlatformError(int code, const std::string& description, Kind kind,
                             std::string_view reason)
    : std::runtime_error(description),
      code_(code),
      kind_(kind),
      reason_(reason.empty() ? std::string_view(description) : reason) {}

}  // namespace webexam
