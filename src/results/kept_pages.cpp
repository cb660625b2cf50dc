#include "results/kept_pages.h"

#include <algorithm>
#include <map>
#include <utility>

#include "text/characters.h"
#include "text/utf8.h"

namespace webexam {
namespace {

// The exam number and the PC a line's pages are named after, the PC's name
// in lower case: Windows names files and computers without regard to case.
using Key = std::pair<std::u16string, std::u16string>;

// The name without ".htm" that a key's pages start with, in lower case.
std::u16string BaseOf(std::u16string_view exam_number, std::u16string_view computer_name) {
  return AsciiLower(std::u16string(exam_number) + u"-" + std::u16string(computer_name));
}

// The sequence number a stem ends with, "(2)" to "(999)", with the length of
// the stem before it; 0 when it ends with none.
int SequenceAtEnd(std::u16string_view stem, std::size_t& base_length) {
  if (stem.empty() || stem.back() != u')') return 0;
  const std::size_t open = stem.rfind(u'(');
  if (open == std::u16string_view::npos) return 0;
  const std::u16string_view digits = stem.substr(open + 1, stem.size() - open - 2);
  if (digits.empty() || digits.size() > 3 || digits.front() == u'0') return 0;
  int sequence = 0;
  for (char16_t c : digits) {
    if (c < u'0' || c > u'9') return 0;
    sequence = sequence * 10 + (c - u'0');
  }
  if (sequence < 2) return 0;
  base_length = open;
  return sequence;
}

}  // namespace

KeptPages MatchKeptPages(const std::vector<ShareLogRecord>& records,
                         const std::vector<std::u16string>& names) {
  // Each key's lines in file order, and the keys each base name stands for.
  std::map<Key, std::vector<std::size_t>> lines_of;
  std::map<std::u16string, std::vector<Key>> keys_of_base;
  for (const ShareLogRecord& record : records) {
    const Key key{record.exam_number, AsciiLower(record.computer_name)};
    std::vector<std::size_t>& lines = lines_of[key];
    if (lines.empty()) keys_of_base[BaseOf(key.first, key.second)].push_back(key);
    lines.push_back(record.line);
  }

  KeptPages kept;
  std::vector<std::u16string> sorted = names;
  std::sort(sorted.begin(), sorted.end());
  std::map<Key, std::vector<std::pair<int, std::u16string>>> pages_of;
  for (const std::u16string& name : sorted) {
    if (name.size() <= kKeptPageEnding.size() ||
        !EqualIgnoringAsciiCase(
            std::u16string_view(name).substr(name.size() - kKeptPageEnding.size()),
            kKeptPageEnding)) {
      continue;
    }
    const std::u16string stem = AsciiLower(name.substr(0, name.size() - kKeptPageEnding.size()));
    // Every (key, sequence) whose name this is: as a first page, and as a
    // later one when it ends in a sequence number.
    std::vector<std::pair<Key, int>> claims;
    auto claim = [&](const std::u16string& base, int sequence) {
      if (const auto found = keys_of_base.find(base); found != keys_of_base.end()) {
        for (const Key& key : found->second) claims.emplace_back(key, sequence);
      }
    };
    claim(stem, 1);
    std::size_t base_length = 0;
    if (const int sequence = SequenceAtEnd(stem, base_length)) {
      claim(stem.substr(0, base_length), sequence);
    }
    if (claims.empty()) {
      kept.without_line.push_back(name);
    } else if (claims.size() > 1) {
      kept.ambiguous.push_back(name);
    } else {
      pages_of[claims[0].first].emplace_back(claims[0].second, name);
    }
  }

  for (auto& [key, pages] : pages_of) {
    std::sort(pages.begin(), pages.end());
    const std::vector<std::size_t>& lines = lines_of[key];
    for (std::size_t i = 0; i < pages.size(); ++i) {
      if (i < lines.size()) {
        kept.of_line.emplace(lines[i], pages[i].second);
      } else {
        kept.without_line.push_back(pages[i].second);
      }
    }
    if (pages.size() < lines.size()) kept.fewer_pages.push_back(lines);
  }
  std::sort(kept.without_line.begin(), kept.without_line.end());
  // In the order of their first lines.
  std::sort(kept.fewer_pages.begin(), kept.fewer_pages.end());
  return kept;
}

}  // namespace webexam
