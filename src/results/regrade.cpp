#include "results/regrade.h"

#include <algorithm>
#include <set>
#include <unordered_map>
#include <utility>

#include "grading/grade_page.h"
#include "results/kept_pages.h"
#include "results/results_summary.h"
#include "text/characters.h"
#include "text/utf8.h"

namespace webexam {
namespace {

std::u16string LineList(const std::vector<std::size_t>& lines) {
  std::u16string text = u"第 ";
  for (std::size_t i = 0; i < lines.size(); ++i) text += (i > 0 ? u"、" : u"") + Digits(lines[i]);
  return text + u" 行";
}

}  // namespace

RegradeReport Regrade(Platform& platform, const AnswerKey& key, const std::u16string& share,
                      const ShareLogContent& log, std::vector<std::u16string> pages) {
  const std::u16string folder = share + std::u16string(kKeptPagesFolderName);
  std::vector<std::u16string> names = std::move(pages);
  std::sort(names.begin(), names.end());

  // Each line's page, found by the names its exam number and PC build: a PC
  // that submitted again (restore software took back its marker, or the
  // teacher removed it) left a page for each line.
  const KeptPages kept = MatchKeptPages(log.records, names);
  std::unordered_map<std::u16string, const ShareLogRecord*> line_of_page;
  std::unordered_map<std::size_t, const ShareLogRecord*> record_of;
  for (const ShareLogRecord& record : log.records) {
    record_of.emplace(record.line, &record);
    if (const auto page = kept.of_line.find(record.line); page != kept.of_line.end()) {
      line_of_page.emplace(page->second, &record);
    }
  }
  const std::set<std::u16string> ambiguous(kept.ambiguous.begin(), kept.ambiguous.end());

  RegradeReport report;
  std::vector<std::pair<std::size_t, std::u16string>> differing;  // by line
  std::vector<std::u16string> without_line, unclear, unreadable;
  for (const std::u16string& name : names) {
    if (!IsKeptPageName(name)) continue;
    const std::u16string shown = std::u16string(kKeptPagesFolderName) + u"/" + ShownName(name);
    GradeResult regraded;
    try {
      regraded = GradePage(platform, key, folder + platform.PathSeparator() + name,
                           Platform::IfMissing::kFail);
    } catch (const PlatformError& error) {
      unreadable.push_back(shown + u"：" + FromUtf8(error.what()));
      continue;
    }
    ++report.pages;
    const std::u16string count = u"（重评答对 " + Digits(regraded.correct_count) + u" 题）";
    if (ambiguous.contains(name)) {
      unclear.push_back(shown + u"：不止一对考号和计算机名连起来是这个名字，分不清是谁的" + count);
      continue;
    }
    const auto found = line_of_page.find(name);
    if (found == line_of_page.end()) {
      without_line.push_back(shown + u"：cjwyzz.txt 里没有这台计算机这个考号的成绩行" + count);
      continue;
    }
    const ShareLogRecord& record = *found->second;
    std::u16string items;
    for (int item = 1; item <= std::min(record.marks.Count(), regraded.marks.Count()); ++item) {
      const int logged = record.marks[item];
      if (logged == regraded.Mark(item)) continue;
      if (!items.empty()) items += u"、";
      items += u"第 " + Digits(item) + u" 题（成绩行 " + Digits(logged) + u"，重评 " +
               Digits(regraded.Mark(item)) + u"）";
    }
    if (items.empty() && record.correct_count == regraded.correct_count) continue;
    ++report.differing;
    differing.emplace_back(record.line, u"第 " + Digits(record.line) + u" 行" + Who(record) +
                                            u"：成绩行答对 " + Digits(record.correct_count) +
                                            u" 题，重评答对 " + Digits(regraded.correct_count) +
                                            u" 题；不同的题：" + items);
  }
  std::sort(differing.begin(), differing.end());

  std::vector<std::size_t> no_page;
  for (const ShareLogRecord& record : log.records) {
    if (!kept.of_line.contains(record.line)) no_page.push_back(record.line);
  }

  std::u16string& out = report.text;
  out = u"重评 " + ShownName(folder) + u" 里的 " + Digits(report.pages) +
        u" 个页面：与成绩行不同的 " + Digits(report.differing) + u" 个\n";
  if (!differing.empty()) {
    out += u"\n与重评不同的成绩行：\n";
    for (const auto& [line, text] : differing) out += text + u"\n";
  }
  if (!without_line.empty()) {
    out += u"\n没有成绩行的页面：\n";
    for (const std::u16string& text : without_line) out += text + u"\n";
  }
  if (!unclear.empty()) {
    out += u"\n分不清是谁的页面：\n";
    for (const std::u16string& text : unclear) out += text + u"\n";
  }
  if (!unreadable.empty()) {
    out += u"\n读不了的页面：\n";
    for (const std::u16string& text : unreadable) out += text + u"\n";
  }
  if (!no_page.empty()) {
    out += u"\n没有留下页面的成绩行（" + Digits(no_page.size()) + u" 行）：" + LineList(no_page) +
           u"\n";
  }
  if (!kept.fewer_pages.empty()) {
    out += u"\n页面比成绩行少的（页面按先后给了前面的行；中间有页面没能留下时会对错）：\n";
    for (const std::vector<std::size_t>& lines : kept.fewer_pages) {
      out += LineList(lines) + Who(*record_of.at(lines.front())) + u"\n";
    }
  }
  return report;
}

}  // namespace webexam
