// The page probe's text work on any bytes: GBK decoding, then the search
// ignoring case and width. The first byte of the input is the length of the
// needle in bytes, the needle (GBK) follows, the page is the rest. Decoding
// gives no more units than bytes (that ASCII runs decode as the bytes around
// them do is gbk_codec_test's); the search of a page folded whole, and the
// one pass for many needles (the needle and its parts between '|'
// characters), must find what comparing unit by unit, each unit folded on
// its own, finds first.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_harness.h"
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

[[noreturn]] void Fail(const char* what, std::size_t got, std::size_t expected) {
  std::fprintf(stderr, "%s gave %zu, unit by unit %zu\n", what, got, expected);
  webexam::fuzz::Fail("a search found another place");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  webexam::Platform& platform = webexam::fuzz::ThePlatform();
  if (size == 0) return 0;
  const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  const std::size_t needle_size = data[0] < bytes.size() ? data[0] : bytes.size();
  const std::u16string needle = platform.DecodeGbk(bytes.substr(0, needle_size));
  const std::u16string page = platform.DecodeGbk(bytes.substr(needle_size));
  webexam::fuzz::Expect(page.size() <= bytes.size() - needle_size, "more units than bytes");

  std::u16string folded_page = page;
  webexam::FoldInPlace(folded_page);
  const std::size_t expected = FirstPlaceUnitByUnit(page, needle);
  const std::size_t found = webexam::FindInFolded(folded_page, needle);
  if (found != expected || folded_page != webexam::Fold(page)) {
    Fail("FindInFolded", found, expected);
  }

  std::vector<std::u16string_view> needles = {needle};
  for (std::size_t from = 0; needle.find(u'|') != needle.npos && from <= needle.size();) {
    const std::size_t bar = std::min(needle.find(u'|', from), needle.size());
    needles.push_back(std::u16string_view(needle).substr(from, bar - from));
    from = bar + 1;
  }
  const webexam::NeedleSet set(needles);
  std::vector<std::size_t> in_page, in_folded_page;
  set.FindAll(page, in_page);
  set.FindAll(folded_page, in_folded_page);
  for (std::u16string_view each : needles) {
    const std::size_t place = set.IndexOf(each);
    const std::size_t first = FirstPlaceUnitByUnit(page, each);
    if (place >= in_page.size()) Fail("NeedleSet::IndexOf", place, in_page.size());
    if (in_page[place] != first) Fail("NeedleSet::FindAll", in_page[place], first);
    if (in_folded_page[place] != first) Fail("NeedleSet::FindAll, folded", in_page[place], first);
  }
  return 0;
}
