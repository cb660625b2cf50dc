// The teachers' reading of a results share log, on any bytes, as lines of
// the 22-item exam and as lines of whatever exam they say. Whatever the file
// holds, every record that comes back is a whole result line (a count that
// equals the sum of its marks of 0 or 1, as many as the exam's items where
// it is known, texts free of control characters and within their bound),
// every line is a record, or named by a note once, or both never (the first
// notes kept, the rest counted), and line numbers stay within the file.
#include <cstddef>
#include <cstdint>
#include <numeric>
#include <set>
#include <string_view>

#include "fuzz_harness.h"
#include "results/share_log_reader.h"
#include "text/characters.h"

namespace {

using namespace webexam;
using fuzz::Expect;

void Check(std::string_view bytes, int item_count) {
  const ShareLogContent content = ReadShareLog(
      bytes, [](std::string_view gbk) { return fuzz::ThePlatform().DecodeGbk(gbk); }, item_count);
  const auto within = [&](std::size_t line) { return line > 0 && line <= content.line_count; };

  std::size_t problems = 0, last_note = 0;
  for (const LineNote& note : content.notes) {
    Expect(within(note.line) && note.line >= last_note, "a note outside the file or out of order");
    last_note = note.line;
    if (IsProblem(note.problem)) ++problems;
  }
  Expect(content.records.size() + problems <= content.line_count, "more lines than the file has");
  Expect(content.notes.size() <= kNotesKept, "more notes kept than the bound");
  std::set<std::size_t> record_lines;
  for (const ShareLogRecord& record : content.records) {
    Expect(within(record.line), "a record outside the file");
    record_lines.insert(record.line);
    Expect(item_count == 0 || record.marks.Count() == item_count, "a line of another exam");
    for (const int mark : record.marks) Expect(mark == 0 || mark == 1, "a mark not 0 or 1");
    Expect(record.correct_count == std::accumulate(record.marks.begin(), record.marks.end(), 0),
           "a count that is not the sum of the marks");
    for (const std::u16string* text :
         {&record.exam_number, &record.candidate_name, &record.computer_name}) {
      Expect(!HasControlCharacter(*text), "a control character in a text field");
      Expect(text->size() <= kFieldKeptLength, "a text field longer than the bound");
    }
  }
  // A line that is no record may still say whose it is; it is never both.
  for (const ShareLogRecord& malformed : content.malformed) {
    Expect(within(malformed.line), "a bad line outside the file");
    Expect(!record_lines.contains(malformed.line), "a line both a record and a bad line");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  Check(bytes, 0);
  Check(bytes, 22);
  return 0;
}
