#include "tools/results/live_view.h"

#include <algorithm>
#include <vector>

#include "text/utf8.h"
#include "tools/common/terminal.h"

namespace webexam {
namespace {

// What stands for the arrival time of lines there before the watch began.
constexpr std::u16string_view kBefore = u"开始前";

}  // namespace

void LiveView::Look(const ResultsSummary& summary, const std::u16string& now) {
  for (const ShareLogRecord& row : summary.rows) {
    seen_at_.emplace(row.line, looked_ ? now : std::u16string(kBefore));
  }
  looked_ = true;
  summary_ = summary;
}

std::u16string LiveView::Screen(const std::u16string& heading) const {
  std::u16string out = heading + u"\n\n";
  if (summary_.has_roster) {
    out +=
        u"已交 " + Digits(summary_.Submitted()) + u" / 应交 " + Digits(summary_.expected) + u" 人";
    if (summary_.Candidates() != static_cast<int>(summary_.Submitted())) {
      out += u"（成绩行 " + Digits(summary_.Candidates()) + u" 行）";
    }
    out += u"\n";
    if (summary_.missing.empty()) {
      out += u"名单上的考生都交了。\n";
    } else {
      out += u"未交 " + Digits(summary_.missing.size()) + u" 人：";
      for (std::size_t i = 0; i < summary_.missing.size(); ++i) {
        const RosterEntry& who = summary_.missing[i].candidate;
        if (i > 0) out += u"、";
        out += who.exam_number + u" " + who.name;
        if (!who.computer_name.empty()) out += u"（" + who.computer_name + u"）";
      }
      out += u"\n";
    }
  } else {
    out += u"已交 " + Digits(summary_.Candidates()) + u" 行成绩（没有给名单，不知道应交几人）\n";
  }

  // The latest arrivals: the last lines of the file, newest first.
  std::vector<const ShareLogRecord*> latest;
  for (const ShareLogRecord& row : summary_.rows) latest.push_back(&row);
  std::sort(latest.begin(), latest.end(),
            [](const ShareLogRecord* a, const ShareLogRecord* b) { return a->line > b->line; });
  if (latest.size() > kArrivalsShown) latest.resize(kArrivalsShown);
  out += u"\n最近交来的：\n";
  if (latest.empty()) out += u"  （还没有）\n";
  std::size_t line_width = 1, number_width = 1, name_width = 1, pc_width = 1;
  for (const ShareLogRecord* row : latest) {
    line_width = std::max(line_width, Digits(row->line).size());
    number_width = std::max(number_width, DisplayWidth(row->exam_number));
    name_width = std::max(name_width, DisplayWidth(row->candidate_name));
    pc_width = std::max(pc_width, DisplayWidth(row->computer_name));
  }
  for (const ShareLogRecord* row : latest) {
    const auto at = seen_at_.find(row->line);
    out += u"  " + PadRight(at == seen_at_.end() ? u"" : at->second, 8) + u"  第 " +
           PadLeft(Digits(row->line), line_width) + u" 行  " +
           PadRight(row->exam_number, std::min<std::size_t>(number_width, 20)) + u"  " +
           PadRight(row->candidate_name, std::min<std::size_t>(name_width, 20)) + u"  " +
           PadRight(row->computer_name, std::min<std::size_t>(pc_width, 20)) + u"  答对 " +
           Digits(row->correct_count) + u"\n";
  }

  const std::vector<Anomaly>& anomalies = summary_.anomalies;
  out += u"\n异常（" + Digits(anomalies.size()) + u" 条）";
  if (anomalies.empty()) return out + u"：没有\n";
  out += anomalies.size() > kAnomaliesShown ? u"，最后 " + Digits(kAnomaliesShown) + u" 条：\n"
                                            : u"：\n";
  const std::size_t first = anomalies.size() - std::min(anomalies.size(), kAnomaliesShown);
  for (std::size_t i = first; i < anomalies.size(); ++i) out += u"  " + anomalies[i].text + u"\n";
  return out;
}

}  // namespace webexam
