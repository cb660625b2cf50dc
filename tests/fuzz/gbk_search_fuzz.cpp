// The page probe's text work on any bytes: GBK decoding, then the search
// ignoring case and width. The first byte of the input is the length of the
// needle in bytes, the needle (GBK) follows, the page is the rest. The search
// of a page folded whole must find what comparing unit by unit, each unit
// folded on its own, finds first.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "platform/platform.h"
#include "text/fold.h"

namespace {

// The first place, from 1, where every unit of the needle folds as the
// page's unit there does; 0 for none.
std::size_t FirstPlaceUnitByUnit(std::u16string_view page, std::u16string_view needle) {
  for (std::size_t at = 0; at + needle.size() <= page.size(); ++at) {
    std::size_t i = 0;
    while (i < needle.size() && webexam::FoldUnit(page[at + i]) == webexam::FoldUnit(needle[i])) {
      ++i;
    }
    if (i == needle.size()) return at + 1;
  }
  return 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::unique_ptr<webexam::Platform> platform = webexam::MakePlatform();
  if (size == 0) return 0;
  const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  const std::size_t needle_size = data[0] < bytes.size() ? data[0] : bytes.size();
  const std::u16string needle = platform->DecodeGbk(bytes.substr(0, needle_size));
  const std::u16string page = platform->DecodeGbk(bytes.substr(needle_size));
  if (page.size() > bytes.size() - needle_size) {
    std::fprintf(stderr, "%zu bytes decoded to %zu units\n", bytes.size() - needle_size,
                 page.size());
    std::abort();
  }

  std::u16string folded_page = page;
  webexam::FoldInPlace(folded_page);
  const std::size_t expected = FirstPlaceUnitByUnit(page, needle);
  const std::size_t found = webexam::FindInFolded(folded_page, needle);
  if (found != expected || folded_page != webexam::Fold(page)) {
    std::fprintf(stderr, "FindInFolded gave %zu, unit by unit %zu\n", found, expected);
    std::abort();
  }
  return 0;
}
