// Inputs no exam should meet, met anyway: binary and unreadable pages, huge,
// deep and read-only material, huge task texts: no crash, hang or memory that
// grows with the input.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <random>
#include <string>
#include <thread>

#include "grading/grade_page.h"
#include "grading/page_probe.h"
#include "submission/submission.h"
#include "support/failing_platform.h"
#include "workspace/workspace.h"

#ifndef _WIN32
#include <sys/resource.h>
#endif

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define WEBEXAM_ASAN 1
#endif
#endif

namespace webexam {
namespace {

using test::WriteBytes;
namespace fs = std::filesystem;

// Peak memory is measured on Linux alone: Windows has no getrusage, and
// AddressSanitizer's quarantine keeps freed memory resident.
#if defined(_WIN32) || defined(__SANITIZE_ADDRESS__) || defined(WEBEXAM_ASAN)
constexpr bool kPeakMemoryMeasured = false;
#else
constexpr bool kPeakMemoryMeasured = true;
#endif

// How far `step` raises the peak memory, the peak so far forgotten first
// (clear_refs) so that an earlier step cannot hide what this one takes.
template <typename Step>
std::size_t PeakGrowth(Step step) {
#ifdef _WIN32
  step();
  return 0;
#else
  auto peak = [] {
    struct rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<std::size_t>(usage.ru_maxrss) * 1024;
  };
  EXPECT_TRUE((std::ofstream("/proc/self/clear_refs") << "5" << std::flush).good());
  const std::size_t before = peak();
  step();
  return peak() - before;
#endif
}

// Bytes of no text (NULs, 0x80, 0xFF, lone lead bytes, controls), never a to d:
// the one text the page must not hold cannot turn up by chance.
std::string Binary(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& byte : bytes) {
    const auto value = static_cast<unsigned char>(random());
    byte = static_cast<char>(value >= 'a' && value <= 'd' ? 0xFF : value);
  }
  return bytes;
}

class BadInput : public ::testing::Test {
 protected:
  BadInput() {
    fs::create_directories(page_.parent_path());
    fs::create_directories(share_);
    fs::create_directories(program_ / "aa");
    WriteBytes(program_ / "aa" / "index.htm", "<html>");
  }

  // 5,000 files, some read-only; beside them 200 levels of folders, some of 255
  // characters, a read-only file at the bottom (past a Windows path's length), and
  // an old workspace as deep. Returns the bottom folder below the material.
  fs::path MakeHugeDeepMaterial() {
    const fs::path many = program_ / "aa" / "images";
    fs::create_directories(many);
    for (int i = 0; i < 5000; ++i) {
      const std::string name = "p" + std::to_string(i) + ".gif";
      WriteBytes(many / name, "GIF89a " + name);
      if (i % 500 == 0) fs::permissions(many / name, fs::perms::owner_read);
    }
    std::string below;
    for (int level = 0; level < 200; ++level) {
      below += (level == 0 ? "" : "/") +
               (level % 50 == 25 ? std::string(250, 'n') + std::to_string(level / 50) : "d");
    }
    const fs::path deep = fs::path(below).make_preferred();
    fs::create_directories(page_.parent_path() / deep);
    WriteBytes(page_.parent_path() / "old.htm", "old work");
    fs::create_directories(program_ / "aa" / deep);
    WriteBytes(program_ / "aa" / deep / "bottom.htm", "bottom");
    fs::permissions(program_ / "aa" / deep / "bottom.htm", fs::perms::owner_read);
    return deep;
  }
  // 10 MiB of plain GBK text.
  static std::string HugeGbkText() {
    std::string gbk;
    while (gbk.size() < (10u << 20)) gbk += test::Gbk(u"网页制作题型集锦\r\n");
    return gbk;
  }
  // 10 MiB of RTF whose style changes with every character, "ab网" `repeats` times.
  static std::string HugeStyledRtf(std::size_t repeats) {
    std::string rtf = "{\\rtf1\\ansi\\ansicpg936{\\fonttbl{\\f0\\fcharset134 SimSun;}}\\f0 ";
    for (std::size_t i = 0; i < repeats; ++i) rtf += "{\\b a}{\\i b}\\'cd\\'f8";
    return rtf + "}";
  }
  static constexpr std::size_t kStyledRepeats = (10u << 20) / 20;

  std::unique_ptr<Platform> platform_ = MakePlatform();
  test::TempDir dir_;
  fs::path root_ = dir_.path() / "c";
  fs::path share_ = dir_.path() / "share";
  fs::path program_ = dir_.path() / "program";
  fs::path page_ = root_ / "620722001" / "web" / "index.htm";
  ExamPaths paths_ = MakeExamPaths(test::U16(root_), test::U16(program_), u"620722001",
                                   test::U16(share_), platform_->PathSeparator());
  ExamState state_{u"120722001", u"张三", u"JF07"};
};

TEST_F(BadInput, ABinaryPageScoresByTheTextItHolds) {
  WriteBytes(page_, Binary(4 << 20, 1));
  // The model answer between binary bytes within the first 32000.
  const fs::path hidden = page_.parent_path() / "hidden.htm";
  const std::string model = test::ReadBytes(test::ModelAnswer());
  WriteBytes(hidden, Binary(kProbeLimit - model.size() - 1, 2) + model + Binary(1 << 20, 3));

  // Nothing but binary: only the text the page must not hold is missing.
  const GradeResult junk = GradePage(*platform_, test::SampleExam().key, test::U16(page_));
  EXPECT_EQ(junk.correct_count, 1);
  EXPECT_EQ(junk.Mark(14), 1);
  // No byte before the answer, whatever it is, swallows any of its text.
  EXPECT_EQ(GradePage(*platform_, test::SampleExam().key, test::U16(hidden)).correct_count, 22);
}

TEST_F(BadInput, AnUnreadablePageTakesTheFatalPathAndWritesNothing) {
#ifdef _WIN32
  // Held open by another program that shares it with nobody.
  constexpr test::Kind kKind = test::Kind::kBusy;
  WriteBytes(page_, test::ReadBytes(test::ModelAnswer()));
  const fs::path ready = dir_.path() / "ready";
  auto holder = test::Spawn(test::TestProgram("results_driver"),
                            {"hold-open", page_.string(), "1500", ready.string()},
                            dir_.path() / "holder.out");
  while (!fs::exists(ready)) std::this_thread::sleep_for(std::chrono::milliseconds(10));
#else
  // Tests run as root, whom no permission stops: the path runs through a file.
  constexpr test::Kind kKind = test::Kind::kOther;
  fs::remove_all(page_.parent_path());
  WriteBytes(page_.parent_path(), "a file where the web folder should be");
#endif
  // Should grading wrongly go on, no report viewer is left open.
  test::FailingPlatform platform(*platform_);
  EXPECT_TRUE(test::ThrowsPlatformError(
      [&] { Submission(platform, paths_, test::SampleExam().key, state_).GradeAndRecord(); }, kKind,
      paths_.candidate_page));
  // Grading comes first: no result was logged or reported.
  EXPECT_FALSE(fs::exists(root_ / "cjj.txt"));
  EXPECT_FALSE(fs::exists(root_ / "cj.txt"));
#ifdef _WIN32
  EXPECT_EQ(test::Wait(holder), 0);
#endif
}

TEST_F(BadInput, AHugeDeepMaterialFolderIsCopiedWholeOverTheOldAndRemovedWhole) {
  const fs::path deep = MakeHugeDeepMaterial();
  PrepareCandidateFolder(*platform_, paths_);

  // Every file with its bytes; the deep one seen through the platform, as
  // the test's own file library cannot walk a path this long on Windows.
  const fs::path images = page_.parent_path() / "images";
  std::size_t copied = 0;
  for (const auto& entry : fs::directory_iterator(images)) {
    EXPECT_EQ(test::ReadBytes(entry.path()), "GIF89a " + entry.path().filename().string());
    ++copied;
  }
  EXPECT_EQ(copied, 5000u);
  EXPECT_EQ(fs::status(images / "p500.gif").permissions() & fs::perms::owner_write,
            fs::perms::none);
  const char16_t separator = platform_->PathSeparator();
  const std::u16string web = paths_.web_folder + separator;
  EXPECT_EQ(platform_->ReadHead(web + test::U16(deep) + separator + u"bottom.htm", 100,
                                Platform::IfMissing::kFail),
            "bottom");
  EXPECT_EQ(platform_->ListPath(web + u"old.htm", Listing::kFilesOnly), u"");

  RemoveCandidateFolder(*platform_, paths_);
  EXPECT_EQ(platform_->ListPath(paths_.candidate_folder, Listing::kFilesAndFolders), u"");
  platform_->RemoveTree(test::U16(program_ / "aa"));
}

// A damaged task text is rich_text_test's and the rtf_reader fuzz target's.
TEST_F(BadInput, AHugeTaskTextShowsWhatItHolds) {
  const fs::path task = root_ / "1.txt";

  const std::string gbk = HugeGbkText();
  WriteBytes(task, gbk);
  RichText text = LoadTaskText(*platform_, paths_);
  ASSERT_EQ(text.runs.size(), 1u);
  EXPECT_EQ(text.runs[0].text.size(), gbk.size() / 18 * 9);

  WriteBytes(task, HugeStyledRtf(kStyledRepeats));
  text = LoadTaskText(*platform_, paths_);
  EXPECT_EQ(text.runs.size(), kStyledRepeats * 3);
  EXPECT_EQ(text.PlainText().size(), kStyledRepeats * 3);
  EXPECT_TRUE(text.PlainText().starts_with(u"ab网ab网"));
}

// Memory grows with what the rules keep (32000 bytes of a page, a copy's buffer,
// the text shown at about 90 bytes a run), not with the input.
TEST_F(BadInput, PeakMemoryGrowsWithWhatTheRulesKeepNotWithTheInput) {
  if (!kPeakMemoryMeasured) {
    GTEST_SKIP() << "peak memory is not measured on Windows, nor under AddressSanitizer, "
                    "whose quarantine keeps freed memory resident";
  }
  WriteBytes(page_, Binary(4 << 20, 1));
  EXPECT_LT(PeakGrowth([&] { GradePage(*platform_, test::SampleExam().key, test::U16(page_)); }),
            1u << 20);
  MakeHugeDeepMaterial();
  EXPECT_LT(PeakGrowth([&] { PrepareCandidateFolder(*platform_, paths_); }), 8u << 20);
  WriteBytes(root_ / "1.txt", HugeGbkText());
  EXPECT_LT(PeakGrowth([&] { LoadTaskText(*platform_, paths_); }), 64u << 20);
  WriteBytes(root_ / "1.txt", HugeStyledRtf(kStyledRepeats));
  EXPECT_LT(PeakGrowth([&] { LoadTaskText(*platform_, paths_); }), 256u << 20);
}

}  // namespace
}  // namespace webexam
