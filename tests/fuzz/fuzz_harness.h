// What the fuzz targets share: the platform whose GBK codec the readers are
// handed, and the end of a run whose input broke a property, which libFuzzer
// then keeps.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "platform/platform.h"

namespace webexam::fuzz {

[[noreturn]] inline void Fail(const char* what) {
  std::fprintf(stderr, "%s\n", what);
  std::abort();
}

inline void Expect(bool holds, const char* what) {
  if (!holds) Fail(what);
}

inline Platform& ThePlatform() {
  static const std::unique_ptr<Platform> platform = MakePlatform();
  return *platform;
}

}  // namespace webexam::fuzz
