// Reading an exam's file, on any bytes, editable or sealed. Whatever the file
// holds, it is either refused with an error whose line lies within the file,
// or it gives an exam of 1 to 50 items, each with at least one text, and a
// safe candidate folder; that exam, written and sealed, reads back the same.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string_view>

#include "exam/exam_file.h"
#include "exam/sealed_exam.h"
#include "platform/platform.h"

namespace {

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "%s\n", what);
  std::abort();
}

bool Same(const webexam::Exam& a, const webexam::Exam& b) {
  if (a.title != b.title || a.range_text != b.range_text ||
      a.bad_number_message != b.bad_number_message || a.number_start != b.number_start ||
      a.least_number != b.least_number || a.candidate_folder != b.candidate_folder ||
      a.key.size() != b.key.size()) {
    return false;
  }
  for (std::size_t i = 0; i < a.key.size(); ++i) {
    if (a.key[i].rule != b.key[i].rule || a.key[i].probe_texts != b.key[i].probe_texts) {
      return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::unique_ptr<webexam::Platform> platform = webexam::MakePlatform();
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const int lines = static_cast<int>(std::count(bytes.begin(), bytes.end(), '\n')) + 1;

  // The sealed reading only ever refuses what it cannot read.
  try {
    webexam::UnsealExam(*platform, bytes, u"exam.sealed");
  } catch (const webexam::ExamFileError& error) {
    if (error.line() < 0 || error.line() > lines) Fail("a sealed file's error past its lines");
  }

  webexam::Exam exam;
  try {
    exam = webexam::ParseExamFile(*platform, bytes, u"exam.txt");
  } catch (const webexam::ExamFileError& error) {
    if (error.line() < 0 || error.line() > lines) Fail("an error on a line the file has not");
    if (error.message().empty()) Fail("an error without words");
    return 0;
  }
  const int items = webexam::ItemCount(exam.key);
  if (items < 1 || items > webexam::kMostItems) Fail("an item count out of bounds");
  for (const webexam::AnswerItem& item : exam.key) {
    if (item.probe_texts.empty()) Fail("an item without texts");
    for (const std::u16string& text : item.probe_texts) {
      if (text.empty()) Fail("an empty probe text");
    }
  }
  if (!webexam::IsSafeCandidateFolderName(exam.candidate_folder)) Fail("an unsafe folder");
  try {
    if (!Same(webexam::ParseExamFile(*platform, webexam::ExamFileText(exam), u"exam.txt"), exam)) {
      Fail("the written exam reads back as another");
    }
    if (!Same(webexam::UnsealExam(*platform, webexam::SealExam(exam), u"exam.sealed"), exam)) {
      Fail("the sealed exam reads back as another");
    }
  } catch (const webexam::ExamFileError& error) {
    std::fprintf(stderr, "%s\n", error.what());
    Fail("the written exam is refused");
  }
  return 0;
}
