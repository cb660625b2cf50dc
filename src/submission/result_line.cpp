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

}  // namespace

std::u16string BuildResultRecord(const ExamState& state, const GradeResult& result) {
  std::u16string record = state.exam_number + u'\t' + state.candidate_name + u'\t' +
                          WrittenComputerName(state.computer_name) + u'\t' +
                          Digits(result.correct_count);
  for (const int mark : result.marks) {
    record += u'\t';
    record += static_cast<char16_t>(u'0' + mark);
  }
  return record;
}

std::string RecordLine(Platform& platform, const std::u16string& record) {
  return platform.EncodeGbk(record) + "\r\n";
}

void AppendResultRecord(Platform& platform, const std::u16string& path,
                        const std::u16string& record) {
  platform.AppendToFile(path, RecordLine(platform, record));
}

}  // namespace webexam
