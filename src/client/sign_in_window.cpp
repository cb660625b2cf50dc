#include "client/sign_in_window.h"

#include "client/sign_in.h"

namespace webexam {

void SignInWindow::Open() { state_.computer_name = platform_.ComputerName(); }

std::u16string_view SignInWindow::Start(std::u16string_view exam_number, std::u16string_view name) {
  return MessageFor(exam_, SignIn(platform_, state_, exam_, exam_number, name));
}

}  // namespace webexam
