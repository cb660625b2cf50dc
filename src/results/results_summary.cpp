#include "results/results_summary.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "exam/exam_number.h"
#include "results/kept_pages.h"
#include "submission/results_share.h"
#include "text/characters.h"
#include "text/utf8.h"

namespace webexam {
namespace {

// How many lines one anomaly names before it says "and so many more".
constexpr std::size_t kLinesNamed = 10;

std::u16string Line(std::size_t line) { return u"第 " + Digits(line) + u" 行"; }

// `item_count` is the exam's, for a line whose own is not known.
std::u16string ProblemText(const LineNote& note, int item_count) {
  const int items = note.items > 0 ? note.items : item_count;
  switch (note.problem) {
    case LineProblem::kEmpty:
      return u"空行";
    case LineProblem::kFieldCount:
      if (item_count == 0) {
        return u"有 " + Digits(note.value) + u" 个字段，应为 5 到 " + Digits(kMostItems + 4) +
               u" 个";
      }
      return u"有 " + Digits(note.value) + u" 个字段，应为 " + Digits(item_count + 4) + u" 个";
    case LineProblem::kTorn:
      return u"最后一行不完整：没有行尾，只有 " + Digits(note.value) + u" 个字段";
    case LineProblem::kUndecodable:
      return u"无法识读：既不是 GBK 也不是 UTF-8 文字";
    case LineProblem::kControlCharacter: {
      static constexpr std::u16string_view kFields[] = {u"考号", u"姓名", u"计算机名"};
      return std::u16string(kFields[std::clamp(note.value, 1, 3) - 1]) + u"里有控制字符";
    }
    case LineProblem::kBadCount:
      return u"答对数不是 0 到 " + Digits(items) + u" 的整数";
    case LineProblem::kBadMark:
      return u"第 " + Digits(note.value) + u" 题的分数不是 0 或 1";
    case LineProblem::kCountNotSum:
      return u"答对数是 " + Digits(note.value) + u"，但 " + Digits(items) + u" 个分数之和是 " +
             Digits(note.other);
    case LineProblem::kReadAsUtf8:
      return u"是 UTF-8 文字而不是 GBK，已按 UTF-8 读出";
    case LineProblem::kByteOrderMark:
      return u"文件开头有 UTF-8 的 BOM 标记，已略过";
  }
  return {};
}

// The order of exam numbers: numbers by value, then any other text.
bool ExamNumberBefore(const std::u16string& a, const std::u16string& b) {
  auto is_number = [](const std::u16string& s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; });
  };
  const bool a_number = is_number(a), b_number = is_number(b);
  if (a_number != b_number) return a_number;
  if (a_number) {
    auto significant = [](const std::u16string& s) {
      return std::u16string_view(s).substr(std::min(s.find_first_not_of(u'0'), s.size()));
    };
    const std::u16string_view x = significant(a), y = significant(b);
    if (x.size() != y.size()) return x.size() < y.size();
    return x < y;
  }
  return a < b;
}

// "第 3、9 行" for up to kLinesNamed lines, then how many more.
std::u16string LineList(const std::vector<std::size_t>& lines) {
  std::u16string text = u"第 ";
  for (std::size_t i = 0; i < lines.size() && i < kLinesNamed; ++i) {
    if (i > 0) text += u"、";
    text += Digits(lines[i]);
  }
  text += u" 行";
  if (lines.size() > kLinesNamed) text += u"等 " + Digits(lines.size()) + u" 行";
  return text;
}

// How a result line differs from the class list: not on it, or another
// name or PC than the list gives. Empty when it agrees.
std::u16string RosterRemark(const ShareLogRecord& record, const Roster& roster) {
  const auto entry = std::find_if(roster.entries.begin(), roster.entries.end(),
                                  [key = ExamNumberKey(record.exam_number)](const RosterEntry& e) {
                                    return ExamNumberKey(e.exam_number) == key;
                                  });
  if (entry == roster.entries.end()) return u"不在名单上";
  std::u16string remark;
  if (entry->name != record.candidate_name) remark = u"名单上的姓名是“" + entry->name + u"”";
  if (!entry->computer_name.empty() &&
      AsciiLower(entry->computer_name) != AsciiLower(record.computer_name)) {
    if (!remark.empty()) remark += u"，";
    remark += u"名单上的计算机是 " + entry->computer_name;
  }
  return remark;
}

// The class list against the lines: who has none, and the lines that do not
// agree with it.
template <typename Add>
void AddRoster(ResultsSummary& summary, const ShareLogContent& log, const Roster& roster, Add add) {
  summary.has_roster = true;
  summary.expected = roster.entries.size();
  std::unordered_set<std::u16string> submitted;
  for (const ShareLogRecord& record : log.records) {
    submitted.insert(ExamNumberKey(record.exam_number));
    const std::u16string remark = RosterRemark(record, roster);
    if (remark == u"不在名单上") {
      add(record.line, u"考号不在名单上");
    } else if (!remark.empty()) {
      add(record.line, u"与名单不符：" + remark);
    }
  }
  std::unordered_map<std::u16string, std::size_t> malformed_line;
  for (const ShareLogRecord& record : log.malformed) {
    malformed_line.emplace(ExamNumberKey(record.exam_number), record.line);
  }
  for (const RosterEntry& entry : roster.entries) {
    const std::u16string key = ExamNumberKey(entry.exam_number);
    if (submitted.contains(key)) continue;
    const auto found = malformed_line.find(key);
    summary.missing.push_back({entry, found == malformed_line.end() ? 0 : found->second});
  }
  std::stable_sort(summary.missing.begin(), summary.missing.end(),
                   [](const Missing& a, const Missing& b) {
                     return ExamNumberBefore(a.candidate.exam_number, b.candidate.exam_number);
                   });
}

// A line of a PC with several, as its anomaly names it: "第 8 行（120722003
// 王五，答对 22 题，页面 pages/120722003-JF03(2).htm）". The page is left out
// when the pages folder could not be listed.
std::u16string Described(const ShareLogRecord& record, const KeptPages* kept) {
  std::u16string who = ShownName(record.exam_number);
  if (!record.candidate_name.empty()) who += u" " + ShownName(record.candidate_name);
  std::u16string text =
      Line(record.line) + u"（" + who + u"，答对 " + Digits(record.correct_count) + u" 题";
  if (kept) {
    const auto page = kept->of_line.find(record.line);
    text += page == kept->of_line.end() ? u"，没有留下页面"
                                        : u"，页面 " + std::u16string(kKeptPagesFolderName) + u"/" +
                                              ShownName(page->second);
  }
  return text + u"）";
}

// What a teacher needs to settle a PC with several lines: which came first
// and counts, whose each line is and where its page is, and the likely cause.
std::u16string SeveralLinesDetail(const std::vector<const ShareLogRecord*>& lines,
                                  const KeptPages* kept) {
  std::u16string text = u"：先交的" + Described(*lines.front(), kept) + u"算数；后交的";
  bool other_candidate = false;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const ShareLogRecord& record = *lines[i];
    other_candidate = other_candidate || record.exam_number != lines.front()->exam_number ||
                      record.candidate_name != lines.front()->candidate_name;
    if (i < kLinesNamed) text += (i > 1 ? u"、" : u"") + Described(record, kept);
  }
  if (lines.size() > kLinesNamed) text += u"等 " + Digits(lines.size() - 1) + u" 行";
  text += u"。";
  if (other_candidate) text += u"各行的考生不同，请按座位表核对谁在这台计算机上考试。";
  return text +
         u"多半是这台计算机装有还原卡（硬盘保护），重启后本机的交卷记号被还原，"
         u"于是又交了一次";
}

}  // namespace

int Percent(int passed, int total) {
  if (total <= 0) return 0;
  return static_cast<int>((static_cast<long long>(passed) * 200 + total) / (2LL * total));
}

bool IsWeakItem(int passed, int total) {
  return total > 0 && static_cast<long long>(passed) * 2 < total;
}

std::u16string ExamNumberAndName(const ShareLogRecord& record) {
  std::u16string who = ShownName(record.exam_number);
  if (!record.candidate_name.empty()) {
    if (!who.empty()) who += u' ';
    who += ShownName(record.candidate_name);
  }
  return who;
}

std::u16string Who(const ShareLogRecord& record) {
  const std::u16string who = ExamNumberAndName(record);
  return who.empty() ? who : u"（" + who + u"）";
}

ResultsSummary Summarize(ShareLogContent log, std::vector<std::u16string> markers,
                         const Roster* roster, const std::vector<std::u16string>* kept_pages,
                         int item_count) {
  ResultsSummary summary;
  const bool exam_known = item_count > 0;
  summary.item_count = exam_known ? item_count : UsualItemCount(log.records);
  // Lines of another exam, by their item count in the order first seen.
  std::vector<std::pair<int, std::vector<std::size_t>>> other_exams;
  std::unordered_set<std::size_t> other_exam_lines;
  std::erase_if(log.records, [&](ShareLogRecord& record) {
    const int count = record.marks.Count();
    if (count == summary.item_count) return false;
    auto group = std::find_if(other_exams.begin(), other_exams.end(),
                              [count](const auto& other) { return other.first == count; });
    if (group == other_exams.end()) group = other_exams.insert(other_exams.end(), {count, {}});
    group->second.push_back(record.line);
    other_exam_lines.insert(record.line);
    log.malformed.push_back(std::move(record));
    return true;
  });
  // With the exam known, the reader took a line of another item count for
  // one of the wrong number of fields.
  if (exam_known) {
    for (const LineNote& note : log.notes) {
      const int count = note.value - 4;
      if (note.problem != LineProblem::kFieldCount || count < 1 || count > kMostItems) continue;
      auto group = std::find_if(other_exams.begin(), other_exams.end(),
                                [count](const auto& other) { return other.first == count; });
      if (group == other_exams.end()) group = other_exams.insert(other_exams.end(), {count, {}});
      group->second.push_back(note.line);
      other_exam_lines.insert(note.line);
    }
  }
  std::stable_sort(
      log.malformed.begin(), log.malformed.end(),
      [](const ShareLogRecord& a, const ShareLogRecord& b) { return a.line < b.line; });
  std::optional<KeptPages> kept;
  if (kept_pages) kept = MatchKeptPages(log.records, *kept_pages);
  std::unordered_map<std::size_t, const ShareLogRecord*> record_of;
  for (const ShareLogRecord& record : log.records) record_of.emplace(record.line, &record);
  summary.line_count = log.line_count;
  summary.passed = PerItem<int>(summary.item_count);
  summary.with_count.assign(static_cast<std::size_t>(summary.item_count) + 1, 0);

  // Whose each line is, where it says: "第 3 行（120722003 王五）".
  std::unordered_map<std::size_t, std::u16string> who;
  for (const ShareLogRecord& record : log.records) who.emplace(record.line, Who(record));
  // A line that is no result line is in no table row, so it names its PC
  // as well: "第 4 行（120722004 张�，计算机 JF04）".
  for (const ShareLogRecord& record : log.malformed) {
    std::u16string text = Who(record);
    if (!record.computer_name.empty()) {
      const std::u16string pc = u"计算机 " + ShownName(record.computer_name);
      text =
          text.empty() ? u"（" + pc + u"）" : text.substr(0, text.size() - 1) + u"，" + pc + u"）";
    }
    who.emplace(record.line, text);
  }
  auto named = [&who](std::size_t line) {
    const auto found = who.find(line);
    return Line(line) + (found == who.end() ? u"" : found->second) + u"：";
  };
  auto add = [&](std::size_t line, const std::u16string& text) {
    summary.anomalies.push_back({line, named(line) + text});
  };
  for (const LineNote& note : log.notes) add(note.line, ProblemText(note, summary.item_count));
  for (const auto& [count, lines] : other_exams) {
    add(lines.front(), u"共享文件夹里有两套考题的成绩：" + LineList(lines) + u"有 " +
                           Digits(count) + u" 道题的分数，而" +
                           (exam_known ? u"给的考题" : u"多数行") + u"是 " +
                           Digits(summary.item_count) +
                           u" 道题，这些行没有算进成绩表。请查看这些考生机用的是不是本场的考题");
  }
  if (log.notes_left_off > 0) {
    const std::size_t after = log.notes.empty() ? 0 : log.notes.back().line;
    summary.anomalies.push_back(
        {after, Line(after) + u"之后还有 " + Digits(log.notes_left_off) +
                    u" 条行的问题没有列出（只列出前 " + Digits(kNotesKept) +
                    u" 条）。这么多坏行多半是有人往 cjwyzz.txt 里写了别的东西，请查看这个文件。"});
  }
  if (log.cut_at_limit) {
    summary.anomalies.push_back(
        {0, u"cjwyzz.txt 超过 " + Digits(kShareLogReadLimit >> 20) + u" MiB，只读了前 " +
                Digits(log.line_count) +
                u" 行，后面的没有读。一场考试的成绩远没有这么多，请查看是谁往里写了这些内容。"});
  }

  // The markers, without the share's own files, in name order so that what
  // is said of them does not depend on the order the folder lists them in.
  std::erase_if(markers, IsNoSubmission);
  std::sort(markers.begin(), markers.end());
  summary.marker_count = markers.size();
  std::unordered_set<std::u16string> marked;
  for (const std::u16string& name : markers) marked.insert(AsciiLower(name));

  // Every result line's PC and exam number, in line order.
  struct Pc {
    std::vector<std::size_t> lines;
    std::u16string name;  // as its first line has it
  };
  std::unordered_map<std::u16string, Pc> seen_pc;
  struct Seen {
    std::vector<std::size_t> lines;
    std::unordered_set<std::u16string> pcs;
  };
  std::unordered_map<std::u16string, Seen> seen_exam;
  std::vector<std::u16string> pc_order, exam_order;  // first appearance, for a fixed output order
  for (const ShareLogRecord& record : log.records) {
    const std::u16string pc = AsciiLower(record.computer_name);
    Pc& seen = seen_pc[pc];
    if (seen.lines.empty()) {
      pc_order.push_back(pc);
      seen.name = record.computer_name;
    }
    seen.lines.push_back(record.line);
    Seen& exam = seen_exam[ExamNumberKey(record.exam_number)];
    if (exam.lines.empty()) exam_order.push_back(ExamNumberKey(record.exam_number));
    exam.lines.push_back(record.line);
    exam.pcs.insert(pc);

    if (record.computer_name.empty()) {
      add(record.line, u"计算机名为空，共享文件夹里不会有它的记号文件");
    } else if (!marked.contains(pc)) {
      add(record.line, u"计算机 " + record.computer_name + u" 没有记号文件");
    }
    for (int item = 1; item <= record.marks.Count(); ++item) {
      summary.passed[item] += record.marks[item];
    }
    ++summary.with_count[static_cast<std::size_t>(record.correct_count)];
  }
  for (const std::u16string& pc : pc_order) {
    const Pc& seen = seen_pc[pc];
    const std::vector<std::size_t>& lines = seen.lines;
    // Lines without a computer name need not come from one PC.
    if (lines.size() < 2 || pc.empty()) continue;
    std::vector<const ShareLogRecord*> records;
    for (std::size_t line : lines) records.push_back(record_of.at(line));
    add(lines.front(), u"计算机 " + seen.name + u" 有 " + Digits(lines.size()) + u" 行成绩（" +
                           LineList(lines) + u"）" +
                           SeveralLinesDetail(records, kept ? &*kept : nullptr));
  }
  for (const std::u16string& number : exam_order) {
    const Seen& exam = seen_exam[number];
    if (exam.pcs.size() < 2) continue;
    add(exam.lines.front(), u"考号 " + record_of.at(exam.lines.front())->exam_number + u" 出现在 " +
                                Digits(exam.pcs.size()) + u" 台计算机上（" + LineList(exam.lines) +
                                u"）");
  }

  // A PC whose lines are all malformed did send a line: it is named with
  // those lines rather than reported as having none.
  std::unordered_map<std::u16string, std::vector<std::size_t>> malformed_of_pc;
  for (const ShareLogRecord& record : log.malformed) {
    malformed_of_pc[AsciiLower(record.computer_name)].push_back(record.line);
  }
  for (const std::u16string& name : markers) {
    if (seen_pc.contains(AsciiLower(name))) continue;
    if (const auto found = malformed_of_pc.find(AsciiLower(name)); found != malformed_of_pc.end()) {
      const bool other_exam =
          std::all_of(found->second.begin(), found->second.end(),
                      [&](std::size_t line) { return other_exam_lines.contains(line); });
      add(found->second.front(), u"计算机 " + ShownName(name) +
                                     u" 留有记号文件，但它在 cjwyzz.txt 里只有" +
                                     (other_exam ? u"另一套考题的成绩行（" : u"格式不对的行（") +
                                     LineList(found->second) + u"）");
    } else {
      summary.anomalies.push_back(
          {0, u"计算机 " + ShownName(name) + u" 留有记号文件，但 cjwyzz.txt 里没有它的成绩行"});
    }
  }

  if (roster) AddRoster(summary, log, *roster, add);

  std::stable_sort(summary.anomalies.begin(), summary.anomalies.end(),
                   [](const Anomaly& a, const Anomaly& b) {
                     return (a.line == 0 ? SIZE_MAX : a.line) < (b.line == 0 ? SIZE_MAX : b.line);
                   });

  summary.rows = std::move(log.records);
  std::stable_sort(summary.rows.begin(), summary.rows.end(),
                   [](const ShareLogRecord& a, const ShareLogRecord& b) {
                     return ExamNumberBefore(a.exam_number, b.exam_number);
                   });
  summary.remarks.resize(summary.rows.size());
  if (roster) {
    for (std::size_t i = 0; i < summary.rows.size(); ++i) {
      summary.remarks[i] = RosterRemark(summary.rows[i], *roster);
    }
  }
  return summary;
}

}  // namespace webexam
