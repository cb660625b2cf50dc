#include "tools/command_line.h"

#include <gtest/gtest.h>

namespace webexam {
namespace {

using Problem = CommandLine::Problem;

constexpr ToolOption kOptions[] = {
    {"--roster", "", true}, {"--watch", "", false}, {"--yes", "-y", false}};

TEST(CommandLine, ReadsOptionsValuesAndOperandsInAnyOrder) {
  const CommandLine line = ParseCommandLine(
      {"share", "--roster", "a b.txt", "-y", "--roster=last", "--", "-x"}, kOptions);
  EXPECT_EQ(line.problem, Problem::kNone);
  EXPECT_EQ(line.Value("--roster"), "last");
  EXPECT_TRUE(line.Has("--yes"));
  EXPECT_FALSE(line.Has("--watch"));
  EXPECT_EQ(line.operands, (std::vector<std::string>{"share", "-x"}));
  // A lone "-" is an operand, as tools take it for a file.
  EXPECT_EQ(ParseCommandLine({"-"}, kOptions).operands, std::vector<std::string>{"-"});
}

TEST(CommandLine, StopsAtTheFirstProblemOrAtHelp) {
  const auto problem = [](std::vector<std::string> arguments, std::size_t max_operands = 9) {
    const CommandLine line = ParseCommandLine(arguments, kOptions, max_operands);
    return std::pair(line.problem, line.culprit);
  };
  EXPECT_EQ(problem({"--bogus", "--help"}),
            std::pair(Problem::kUnknownOption, std::string("--bogus")));
  EXPECT_EQ(problem({"--watch=1"}), std::pair(Problem::kUnknownOption, std::string("--watch=1")));
  EXPECT_EQ(problem({"--roster"}), std::pair(Problem::kMissingValue, std::string("--roster")));
  EXPECT_EQ(problem({"a", "b"}, 1), std::pair(Problem::kExtraOperand, std::string("b")));
  // A tool that takes no operands has no "--" either.
  EXPECT_EQ(problem({"--"}, 0), std::pair(Problem::kUnknownOption, std::string("--")));
  const CommandLine help = ParseCommandLine({"-h", "--bogus"}, kOptions);
  EXPECT_TRUE(help.help);
  EXPECT_EQ(help.problem, Problem::kNone);
  // After "--" even --help is a file's name.
  EXPECT_FALSE(ParseCommandLine({"--", "--help"}, kOptions).help);
}

}  // namespace
}  // namespace webexam
