// Prints the likeness of every pair of pages, as webexam-results measures
// it, for the copies test's measurement of honest and copied pages:
//   page_likeness_run STARTING_PAGE PAGE...
// One line per pair: the two pages' places among the arguments (from 1),
// their likeness, and each page's own runs, TAB-separated. A page with fewer
// own runs than a comparison needs is named with "-".
#include <cstdio>
#include <string>
#include <vector>

#include "grading/page_probe.h"
#include "platform/platform.h"
#include "results/page_likeness.h"
#include "text/utf8.h"

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  auto platform = webexam::MakePlatform();
  auto read = [&](const char* path) {
    return webexam::ShinglesOf(platform->DecodeGbk(platform->ReadHead(
        webexam::FromUtf8(path), webexam::kProbeLimit, webexam::Platform::IfMissing::kFail)));
  };
  const webexam::Shingles starting = read(argv[1]);
  std::vector<webexam::Shingles> own;
  for (int i = 2; i < argc; ++i) own.push_back(webexam::OwnShingles(read(argv[i]), starting));
  for (std::size_t i = 0; i < own.size(); ++i) {
    for (std::size_t j = i + 1; j < own.size(); ++j) {
      if (own[i].size() < webexam::kLeastOwnShingles ||
          own[j].size() < webexam::kLeastOwnShingles) {
        std::printf("%zu\t%zu\t-\t%zu\t%zu\n", i + 1, j + 1, own[i].size(), own[j].size());
      } else {
        std::printf("%zu\t%zu\t%.4f\t%zu\t%zu\n", i + 1, j + 1, webexam::Likeness(own[i], own[j]),
                    own[i].size(), own[j].size());
      }
    }
  }
  return 0;
}
