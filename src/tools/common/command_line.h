// The command lines of the room tools, read one way: options in any order
// before the operands, "--name value" or "--name=value" for an option that
// takes a value, "--" ending the options, and -h or --help anywhere before
// an error. What is wrong with a command line is worded the same way by
// every tool; each tool adds only what is its own.
#pragma once

#include <cstddef>
#include <limits>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace webexam {

// One option a tool takes.
struct ToolOption {
  std::string_view name;        // "--roster"
  std::string_view short_name;  // "-y", or empty
  bool takes_value = false;     // the next argument, or what follows '='
  // What the value is, for the teacher told it is missing: u"文件名".
  std::u16string_view value_name = u"值";
};

struct CommandLine {
  enum class Problem {
    kNone,
    kUnknownOption,  // an argument starting with '-' that no option is
    kMissingValue,   // an option that takes a value came last
    kExtraOperand,   // more operands than the tool takes
  };

  bool help = false;  // -h or --help: show the help, nothing else
  Problem problem = Problem::kNone;
  std::string culprit;  // the argument the problem is with, as given
  // The options given, by their long name; a value option's last value, a
  // plain option's empty text.
  std::map<std::string, std::string, std::less<>> options;
  std::vector<std::string> operands;

  bool Has(std::string_view name) const { return options.find(name) != options.end(); }
  // The option's value, or an empty text when it was not given.
  std::string Value(std::string_view name) const;
};

// Reads the arguments (without the program name) in order and stops at the
// first problem or at the help option. With `max_operands` 0, "--" is no
// option but an unknown one.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments,
                             std::span<const ToolOption> known,
                             std::size_t max_operands = std::numeric_limits<std::size_t>::max());

// The words for the line's problem, "不认识的选项 --x", "--roster 后面缺文件名"
// or "多余的参数 b", with the options the line was read against.
std::u16string ProblemText(const CommandLine& line, std::span<const ToolOption> known);

// Says "<tool>: <what>（见 --help）" on standard error; returns 2, the exit
// status of a command line the tool does not take.
int UsageError(std::string_view tool, std::u16string_view what);

}  // namespace webexam
