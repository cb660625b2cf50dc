#include "tools/common/tool_main.h"

#include <exception>

#include "text/utf8.h"
#include "tools/common/terminal.h"

namespace {

// Runs the tool, then keeps a console that closes with it open until the
// teacher has read it: a tool double-clicked in Explorer would otherwise
// vanish with its lines. A fault the tool did not foresee is shown there too,
// rather than closing the window without a word.
int RunAndKeepConsole(const std::vector<std::string>& arguments) {
  int status = 1;
  try {
    status = RunTool(arguments);
  } catch (const std::exception& error) {
    webexam::PrintError(u"出错：" + webexam::FromUtf8(error.what()) + u"\n");
  }
  if (webexam::ConsoleClosesWithTool()) webexam::WaitForKeyBeforeClosing();
  return status;
}

}  // namespace

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <stdio.h>

// Windows hands the arguments over as UTF-16. What the tools write to a file
// or a pipe is UTF-8 with LF, as on every platform, so standard output is
// binary from the start.
int wmain(int argc, wchar_t** argv) {
  _setmode(_fileno(stdout), _O_BINARY);
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) {
    arguments.push_back(webexam::ToUtf8(reinterpret_cast<const char16_t*>(argv[i])));
  }
  return RunAndKeepConsole(arguments);
}
#else
int main(int argc, char** argv) {
  return RunAndKeepConsole(std::vector<std::string>(argv + 1, argv + argc));
}
#endif
