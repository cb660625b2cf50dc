// The task text's RTF reader on any bytes, with the platform's GBK decoder as
// the exam hands it over. Besides surviving, what it makes stays in
// proportion to the input: no byte gives more than one character, no run is
// empty, and font names stay short.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string_view>

#include "platform/platform.h"
#include "task_text/rich_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::unique_ptr<webexam::Platform> platform = webexam::MakePlatform();
  static const webexam::AnsiDecoder decode_gbk = [](std::string_view bytes) {
    return platform->DecodeGbk(bytes);
  };
  const webexam::RichText text =
      webexam::ReadRtf({reinterpret_cast<const char*>(data), size}, decode_gbk);
  std::size_t units = 0;
  for (const webexam::TextRun& run : text.runs) {
    if (run.text.empty() || run.style.font.size() > 64) {
      std::fprintf(stderr, "an empty run or a font name of %zu units\n", run.style.font.size());
      std::abort();
    }
    units += run.text.size();
  }
  if (units > size) {
    std::fprintf(stderr, "%zu bytes gave %zu characters\n", size, units);
    std::abort();
  }
  return 0;
}
