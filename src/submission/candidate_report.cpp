#include "submission/candidate_report.h"

#include <string>

#include "text/utf8.h"

namespace webexam {
namespace {

// A number as the report prints it: a blank where a plus sign would stand,
// the digits, and a trailing blank.
std::u16string Printed(int number) { return u" " + Digits(number) + u" "; }

}  // namespace

std::u16string CandidateReportText(const ExamState& state, const GradeResult& result) {
  std::u16string text;
  auto line = [&text](const std::u16string& content) { text += content + u"\r\n"; };
  line(u"考  号：" + state.exam_number);
  line(u"姓  名：" + state.candidate_name);
  line(u"你答对的个数为 " + Printed(result.correct_count) + u"个");
  line(u"第一列 表示题号");
  line(u"第二列 表示该题对错情况，1表示对，0表示错");
  line(u"看完成绩，请关闭此窗口，然后 按 退出");
  for (int item = 1; item <= result.marks.Count(); ++item) {
    line(Digits(item) + u" " + Printed(result.Mark(item)));
  }
  return text;
}

void WriteCandidateReport(Platform& platform, const ExamPaths& paths, const ExamState& state,
                          const GradeResult& result) {
  if (platform.ListPath(paths.report, Listing::kFilesOnly) == kReportName) {
    platform.RemoveFile(paths.report);
  }
  platform.AppendToFile(paths.report, platform.EncodeGbk(CandidateReportText(state, result)));
}

std::optional<PlatformError> OpenCandidateReport(Platform& platform, const ExamPaths& paths) {
  try {
    platform.OpenDocument(paths.report);
  } catch (const PlatformError& error) {
    return error;
  }
  return std::nullopt;
}

}  // namespace webexam
