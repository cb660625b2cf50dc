#include "results/result_record.h"

#include "text/utf8.h"

namespace webexam {

std::u16string BuildResultRecord(const ExamState& state, const GradeResult& result) {
  std::u16string record = state.exam_number + u'\t' + state.candidate_name + u'\t' +
                          state.computer_name + u'\t' + Digits(result.correct_count);
  for (int item = 1; item <= kItemCount; ++item) {
    record += u'\t';
    record += static_cast<char16_t>(u'0' + result.Mark(item));
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
