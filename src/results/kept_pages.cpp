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

// The stem that a key's pages' names start with, in lower case.
std::u16string StemOf(const Key& key) { return AsciiLower(KeptPageStem(key.first, key.second)); }

}  // namespace

KeptPages MatchKeptPages(const std::vector<ShareLogRecord>& records,
                         const std::vector<std::u16string>& names) {
  // Each key's lines in file order, and the keys each base name stands for.
  std::map<Key, std::vector<std::size_t>> lines_of;
  std::map<std::u16string, std::vector<Key>> keys_of_base;
  for (const ShareLogRecord& record : records) {
    const Key key{record.exam_number, AsciiLower(record.computer_name)};
    std::vector<std::size_t>& lines = lines_of[key];
    if (lines.empty()) keys_of_base[StemOf(key)].push_back(key);
    lines.push_back(record.line);
  }

  KeptPages kept;
  std::vector<std::u16string> sorted = names;
  std::sort(sorted.begin(), sorted.end());
  std::map<Key, std::vector<std::pair<int, std::u16string>>> pages_of;
  for (const std::u16string& name : sorted) {
    // Every (key, sequence) whose name this is: as a first page, and as a
    // later one when it ends in a sequence number.
    const std::u16string lower = AsciiLower(name);
    std::vector<std::pair<Key, int>> claims;
    const std::vector<KeptPageReading> readings = ReadKeptPageName(lower);
    if (readings.empty()) continue;
    for (const KeptPageReading& reading : readings) {
      if (const auto found = keys_of_base.find(std::u16string(reading.stem));
          found != keys_of_base.end()) {
        for (const Key& key : found->second) claims.emplace_back(key, reading.sequence);
      }
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
