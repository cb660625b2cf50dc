#include "platform/platform_error.h"

namespace webexam {

PlatformError::PlatformError(int code, const std::string& description, Kind kind)
    : std::runtime_error(description), code_(code), kind_(kind) {}

}  // namespace webexam
