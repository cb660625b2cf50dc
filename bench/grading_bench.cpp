// Grading a full-size page against the floor: the same 36 reads of the page
// with nothing decoded or searched.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "exam/exam_folder_files.h"
#include "grading/grade_page.h"
#include "grading/page_probe.h"
#include "platform/platform.h"
#include "text/utf8.h"

namespace {

namespace fs = std::filesystem;

// A 32000-byte page: the model answer padded with Chinese text to the limit,
// so that every probe decodes and searches the whole of it.
const std::u16string& BenchPage() {
  static const std::u16string path = [] {
    std::ifstream in(fs::path(WEBEXAM_SAMPLE_EXAM) / "model.htm", std::ios::binary);
    std::string page((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string filler = "\xCD\xF8\xD2\xB3\xD6\xC6\xD7\xF7 <p>text</p>\r\n";  // 网页制作
    while (page.size() + filler.size() <= webexam::kProbeLimit) page.insert(0, filler);
    page.insert(0, std::string(webexam::kProbeLimit - page.size(), ' '));
    const fs::path file = fs::temp_directory_path() / "webexam-bench-page.htm";
    std::ofstream(file, std::ios::binary) << page;
    return webexam::FromUtf8(file.string());
  }();
  return path;
}

void BM_RawReads(benchmark::State& state) {
  auto platform = webexam::MakePlatform();
  for (auto _ : state) {
    // As many reads as grading the sample exam makes probes.
    for (int i = 0; i < 36; ++i) {
      benchmark::DoNotOptimize(platform->ReadHead(BenchPage(), webexam::kProbeLimit,
                                                  webexam::Platform::IfMissing::kFail));
    }
  }
}
BENCHMARK(BM_RawReads)->Unit(benchmark::kMicrosecond);

void BM_GradePage(benchmark::State& state) {
  auto platform = webexam::MakePlatform();
  // The key as the programs have it: read from the sample exam's file.
  const webexam::Exam sample = webexam::LoadExam(*platform, webexam::FromUtf8(WEBEXAM_SAMPLE_EXAM));
  for (auto _ : state) {
    benchmark::DoNotOptimize(webexam::GradePage(*platform, sample.key, BenchPage()));
  }
}
BENCHMARK(BM_GradePage)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
