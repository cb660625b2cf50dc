#include "grading/hidden_text.h"

#include "text/fold.h"

namespace webexam {
namespace {

// What a hidden unit becomes: a character no probe text holds.
constexpr char16_t kMasked = u'\uFFFD';

bool IsTagNameEnd(char16_t c) {
  return c == u'>' || c == u'/' || c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' ||
         c == u'\f';
}

// Whether the folded text at `at` opens the element `name` ("<script").
bool OpensElement(std::u16string_view folded, std::size_t at, std::u16string_view name) {
  const std::size_t end = at + 1 + name.size();
  return folded.substr(at + 1, name.size()) == name &&
         (end == folded.size() || IsTagNameEnd(folded[end]));
}

// Where the hidden part starting at `at` ends (one past it), or npos when
// nothing hidden starts there.
std::size_t HiddenPartEnd(std::u16string_view folded, std::size_t at) {
  if (folded.substr(at, 4) == u"<!--") {
    // "<!-->" and "<!--->" are whole (empty) comments to a browser.
    if (folded.substr(at + 4, 1) == u">") return at + 5;
    if (folded.substr(at + 4, 2) == u"->") return at + 6;
    const std::size_t close = folded.find(u"-->", at + 4);
    return close == std::u16string_view::npos ? folded.size() : close + 3;
  }
  for (std::u16string_view name : {std::u16string_view(u"script"), std::u16string_view(u"style")}) {
    if (!OpensElement(folded, at, name)) continue;
    const std::u16string closing = u"</" + std::u16string(name);
    std::size_t close = folded.find(closing, at + 1);
    while (close != std::u16string_view::npos && close + closing.size() < folded.size() &&
           !IsTagNameEnd(folded[close + closing.size()])) {
      close = folded.find(closing, close + 1);
    }
    if (close == std::u16string_view::npos) return folded.size();
    const std::size_t tag_end = folded.find(u'>', close);
    return tag_end == std::u16string_view::npos ? folded.size() : tag_end + 1;
  }
  return std::u16string_view::npos;
}

}  // namespace

std::u16string MaskHiddenText(std::u16string_view text) {
  const std::u16string folded = Fold(text);
  std::u16string masked(text);
  std::size_t at = folded.find(u'<');
  while (at != std::u16string::npos) {
    const std::size_t end = HiddenPartEnd(folded, at);
    if (end == std::u16string_view::npos) {
      at = folded.find(u'<', at + 1);
      continue;
    }
    for (std::size_t i = at; i < end; ++i) {
      if (masked[i] != u'\n') masked[i] = kMasked;
    }
    at = end < folded.size() ? folded.find(u'<', end) : std::u16string::npos;
  }
  return masked;
}

Marks MarksOfText(const AnswerKey& key, std::u16string_view text) {
  // All probe texts in one pass over the text.
  std::vector<std::u16string_view> probes;
  for (const AnswerItem& item : key) {
    probes.insert(probes.end(), item.probe_texts.begin(), item.probe_texts.end());
  }
  const NeedleSet needles(probes);
  std::vector<std::size_t> positions;
  needles.FindAll(text, positions);
  Marks marks(ItemCount(key));
  int number = 0;
  for (const AnswerItem& item : key) {
    std::size_t found = 0;
    for (std::u16string_view probe : item.probe_texts) {
      if (positions[needles.IndexOf(probe)] != 0) ++found;
    }
    marks[++number] = Passes(item, found) ? 1 : 0;
  }
  return marks;
}

std::vector<int> ItemsPassedOnHiddenText(const AnswerKey& key, std::u16string_view text) {
  const Marks whole = MarksOfText(key, text);
  const Marks shown = MarksOfText(key, MaskHiddenText(text));
  std::vector<int> items;
  for (int item = 1; item <= whole.Count(); ++item) {
    if (whole[item] == 1 && shown[item] == 0) items.push_back(item);
  }
  return items;
}

}  // namespace webexam
