#include "tools/grade/explain.h"

#include <algorithm>
#include <cstdint>

#include "grading/answer_key.h"
#include "grading/grade_page.h"
#include "grading/hidden_text.h"
#include "grading/page_probe.h"
#include "text/characters.h"
#include "text/fold.h"
#include "text/utf8.h"

namespace webexam {
namespace {

// How much of a page --explain reads: what grading reads and a stretch past
// it, far more than any page made in an exam holds.
constexpr std::size_t kExplainReadLimit = kProbeLimit + (std::size_t{1} << 20);

std::u16string Quoted(std::u16string_view text) { return u"“" + std::u16string(text) + u"”"; }

std::u16string PlaceText(const TextPlace& place) {
  return u"第 " + Digits(place.line) + u" 行第 " + Digits(place.column) + u" 列";
}

}  // namespace

TextPlace FindPlace(std::u16string_view page_text, std::u16string_view needle) {
  const std::size_t position = FindInFolded(Fold(page_text), needle);
  if (position == 0) return {};
  // Folding keeps every unit in its place, so the position is the page's.
  const std::u16string_view before = page_text.substr(0, position - 1);
  const std::size_t last_lf = before.rfind(u'\n');
  const auto lines = static_cast<std::size_t>(std::count(before.begin(), before.end(), u'\n'));
  return {lines + 1, last_lf == std::u16string_view::npos ? position : position - 1 - last_lf};
}

std::u16string ExplainPage(Platform& platform, const AnswerKey& key,
                           const std::u16string& page_path) {
  std::string graded;
  const GradeResult result =
      GradePage(platform, key, page_path, Platform::IfMissing::kFail, graded);
  // What grading searched, and a bounded stretch past it to say where a
  // text lies that grading did not reach: a page of any size costs no more.
  const std::u16string searched = platform.DecodeGbk(graded);
  const std::string head_bytes =
      platform.ReadHead(page_path, kExplainReadLimit, Platform::IfMissing::kFail);
  const std::u16string whole = platform.DecodeGbk(head_bytes);
  const std::uint64_t page_size = platform.TreeSize(page_path);
  // The same text with what a browser does not show blanked out.
  const std::u16string shown = MaskHiddenText(searched);
  const std::vector<int> hidden_only = ItemsPassedOnHiddenText(key, searched);

  std::u16string out = u"页面：" + ShownName(page_path) + u"\n";
  out += u"答对 " + Digits(result.correct_count) + u" 题，共 " + Digits(ItemCount(key)) + u" 题。";
  out += u"评分只查页面的前 " + Digits(kProbeLimit) + u" 字节（本页 " + Digits(page_size) +
         u" 字节），不分大小写，也不分全角半角。\n\n";
  int number = 0;
  for (const AnswerItem& item : key) {
    ++number;
    const bool passed = result.Mark(number) == 1;
    out += u"第 " + Digits(number) + u" 题：" + (passed ? u"通过" : u"不通过");
    if (item.rule == PassRule::kNotFound && item.probe_texts.size() == 1) {
      out +=
          u"（这一题要求页面里没有" + Quoted(item.probe_texts[0]) + u"：有它就不通过，没有才通过）";
    } else if (item.rule == PassRule::kNotFound) {
      out += u"（这一题要求页面里这 " + Digits(item.probe_texts.size()) +
             u" 段文字一段也没有：有一段就不通过）";
    } else if (item.probe_texts.size() > 1) {
      out += u"（" + Digits(item.probe_texts.size()) + u" 段文字都要找到才通过）";
    }
    out += u"\n";
    if (std::find(hidden_only.begin(), hidden_only.end(), number) != hidden_only.end()) {
      out += u"  注意：这一题只因注释、脚本或样式里的文字才通过，浏览器不显示这些文字\n";
    }
    for (std::u16string_view text : item.probe_texts) {
      // Where the browser shows it, if it does anywhere; else where it is.
      const TextPlace in_view = FindPlace(shown, text);
      const TextPlace in_limit = in_view.line != 0 ? in_view : FindPlace(searched, text);
      if (in_limit.line != 0 && in_view.line == 0) {
        out +=
            u"  找到" + Quoted(text) + u"：" + PlaceText(in_limit) + u"，只在注释、脚本或样式里\n";
      } else if (in_limit.line != 0) {
        out += u"  找到" + Quoted(text) + u"：" + PlaceText(in_limit) + u"\n";
      } else if (const TextPlace anywhere = FindPlace(whole, text); anywhere.line != 0) {
        out += u"  没有找到" + Quoted(text) + u"：它在" + PlaceText(anywhere) + u"，超出了前 " +
               Digits(kProbeLimit) + u" 字节\n";
      } else {
        out += u"  没有找到" + Quoted(text) + u"\n";
      }
    }
  }
  return out;
}

}  // namespace webexam
