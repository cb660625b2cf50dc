#include "platform/platform_error.h"

namespace webexam {

PlatformError::PlatformError(Kind kind, int code, std::string_view operation, std::string_view path,
                             std::string_view reason)
    : std::runtime_error(std::string(operation) + " " + std::string(path) + ": " +
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
