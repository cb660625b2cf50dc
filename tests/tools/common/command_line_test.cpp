// The tools' one option reader, and each tool's answer to a command line:
// 0 for --help, which fits on one screen, 2 for what it does not take.
#include "tools/common/command_line.h"

#include <gtest/gtest.h>

#include "tools/common/tool_run.h"

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

// Stops at the first problem or at help, naming the argument as given.
TEST(CommandLine, StopsAtTheFirstProblemOrAtHelpAndSaysWhichItIs) {
  constexpr ToolOption kTimed[] = {
      {"--interval", "-i", true, u"秒数"}, {"--csv", "", true}, {"--watch", "", false}};
  const auto text = [&](std::vector<std::string> arguments, std::size_t max_operands = 1) {
    return ToUtf8(ProblemText(ParseCommandLine(arguments, kTimed, max_operands), kTimed));
  };
  EXPECT_EQ(text({"--bogus", "--help"}), ToUtf8(u"不认识的选项 --bogus"));
  EXPECT_EQ(text({"--watch=1"}), ToUtf8(u"不认识的选项 --watch=1"));
  EXPECT_EQ(text({"--赶"}), ToUtf8(u"不认识的选项 --赶"));
  // A tool that takes no operands has no "--" either.
  EXPECT_EQ(text({"--"}, 0), ToUtf8(u"不认识的选项 --"));
  // The option as given, found by its short name too.
  EXPECT_EQ(text({"-i"}), ToUtf8(u"-i 后面缺秒数"));
  EXPECT_EQ(text({"--csv"}), ToUtf8(u"--csv 后面缺值"));
  EXPECT_EQ(text({"--interval=3", "a", "b"}), ToUtf8(u"多余的参数 b"));
  const CommandLine help = ParseCommandLine({"-h", "--bogus"}, kOptions);
  EXPECT_TRUE(help.help);
  EXPECT_EQ(help.problem, Problem::kNone);
  // After "--" even --help is a file's name.
  EXPECT_FALSE(ParseCommandLine({"--", "--help"}, kOptions).help);
}

using ToolUsage = test::ToolRun;

TEST_F(ToolUsage, EachToolExplainsItselfOnOneScreenAndRefusesWhatItDoesNotTake) {
  const std::pair<const char*, std::vector<std::vector<std::string>>> tools[] = {
      {"webexam-grade", {{}, {"--bogus"}, {"--explain", "a", "b"}}},
      // --yes only with --clear-marker.
      {"webexam-check", {{"--bogus"}, {"--yes"}, {"share"}, {"--roster"}}},
      {"webexam-results", {{}, {"a", "b"}, {"--csv"}, {"--bogus", "a"}}},
      {"webexam-exam", {{}, {"new"}, {"check", "a", "b"}, {"seal", "a"}, {"open", "a"}}},
  };
  for (const auto& [tool, refused] : tools) {
    EXPECT_EQ(Run(tool, {"--help"}), 0) << tool;
    EXPECT_NE(out_.substr(0, out_.find('\n')).find(tool), std::string::npos) << out_;
    EXPECT_LE(Lines(), 24u) << tool;
    for (const std::vector<std::string>& arguments : refused) {
      EXPECT_EQ(Run(tool, arguments), 2) << tool << " " << ::testing::PrintToString(arguments);
      // One line on standard error, in the words every tool uses.
      EXPECT_TRUE(err_.starts_with(std::string(tool) + ": ")) << err_;
      EXPECT_TRUE(err_.ends_with(ToUtf8(u"（见 --help）\n"))) << err_;
      EXPECT_EQ(std::count(err_.begin(), err_.end(), '\n'), 1) << err_;
      EXPECT_EQ(out_, "");
    }
  }
}

}  // namespace
}  // namespace webexam
