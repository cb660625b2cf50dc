// The whole submit pass (grading a full-size page, the local log, the report,
// the results share) against grading alone, on local folders.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "grading/grade_page.h"
#include "grading/page_probe.h"
#include "submission/submission.h"
#include "support/test_support.h"
#include "text/utf8.h"

namespace {

namespace fs = std::filesystem;
using namespace webexam;

// The report is written but no viewer is started.
class NoViewerPlatform : public test::ForwardingPlatform {
 public:
  using ForwardingPlatform::ForwardingPlatform;
  void OpenDocument(const std::u16string&) override {}
};

struct Drive {
  Drive() {
    fs::remove_all(root);
    fs::create_directories(root / "c" / "620722001" / "web");
    fs::create_directories(root / "share");
    std::ifstream in(test::ModelAnswer(), std::ios::binary);
    std::string page((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string filler = "\xCD\xF8\xD2\xB3\xD6\xC6\xD7\xF7 <p>text</p>\r\n";  // 网页制作
    while (page.size() + filler.size() <= kProbeLimit) page.insert(0, filler);
    page.insert(0, std::string(kProbeLimit - page.size(), ' '));
    std::ofstream(root / "c" / "620722001" / "web" / "index.htm", std::ios::binary) << page;
  }
  ~Drive() { fs::remove_all(root); }

  fs::path root = fs::temp_directory_path() / "webexam-bench-drive";
  ExamPaths paths = MakeExamPaths(FromUtf8((root / "c").string()), u"/program", u"620722001",
                                  FromUtf8((root / "share").string()), u'/');
};

void BM_GradePage(benchmark::State& state) {
  Drive drive;
  auto platform = MakePlatform();
  for (auto _ : state)
    benchmark::DoNotOptimize(
        GradePage(*platform, test::SampleExam().key, drive.paths.candidate_page));
}
BENCHMARK(BM_GradePage)->Unit(benchmark::kMicrosecond);

void BM_Submission(benchmark::State& state) {
  Drive drive;
  auto real = MakePlatform();
  NoViewerPlatform platform(*real);
  ExamState exam{u"120722001", u"张三", u"JF07"};
  for (auto _ : state) {
    Submission submission(platform, drive.paths, test::SampleExam().key, exam);
    submission.GradeAndRecord();
    benchmark::DoNotOptimize(submission.Deliver());
    state.PauseTiming();
    // Every pass is a first submission, so that it reaches the share.
    fs::remove(drive.root / "c" / "windows" / "fen.g");
    state.ResumeTiming();
  }
}
BENCHMARK(BM_Submission)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
