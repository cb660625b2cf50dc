// The entry point of the room tools: tool_main.cpp hands each tool its
// arguments as UTF-8, on Windows from wmain's UTF-16 (linked with -municode).
#pragma once

#include <string>
#include <vector>

// Each tool defines this: the arguments without the program name; returns
// the exit status.
int RunTool(const std::vector<std::string>& arguments);
