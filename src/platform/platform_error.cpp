#include "platform/platform_error.h"

#include "text/characters.h"

namespace webexam {
namespace {

// The path as a message may name it: an account written into an SMB address
// is left out, so that its password is never shown.
std::string PathWithoutAccount(std::string_view path) {
  std::string shown(path);
  if (const AddressAccount account = AccountInAddress(path); account.length > 0) {
    shown.replace(account.start, account.length, "…@");
  }
  return shown;
}

}  // namespace

PlatformError::PlatformError(Kind kind, int code, std::string_view operation, std::string_view path,
                             std::string_view reason)
    : std::runtime_error(std::string(operation) + " " + PathWithoutAccount(path) + ": " +
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
