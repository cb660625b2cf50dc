// The class list a teacher brings to the results: one candidate a line, the
// exam number and the name, optionally the PC the candidate sits at,
// separated by a TAB or a comma (as a spreadsheet saves text or CSV), in GBK
// or UTF-8 with or without a byte-order mark; a header line is allowed.
// Lines that are no candidate are named with their numbers, never guessed at.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "results/share_log_reader.h"

namespace webexam {

struct RosterEntry {
  std::size_t line = 0;  // 1 for the first line of the file
  std::u16string exam_number;
  std::u16string name;
  std::u16string computer_name;  // empty when the list gives no PC
};

struct RosterProblem {
  std::size_t line = 0;
  std::u16string text;  // one sentence, starting with the line number
};

struct Roster {
  std::vector<RosterEntry> entries;     // in file order, each exam number once
  std::vector<RosterProblem> problems;  // in line order
  std::size_t header_line = 0;          // the header's line, or 0 when there is none
  bool read_as_utf8 = false;
};

// Reads the bytes of a class list. An empty line is passed over; a line
// whose first field is no exam number (digits) is a header when it is the
// first line with text, a problem otherwise; so is a line without a name,
// with more than three fields, with a control character, or with an exam
// number listed before.
Roster ReadRoster(std::string_view bytes, const GbkDecoder& decode_gbk);

// What webexam-check says of a class list: how many candidates it holds,
// then each problem, as lines ending in LF.
std::u16string RosterText(const Roster& roster);

}  // namespace webexam
