// Preparing the candidate folder (the old one removed, the material copied)
// for a material folder of 50 MB in 2,000 files, against `rm -rf` and
// `cp -r` doing the same to the same trees.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "state/exam_paths.h"
#include "text/utf8.h"
#include "workspace/workspace.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace webexam;

constexpr int kFiles = 2000;
constexpr std::size_t kBytes = 50'000'000;

// A program folder with the material (20 folders of 100 files of 1 to 49 KB,
// 50 MB in all) and a drive root, made once.
struct Exam {
  Exam() {
    fs::remove_all(base);
    std::mt19937 random(2024);
    std::vector<std::size_t> sizes(kFiles);
    std::size_t total = 0;
    for (std::size_t& size : sizes) total += size = 1000 + random() % 48000;
    std::string bytes(kBytes / kFiles * 3, '\0');
    for (char& byte : bytes) byte = static_cast<char>(random());
    for (int i = 0; i < kFiles; ++i) {
      const fs::path folder = base / "program" / "aa" / ("part" + std::to_string(i / 100));
      fs::create_directories(folder);
      const std::size_t size = sizes[i] * kBytes / total;  // scaled to 50 MB in all
      std::ofstream(folder / ("file" + std::to_string(i) + ".gif"), std::ios::binary)
          .write(bytes.data() + i % 1000, static_cast<std::streamsize>(size));
    }
    fs::create_directories(base / "c");
  }
  ~Exam() { fs::remove_all(base); }

  fs::path base = fs::temp_directory_path() / "webexam-bench-workspace";
  ExamPaths paths =
      MakeExamPaths(FromUtf8((base / "c").string()), FromUtf8((base / "program").string()),
                    u"620722001", u"/share", u'/');
};

Exam& TheExam() {
  static Exam exam;
  return exam;
}

void Run(std::vector<std::string> arguments) {
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  pid_t pid;
  if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) std::abort();
  int status;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::abort();
  }
}

// Each pass finds the folder the pass before left, as the next start of the
// program finds the one a candidate left.
void BM_PrepareCandidateFolder(benchmark::State& state) {
  Exam& exam = TheExam();
  auto platform = MakePlatform();
  PrepareCandidateFolder(*platform, exam.paths);
  for (auto _ : state) PrepareCandidateFolder(*platform, exam.paths);
}
BENCHMARK(BM_PrepareCandidateFolder)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_RmAndCp(benchmark::State& state) {
  Exam& exam = TheExam();
  const std::string candidate = (exam.base / "c" / "620722001").string();
  const std::string material = (exam.base / "program" / "aa").string();
  Run({"cp", "-r", material, candidate});
  for (auto _ : state) {
    Run({"rm", "-rf", candidate});
    fs::create_directory(candidate);
    Run({"cp", "-r", material, candidate + "/web"});
  }
}
BENCHMARK(BM_RmAndCp)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
