// What a failure to reach or write the results share means, and what the
// teacher must change, in the teachers' Chinese: one text for each cause, for
// the room check's share line and for the client's error output alike.
#pragma once

#include <string>

#include "platform/platform.h"

namespace webexam {

// The meaning of `error` from connecting to `share` (a results share path)
// or from writing a file there, and what to do about it, ending with "。";
// an empty text for a failure of no cause it can name, for which the caller
// keeps its own words.
std::u16string ShareFailureAdvice(Platform& platform, const PlatformError& error,
                                  const std::u16string& share);

// Why a share address that names an account is refused, and the way to give
// an account instead: the credentials file. Names no address.
std::u16string AccountInAddressAdvice(Platform& platform);

}  // namespace webexam
