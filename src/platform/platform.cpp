#include "platform/platform.h"

namespace webexam {

bool Platform::CanEncodeGbk(std::u16string_view text) {
  try {
    EncodeGbk(text);
    return true;
  } catch (const PlatformError&) {
    return false;
  }
}

}  // namespace webexam
