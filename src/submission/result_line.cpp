#include "submission/result_line.h"

#include "text/characters.h"
#include "text/utf8.h"

namespace webexam {
namespace {

// Sign-in keeps control characters out of the exam number and the name; the
// computer name comes from the system (a POSIX host name may hold any
// character). Written as they are, they would split the line or reach the
// share as a line the teachers' reader refuses, or fail to encode (no C1
// control is GBK) and so lose the result on every press. '?' is in no
// computer name, so the teacher sees where one stood.
std::u16string WrittenComputerName(std::u16string_view name) {
  std::u16string written(name);
  for (char16_t& c : written) {
    if (IsControlCharacter(c)) c = u'?';
  }
  return written;
}

// The count as written: one or two ASCII digits, 0 to the item count; -1
// otherwise.
int ParseCount(std::string_view field, int item_count) {
  if (field.empty() || field.size() > 2) return -1;
  int value = 0;
  for (char c : field) {
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
  }
  return value <= item_count ? value : -1;
}

}  // namespace

std::u16string BuildResultLine(const ExamState& state, const GradeResult& result) {
  std::u16string line = state.exam_number + u'\t' + state.candidate_name + u'\t' +
                        WrittenComputerName(state.computer_name) + u'\t' +
                        Digits(result.correct_count);
  for (const int mark : result.marks) {
    line += u'\t';
    line += static_cast<char16_t>(u'0' + mark);
  }
  return line;
}

std::string EncodeResultLine(Platform& platform, const std::u16string& line) {
  return platform.EncodeGbk(line) + "\r\n";
}

void AppendResultLine(Platform& platform, const std::u16string& path, const std::u16string& line) {
  platform.AppendToFile(path, EncodeResultLine(platform, line));
}

std::string_view ResultLineFields::TextBytes() const {
  if (fields.size() < kTextFields) return {};
  const std::string_view last = fields[kTextFields - 1];
  return {fields.front().data(),
          static_cast<std::size_t>(last.data() + last.size() - fields.front().data())};
}

void ParseResultLine(std::string_view line, ResultLineFields& read) {
  read.fields.clear();
  read.items = 0;
  read.correct_count = 0;
  read.marks = {};
  read.fault = FieldFault::kNone;
  read.value = read.other = 0;
  for (std::size_t start = 0;;) {
    const std::size_t tab = line.find('\t', start);
    read.fields.push_back(line.substr(start, tab == std::string_view::npos ? tab : tab - start));
    if (tab == std::string_view::npos) break;
    start = tab + 1;
  }
  // A line holds one mark for each item of its exam, 1 to kMostItems.
  const std::size_t count = read.fields.size();
  if (count <= kFieldsBeforeMarks || count > kFieldsBeforeMarks + kMostItems) {
    read.fault = FieldFault::kFieldCount;
    return;
  }
  read.items = static_cast<int>(count - kFieldsBeforeMarks);
  read.correct_count = ParseCount(read.fields[kFieldsBeforeMarks - 1], read.items);
  if (read.correct_count < 0) {
    read.correct_count = 0;
    read.fault = FieldFault::kBadCount;
    return;
  }
  read.marks = Marks(read.items);
  int sum = 0;
  for (int item = 1; item <= read.items; ++item) {
    const std::string_view mark =
        read.fields[kFieldsBeforeMarks - 1 + static_cast<std::size_t>(item)];
    if (mark != "0" && mark != "1") {
      read.fault = FieldFault::kBadMark;
      read.value = item;
      return;
    }
    read.marks[item] = mark[0] - '0';
    sum += mark[0] - '0';
  }
  if (sum != read.correct_count) {
    read.fault = FieldFault::kCountNotSum;
    read.value = read.correct_count;
    read.other = sum;
  }
}

}  // namespace webexam
