#include "results/kept_page_review.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "exam/exam_number.h"
#include "grading/hidden_text.h"
#include "grading/page_probe.h"
#include "results/kept_pages.h"
#include "results/page_likeness.h"
#include "results/results_summary.h"
#include "state/exam_paths.h"
#include "text/characters.h"
#include "text/utf8.h"

namespace webexam {
namespace {

struct KeptPage {
  const ShareLogRecord* record;
  std::u16string name;  // in the pages folder
  Shingles own;
};

// "第 3 行（120722003 王五，JF03，pages/120722003-JF03.htm）"
std::u16string Whose(const ShareLogRecord& record, const std::u16string& page) {
  std::u16string who = ExamNumberAndName(record);
  if (!who.empty()) who += u"，";
  return u"第 " + Digits(record.line) + u" 行（" + who + record.computer_name + u"，" +
         std::u16string(kKeptPagesFolderName) + u"/" + ShownName(page) + u"）";
}

std::u16string ItemList(const std::vector<int>& items) {
  std::u16string text = u"第 ";
  for (std::size_t i = 0; i < items.size(); ++i) text += (i > 0 ? u"、" : u"") + Digits(items[i]);
  return text + u" 题";
}

std::u16string PercentText(double likeness) {
  // Rounded down, so that a pair shown as 90% is at least 0.90.
  return Digits(static_cast<int>(std::floor(likeness * 100 + 1e-9))) + u"%";
}

}  // namespace

std::u16string StartingPagePath(Platform& platform, const std::u16string& exam_folder) {
  const std::u16string sep(1, platform.PathSeparator());
  return exam_folder + sep + u"aa" + sep + u"index.htm";
}

KeptPageReview ReviewKeptPages(Platform& platform, const AnswerKey& key,
                               const std::u16string& share, const ShareLogContent& log,
                               const std::vector<std::u16string>& names,
                               const std::u16string& starting_page) {
  KeptPageReview review;
  review.made = true;
  review.starting_path = starting_page;
  Shingles starting;
  try {
    starting = ShinglesOf(platform.DecodeGbk(
        platform.ReadHead(starting_page, kProbeLimit, Platform::IfMissing::kFail)));
    review.starting_page = true;
  } catch (const PlatformError&) {
    review.starting_page = false;
  }

  const std::u16string folder = share + std::u16string(kKeptPagesFolderName);
  const KeptPages kept = MatchKeptPages(log.records, names);
  std::vector<KeptPage> pages;
  for (const ShareLogRecord& record : log.records) {
    const auto found = kept.of_line.find(record.line);
    if (found == kept.of_line.end()) continue;
    std::u16string text;
    try {
      // A kept page is what was graded: at most the first kProbeLimit bytes.
      text = platform.DecodeGbk(platform.ReadHead(folder + platform.PathSeparator() + found->second,
                                                  kProbeLimit, Platform::IfMissing::kFail));
    } catch (const PlatformError& error) {
      review.unreadable.push_back(std::u16string(kKeptPagesFolderName) + u"/" +
                                  ShownName(found->second) + u"：" + FromUtf8(error.what()));
      continue;
    }
    if (const std::vector<int> items = ItemsPassedOnHiddenText(key, text); !items.empty()) {
      review.hidden_only.push_back(Whose(record, found->second) + u"：" + ItemList(items));
    }
    if (!review.starting_page) continue;
    Shingles own = OwnShingles(ShinglesOf(text), starting);
    if (own.size() < kLeastOwnShingles) continue;
    pages.push_back({&record, found->second, std::move(own)});
  }
  review.compared = pages.size();

  std::vector<std::pair<double, std::u16string>> pairs;
  for (std::size_t i = 0; i < pages.size(); ++i) {
    for (std::size_t j = i + 1; j < pages.size(); ++j) {
      // One candidate's own pages (two submissions, two PCs) are no copy.
      if (ExamNumberKey(pages[i].record->exam_number) ==
          ExamNumberKey(pages[j].record->exam_number)) {
        continue;
      }
      const double likeness = Likeness(pages[i].own, pages[j].own);
      if (likeness < kCopyLikeness) continue;
      pairs.emplace_back(likeness, u"相似度 " + PercentText(likeness) + u"：" +
                                       Whose(*pages[i].record, pages[i].name) + u"与" +
                                       Whose(*pages[j].record, pages[j].name));
    }
  }
  // Most alike first; pairs equally alike in line order, as they were made.
  std::stable_sort(pairs.begin(), pairs.end(),
                   [](const auto& a, const auto& b) { return a.first > b.first; });
  for (auto& pair : pairs) review.copies.push_back(std::move(pair.second));
  return review;
}

std::u16string CopiesHeading(const KeptPageReview& review) {
  if (!review.starting_page) {
    return u"相似的页面：没有比较。读不了考试的原始页面 " + review.starting_path +
           u"，无法扣除各人都有的内容。请把环境变量 WEBEXAM_EXAM 设为考试文件夹"
           u"（含 aa 文件夹的那个），再运行一次";
  }
  std::u16string text = u"相似的页面（不同考号、几乎一样的页面";
  text += review.copies.empty() ? u"：没有" : u" " + Digits(review.copies.size()) + u" 对";
  return text + u"；比较了 " + Digits(review.compared) +
         u" 个页面。相似度：两页各自比原始页面多出的内容，去掉空白、不分大小写，按 " +
         Digits(kShingleLength) + u" 个字一段，两页都有的段占两页所有段的比例，到 " +
         PercentText(kCopyLikeness) + u" 列出；没怎么改原始页面的页面不比较）";
}

std::u16string HiddenOnlyHeading(const KeptPageReview& review) {
  std::u16string text = u"只在注释、脚本或样式里找到的题（浏览器不显示这些文字，评分照样算通过";
  text += review.hidden_only.empty() ? u"：没有"
                                     : u"；" + Digits(review.hidden_only.size()) + u" 个页面";
  return text + u"）";
}

std::u16string KeptPageReviewText(const KeptPageReview& review) {
  if (!review.made) return {};
  std::u16string out = CopiesHeading(review) + u"\n";
  for (const std::u16string& line : review.copies) out += line + u"\n";
  out += u"\n" + HiddenOnlyHeading(review) + u"\n";
  for (const std::u16string& line : review.hidden_only) out += line + u"\n";
  if (!review.unreadable.empty()) {
    out += u"\n读不了、没有查看的页面：\n";
    for (const std::u16string& line : review.unreadable) out += line + u"\n";
  }
  return out;
}

}  // namespace webexam
