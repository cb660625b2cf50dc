#include "results/share_log_reader.h"

#include <algorithm>
#include <optional>

#include "submission/result_line.h"
#include "text/characters.h"
#include "text/utf8.h"

namespace webexam {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// Whether the code point is one that Chinese text in UTF-8 is made of: the
// CJK blocks, full-width forms, and the punctuation Chinese names and texts
// use (the middle dot of transcribed names, dashes, quotes, the ellipsis).
bool IsChineseTextCharacter(char32_t c) {
  return c == 0xB7 || (c >= 0x2010 && c <= 0x2027) || (c >= 0x2E80 && c <= 0x9FFF) ||
         (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) ||
         (c >= 0xFF00 && c <= 0xFFEF) || (c >= 0x20000 && c <= 0x3134F);
}

// Walks the bytes as strict UTF-8 (no overlong forms, no surrogates, nothing
// above U+10FFFF). Returns whether they are valid; `chinese` tells whether
// every non-ASCII character is Chinese text.
bool ScanUtf8(std::string_view bytes, bool& chinese) {
  chinese = true;
  std::size_t at = 0;
  while (at < bytes.size()) {
    const std::optional<char32_t> c = NextUtf8(bytes, at);
    if (!c) return false;
    if (*c >= 0x80 && !IsChineseTextCharacter(*c)) chinese = false;
  }
  return true;
}

bool HasNonAscii(std::string_view bytes) {
  return std::any_of(bytes.begin(), bytes.end(),
                     [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

// Reads one line (without its line end) into `record`, or names its problem.
class LineReader {
 public:
  LineReader(const GbkDecoder& decode_gbk, int expected_items)
      : decode_gbk_(decode_gbk), expected_items_(expected_items) {}

  // Returns nothing when the line is a record, else its problem (with the
  // note's values set).
  std::optional<LineProblem> Read(std::string_view line, bool torn, ShareLogRecord& record,
                                  LineNote& note) {
    if (line.empty()) return LineProblem::kEmpty;
    ParseResultLine(line, read_);
    const std::vector<std::string_view>& fields = read_.fields;
    // The texts are read first, so that a line that fails later still says
    // whose it is; its problems are named in the order of its fields.
    const bool texts_read = fields.size() >= kTextFields && ReadTexts(record);
    if (read_.fault == FieldFault::kFieldCount) {
      note.value = static_cast<int>(std::min<std::size_t>(fields.size(), 1'000'000'000));
      return torn && fields.size() <= kFieldsBeforeMarks ? LineProblem::kTorn
                                                         : LineProblem::kFieldCount;
    }
    // With the exam known, a line holds its marks and no other number.
    if (expected_items_ > 0 && read_.items != expected_items_) {
      note.value = static_cast<int>(fields.size());
      return torn && read_.items < expected_items_ ? LineProblem::kTorn : LineProblem::kFieldCount;
    }
    if (!texts_read) return LineProblem::kUndecodable;
    const std::u16string_view texts[] = {record.exam_number, record.candidate_name,
                                         record.computer_name};
    for (int k = 0; k < static_cast<int>(kTextFields); ++k) {
      if (HasControlCharacter(texts[k])) {
        note.value = k + 1;
        return LineProblem::kControlCharacter;
      }
    }

    note.items = read_.items;
    switch (read_.fault) {
      case FieldFault::kNone:
      case FieldFault::kFieldCount:  // answered above
        break;
      case FieldFault::kBadCount:
        return LineProblem::kBadCount;
      case FieldFault::kBadMark:
        note.value = read_.value;
        return LineProblem::kBadMark;
      case FieldFault::kCountNotSum:
        note.value = read_.value;
        note.other = read_.other;
        return LineProblem::kCountNotSum;
    }
    record.correct_count = read_.correct_count;
    record.marks = std::move(read_.marks);
    return std::nullopt;
  }

  // The three text fields, ending at the third TAB, decide the encoding.
  // False when they are no text in either.
  bool ReadTexts(ShareLogRecord& record) {
    const std::string_view text_bytes = read_.TextBytes();
    const std::u16string as_gbk = decode_gbk_(text_bytes);
    record.read_as_utf8 = ReadsAsUtf8(text_bytes, as_gbk);
    const std::u16string text = record.read_as_utf8 ? FromUtf8(text_bytes) : as_gbk;
    if (!record.read_as_utf8 && text.find(u'\uFFFD') != std::u16string::npos) {
      ReadTextsOneByOne(record);
      return false;
    }
    // TAB is one byte in both encodings and never part of a character, so
    // the two TABs are found again; a decoder that took one into a character
    // would leave the line unreadable.
    const std::size_t tab1 = text.find(u'\t');
    const std::size_t tab2 = tab1 == std::u16string::npos ? tab1 : text.find(u'\t', tab1 + 1);
    if (tab2 == std::u16string::npos) return false;
    record.exam_number = KeptField(text.substr(0, tab1));
    record.candidate_name = KeptField(text.substr(tab1 + 1, tab2 - tab1 - 1));
    record.computer_name = KeptField(text.substr(tab2 + 1));
    return true;
  }

 private:
  // Text fields that are no text together are read each on its own, bytes
  // that are no character shown as U+FFFD: the exam number and the computer
  // name are plain ASCII even where the name is garbled, and they say whose
  // the line is.
  void ReadTextsOneByOne(ShareLogRecord& record) {
    std::u16string* const texts[] = {&record.exam_number, &record.candidate_name,
                                     &record.computer_name};
    for (std::size_t k = 0; k < kTextFields; ++k) {
      const std::string_view bytes = read_.fields[k];
      const std::u16string as_gbk = decode_gbk_(bytes);
      *texts[k] = KeptField(ReadsAsUtf8(bytes, as_gbk) ? FromUtf8(bytes) : as_gbk);
    }
  }

  const GbkDecoder& decode_gbk_;
  int expected_items_;     // the exam's item count, or 0 when not known
  ResultLineFields read_;  // kept between lines, so that its storage is allocated once
};

}  // namespace

std::u16string KeptField(std::u16string text) {
  if (text.size() <= kFieldKeptLength) return text;
  std::size_t keep = kFieldKeptLength - 1;
  if (text[keep - 1] >= 0xD800 && text[keep - 1] <= 0xDBFF) --keep;
  text.resize(keep);
  text += u'…';
  return text;
}

bool IsProblem(LineProblem problem) {
  return problem != LineProblem::kReadAsUtf8 && problem != LineProblem::kByteOrderMark;
}

bool ReadsAsUtf8(std::string_view bytes, std::u16string_view as_gbk) {
  if (!HasNonAscii(bytes)) return false;
  bool chinese = false;
  if (!ScanUtf8(bytes, chinese)) return false;
  return chinese || as_gbk.find(u'\uFFFD') != std::u16string_view::npos;
}

int UsualItemCount(const std::vector<ShareLogRecord>& records) {
  std::array<std::size_t, kMostItems + 1> lines{};
  int usual = 0;
  for (const ShareLogRecord& record : records) {
    const int count = record.marks.Count();
    if (++lines[static_cast<std::size_t>(count)] > lines[static_cast<std::size_t>(usual)]) {
      usual = count;
    }
  }
  return usual;
}

ShareLogContent ReadShareLog(std::string_view bytes, const GbkDecoder& decode_gbk, int item_count) {
  ShareLogContent content;
  if (bytes.starts_with(kByteOrderMark)) {
    bytes.remove_prefix(kByteOrderMark.size());
    // Noted on the first line, when there is one: a file of nothing but the
    // mark has no lines to speak of.
    if (!bytes.empty()) content.notes.push_back({1, LineProblem::kByteOrderMark, 0, 0});
  }
  // The first notes are kept, the rest counted.
  auto note_kept = [&content](const LineNote& note) {
    if (content.notes.size() >= kNotesKept) {
      ++content.notes_left_off;
      return false;
    }
    content.notes.push_back(note);
    return true;
  };
  LineReader reader(decode_gbk, item_count);
  bool last_torn = false;
  std::string_view last_line;
  std::size_t start = 0;
  while (start < bytes.size()) {
    const std::size_t lf = bytes.find('\n', start);
    const bool torn = lf == std::string_view::npos;
    const std::size_t end = torn ? bytes.size() : lf;
    std::string_view line = bytes.substr(start, end - start);
    if (line.ends_with('\r')) line.remove_suffix(1);
    start = torn ? bytes.size() : lf + 1;
    last_torn = torn;
    last_line = line;

    LineNote note{++content.line_count, LineProblem::kEmpty, 0, 0};
    ShareLogRecord record;
    record.line = note.line;
    if (const auto problem = reader.Read(line, torn, record, note)) {
      note.problem = *problem;
      if (note_kept(note) && (!record.exam_number.empty() || !record.candidate_name.empty() ||
                              !record.computer_name.empty())) {
        record.correct_count = 0;
        record.marks = {};
        content.malformed.push_back(std::move(record));
      }
    } else {
      if (record.read_as_utf8) note_kept({note.line, LineProblem::kReadAsUtf8, 0, 0});
      content.records.push_back(std::move(record));
    }
  }
  // Without the exam's count, a torn last line is measured against the
  // other lines: short of the marks most of them have, it was cut, whatever
  // else is wrong with what is left of it.
  const std::size_t last_fields =
      last_line.empty() ? 0 : static_cast<std::size_t>(std::ranges::count(last_line, '\t')) + 1;
  if (item_count == 0 && last_torn && last_fields > kFieldsBeforeMarks) {
    const bool last_is_record =
        !content.records.empty() && content.records.back().line == content.line_count;
    ShareLogRecord last;
    if (last_is_record) {
      last = std::move(content.records.back());
      content.records.pop_back();
    }
    const int usual = UsualItemCount(content.records);
    const int marks = static_cast<int>(last_fields - kFieldsBeforeMarks);
    if (usual > marks) {
      const LineNote torn{content.line_count, LineProblem::kTorn, static_cast<int>(last_fields)};
      bool kept = true;
      if (!content.notes.empty() && content.notes.back().line == torn.line) {
        content.notes.back() = torn;  // in place of its problem, or of its reading as UTF-8
      } else {
        kept = note_kept(torn);
      }
      if (last_is_record && kept) {
        last.correct_count = 0;
        last.marks = {};
        content.malformed.push_back(std::move(last));
      }
    } else if (last_is_record) {
      content.records.push_back(std::move(last));
    }
  }
  return content;
}

bool CutAtReadLimit(std::string& bytes) {
  if (bytes.size() <= kShareLogReadLimit) return false;
  // Only whole lines: a line cut in two would read as a wrong one.
  const std::size_t last_lf = bytes.rfind('\n', kShareLogReadLimit - 1);
  bytes.resize(last_lf == std::string::npos ? 0 : last_lf + 1);
  bytes.shrink_to_fit();
  return true;
}

}  // namespace webexam
