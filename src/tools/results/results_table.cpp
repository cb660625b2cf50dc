#include "tools/results/results_table.h"

#include <algorithm>

#include "text/utf8.h"
#include "tools/common/terminal.h"

namespace webexam {
namespace {

// A name wider than this is not padded further, so that one long name
// cannot push the whole table off the screen.
constexpr std::size_t kWidestColumn = 20;

std::u16string Bar(std::size_t length) { return std::u16string(length, u'#'); }

std::size_t ColumnWidth(std::u16string_view header, const std::vector<ShareLogRecord>& rows,
                        std::u16string ShareLogRecord::*field) {
  std::size_t width = DisplayWidth(header);
  for (const ShareLogRecord& row : rows) width = std::max(width, DisplayWidth(row.*field));
  return std::min(width, kWidestColumn);
}

void AppendTable(std::u16string& out, const ResultsSummary& summary) {
  out += u"成绩（按考号排序，共 " + Digits(summary.Candidates()) + u" 行）\n";
  if (summary.rows.empty()) {
    out += u"没有成绩行。\n";
    return;
  }
  const std::size_t number_width = ColumnWidth(u"考号", summary.rows, &ShareLogRecord::exam_number);
  const std::size_t name_width =
      ColumnWidth(u"姓名", summary.rows, &ShareLogRecord::candidate_name);
  const std::size_t pc_width = ColumnWidth(u"计算机", summary.rows, &ShareLogRecord::computer_name);
  const std::u16string count_header = u"答对数";
  const std::size_t count_width = DisplayWidth(count_header);
  std::size_t line_width = DisplayWidth(u"行号");
  for (const ShareLogRecord& row : summary.rows) {
    line_width = std::max(line_width, Digits(row.line).size());
  }
  const std::size_t marks_at =
      line_width + number_width + name_width + pc_width + count_width + 5 * 2;

  // The item numbers stand in two rows, tens above units, over one column each.
  std::u16string tens(marks_at, u' '), units;
  for (int item = 1; item <= summary.item_count; ++item) {
    tens += item >= 10 ? static_cast<char16_t>(u'0' + item / 10) : u' ';
    units += static_cast<char16_t>(u'0' + item % 10);
    if (item < summary.item_count) tens += u' ', units += u' ';
  }
  while (!tens.empty() && tens.back() == u' ') tens.pop_back();
  out += tens + u"\n";
  out += PadLeft(u"行号", line_width) + u"  " + PadRight(u"考号", number_width) + u"  " +
         PadRight(u"姓名", name_width) + u"  " + PadRight(u"计算机", pc_width) + u"  " +
         count_header + u"  " + units + u"\n";
  for (std::size_t i = 0; i < summary.rows.size(); ++i) {
    const ShareLogRecord& row = summary.rows[i];
    std::u16string line = PadLeft(Digits(row.line), line_width) + u"  " +
                          PadRight(row.exam_number, number_width) + u"  " +
                          PadRight(row.candidate_name, name_width) + u"  " +
                          PadRight(row.computer_name, pc_width) + u"  " +
                          PadLeft(Digits(row.correct_count), count_width) + u" ";
    for (int mark : row.marks) line += u' ', line += static_cast<char16_t>(u'0' + mark);
    if (!summary.remarks[i].empty()) line += u"  " + summary.remarks[i];
    out += line + u"\n";
  }
}

void AppendMissing(std::u16string& out, const ResultsSummary& summary) {
  out += u"名单：应交 " + Digits(summary.expected) + u" 人，已交 " + Digits(summary.Submitted()) +
         u" 人，未交 " + Digits(summary.missing.size()) + u" 人\n";
  if (summary.missing.empty()) return;
  std::size_t number_width = DisplayWidth(u"考号"), name_width = DisplayWidth(u"姓名");
  for (const Missing& missing : summary.missing) {
    number_width = std::max(number_width, DisplayWidth(missing.candidate.exam_number));
    name_width = std::max(name_width, DisplayWidth(missing.candidate.name));
  }
  number_width = std::min(number_width, kWidestColumn);
  name_width = std::min(name_width, kWidestColumn);
  out += u"未交：\n" + PadRight(u"考号", number_width) + u"  " + PadRight(u"姓名", name_width) +
         u"  计算机\n";
  for (const Missing& missing : summary.missing) {
    std::u16string line = PadRight(missing.candidate.exam_number, number_width) + u"  " +
                          PadRight(missing.candidate.name, name_width) + u"  " +
                          missing.candidate.computer_name;
    if (missing.malformed_line != 0) {
      line += u"  （只有格式不对的第 " + Digits(missing.malformed_line) + u" 行）";
    }
    while (!line.empty() && line.back() == u' ') line.pop_back();
    out += line + u"\n";
  }
}

void AppendPassRates(std::u16string& out, const ResultsSummary& summary) {
  const int total = summary.Candidates();
  out += u"各题通过率（共 " + Digits(total) + u" 行成绩；不到一半通过的题标“偏低”）\n";
  if (total == 0) {
    out += u"没有成绩行，无从统计。\n";
    return;
  }
  out += u"题号  通过  通过率\n";
  for (int item = 1; item <= summary.item_count; ++item) {
    const int passed = summary.passed[item];
    const int percent = Percent(passed, total);
    std::u16string line = PadLeft(Digits(item), 4) + u"  " + PadLeft(Digits(passed), 4) + u"  " +
                          PadLeft(Digits(percent) + u"%", 6) + u"  " +
                          PadRight(Bar(static_cast<std::size_t>((percent + 2) / 5)), 20);
    if (IsWeakItem(passed, total)) line += u"  偏低";
    while (!line.empty() && line.back() == u' ') line.pop_back();
    out += line + u"\n";
  }
}

void AppendDistribution(std::u16string& out, const ResultsSummary& summary) {
  out += u"答对数分布\n";
  if (summary.rows.empty()) {
    out += u"没有成绩行，无从统计。\n";
    return;
  }
  const int most = *std::max_element(summary.with_count.begin(), summary.with_count.end());
  out += u"答对数  人数\n";
  for (int count = 0; count <= summary.item_count; ++count) {
    const int n = summary.with_count[static_cast<std::size_t>(count)];
    // Forty columns for the most common count; any count that occurs shows.
    const auto length = static_cast<std::size_t>((n * 40 + most - 1) / most);
    std::u16string line =
        PadLeft(Digits(count), 6) + u"  " + PadLeft(Digits(n), 4) + u"  " + Bar(length);
    while (line.back() == u' ') line.pop_back();
    out += line + u"\n";
  }
}

void AppendAnomalies(std::u16string& out, const ResultsSummary& summary) {
  if (summary.anomalies.empty()) {
    out += u"异常：没有\n";
    return;
  }
  out += u"异常（" + Digits(summary.anomalies.size()) + u" 条）\n";
  const std::size_t listed = std::min(summary.anomalies.size(), kAnomaliesListed);
  for (std::size_t i = 0; i < listed; ++i) out += summary.anomalies[i].text + u"\n";
  if (listed < summary.anomalies.size()) {
    out += u"……另有 " + Digits(summary.anomalies.size() - listed) + u" 条未列出\n";
  }
}

// Whether a spreadsheet could take the text for a formula: its first
// character after any blanks (ASCII or ideographic) is = + - or @, in the
// ASCII or the full-width form, which a Chinese spreadsheet reads alike.
bool LooksLikeFormula(std::u16string_view text) {
  const std::size_t first = text.find_first_not_of(u" \u3000");
  return first != std::u16string_view::npos &&
         std::u16string_view(u"=+-@\uFF1D\uFF0B\uFF0D\uFF20").find(text[first]) !=
             std::u16string_view::npos;
}

// One CSV field: quoted when it holds a comma, a quote or a line end, quotes
// doubled. A text that a spreadsheet would take for a formula gets a leading
// apostrophe: names are typed by candidates.
std::string CsvField(std::u16string_view text, bool is_text) {
  std::string field = ToUtf8(text);
  if (is_text && LooksLikeFormula(text)) field.insert(0, 1, '\'');
  if (field.find_first_of(",\"\r\n") == std::string::npos) return field;
  std::string quoted = "\"";
  for (char c : field) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

}  // namespace

std::u16string ResultsText(const ResultsSummary& summary) {
  std::u16string out = u"cjwyzz.txt：" + Digits(summary.line_count) + u" 行，其中成绩行 " +
                       Digits(summary.Candidates()) + u" 行；记号文件 " +
                       Digits(summary.marker_count) + u" 个；异常 " +
                       Digits(summary.anomalies.size()) + u" 条\n\n";
  AppendTable(out, summary);
  out += u"\n";
  if (summary.has_roster) {
    AppendMissing(out, summary);
    out += u"\n";
  }
  AppendPassRates(out, summary);
  out += u"\n";
  AppendDistribution(out, summary);
  out += u"\n";
  AppendAnomalies(out, summary);
  if (summary.kept_page_review.made) out += u"\n" + KeptPageReviewText(summary.kept_page_review);
  return out;
}

std::string ResultsCsv(const ResultsSummary& summary) {
  std::string csv = "\xEF\xBB\xBF";
  csv += ToUtf8(u"考号,姓名,计算机,答对数");
  for (int item = 1; item <= summary.item_count; ++item)
    csv += ToUtf8(u",题") + std::to_string(item);
  // New columns go after the marks, so that sheets that read the columns by
  // their place keep working.
  csv += ToUtf8(u",行号,备注") + "\r\n";
  for (std::size_t i = 0; i < summary.rows.size(); ++i) {
    const ShareLogRecord& row = summary.rows[i];
    csv += CsvField(row.exam_number, true) + "," + CsvField(row.candidate_name, true) + "," +
           CsvField(row.computer_name, true) + "," + std::to_string(row.correct_count);
    for (int mark : row.marks) csv += "," + std::to_string(mark);
    csv += "," + std::to_string(row.line) + "," + CsvField(summary.remarks[i], true) + "\r\n";
  }
  // The candidates of the class list without a line: no count, no marks.
  for (const Missing& missing : summary.missing) {
    csv += CsvField(missing.candidate.exam_number, true) + "," +
           CsvField(missing.candidate.name, true) + "," +
           CsvField(missing.candidate.computer_name, true) + ",";
    csv += std::string(static_cast<std::size_t>(summary.item_count) + 2,
                       ',');  // before each mark, the line and the remark
    csv += CsvField(missing.malformed_line == 0
                        ? std::u16string(u"未交")
                        : u"未交（只有格式不对的第 " + Digits(missing.malformed_line) + u" 行）",
                    true) +
           "\r\n";
  }
  return csv;
}

}  // namespace webexam
