// Reading the results share's cjwyzz.txt back, for the teachers' tools: the
// result lines the PCs appended, and what is wrong with the lines that are
// not result lines. Takes any bytes at all (a torn last line, LF-only line
// ends, a UTF-8 byte-order mark, a line saved in UTF-8, binary garbage):
// nothing here fails, and time and memory grow in step with the input, which
// the tools cut at kShareLogReadLimit.
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "grading/answer_key.h"

namespace webexam {

// How much of cjwyzz.txt the teachers' tools read: a room of 40 PCs writes
// some 3 KiB in a term's exam, so anything past this was not written by the
// exam and is left unread, said as an anomaly, rather than filling memory.
inline constexpr std::size_t kShareLogReadLimit = std::size_t{16} << 20;

// How many notes on lines are kept; the rest are only counted. A teacher
// reads the first few hundred at most, and a log of empty lines would
// otherwise keep a note for every byte.
inline constexpr std::size_t kNotesKept = 200;

// The longest exam number, name or computer name kept from a line, in
// UTF-16 units, a cut one ending in "…". Sign-in takes a few characters and
// computer names have at most 63, so only a line written by hand is cut.
inline constexpr std::size_t kFieldKeptLength = 100;

// Decodes GBK bytes; a byte sequence that is no character becomes U+FFFD.
using GbkDecoder = std::function<std::u16string(std::string_view bytes)>;

// One result line as a PC wrote it.
struct ShareLogRecord {
  std::size_t line = 0;  // 1 for the first line of the file
  std::u16string exam_number;
  std::u16string candidate_name;
  std::u16string computer_name;
  int correct_count = 0;
  Marks marks;
  bool read_as_utf8 = false;  // the line was UTF-8, not GBK
};

// What keeps a line from being a result line, or what was noticed on one.
enum class LineProblem {
  kEmpty,             // nothing between two line ends
  kFieldCount,        // too few or too many fields for a result line (`value`: how many)
  kTorn,              // the last line lacks its line end and is short of fields (`value`)
  kUndecodable,       // neither GBK nor UTF-8 text
  kControlCharacter,  // a text field holds a control character (`value`: the field, 1 to 3)
  kBadCount,          // the count is not a number from 0 to the item count
  kBadMark,           // a mark is not 0 or 1 (`value`: the item)
  kCountNotSum,       // the count (`value`) differs from the sum of the marks (`other`)
  // Noticed, the line still counts:
  kReadAsUtf8,     // the line was read as UTF-8
  kByteOrderMark,  // the file starts with a UTF-8 byte-order mark, which was skipped
};

struct LineNote {
  std::size_t line = 0;
  LineProblem problem = LineProblem::kEmpty;
  int value = 0;
  int other = 0;
  int items = 0;  // for kBadCount and kCountNotSum: the items the line has marks for
};

struct ShareLogContent {
  std::vector<ShareLogRecord> records;  // in file order
  // Lines that are no result lines but have the three text fields, with
  // those texts as far as they could be read (count and marks left at 0): so
  // that a teacher learns whose line it is.
  std::vector<ShareLogRecord> malformed;
  std::vector<LineNote> notes;  // in line order; one problem at most per line
  std::size_t line_count = 0;   // lines in the file, a torn last one included
  // Notes past the first kNotesKept, only counted; their malformed lines
  // are not kept either.
  std::size_t notes_left_off = 0;
  // The file went on past kShareLogReadLimit: what follows the last whole
  // line before it was not read (set by whoever read the file).
  bool cut_at_limit = false;
};

// A text field as kept: at most kFieldKeptLength units, the last a "…" when
// it was cut (never half of a surrogate pair).
std::u16string KeptField(std::u16string text);

// Cuts the head of cjwyzz.txt, read with a limit of kShareLogReadLimit + 1,
// after its last whole line within kShareLogReadLimit when it is longer;
// returns whether it did (then `cut_at_limit` is for the caller to set).
bool CutAtReadLimit(std::string& bytes);

// Whether a note keeps its line out of the records (the last two kinds do not).
bool IsProblem(LineProblem problem);

// Splits the bytes into lines (LF or CR LF; a last line without its line
// end is still read when it has all its fields) and each line into fields,
// decoding text with `decode_gbk`, or as UTF-8 when ReadsAsUtf8 says so.
// A line holds one mark per item of its exam. A last line without its line
// end has all its fields when it has marks for `item_count` items, the
// exam's, where it is known (not 0); else when it has as many as most
// other lines: a line torn after its 15th mark is no line of a 15-item exam.
ShareLogContent ReadShareLog(std::string_view bytes, const GbkDecoder& decode_gbk,
                             int item_count = 0);

// The item count that most records have marks for, the earliest line's
// among equals; 0 for no records.
int UsualItemCount(const std::vector<ShareLogRecord>& records);

// Whether bytes meant as GBK text were written in UTF-8 instead: they are
// valid UTF-8 holding non-ASCII characters, and either are no GBK text
// (`as_gbk`, their GBK decoding, holds U+FFFD) or read as Chinese in UTF-8.
// Chinese in UTF-8 is often also a valid GBK byte sequence (most two-
// character names are), but then reads as rare characters; GBK text is
// seldom valid UTF-8, and then reads as Latin, Greek or Cyrillic letters.
bool ReadsAsUtf8(std::string_view bytes, std::u16string_view as_gbk);

}  // namespace webexam
