#include "tools/results/results_html.h"

#include <algorithm>

#include "text/utf8.h"
#include "tools/results/results_table.h"

namespace webexam {
namespace {

constexpr std::string_view kHead = R"(<!DOCTYPE html>
<html lang="zh-CN">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>考试成绩汇总</title>
<style>
body { font-family: "Microsoft YaHei", "Noto Sans CJK SC", "WenQuanYi Micro Hei", sans-serif;
       margin: 2em; color: #000; background: #fff; }
h1 { font-size: 1.6em; margin: 0 0 0.4em; }
h2 { font-size: 1.2em; margin: 1.6em 0 0.6em; border-bottom: 1px solid #000; }
table { border-collapse: collapse; font-size: 0.9em; }
th, td { border: 1px solid #666; padding: 0.15em 0.35em; text-align: center; }
th { background: #e8e8e8; }
td.text { text-align: left; white-space: nowrap; }
td.count { font-weight: bold; }
td.zero { color: #666; background: #f2f2f2; }
thead { display: table-header-group; }
tr, figure, svg { break-inside: avoid; page-break-inside: avoid; }
figure { margin: 0; }
figcaption { margin: 0.3em 0; }
svg { display: block; max-width: 100%; height: auto; }
svg text { font-family: inherit; font-size: 12px; fill: #000; }
svg .bar { fill: #5b7fa8; stroke: #000; stroke-width: 1; }
svg .weak { fill: url(#hatch); stroke-width: 2; }
svg .axis { stroke: #000; stroke-width: 1; }
svg .half { stroke: #000; stroke-width: 1; stroke-dasharray: 4 3; }
ul.anomalies li { margin: 0.15em 0; }
@page { size: A4 landscape; margin: 12mm; }
@media print {
  body { margin: 0; font-size: 10pt; }
  h2 { break-after: avoid; page-break-after: avoid; }
  th { background: #fff; }
  td.zero { background: #fff; }
  svg .bar { fill: #bbb; }
  svg .weak { fill: url(#hatch); }
}
</style>
</head>
<body>
)";

template <typename Number>
std::string Num(Number n) {
  return std::to_string(n);
}

std::string Escaped(std::u16string_view text) {
  std::string out;
  for (char c : ToUtf8(text)) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

void AppendTable(std::string& out, const ResultsSummary& summary) {
  out += "<h2>成绩（按考号排序，共 " + Num(summary.Candidates()) + " 行）</h2>\n";
  if (summary.rows.empty()) {
    out += "<p>没有成绩行。</p>\n";
    return;
  }
  out +=
      "<table class=\"results\">\n<thead>\n<tr><th>行号</th><th>考号</th><th>姓名</th>"
      "<th>计算机</th><th>答对数</th>";
  for (int item = 1; item <= summary.item_count; ++item) out += "<th>" + Num(item) + "</th>";
  if (summary.has_roster) out += "<th>与名单</th>";
  out += "</tr>\n</thead>\n<tbody>\n";
  for (std::size_t i = 0; i < summary.rows.size(); ++i) {
    const ShareLogRecord& row = summary.rows[i];
    out += "<tr><td>" + Num(row.line) + "</td><td class=\"text\">" + Escaped(row.exam_number) +
           "</td><td class=\"text\">" + Escaped(row.candidate_name) + "</td><td class=\"text\">" +
           Escaped(row.computer_name) + "</td><td class=\"count\">" + Num(row.correct_count) +
           "</td>";
    for (int mark : row.marks) out += mark ? "<td>1</td>" : "<td class=\"zero\">0</td>";
    if (summary.has_roster) out += "<td class=\"text\">" + Escaped(summary.remarks[i]) + "</td>";
    out += "</tr>\n";
  }
  out += "</tbody>\n</table>\n";
}

void AppendMissing(std::string& out, const ResultsSummary& summary) {
  out += "<h2>名单：应交 " + Num(summary.expected) + " 人，已交 " + Num(summary.Submitted()) +
         " 人，未交 " + Num(summary.missing.size()) + " 人</h2>\n";
  if (summary.missing.empty()) {
    out += "<p>名单上的考生都有成绩行。</p>\n";
    return;
  }
  out +=
      "<table class=\"missing\">\n<thead>\n<tr><th>考号</th><th>姓名</th><th>计算机</th>"
      "<th>未交</th></tr>\n</thead>\n<tbody>\n";
  for (const Missing& missing : summary.missing) {
    out +=
        "<tr><td class=\"text\">" + Escaped(missing.candidate.exam_number) +
        "</td><td class=\"text\">" + Escaped(missing.candidate.name) + "</td><td class=\"text\">" +
        Escaped(missing.candidate.computer_name) + "</td><td class=\"text\">" +
        (missing.malformed_line == 0 ? std::string("没有成绩行")
                                     : "只有格式不对的第 " + Num(missing.malformed_line) + " 行") +
        "</td></tr>\n";
  }
  out += "</tbody>\n</table>\n";
}

// The bar charts share one frame: 200 pixels stand for the tallest value,
// one slot of 36 pixels per bar, its value above it and its label below.
constexpr int kLeft = 56, kTop = 28, kPlot = 200, kSlot = 36, kBar = 24;
constexpr int kBase = kTop + kPlot;  // the axis the bars stand on

// The chart's opening tag, `width` pixels wide.
void OpenChart(std::string& out, const std::string& kind, const std::string& label, int width) {
  const int height = kTop + kPlot + 40;
  out += "<svg class=\"chart " + kind +
         "\" xmlns=\"http://www.w3.org/2000/svg\" role=\"img\" aria-label=\"" + label +
         "\" width=\"" + Num(width) + "\" height=\"" + Num(height) + "\" viewBox=\"0 0 " +
         Num(width) + " " + Num(height) + "\">\n";
}

// One bar of `h` pixels in slot `slot` (from 0), with its tooltip, the value
// above it and the label (and a note, if any) below it.
void AppendBar(std::string& out, const std::string& group, int slot, int h,
               const std::string& title, const std::string& bar_class, const std::string& value,
               int label, const std::string& note = {}) {
  const int x = kLeft + slot * kSlot + (kSlot - kBar) / 2;
  const int middle = x + kBar / 2;
  out += "<g class=\"" + group + "\"><title>" + title + "</title>";
  out += "<rect class=\"" + bar_class + "\" x=\"" + Num(x) + "\" y=\"" + Num(kBase - h) +
         "\" width=\"" + Num(kBar) + "\" height=\"" + Num(h) + "\"/>";
  out += "<text x=\"" + Num(middle) + "\" y=\"" + Num(kBase - h - 5) +
         "\" text-anchor=\"middle\">" + value + "</text>";
  out += "<text x=\"" + Num(middle) + "\" y=\"" + Num(kBase + 16) + "\" text-anchor=\"middle\">" +
         Num(label) + "</text>";
  if (!note.empty()) {
    out += "<text x=\"" + Num(middle) + "\" y=\"" + Num(kBase + 32) + "\" text-anchor=\"middle\">" +
           note + "</text>";
  }
  out += "</g>\n";
}

// The axis under the bars, its name at its left end, and the chart's end.
void CloseChart(std::string& out, int width, const std::string& axis_name) {
  out += "<line class=\"axis\" x1=\"" + Num(kLeft) + "\" y1=\"" + Num(kBase) + "\" x2=\"" +
         Num(width - 8) + "\" y2=\"" + Num(kBase) + "\"/>\n";
  out += "<text x=\"" + Num(kLeft - 6) + "\" y=\"" + Num(kBase + 32) + "\" text-anchor=\"end\">" +
         axis_name + "</text>\n";
  out += "</svg>\n</figure>\n";
}

void AppendPassRates(std::string& out, const ResultsSummary& summary) {
  const int total = summary.Candidates();
  out += "<h2>各题通过率</h2>\n";
  if (total == 0) {
    out += "<p>没有成绩行，无从统计。</p>\n";
    return;
  }
  const int width = kLeft + kSlot * summary.item_count + 16;
  out += "<figure>\n<figcaption>共 " + Num(total) +
         " 行成绩。柱上是通过率；斜线柱并在题号下标“偏低”的题，通过的不到一半。</figcaption>\n";
  OpenChart(out, "pass-rates", "各题通过率", width);
  out +=
      "<defs><pattern id=\"hatch\" width=\"6\" height=\"6\" patternUnits=\"userSpaceOnUse\" "
      "patternTransform=\"rotate(45)\"><rect width=\"6\" height=\"6\" fill=\"#fff\"/>"
      "<line x1=\"0\" y1=\"0\" x2=\"0\" y2=\"6\" stroke=\"#000\" stroke-width=\"2\"/>"
      "</pattern></defs>\n";
  for (int percent : {0, 50, 100}) {
    const int y = kBase - percent * kPlot / 100;
    out += "<text x=\"" + Num(kLeft - 6) + "\" y=\"" + Num(y + 4) + "\" text-anchor=\"end\">" +
           Num(percent) + "%</text>\n";
  }
  out += "<line class=\"half\" x1=\"" + Num(kLeft) + "\" y1=\"" + Num(kBase - kPlot / 2) +
         "\" x2=\"" + Num(width - 8) + "\" y2=\"" + Num(kBase - kPlot / 2) + "\"/>\n";
  for (int item = 1; item <= summary.item_count; ++item) {
    const int passed = summary.passed[item];
    const int percent = Percent(passed, total);
    const bool weak = IsWeakItem(passed, total);
    AppendBar(out, "item", item - 1, passed * kPlot / total,
              "第 " + Num(item) + " 题：" + Num(passed) + "/" + Num(total) + " 通过，" +
                  Num(percent) + "%" + (weak ? "，偏低" : ""),
              weak ? "bar weak" : "bar", Num(percent) + "%", item, weak ? "偏低" : "");
  }
  CloseChart(out, width, "题号");
}

void AppendDistribution(std::string& out, const ResultsSummary& summary) {
  out += "<h2>答对数分布</h2>\n";
  if (summary.rows.empty()) {
    out += "<p>没有成绩行，无从统计。</p>\n";
    return;
  }
  const int most = *std::max_element(summary.with_count.begin(), summary.with_count.end());
  const int width = kLeft + kSlot * (summary.item_count + 1) + 16;
  out += "<figure>\n<figcaption>每个答对数（0 到 " + Num(summary.item_count) +
         "）有几行成绩；柱上是人数。</figcaption>\n";
  OpenChart(out, "counts", "答对数分布", width);
  out += "<text x=\"" + Num(kLeft - 6) + "\" y=\"" + Num(kBase + 4) +
         "\" text-anchor=\"end\">0</text>\n";
  out += "<text x=\"" + Num(kLeft - 6) + "\" y=\"" + Num(kBase - kPlot + 4) +
         "\" text-anchor=\"end\">" + Num(most) + "</text>\n";
  for (int count = 0; count <= summary.item_count; ++count) {
    const int n = summary.with_count[static_cast<std::size_t>(count)];
    AppendBar(out, "count", count, n * kPlot / most,
              "答对 " + Num(count) + " 题：" + Num(n) + " 人", "bar", Num(n), count);
  }
  CloseChart(out, width, "答对数");
}

void AppendAnomalies(std::string& out, const ResultsSummary& summary) {
  if (summary.anomalies.empty()) {
    out += "<h2>异常</h2>\n<p>没有。</p>\n";
    return;
  }
  out += "<h2>异常（" + Num(summary.anomalies.size()) + " 条）</h2>\n<ul class=\"anomalies\">\n";
  const std::size_t listed = std::min(summary.anomalies.size(), kAnomaliesListed);
  for (std::size_t i = 0; i < listed; ++i) {
    out += "<li>" + Escaped(summary.anomalies[i].text) + "</li>\n";
  }
  out += "</ul>\n";
  if (listed < summary.anomalies.size()) {
    out += "<p>……另有 " + Num(summary.anomalies.size() - listed) + " 条未列出。</p>\n";
  }
}

// The kept pages' review: each list under its heading, which says what it
// measures.
void AppendKeptPageReview(std::string& out, const KeptPageReview& review) {
  if (!review.made) return;
  auto list = [&out](const std::u16string& heading, const std::vector<std::u16string>& lines) {
    out += "<p>" + Escaped(heading) + "</p>\n";
    if (lines.empty()) return;
    out += "<ul class=\"anomalies\">\n";
    for (const std::u16string& line : lines) out += "<li>" + Escaped(line) + "</li>\n";
    out += "</ul>\n";
  };
  out += "<h2>留下的页面</h2>\n";
  list(CopiesHeading(review), review.copies);
  list(HiddenOnlyHeading(review), review.hidden_only);
  if (!review.unreadable.empty()) list(u"读不了、没有查看的页面：", review.unreadable);
}

}  // namespace

std::string ResultsHtml(const ResultsSummary& summary, const PageSource& source) {
  std::string out(kHead);
  if (source.refresh_seconds > 0) {
    const std::string charset = "<meta charset=\"utf-8\">\n";
    out.insert(out.find(charset) + charset.size(),
               "<meta http-equiv=\"refresh\" content=\"" + Num(source.refresh_seconds) + "\">\n");
  }
  out += "<h1>考试成绩汇总</h1>\n";
  out += "<p class=\"source\">共享文件夹 " + Escaped(source.share) + "，生成于 " +
         Escaped(source.made_at) + "</p>\n";
  out += "<p>cjwyzz.txt：" + Num(summary.line_count) + " 行，其中成绩行 " +
         Num(summary.Candidates()) + " 行；记号文件 " + Num(summary.marker_count) + " 个；异常 " +
         Num(summary.anomalies.size()) + " 条。</p>\n";
  AppendTable(out, summary);
  if (summary.has_roster) AppendMissing(out, summary);
  AppendPassRates(out, summary);
  AppendDistribution(out, summary);
  AppendAnomalies(out, summary);
  AppendKeptPageReview(out, summary.kept_page_review);
  out += "</body>\n</html>\n";
  return out;
}

}  // namespace webexam
