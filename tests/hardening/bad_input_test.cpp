// Inputs no exam should meet, met anyway: binary and unreadable pages, huge,
// deep and read-only material folders, damaged and huge task texts. Each gets
// the behaviour the exam's rules give, without a crash, a hang or memory
// that grows with the input beyond what the rules need.
#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <string>
#include <thread>

#include "grading/grade_page.h"
#include "grading/page_probe.h"
#include "submit/submit_pass.h"
#include "support/test_support.h"
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

// The most memory this process has held at once so far, in bytes; 0 where it
// is not measured: on Windows, and under AddressSanitizer, whose quarantine
// keeps freed memory resident.
std::size_t PeakMemory() {
#if defined(_WIN32) || defined(__SANITIZE_ADDRESS__) || defined(WEBEXAM_ASAN)
  return 0;
#else
  struct rusage usage {};
  ::getrusage(RUSAGE_SELF, &usage);
  return static_cast<std::size_t>(usage.ru_maxrss) * 1024;
#endif
}

void ExpectPeakGrowthBelow(std::size_t before, std::size_t limit) {
  EXPECT_LT(PeakMemory() - before, limit) << "peak memory grew by " << (PeakMemory() - before);
}

// Bytes of no text at all: NULs, 0x80 and 0xFF, lone lead bytes, controls,
// and never the letters a to d, so that the one text the page must not hold
// cannot turn up by chance.
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

  std::unique_ptr<Platform> platform_ = MakePlatform();
  test::TempDir dir_;
  fs::path root_ = dir_.path() / "c";
  fs::path share_ = dir_.path() / "share";
  fs::path program_ = dir_.path() / "program";
  fs::path page_ = root_ / "620722001" / "web" / "index.htm";
  ExamPaths paths_ = MakeExamPaths(test::U16(root_), test::U16(program_), test::U16(share_),
                                   platform_->PathSeparator());
  ExamState state_{u"120722001", u"张三", u"JF07", u"", u""};
};

TEST_F(BadInput, ABinaryPageScoresByTheTextItHolds) {
  WriteBytes(page_, Binary(4 << 20, 1));
  // The model answer between binary bytes within the first 32000.
  const fs::path hidden = page_.parent_path() / "hidden.htm";
  const std::string model = test::ReadBytes(test::DataFile("model_answer.htm"));
  WriteBytes(hidden, Binary(kProbeLimit - model.size() - 1, 2) + model + Binary(1 << 20, 3));
  const std::size_t before = PeakMemory();

  // Nothing but binary: only the text the page must not hold is missing.
  const GradeResult junk = GradePage(*platform_, state_, test::U16(page_));
  EXPECT_EQ(junk.correct_count, 1);
  EXPECT_EQ(junk.Mark(14), 1);
  // No byte before the answer, whatever it is, swallows any of its text.
  EXPECT_EQ(GradePage(*platform_, state_, test::U16(hidden)).correct_count, 22);
  ExpectPeakGrowthBelow(before, 1u << 20);
}

TEST_F(BadInput, AnUnreadablePageTakesTheFatalPathAndWritesNothing) {
#ifdef _WIN32
  // Held open by another program that shares it with nobody.
  WriteBytes(page_, test::ReadBytes(test::DataFile("model_answer.htm")));
  const fs::path ready = dir_.path() / "ready";
  auto holder = test::Spawn(test::TestProgram("results_driver"),
                            {"hold-open", page_.string(), "1500", ready.string()},
                            dir_.path() / "holder.out");
  while (!fs::exists(ready)) std::this_thread::sleep_for(std::chrono::milliseconds(10));
#else
  // Tests run as root, whom no permission stops: the page's path runs
  // through a file instead.
  fs::remove_all(page_.parent_path());
  WriteBytes(page_.parent_path(), "a file where the web folder should be");
#endif
  // Should grading wrongly go on, no report viewer is left open.
  struct NoViewer : test::ForwardingPlatform {
    using ForwardingPlatform::ForwardingPlatform;
    void OpenDocument(const std::u16string&) override {}
  } platform(*platform_);
  EXPECT_THROW(SubmitPass(platform, paths_, state_), PlatformError);
  // Grading comes first: no result was logged, reported or sent.
  EXPECT_FALSE(fs::exists(root_ / "cjj.txt"));
  EXPECT_FALSE(fs::exists(root_ / "cj.txt"));
  EXPECT_FALSE(fs::exists(root_ / "windows" / "fen.g"));
  EXPECT_TRUE(fs::is_empty(share_));
#ifdef _WIN32
  EXPECT_EQ(test::Wait(holder), 0);
#endif
}

TEST_F(BadInput, AHugeDeepMaterialFolderIsCopiedWholeOverTheOldAndRemovedWhole) {
  // 5,000 files, some read-only; beside them 200 levels of folders, some of
  // names as long as a file system takes (255), and a read-only file at the
  // bottom: deeper than a Windows path may be long.
  const fs::path many = program_ / "aa" / "images";
  fs::create_directories(many);
  for (int i = 0; i < 5000; ++i) {
    const std::string name = "p" + std::to_string(i) + ".gif";
    WriteBytes(many / name, "GIF89a " + name);
    if (i % 500 == 0) fs::permissions(many / name, fs::perms::owner_read);
  }
  std::string below;  // the bottom folder's path below the material folder
  for (int level = 0; level < 200; ++level) {
    below += (level == 0 ? "" : "/") +
             (level % 50 == 25 ? std::string(250, 'n') + std::to_string(level / 50) : "d");
  }
  const fs::path deep = fs::path(below).make_preferred();
  fs::create_directories(page_.parent_path() / deep);  // the old workspace, as deep
  WriteBytes(page_.parent_path() / "old.htm", "old work");
  fs::create_directories(program_ / "aa" / deep);
  WriteBytes(program_ / "aa" / deep / "bottom.htm", "bottom");
  fs::permissions(program_ / "aa" / deep / "bottom.htm", fs::perms::owner_read);

  const std::size_t before = PeakMemory();
  PrepareCandidateFolder(*platform_, paths_);
  ExpectPeakGrowthBelow(before, 8u << 20);

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
  EXPECT_EQ(platform_->ListPath(web + u"index.htm", Listing::kFilesOnly), u"index.htm");

  RemoveCandidateFolder(*platform_, paths_);
  EXPECT_EQ(platform_->ListPath(paths_.candidate_folder, Listing::kFilesAndFolders), u"");
  platform_->RemoveTree(test::U16(program_ / "aa"));
}

TEST_F(BadInput, ADamagedOrHugeTaskTextShowsWhatItHolds) {
  const fs::path task = root_ / "1.txt";
  const std::string heading =
      "{\\rtf1\\ansi\\ansicpg936{\\fonttbl{\\f0\\fcharset134 SimSun;}}\\f0 ";

  // Cut short, braces unbalanced, binary in the middle: what reads as text is shown.
  WriteBytes(task,
             heading + "{\\b \\'cd\\'f8\\'d2\\'b3}{{{\\i " + Binary(1000, 4) + "}}\\par x\\'c");
  RichText text = LoadTaskText(*platform_, paths_);
  EXPECT_TRUE(text.PlainText().starts_with(u"网页")) << text.runs.size();
  EXPECT_TRUE(text.runs.at(0).style.bold);

  // 10 MiB of plain GBK text: the file, its text, and the text shown.
  std::string gbk;
  while (gbk.size() < (10u << 20)) gbk += test::Gbk(u"网页制作题型集锦\r\n");
  WriteBytes(task, gbk);
  std::size_t before = PeakMemory();
  text = LoadTaskText(*platform_, paths_);
  ExpectPeakGrowthBelow(before, 64u << 20);
  ASSERT_EQ(text.runs.size(), 1u);
  EXPECT_EQ(text.runs[0].text.size(), gbk.size() / 18 * 9);

  // 10 MiB of RTF whose style changes with every character: each character
  // is a run of its own, and memory stays in step with the file (a run holds
  // its style, about 90 bytes).
  const std::string styled = "{\\b a}{\\i b}\\'cd\\'f8";
  const std::size_t repeats = (10u << 20) / styled.size();
  std::string rtf = heading;
  for (std::size_t i = 0; i < repeats; ++i) rtf += styled;
  WriteBytes(task, rtf + "}");
  before = PeakMemory();
  text = LoadTaskText(*platform_, paths_);
  ExpectPeakGrowthBelow(before, 256u << 20);
  EXPECT_EQ(text.runs.size(), repeats * 3);
  EXPECT_EQ(text.PlainText().size(), repeats * 3);
  EXPECT_TRUE(text.PlainText().starts_with(u"ab网ab网"));
}

}  // namespace
}  // namespace webexam
