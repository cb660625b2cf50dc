// The result record: one TAB-separated line of four fields and the marks,
// the only form in which a result is written, to the PC's local log and to the results share.
#pragma once

#include <string>

#include "grading/grade_page.h"
#include "platform/platform.h"
#include "state/exam_state.h"

namespace webexam {

// Exam number, name and computer name as held, the count, then the marks
// in item order; no line end. A control character in the computer name is
// written as '?'.
std::u16string BuildResultRecord(const ExamState& state, const GradeResult& result);

// The record as it goes into a file: GBK, ended by CR LF.
std::string RecordLine(Platform& platform, const std::u16string& record);

// Appends the record line to the file at `path` (created when absent).
void AppendResultRecord(Platform& platform, const std::u16string& path,
                        const std::u16string& record);

}  // namespace webexam
