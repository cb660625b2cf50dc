// A teachers' tool run for real, as a teacher runs it: its exit status, with
// what it printed kept for the test to look at.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "submission/submission.h"
#include "support/failing_platform.h"
#include "text/utf8.h"

namespace webexam::test {

// Whether `text` holds `words`, showing the text when it does not.
inline ::testing::AssertionResult Holds(std::string_view text, std::string_view words) {
  if (text.find(words) != text.npos) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "no \"" << words << "\" in:\n" << text;
}
inline ::testing::AssertionResult Holds(std::string_view text, std::u16string_view words) {
  return Holds(text, ToUtf8(words));
}
inline ::testing::AssertionResult Holds(std::u16string_view text, std::u16string_view words) {
  return Holds(ToUtf8(text), ToUtf8(words));
}

class ToolRun : public ::testing::Test {
 protected:
  // `program` is one the project ships, or the path of a copy of one.
  // With `input`, the program reads that file's bytes as typed answers.
  int Run(const fs::path& program, const std::vector<std::string>& arguments,
          const fs::path& input = {}) {
    const fs::path out = dir_.path() / "stdout", err = dir_.path() / "stderr";
    const int status =
        Wait(Spawn(program.has_parent_path() ? program : BuiltProgram(program.string()), arguments,
                   out, err, input));
    out_ = ReadBytes(out);
    err_ = ReadBytes(err);
    return status;
  }
  bool Says(std::u16string_view words) const {
    return out_.find(ToUtf8(words)) != std::string::npos;
  }
  std::size_t Lines() const { return std::count(out_.begin(), out_.end(), '\n'); }

  // Presses "上交成绩" once on the PC whose drive root is `pc`, to `share`; with
  // `refuse_marker`, the share refuses the PC's marker.
  void Submit(const fs::path& share, const char* pc, const std::string& page, ExamState state,
              bool refuse_marker = false) {
    FailingPlatform platform(*real_);  // fails nothing else, starts no viewer
    const fs::path root = dir_.path() / pc;
    const ExamPaths paths =
        MakeExamPaths(U16(root), U16(root), u"620722001", U16(share), platform.PathSeparator());
    if (refuse_marker) {
      platform.Fail(FailingPlatform::Op::kWriteNewFile, Kind::kDenied,
                    paths.results_share + state.computer_name);
    }
    fs::create_directories(root / "620722001" / "web");
    WriteBytes(root / "620722001" / "web" / "index.htm", page);
    Submission submission(platform, paths, test::SampleExam().key, state);
    submission.GradeAndRecord();
    const std::u16string_view message = MessageFor(submission.Deliver());
    EXPECT_EQ(message, refuse_marker ? kNoComputerMarkerMessage : u"") << ToUtf8(message);
  }

  std::unique_ptr<Platform> real_ = MakePlatform();
  TempDir dir_;
  std::string out_, err_;
};

}  // namespace webexam::test
