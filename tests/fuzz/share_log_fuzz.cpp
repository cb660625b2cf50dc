// The teachers' reading of a results share log, on any bytes, as lines of
// the 22-item exam and as lines of whatever exam they say. Whatever the file
// holds, every record that comes back is a whole result line (a count that
// equals the sum of its marks of 0 or 1, as many as the exam's items where
// it is known, texts free of control characters), every line is either a record or named by a note
// once (the first notes kept, the rest counted), line numbers stay within
// the file, and no text field is kept longer than its bound.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <numeric>
#include <string_view>

#include "platform/platform.h"
#include "results/share_log_reader.h"

namespace {

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "%s\n", what);
  std::abort();
}

bool HasControl(std::u16string_view text) {
  for (const char16_t c : text) {
    if (c < 0x20 || c == 0x7F) return true;
  }
  return false;
}

}  // namespace

namespace {

// Reads the bytes as lines of an exam of `item_count` items, or of as many
// as the lines say (0), and checks what came back.
void Check(std::string_view bytes, int item_count) {
  static const std::unique_ptr<webexam::Platform> platform = webexam::MakePlatform();
  const webexam::ShareLogContent content = webexam::ReadShareLog(
      bytes, [](std::string_view gbk) { return platform->DecodeGbk(gbk); }, item_count);

  std::size_t problems = 0, last_note = 0;
  for (const webexam::LineNote& note : content.notes) {
    if (note.line == 0 || note.line > content.line_count) Fail("a note outside the file");
    if (note.line < last_note) Fail("notes out of line order");
    last_note = note.line;
    if (webexam::IsProblem(note.problem)) ++problems;
  }
  if (content.records.size() + problems > content.line_count) Fail("more lines than the file has");
  if (content.notes.size() > webexam::kNotesKept) Fail("more notes kept than the bound");
  for (const webexam::ShareLogRecord& record : content.records) {
    if (record.line == 0 || record.line > content.line_count) Fail("a record outside the file");
    if (item_count > 0 && record.marks.Count() != item_count) Fail("a line of another exam");
    for (const int mark : record.marks) {
      if (mark != 0 && mark != 1) Fail("a mark other than 0 or 1");
    }
    if (record.correct_count != std::accumulate(record.marks.begin(), record.marks.end(), 0)) {
      Fail("a count that is not the sum of the marks");
    }
    if (HasControl(record.exam_number) || HasControl(record.candidate_name) ||
        HasControl(record.computer_name)) {
      Fail("a control character in a text field");
    }
    for (const std::u16string* text :
         {&record.exam_number, &record.candidate_name, &record.computer_name}) {
      if (text->size() > webexam::kFieldKeptLength) Fail("a text field longer than the bound");
    }
  }
  // A line that is no record may still say whose it is; it is never both.
  std::size_t record = 0;
  for (const webexam::ShareLogRecord& malformed : content.malformed) {
    if (malformed.line == 0 || malformed.line > content.line_count)
      Fail("a bad line outside the file");
    while (record < content.records.size() && content.records[record].line < malformed.line)
      ++record;
    if (record < content.records.size() && content.records[record].line == malformed.line) {
      Fail("a line both a record and a bad line");
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  Check(bytes, 0);
  Check(bytes, 22);
  return 0;
}
