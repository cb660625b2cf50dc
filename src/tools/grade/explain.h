// webexam-grade --explain: why each item of a page passed or failed, for a
// teacher to show a candidate who appeals. Item by item, each probe text:
// found in the first 32000 bytes, and where (line and column); found only
// beyond them; or not found. The marks are those grading gives.
#pragma once

#include <cstddef>
#include <string>

#include "grading/answer_key.h"
#include "platform/platform.h"

namespace webexam {

// Where a text was found: 1-based line (lines end at LF) and column (in
// characters).
struct TextPlace {
  std::size_t line = 0;
  std::size_t column = 0;
};

// The place of the first occurrence of `needle` in the decoded page text,
// compared as the page probe compares (case and width folded); line 0 when
// it is not there.
TextPlace FindPlace(std::u16string_view page_text, std::u16string_view needle);

// Grades the page (a missing one is not created: PlatformError) and returns
// the explanation as lines ending in LF.
std::u16string ExplainPage(Platform& platform, const AnswerKey& key,
                           const std::u16string& page_path);

}  // namespace webexam
