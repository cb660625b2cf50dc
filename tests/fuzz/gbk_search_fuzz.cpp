// The page probe's text work on any bytes: GBK decoding, then the search
// ignoring case and width. The first byte of the input is the length of the
// needle in bytes, the needle (GBK) follows, the page is the rest. The search
// must agree with folding both texts whole and searching plainly, whether the
// page is folded by the search or before it.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "platform/platform.h"
#include "text/fold.h"

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

  const std::u16string folded_page = webexam::Fold(page);
  const std::size_t plain = folded_page.find(webexam::Fold(needle));
  const std::size_t expected = plain == std::u16string::npos ? 0 : plain + 1;
  const std::size_t found = webexam::FoldedFind(page, needle);
  const std::size_t found_in_folded = webexam::FindInFolded(folded_page, needle);
  if (found != expected || found_in_folded != expected) {
    std::fprintf(stderr, "FoldedFind gave %zu, FindInFolded %zu, a plain search %zu\n", found,
                 found_in_folded, expected);
    std::abort();
  }
  return 0;
}
