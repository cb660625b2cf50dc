// Reading an exam's file, on any bytes, editable or sealed. Whatever the file
// holds, it is either refused with an error whose line lies within the file,
// or it gives an exam of 1 to 50 items, each with at least one text, and a
// safe candidate folder; that exam, written and sealed, reads back the same.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string_view>

#include "exam/exam_file.h"
#include "exam/sealed_exam.h"
#include "fuzz_harness.h"

using namespace webexam;
using fuzz::Expect;
using fuzz::Fail;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Platform& platform = fuzz::ThePlatform();
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const int lines = static_cast<int>(std::count(bytes.begin(), bytes.end(), '\n')) + 1;

  // The sealed reading only ever refuses what it cannot read.
  try {
    UnsealExam(platform, bytes, u"exam.sealed");
  } catch (const ExamFileError& error) {
    Expect(error.line() >= 0 && error.line() <= lines, "a sealed file's error past its lines");
  }

  Exam exam;
  try {
    exam = ParseExamFile(platform, bytes, u"exam.txt");
  } catch (const ExamFileError& error) {
    Expect(error.line() >= 0 && error.line() <= lines, "an error on a line the file has not");
    Expect(!error.message().empty(), "an error without words");
    return 0;
  }
  const int items = ItemCount(exam.key);
  Expect(items >= 1 && items <= kMostItems, "an item count out of bounds");
  for (const AnswerItem& item : exam.key) {
    Expect(!item.probe_texts.empty(), "an item without texts");
    for (const std::u16string& text : item.probe_texts)
      Expect(!text.empty(), "an empty probe text");
  }
  Expect(IsSafeCandidateFolderName(exam.candidate_folder), "an unsafe folder");
  // The written file holds every field of the exam, the least number as
  // text: an exam read back writes the same text, and has the same number.
  const std::string text = ExamFileText(exam);
  const auto same = [&](const Exam& back) {
    return ExamFileText(back) == text && back.least_number == exam.least_number;
  };
  try {
    Expect(same(ParseExamFile(platform, text, u"exam.txt")),
           "the written exam reads back as another");
    Expect(same(UnsealExam(platform, SealExam(exam), u"exam.sealed")),
           "the sealed exam reads back as another");
  } catch (const ExamFileError& error) {
    std::fprintf(stderr, "%s\n", error.what());
    Fail("the written exam is refused");
  }
  return 0;
}
