#include "tools/common/command_line.h"

#include <algorithm>

#include "text/utf8.h"
#include "tools/common/terminal.h"

namespace webexam {

std::string CommandLine::Value(std::string_view name) const {
  const auto found = options.find(name);
  return found == options.end() ? std::string() : found->second;
}

CommandLine ParseCommandLine(const std::vector<std::string>& arguments,
                             std::span<const ToolOption> known, std::size_t max_operands) {
  CommandLine line;
  const auto fail = [&line](CommandLine::Problem problem, const std::string& culprit) {
    line.problem = problem;
    line.culprit = culprit;
    return line;
  };
  bool only_operands = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& arg = arguments[i];
    const bool is_option = !only_operands && arg.size() > 1 && arg[0] == '-';
    if (!is_option) {
      if (line.operands.size() == max_operands) {
        return fail(CommandLine::Problem::kExtraOperand, arg);
      }
      line.operands.push_back(arg);
      continue;
    }
    if (arg == "-h" || arg == "--help") {
      line.help = true;
      return line;
    }
    if (arg == "--" && max_operands > 0) {
      only_operands = true;
      continue;
    }
    const std::size_t equals = arg.starts_with("--") ? arg.find('=') : std::string::npos;
    const std::string_view name = std::string_view(arg).substr(0, equals);
    const auto found = std::find_if(known.begin(), known.end(), [name](const ToolOption& option) {
      return option.name == name || (!option.short_name.empty() && option.short_name == name);
    });
    if (found == known.end() || (equals != std::string::npos && !found->takes_value)) {
      return fail(CommandLine::Problem::kUnknownOption, arg);
    }
    std::string value;
    if (equals != std::string::npos) {
      value = arg.substr(equals + 1);
    } else if (found->takes_value) {
      if (i + 1 == arguments.size()) return fail(CommandLine::Problem::kMissingValue, arg);
      value = arguments[++i];
    }
    line.options.insert_or_assign(std::string(found->name), std::move(value));
  }
  return line;
}

std::u16string ProblemText(const CommandLine& line, std::span<const ToolOption> known) {
  const std::u16string culprit = FromUtf8(line.culprit);
  switch (line.problem) {
    case CommandLine::Problem::kNone:
      break;
    case CommandLine::Problem::kUnknownOption:
      return u"不认识的选项 " + culprit;
    case CommandLine::Problem::kMissingValue: {
      // The option as given, which may be its short name.
      const auto found = std::find_if(known.begin(), known.end(), [&](const ToolOption& option) {
        return option.name == line.culprit || option.short_name == line.culprit;
      });
      return culprit + u" 后面缺" +
             std::u16string(found == known.end() ? u"值" : found->value_name);
    }
    case CommandLine::Problem::kExtraOperand:
      return u"多余的参数 " + culprit;
  }
  return std::u16string();
}

int UsageError(std::string_view tool, std::u16string_view what) {
  PrintError(FromUtf8(tool) + u": " + std::u16string(what) + u"（见 --help）\n");
  return 2;
}

}  // namespace webexam
