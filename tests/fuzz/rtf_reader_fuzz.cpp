// The task text's RTF reader on any bytes, with the platform's GBK decoder as
// the exam hands it over. Besides surviving, what it makes stays in
// proportion to the input: no byte gives more than one character, no run is
// empty, and font names stay short.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string_view>

#include "fuzz_harness.h"
#include "task_text/rich_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace webexam;
  static const AnsiDecoder decode_gbk = [](std::string_view bytes) {
    return fuzz::ThePlatform().DecodeGbk(bytes);
  };
  const RichText text = ReadRtf({reinterpret_cast<const char*>(data), size}, decode_gbk);
  std::size_t units = 0;
  for (const TextRun& run : text.runs) {
    fuzz::Expect(!run.text.empty(), "an empty run");
    fuzz::Expect(run.style.font.size() <= 64, "a font name longer than 64 units");
    units += run.text.size();
  }
  fuzz::Expect(units <= size, "more characters than bytes");
  return 0;
}
