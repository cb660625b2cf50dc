// The sign-in window's decisions ("考生登录"), apart from any toolkit: what
// opening it reads and what the start button decides. Each front end draws
// the window and shows what this class returns, as for the grading window;
// this window has nothing to have done while it decides.
#pragma once

#include <string_view>

#include "exam/exam.h"
#include "platform/platform.h"
#include "state/exam_state.h"

namespace webexam {

class SignInWindow {
 public:
  // `state` and `exam` must outlive the window.
  SignInWindow(Platform& platform, ExamState& state, const Exam& exam)
      : platform_(platform), state_(state), exam_(exam) {}

  // Opening reads the computer's name into the exam state; errors escape.
  void Open();

  // The start button ("开   始"): stores and checks the two texts as SignIn
  // does. Returns the message to show while the window stays, or an empty
  // text when the grading window takes its place.
  std::u16string_view Start(std::u16string_view exam_number, std::u16string_view name);

 private:
  Platform& platform_;
  ExamState& state_;
  const Exam& exam_;
};

}  // namespace webexam
