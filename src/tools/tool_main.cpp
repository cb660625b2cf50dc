#include "tools/tool_main.h"

#include "text/utf8.h"

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) {
    arguments.push_back(webexam::ToUtf8(reinterpret_cast<const char16_t*>(argv[i])));
  }
  return RunTool(arguments);
}
#else
int main(int argc, char** argv) { return RunTool(std::vector<std::string>(argv + 1, argv + argc)); }
#endif
