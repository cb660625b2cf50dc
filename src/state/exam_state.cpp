#include "state/exam_state.h"

namespace webexam {

ExamState& ProcessExamState() {
  static ExamState state;
  return state;
}

}  // namespace webexam
