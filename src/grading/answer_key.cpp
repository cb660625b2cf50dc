#include "grading/answer_key.h"

namespace webexam {

const std::array<AnswerItem, kItemCount>& AnswerKey() {
  using enum PassRule;
  // Probe texts are plain substrings, compared ignoring case and width.
  static constexpr std::array<AnswerItem, kItemCount> kKey = {{
      {1, {u"17-1.BMP"}, 1, kAllFound},
      {2, {u"hr", u"85%", u"#FF0000"}, 3, kAllFound},
      {3, {u"表格是网页的骨架", u"楷体", u"#0000FF", u"4"}, 4, kAllFound},
      {4, {u"50%", u"cellpadding="}, 2, kAllFound},
      {5, {u"#008000"}, 1, kAllFound},
      {6, {u"bordercolor"}, 1, kAllFound},
      {7, {u"bordercolorlight", u"bordercolordark", u"#800000", u"#00FF00"}, 4, kAllFound},
      {8, {u" height", u"88"}, 2, kAllFound},
      {9, {u"Cart.jpg", u"mailto:webexam@example.com"}, 2, kAllFound},
      {10, {u"Ktsc.htm"}, 1, kAllFound},
      {11, {u"http://www.example.com"}, 1, kAllFound},
      {12, {u"11%"}, 1, kAllFound},
      {13, {u"66%"}, 1, kAllFound},
      {14, {u"abcd"}, 1, kNotFound},  // the one text the page must not hold
      {15, {u"aaa"}, 1, kAllFound},
      {16, {u"Tl-10.gif"}, 1, kAllFound},
      {17, {u"P10-11.gif"}, 1, kAllFound},
      {18, {u"Bg14.gif"}, 1, kAllFound},
      {19, {u"Bjyy.wav"}, 1, kAllFound},
      {20, {u"隶书", u"网页制作题型集锦"}, 2, kAllFound},
      {21, {u"<title>欢迎进入网页天地！"}, 1, kAllFound},  // ends in a full-width '!'
      {22, {u"Brenlowe", u"right", u"marquee"}, 3, kAllFound},
  }};
  return kKey;
}

}  // namespace webexam
