// The result line: one TAB-separated line, the only form in which a result is
// written, to the PC's local log and to the results share, and the form the
// teachers' tools read back. Its fields are the exam number, the candidate's
// name and the computer name (the texts), the count of correct items, then
// one mark per item, 0 or 1, in item order.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "grading/answer_key.h"
#include "grading/grade_page.h"
#include "platform/platform.h"
#include "state/exam_state.h"

namespace webexam {

// The texts and the count come before the marks.
inline constexpr std::size_t kTextFields = 3;
inline constexpr std::size_t kFieldsBeforeMarks = kTextFields + 1;

// The line of a result: exam number, name and computer name as held, the
// count, then the marks; no line end. A control character in the computer
// name is written as '?'.
std::u16string BuildResultLine(const ExamState& state, const GradeResult& result);

// The line as it goes into a file: GBK, ended by CR LF.
std::string EncodeResultLine(Platform& platform, const std::u16string& line);

// Appends the line to the file at `path` (created when absent).
void AppendResultLine(Platform& platform, const std::u16string& path, const std::u16string& line);

// The first thing that keeps a line's fields from being a result line's.
enum class FieldFault {
  kNone,
  kFieldCount,   // not 5 to 54 fields: the line holds no marks, or more than any exam has items
  kBadCount,     // the count is not one or two digits, from 0 to the item count
  kBadMark,      // a mark is not 0 or 1 (`value`: the item)
  kCountNotSum,  // the count (`value`) differs from the sum of the marks (`other`)
};

// A line as written, read field by field. The texts are left as bytes: how
// they are decoded is the reader's to decide.
struct ResultLineFields {
  std::vector<std::string_view> fields;  // the line cut at its TABs
  int items = 0;  // the items it holds marks for, when its field count is a result line's
  int correct_count = 0;
  Marks marks;
  FieldFault fault = FieldFault::kNone;
  int value = 0;
  int other = 0;

  // The bytes of the three texts with the TABs between them, when the line
  // has that many fields.
  std::string_view TextBytes() const;
};

// Reads a line's bytes, without its line end, into `read` (whose storage is
// kept from the last line): its fields, then the field count, the count and
// the marks in that order up to the first fault.
void ParseResultLine(std::string_view line, ResultLineFields& read);

}  // namespace webexam
