// Grading: the candidate's page against the answer key, through the page
// probe, into one mark per item and their count.
#pragma once

#include <array>
#include <string>

#include "grading/answer_key.h"
#include "platform/platform.h"

namespace webexam {

struct GradeResult {
  Marks marks;
  int correct_count = 0;  // the number of marks that are 1

  int Mark(int item) const { return marks[item]; }
};

// Makes a probe for every probe text of `key` in key order, on a probe state
// of its own whose match flag it clears after each, and returns the marks. A
// probe failure (the page cannot be read) throws and no result is produced.
GradeResult GradePage(Platform& platform, const AnswerKey& key, const std::u16string& page_path,
                      Platform::IfMissing if_missing = Platform::IfMissing::kCreateEmpty);

// The same, also giving the bytes the last probe read (at most the first
// 32000 of the page): what the marks were given for.
GradeResult GradePage(Platform& platform, const AnswerKey& key, const std::u16string& page_path,
                      Platform::IfMissing if_missing, std::string& graded_bytes);

}  // namespace webexam
