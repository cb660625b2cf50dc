#include "task_text/rich_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/test_support.h"

namespace webexam {
namespace {

using namespace std::string_view_literals;

// Read with the platform's own GBK codec, as the program hands it to the reader.
RichText Read(std::string_view rtf) {
  static const std::unique_ptr<Platform> platform = MakePlatform();
  return ReadRtf(rtf, [](std::string_view gbk) { return platform->DecodeGbk(gbk); });
}
std::u16string Plain(std::string_view rtf) { return Read(rtf).PlainText(); }

TextStyle StyleOf(const RichText& text, std::u16string_view part) {
  for (const TextRun& run : text.runs) {
    if (run.text.find(part) != std::u16string::npos) return run.style;
  }
  ADD_FAILURE() << "no run holds the text";
  return {};
}

// A style from its flags ("b", "i", "u"), size in half points, colour and font.
TextStyle Style(std::string_view flags, int half_points = 24,
                std::optional<std::uint32_t> color = {}, std::u16string font = u"") {
  auto has = [&](char flag) { return flags.find(flag) != std::string_view::npos; };
  return {has('b'), has('i'), has('u'), half_points, color, font};
}

TEST(RtfReader, ReadsTheWordProcessorDocument) {
  const std::string rtf = test::ReadBytes(test::DataFile("task_wordprocessor.rtf"));
  ASSERT_TRUE(IsRtf(rtf));
  const RichText text = Read(rtf);

  // Chinese written as \uN, each followed by one '?' or by two Shift-JIS
  // bytes under \uc2, some of them '\' and 'I'.
  EXPECT_EQ(text.PlainText(),
            u"网页制作操作题\n"
            u"请打开考生文件夹中的 index.htm，按要求完成以下操作。\n"
            u"1.\t将网页标题设为我的家乡。\u2028完成后保存网页。\n"
            u"2.\t在表格下方插入水平线，文字颜色设为红色。\n");

  // The heading is bold and larger through \dbch\ab\afs32, its East Asian
  // properties; the body is plain.
  const TextStyle heading = StyleOf(text, u"网页制作操作题"), body = StyleOf(text, u"按要求完成");
  EXPECT_TRUE(heading.bold && heading.half_points == 32);
  EXPECT_TRUE(!body.bold && !body.italic && !body.color && body.half_points == 24);
  EXPECT_EQ(StyleOf(text, u"红色").color, 0xFF0000u);
}

TEST(RtfReader, DecodesGbkByCodePageOrFontCharset) {
  // As a Windows rich-text control stores it: \ansicpg936 and a GBK font name.
  EXPECT_EQ(
      Read("{\\rtf1\\ansi\\ansicpg936\\deff0\\deftab720{\\fonttbl{\\f0\\fswiss MS Sans Serif;}"
           "{\\f1\\froman\\fcharset2 Symbol;}{\\f2\\fmodern\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}}"
           "{\\colortbl\\red0\\green0\\blue0;}\\deflang2052\\pard\\plain\\f2\\fs18 RichTextBox1 "
           "\\'b1\\'ed\\'b8\\'f1\\par }")
          .runs,
      (std::vector<TextRun>{{u"RichTextBox1 表格\n", Style("", 18, {}, u"宋体")}}));

  // Without a code page only a GB2312 font's bytes are GBK; others are Windows-1252.
  EXPECT_EQ(Plain("{\\rtf1\\ansi{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}"
                  "{\\f1\\fnil\\fcharset134 SimSun;}}\\f1 \\'b1\\'ed\\f0 \\'e9\\'80\\'93}"),
            u"表é€“");
  // A list bullet in the Symbol font is no GBK byte.
  EXPECT_EQ(Plain("{\\rtf1\\ansi\\ansicpg936{\\fonttbl{\\f0\\fnil\\fcharset134 SimSun;}"
                  "{\\f1\\fnil\\fcharset2 Symbol;}}{\\*\\pn\\pnlvlblt\\pnf1{\\pntxtb\\'B7}}"
                  "{\\pntext\\f1\\'B7\\tab}\\f0 \\'d2\\'bb\\par}"),
            u"\u2022\t一\n");
  // Raw 8-bit text, including a trail byte written as \\.
  EXPECT_EQ(Plain("{\\rtf1\\ansicpg936 \xb1\xed \x81\\\\}"), u"表 乗");
}

TEST(RtfReader, ReadsEscapesAndSkipsDestinationsThatAreNotText) {
  // \uN skips its fallback.
  EXPECT_EQ(Plain("{\\rtf1 \\u20320?\\u22909 ?!}"), u"你好!");
  EXPECT_EQ(Plain("{\\rtf1\\ansicpg936\\uc2 \\u20320\\'c4\\'e3\\u22909\\'ba\\'c3}"), u"你好");
  EXPECT_EQ(Plain("{\\rtf1\\uc0 \\u20320 A}"), u"你A");
  EXPECT_EQ(Plain("{\\rtf1 \\u-24679?}"), u"龙");
  // \uc holds within its group; a brace ends the fallback early.
  EXPECT_EQ(Plain("{\\rtf1 {\\uc2 \\u20320??}\\u22909??}"), u"你好?");
  EXPECT_EQ(Plain("{\\rtf1\\uc3 \\u20320{x}y}"), u"你xy");
  // Control symbols, and words standing for a character.
  EXPECT_EQ(Plain("{\\rtf1 a\\{b\\}c\\\\d\\~e\\-f\\_g\r\nh\\tab i\\line j\\par k}"),
            u"a{b}c\\d\u00A0ef\u2011gh\ti\u2028j\nk");
  EXPECT_EQ(Plain("{\\rtf1\\emdash\\endash\\bullet\\lquote\\rquote\\ldblquote\\rdblquote}"),
            u"\u2014\u2013\u2022\u2018\u2019\u201C\u201D");
  // Destinations that are not text are skipped; of a field only its result shows.
  EXPECT_EQ(Plain("{\\rtf1{\\*\\generator Writer;}{\\info{\\title T}{\\author A}}"
                  "{\\stylesheet{\\s0 Normal;}}{\\*\\unknown{\\b y}z}{\\header h}"
                  "{\\field{\\fldinst HYPERLINK \"http://x\"}{\\fldrslt link}}"
                  "{\\pict\\bin5 ab}cd} end}"),
            u"link end");
}

TEST(RtfReader, FormattingFollowsGroupsAndPlain) {
  // An unknown colour is the viewer's own; runs of one style are merged.
  EXPECT_EQ(Read("{\\rtf1{\\colortbl;\\red255\\green0\\blue0;\\red0\\green128\\blue0;}"
                 "\\b bold{\\i\\ul both\\cf2 green}\\b0 plain\\fs40\\cf1 big\\plain\\ul x"
                 "\\ulnone y\\cf9 z{\\b m}{\\b n}}")
                .runs,
            (std::vector<TextRun>{{u"bold", Style("b")},
                                  {u"both", Style("biu")},
                                  {u"green", Style("biu", 24, 0x008000)},
                                  {u"plain", {}},
                                  {u"big", Style("", 40, 0xFF0000)},
                                  {u"x", Style("u")},
                                  {u"yz", {}},
                                  {u"mn", Style("b")}}));
  // \ab and \afs given after \dbch are for East Asian text, up to \loch or \hich.
  EXPECT_EQ(Read("{\\rtf1\\rtlch\\ab\\afs40 a\\dbch\\ab\\afs32 b\\loch c}").runs,
            (std::vector<TextRun>{{u"a", {}}, {u"b", Style("b", 32)}, {u"c", {}}}));
}

TEST(RtfReader, SurvivesMalformedAndDeeplyNestedInput) {
  EXPECT_EQ(Plain("}}{\\rtf1 a}}b}"), u"ab");
  for (const char* truncated : {"{\\rtf1 a\\'", "{\\rtf1 a\\'4", "{\\rtf1 a\\u", "{\\rtf1 a\\",
                                "{\\rtf1 a\\bin99999999999"}) {
    EXPECT_EQ(Plain(truncated), u"a") << truncated;
  }
  EXPECT_EQ(Plain("{\\rtf1\\fs99999999999999999999 a\\u-99999999999 ?b\\uc99999999999 \\u1 cd}"),
            u"a\uFFFDb");
  EXPECT_EQ(Plain("{\\rtf1 a\0b\\'00c}"sv), u"abc");
  EXPECT_EQ(Plain("{\\rtf1 a\\" + std::string(100000, 'x') + " b}"), u"ab");
  // Nesting neither recurses nor grows.
  const std::string open(100000, '{');
  EXPECT_EQ(Plain("{\\rtf1 a" + open + "x" + std::string(100000, '}') + "b}"), u"ab");
  EXPECT_EQ(Plain("{\\rtf1 a" + open), u"a");
  // Only the header makes RTF.
  EXPECT_FALSE(IsRtf(""));
  EXPECT_FALSE(IsRtf("{\\rt"));
}

}  // namespace
}  // namespace webexam
