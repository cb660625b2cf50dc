#include "tools/tool_main.h"

#include "text/utf8.h"

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
  return RunTool(arguments);
}
#else
int main(int argc, char** argv) { return RunTool(std::vector<std::string>(argv + 1, argv + argc)); }
#endif
