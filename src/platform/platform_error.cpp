#include "platform/platform_error.h"

#include "text/characters.h"

namespace webexam {
namespace {

// The path as a message may name it: a control character (a name on the
// share is a candidate's choice, escape sequences and all) becomes U+FFFD,
// and an account written into an SMB address is left out, so that its
// password is never shown.
std::string PathAsShown(std::string_view path) {
  std::string shown;
  for (std::size_t i = 0; i < path.size(); ++i) {
    const auto c = static_cast<unsigned char>(path[i]);
    const bool c1 = c == 0xC2 && i + 1 < path.size() &&
                    static_cast<unsigned char>(path[i + 1]) >= 0x80 &&
                    static_cast<unsigned char>(path[i + 1]) <= 0x9F;
    if (c < 0x20 || c == 0x7F || c1) {
      shown += "\xEF\xBF\xBD";
      i += c1 ? 1 : 0;
    } else {
      shown += path[i];
    }
  }
  if (const AddressAccount account = AccountInAddress(std::string_view(shown));
      account.length > 0) {
    shown.replace(account.start, account.length, "…@");
  }
  return shown;
}

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
