#include "results/roster.h"

#include <algorithm>
#include <unordered_map>

#include "exam/exam_number.h"
#include "text/characters.h"
#include "text/utf8.h"

namespace webexam {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::u16string LineName(std::size_t line) { return u"第 " + Digits(line) + u" 行"; }

bool IsBlank(char16_t c) { return c == u' ' || c == u'\u3000' || c == u'\r'; }

std::u16string Trimmed(std::u16string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return std::u16string(text);
}

bool AllDigits(std::u16string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; });
}

// The fields of one line: split at TABs when it has one, else at commas,
// where a field in double quotes may hold commas and doubled quotes (as
// spreadsheets save CSV). Blanks around a field are dropped.
std::vector<std::u16string> Fields(std::u16string_view line) {
  std::vector<std::u16string> fields;
  const char16_t separator = line.find(u'\t') != std::u16string_view::npos ? u'\t' : u',';
  std::u16string field;
  bool quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char16_t c = line[i];
    if (quoted) {
      if (c == u'"' && i + 1 < line.size() && line[i + 1] == u'"') {
        field += u'"';
        ++i;
      } else if (c == u'"') {
        quoted = false;
      } else {
        field += c;
      }
    } else if (c == u'"' && Trimmed(field).empty()) {
      field.clear();
      quoted = true;
    } else if (c == separator) {
      fields.push_back(Trimmed(field));
      field.clear();
    } else {
      field += c;
    }
  }
  fields.push_back(Trimmed(field));
  // Trailing empty fields are what a spreadsheet leaves of empty columns.
  while (fields.size() > 1 && fields.back().empty()) fields.pop_back();
  return fields;
}

}  // namespace

Roster ReadRoster(std::string_view bytes, const GbkDecoder& decode_gbk) {
  Roster roster;
  std::u16string text;
  if (bytes.starts_with(kByteOrderMark)) {
    bytes.remove_prefix(kByteOrderMark.size());
    roster.read_as_utf8 = true;
    text = FromUtf8(bytes);
  } else {
    text = decode_gbk(bytes);
    if (ReadsAsUtf8(bytes, text)) {
      roster.read_as_utf8 = true;
      text = FromUtf8(bytes);
    }
  }

  std::unordered_map<std::u16string, std::size_t> line_of;  // exam number -> its line
  bool seen_text = false;
  std::size_t line = 0;
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find(u'\n', start);
    if (end == std::u16string::npos) end = text.size();
    const std::u16string_view raw = std::u16string_view(text).substr(start, end - start);
    start = end + 1;
    ++line;
    const std::vector<std::u16string> fields = Fields(raw);
    if (fields.size() == 1 && fields[0].empty()) continue;
    const bool first = !seen_text;
    seen_text = true;
    auto problem = [&](std::u16string what) {
      roster.problems.push_back({line, LineName(line) + u"：" + std::move(what)});
    };

    if (raw.find(u'\uFFFD') != std::u16string_view::npos) {
      problem(u"无法识读：既不是 GBK 也不是 UTF-8 文字");
    } else if (!AllDigits(fields[0])) {
      if (first) {
        roster.header_line = line;
      } else {
        problem(fields[0].empty() ? u"没有考号" : u"考号“" + fields[0] + u"”不全是数字");
      }
    } else if (fields.size() < 2 || fields[1].empty()) {
      problem(u"考号 " + fields[0] + u" 后面没有姓名");
    } else if (fields.size() > 3) {
      problem(u"有 " + Digits(fields.size()) + u" 项，应为考号、姓名，可再加计算机名");
    } else if (std::any_of(fields.begin(), fields.end(), HasControlCharacter)) {
      problem(u"有控制字符");
    } else if (const auto seen = line_of.find(ExamNumberKey(fields[0])); seen != line_of.end()) {
      problem(u"考号 " + fields[0] + u" 在" + LineName(seen->second) + u"已经有了");
    } else {
      line_of.emplace(ExamNumberKey(fields[0]), line);
      roster.entries.push_back({line, fields[0], fields[1], fields.size() > 2 ? fields[2] : u""});
    }
  }
  return roster;
}

std::u16string RosterText(const Roster& roster) {
  std::u16string out = u"名单：" + Digits(roster.entries.size()) + u" 名考生";
  if (roster.header_line != 0) out += u"，第 " + Digits(roster.header_line) + u" 行是表头";
  out += roster.read_as_utf8 ? u"（UTF-8）" : u"（GBK）";
  if (roster.entries.empty()) out += u"；名单里没有考生";
  if (roster.problems.empty()) return out + u"；没有错行\n";
  out += u"；错行 " + Digits(roster.problems.size()) + u" 行：\n";
  for (const RosterProblem& problem : roster.problems) out += problem.text + u"\n";
  return out;
}

}  // namespace webexam
