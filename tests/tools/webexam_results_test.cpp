// webexam-results run for real on results shares: one that the real submit
// pass wrote, PC by PC, held to golden files byte for byte; hand-made ones
// for what goes wrong on real shares.
//
// The golden files are tests/data/results/*. After a deliberate change of
// the output, run this test once with WEBEXAM_UPDATE_GOLDEN=1 in the
// environment: it then writes the files afresh instead of comparing (review
// the difference before committing it).
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "results/results_share.h"
#include "support/test_support.h"
#include "text/utf8.h"
#include "workspace/submit_pass.h"

namespace webexam {
namespace {

using test::Gbk;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;
namespace fs = std::filesystem;

struct ToolRun {
  int status;
  std::string out, err;
};

ToolRun Results(const TempDir& dir, const std::vector<std::string>& arguments) {
  const fs::path out = dir.path() / "stdout", err = dir.path() / "stderr";
  const int status =
      test::Wait(test::Spawn(test::BuiltProgram("webexam-results"), arguments, out, err));
  return {status, ReadBytes(out), ReadBytes(err)};
}

bool Has(const std::string& text, std::u16string_view words) {
  return text.find(ToUtf8(words)) != std::string::npos;
}

// One exam PC for the golden share: the report viewer is not started, and
// the marker named after the PC can be made to fail, as a share that
// refuses it does.
class ExamPc : public test::ForwardingPlatform {
 public:
  using ForwardingPlatform::ForwardingPlatform;
  void OpenDocument(const std::u16string&) override {}
  void WriteFile(const std::u16string& path, std::string_view bytes) override {
    if (refuse_marker && path.ends_with(marker_name)) throw PlatformError(5, "access denied");
    inner_.WriteFile(path, bytes);
  }
  bool refuse_marker = false;
  std::u16string marker_name;
};

// Presses "上交成绩" once on a PC of its own with the page given.
void Submit(Platform& real, const fs::path& root, const fs::path& share, const std::string& page,
            ExamState state, bool refuse_marker = false) {
  ExamPc pc(real);
  pc.refuse_marker = refuse_marker;
  pc.marker_name = state.computer_name;
  fs::create_directories(root / "620722001" / "web");
  WriteBytes(root / "620722001" / "web" / "index.htm", page);
  const ExamPaths paths =
      MakeExamPaths(test::U16(root), test::U16(root), test::U16(share), pc.PathSeparator());
  const std::u16string message = SubmitPass(pc, paths, state);
  EXPECT_EQ(message, refuse_marker ? kNoComputerMarkerMessage : u"") << ToUtf8(message);
}

// The first line where two texts part, for a failure message.
std::string FirstDifference(const std::string& got, const std::string& want) {
  std::size_t at = 0, line = 1;
  while (at < got.size() && at < want.size() && got[at] == want[at]) line += got[at++] == '\n';
  auto line_at = [at](const std::string& text) {
    const std::size_t start = text.rfind('\n', at == 0 ? 0 : at - 1);
    const std::size_t from = start == std::string::npos || at == 0 ? 0 : start + 1;
    return text.substr(from, text.find('\n', at) - from);
  };
  return "line " + std::to_string(line) + ":\n  got:  " + line_at(got) +
         "\n  want: " + line_at(want);
}

void MatchesGolden(const std::string& got, const std::string& name) {
  const fs::path golden = test::DataFile("results") / name;
  const char* update = std::getenv("WEBEXAM_UPDATE_GOLDEN");
  if (update && std::string(update) == "1") {
    WriteBytes(golden, got);
    std::printf("rewrote %s\n", golden.string().c_str());
    return;
  }
  const std::string want = ReadBytes(golden);
  EXPECT_TRUE(got == want) << name << " differs from " << golden << " at "
                           << FirstDifference(got, want)
                           << "\n(WEBEXAM_UPDATE_GOLDEN=1 rewrites the golden files)";
}

TEST(WebexamResults, SummarizesAShareTheSubmitPassWroteAsTheGoldenFilesSay) {
  TempDir dir;
  const fs::path share = dir.path() / "share";
  fs::create_directories(share);
  const std::string model = ReadBytes(test::DataFile("model_answer.htm"));
  const std::string starter = ReadBytes(fs::path(WEBEXAM_SOURCE_DIR) / "exam/aa/index.htm");
  // Pages part of the way to the model answer pass some of the items.
  auto part = [&model](std::size_t bytes) { return model.substr(0, bytes); };
  auto real = MakePlatform();
  auto pc = [&](const char* name) { return dir.path() / name; };

  // In the order the PCs submit, which is not the order of exam numbers.
  Submit(*real, pc("pc3"), share, part(900), {u"120722003", u"王五", u"JF03", u"", u""});
  Submit(*real, pc("pc1"), share, model, {u"120722001", u"张三", u"JF01", u"", u""});
  Submit(*real, pc("pc5"), share, part(400), {u"120722005", u"欧阳修远", u"机房五", u"", u""});
  Submit(*real, pc("pc2"), share, starter, {u"120722002", u"李四", u"JF02", u"", u""});
  Submit(*real, pc("pc4"), share, part(650),
         {u"120722004", u"O'Neil, \"Jr\" <b>&", u"JF04", u"", u""});
  Submit(*real, pc("pc6"), share, part(1100), {u"120722006", u"阿卜杜·热合曼", u"JF06", u"", u""});
  // The share refused JF08's marker: its line is there, its marker is not.
  Submit(*real, pc("pc8"), share, part(1000), {u"120722008", u"钱七", u"JF08", u"", u""}, true);
  // The teacher took JF03's own marker away for a second try.
  fs::remove(pc("pc3") / "windows" / "fen.g");
  Submit(*real, pc("pc3"), share, model, {u"120722003", u"王五", u"JF03", u"", u""});
  // A marker left from an earlier exam.
  WriteBytes(share / "JF09", "");

  const ToolRun run = Results(dir, {"--csv", (dir.path() / "out.csv").string(), "--html",
                                    (dir.path() / "out.html").string(), share.string()});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  MatchesGolden(ReadBytes(share / "cjwyzz.txt"), "cjwyzz.txt");
  MatchesGolden(run.out, "summary.txt");
  MatchesGolden(ReadBytes(dir.path() / "out.csv"), "results.csv");
  MatchesGolden(ReadBytes(dir.path() / "out.html"), "results.html");
}

// A result line in GBK with CR LF, the count the sum of the marks.
std::string Line(std::u16string_view text, std::string_view marks, std::string_view end = "\r\n") {
  std::string line = Gbk(text) + "\t" + std::to_string(std::count(marks.begin(), marks.end(), '1'));
  for (char mark : marks) line += std::string("\t") + mark;
  return line + std::string(end);
}

TEST(WebexamResults, ReadsWhatCanBeReadOfADamagedLogAndSaysWhereTheRestIs) {
  TempDir dir;
  const fs::path share = dir.path() / "share";
  fs::create_directories(share);
  for (const char* marker : {"JF01", "JF02", "JF03", "JF04", "JF05"})
    WriteBytes(share / marker, "");
  std::string log = "\xEF\xBB\xBF";  // re-saved by an editor
  log += Line(u"120722002\t李四\tJF02", "1111111111111111111111", "\n");
  log += ToUtf8(u"120722003\t王五\tJF03") + Line(u"", "1000000000000000000000");
  log += std::string("\x01\x02\xFF\xFE garbage \x1B[2J\0\t\t\r\n", 22);
  log += Line(u"120722004\t赵六\tJF04", "0000000000000000000001");
  log += Line(u"120722001\t张三\tJF01", "0000000000000000000011", "");  // torn, but whole
  WriteBytes(share / "cjwyzz.txt", log);

  const ToolRun run = Results(dir, {share.string()});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(Has(run.out, u"cjwyzz.txt：5 行，其中成绩行 4 行；记号文件 5 个；异常 4 条"))
      << run.out;
  EXPECT_TRUE(Has(run.out, u"第 1 行：文件开头有 UTF-8 的 BOM 标记，已略过"));
  EXPECT_TRUE(Has(run.out, u"第 2 行：是 UTF-8 文字而不是 GBK，已按 UTF-8 读出"));
  EXPECT_TRUE(Has(run.out, u"第 3 行：有 3 个字段，应为 26 个"));
  EXPECT_TRUE(Has(run.out, u"计算机 JF05 留有记号文件，但 cjwyzz.txt 里没有它的成绩行"));
  // The table, by exam number: the torn last line comes first.
  const std::size_t first = run.out.find(ToUtf8(u"120722001  张三"));
  const std::size_t second = run.out.find(ToUtf8(u"120722002  李四"));
  const std::size_t third = run.out.find(ToUtf8(u"120722003  王五"));
  EXPECT_TRUE(first < second && second < third && third != std::string::npos) << run.out;

  // Torn short of its fields, the last line is reported instead.
  WriteBytes(share / "cjwyzz.txt", log.substr(0, log.size() - 20));
  EXPECT_TRUE(Has(Results(dir, {share.string()}).out,
                  u"第 5 行：最后一行不完整：没有行尾，只有 16 个字段"));
}

TEST(WebexamResults, HandlesAHundredThousandLines) {
  TempDir dir;
  const fs::path share = dir.path() / "share";
  fs::create_directories(share);
  std::string log;
  for (int i = 0; i < 100'000; ++i) {
    // Every PC twice, every exam number on two PCs: the anomalies grow with the lines.
    log += Line(
        FromUtf8(std::to_string(120'000'000 + i / 2) + "\t考生\tPC" + std::to_string(i % 50'000)),
        i % 3 ? "1010101010101010101010" : "0000000000000000000000");
  }
  WriteBytes(share / "cjwyzz.txt", log);
  const ToolRun run = Results(dir, {share.string()});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(Has(run.out, u"其中成绩行 100000 行；记号文件 0 个；异常 200000 条")) << run.err;
  EXPECT_TRUE(Has(run.out, u"……另有 199000 条未列出"));
  EXPECT_TRUE(Has(run.out, u"第 1 行：计算机 PC0 有 2 行成绩（第 1、50001 行）"));
}

TEST(WebexamResults, ExitStatusSaysWhetherTheShareWasRead) {
  TempDir dir;
  EXPECT_EQ(Results(dir, {(dir.path() / "missing").string()}).status, 1);
  fs::create_directories(dir.path() / "empty");
  const ToolRun no_log = Results(dir, {(dir.path() / "empty").string()});
  EXPECT_EQ(no_log.status, 1);
  EXPECT_TRUE(Has(no_log.err, u"读不了 cjwyzz.txt")) << no_log.err;

  WriteBytes(dir.path() / "empty" / "cjwyzz.txt", "");
  const ToolRun empty = Results(dir, {(dir.path() / "empty").string()});
  EXPECT_EQ(empty.status, 0);
  EXPECT_TRUE(Has(empty.out, u"没有成绩行。"));
  // A CSV that cannot be written fails the run; the summary is still shown.
  const ToolRun unwritable = Results(
      dir, {"--csv", (dir.path() / "no" / "such.csv").string(), (dir.path() / "empty").string()});
  EXPECT_EQ(unwritable.status, 1);
  EXPECT_TRUE(Has(unwritable.out, u"没有成绩行。"));

  EXPECT_EQ(Results(dir, {}).status, 2);
  EXPECT_EQ(Results(dir, {"a", "b"}).status, 2);
  EXPECT_EQ(Results(dir, {"--csv"}).status, 2);
  EXPECT_EQ(Results(dir, {"--bogus", "a"}).status, 2);
  const ToolRun help = Results(dir, {"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_LE(std::count(help.out.begin(), help.out.end(), '\n'), 24);
}

}  // namespace
}  // namespace webexam
