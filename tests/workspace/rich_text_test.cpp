#include "workspace/rich_text.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace webexam {
namespace {

using namespace std::string_view_literals;

// The platform's own GBK codec, as the program hands it to the reader.
std::u16string DecodeGbk(std::string_view bytes) {
  static const std::unique_ptr<Platform> platform = MakePlatform();
  return platform->DecodeGbk(bytes);
}

RichText Read(std::string_view rtf) { return ReadRtf(rtf, DecodeGbk); }
std::u16string Plain(std::string_view rtf) { return Read(rtf).PlainText(); }

// The style of the run holding `part`.
TextStyle StyleOf(const RichText& text, std::u16string_view part) {
  for (const TextRun& run : text.runs) {
    if (run.text.find(part) != std::u16string::npos) return run.style;
  }
  ADD_FAILURE() << "no run holds the text";
  return {};
}

TEST(RtfReader, ReadsTheWordProcessorDocument) {
  std::ifstream file(std::string(WEBEXAM_TEST_DATA) + "/task_wordprocessor.rtf", std::ios::binary);
  const std::string rtf{std::istreambuf_iterator<char>(file), {}};
  ASSERT_TRUE(IsRtf(rtf));
  const RichText text = Read(rtf);

  // Chinese written as \uN, each followed by one '?' or by two Shift-JIS
  // bytes under \uc2, some of them '\' and 'I'.
  EXPECT_EQ(text.PlainText(),
            u"网页制作操作题\n"
            u"请打开考生文件夹中的 index.htm，按要求完成以下操作。\n"
            u"1.\t将网页标题设为我的家乡。\u2028完成后保存网页。\n"
            u"2.\t在表格下方插入水平线，文字颜色设为红色。\n");

  // The heading is bold and larger through \dbch\ab\afs32, its East Asian properties.
  const TextStyle heading = StyleOf(text, u"网页制作操作题");
  EXPECT_TRUE(heading.bold);
  EXPECT_EQ(heading.half_points, 32);
  const TextStyle file_name = StyleOf(text, u"index.htm");
  EXPECT_TRUE(file_name.bold);
  EXPECT_EQ(file_name.half_points, 28);
  EXPECT_TRUE(StyleOf(text, u"我的家乡").italic);
  EXPECT_TRUE(StyleOf(text, u"水平线").underline);
  EXPECT_EQ(StyleOf(text, u"红色").color, 0xFF0000u);

  const TextStyle body = StyleOf(text, u"按要求完成");
  EXPECT_FALSE(body.bold || body.italic || body.underline || body.color);
  EXPECT_EQ(body.half_points, 24);
}

TEST(RtfReader, DecodesGbkByCodePageOrFontCharset) {
  // As a Windows rich-text control stores it: \ansicpg936 and a GBK font name.
  const RichText control = Read(
      "{\\rtf1\\ansi\\ansicpg936\\deff0\\deftab720{\\fonttbl{\\f0\\fswiss MS Sans Serif;}"
      "{\\f1\\froman\\fcharset2 Symbol;}{\\f2\\fmodern\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}}"
      "{\\colortbl\\red0\\green0\\blue0;}\\deflang2052\\pard\\plain\\f2\\fs18 RichTextBox1 "
      "\\'b1\\'ed\\'b8\\'f1\\par }");
  ASSERT_EQ(control.runs.size(), 1u);
  EXPECT_EQ(control.runs[0].text, u"RichTextBox1 表格\n");
  EXPECT_EQ(control.runs[0].style.font, u"宋体");
  EXPECT_EQ(control.runs[0].style.half_points, 18);

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

TEST(RtfReader, UnicodeEscapesSkipTheirFallback) {
  EXPECT_EQ(Plain("{\\rtf1 \\u20320?\\u22909 ?!}"), u"你好!");
  EXPECT_EQ(Plain("{\\rtf1\\ansicpg936\\uc2 \\u20320\\'c4\\'e3\\u22909\\'ba\\'c3}"), u"你好");
  EXPECT_EQ(Plain("{\\rtf1\\uc0 \\u20320 A}"), u"你A");
  EXPECT_EQ(Plain("{\\rtf1 \\u-24679?}"), u"龙");
  // \uc holds within its group; a brace ends the fallback early.
  EXPECT_EQ(Plain("{\\rtf1 {\\uc2 \\u20320??}\\u22909??}"), u"你好?");
  EXPECT_EQ(Plain("{\\rtf1\\uc3 \\u20320{x}y}"), u"你xy");
}

TEST(RtfReader, ControlSymbolsAndCharacterWords) {
  EXPECT_EQ(Plain("{\\rtf1 a\\{b\\}c\\\\d\\~e\\-f\\_g\r\nh\\tab i\\line j\\par k}"),
            u"a{b}c\\d\u00A0ef\u2011gh\ti\u2028j\nk");
  EXPECT_EQ(Plain("{\\rtf1\\emdash\\endash\\bullet\\lquote\\rquote\\ldblquote\\rdblquote}"),
            u"\u2014\u2013\u2022\u2018\u2019\u201C\u201D");
}

TEST(RtfReader, FormattingFollowsGroupsAndPlain) {
  const RichText text = Read(
      "{\\rtf1{\\colortbl;\\red255\\green0\\blue0;\\red0\\green128\\blue0;}"
      "\\b bold{\\i\\ul both\\cf2 green}\\b0 plain\\fs40\\cf1 big\\plain\\ul x\\ulnone y\\cf9 z"
      "{\\b m}{\\b n}}");
  const TextStyle both = StyleOf(text, u"both");
  EXPECT_TRUE(StyleOf(text, u"bold").bold);
  EXPECT_TRUE(both.bold && both.italic && both.underline);
  EXPECT_FALSE(both.color);
  EXPECT_EQ(StyleOf(text, u"green").color, 0x008000u);
  EXPECT_EQ(StyleOf(text, u"plain"), TextStyle{});
  EXPECT_EQ(StyleOf(text, u"big").half_points, 40);
  EXPECT_EQ(StyleOf(text, u"big").color, 0xFF0000u);
  EXPECT_TRUE(StyleOf(text, u"x").underline);
  // An unknown colour is the viewer's own; runs of one style are merged.
  EXPECT_EQ(StyleOf(text, u"yz"), TextStyle{});
  EXPECT_EQ(text.runs.back().text, u"mn");
  EXPECT_EQ(text.PlainText(), u"boldbothgreenplainbigxyzmn");

  // \ab and \afs given after \dbch are for East Asian text, up to \loch or \hich.
  TextStyle asian;
  asian.bold = true;
  asian.half_points = 32;
  EXPECT_EQ(Read("{\\rtf1\\rtlch\\ab\\afs40 a\\dbch\\ab\\afs32 b\\loch c}").runs,
            (std::vector<TextRun>{{u"a", {}}, {u"b", asian}, {u"c", {}}}));
}

TEST(RtfReader, SkipsDestinationsThatAreNotText) {
  EXPECT_EQ(Plain("{\\rtf1{\\*\\generator Writer;}{\\info{\\title T}{\\author A}}"
                  "{\\stylesheet{\\s0 Normal;}}{\\*\\unknown{\\b y}z}{\\header h}"
                  "{\\field{\\fldinst HYPERLINK \"http://x\"}{\\fldrslt link}}"
                  "{\\pict\\bin5 ab}cd} end}"),
            u"link end");
}

TEST(RtfReader, SurvivesMalformedInput) {
  EXPECT_EQ(Plain("}}{\\rtf1 a}}b}"), u"ab");
  EXPECT_EQ(Plain("{\\rtf1 {{{a"), u"a");
  for (const char* truncated : {"{\\rtf1 a\\'", "{\\rtf1 a\\'4", "{\\rtf1 a\\u", "{\\rtf1 a\\",
                                "{\\rtf1 a\\bin99999999999"}) {
    EXPECT_EQ(Plain(truncated), u"a") << truncated;
  }
  EXPECT_EQ(Plain("{\\rtf1\\fs99999999999999999999 a\\u-99999999999 ?b\\uc99999999999 \\u1 cd}"),
            u"a\uFFFDb");
  EXPECT_EQ(Plain("{\\rtf1 a\0b\\'00c}"sv), u"abc");
  EXPECT_EQ(Plain("{\\rtf1 a\\" + std::string(100000, 'x') + " b}"), u"ab");
}

TEST(RtfReader, DeepNestingNeitherRecursesNorGrows) {
  const std::string open(100000, '{');
  const std::string close(100000, '}');
  EXPECT_EQ(Plain("{\\rtf1 a" + open + "x" + close + "b}"), u"ab");
  EXPECT_EQ(Plain("{\\rtf1 a" + open), u"a");
}

TEST(RtfReader, RecognisesRtfByItsHeader) {
  EXPECT_TRUE(IsRtf("{\\rtf1\\ansi x}"));
  EXPECT_FALSE(IsRtf("\xcd\xf8\xd2\xb3\xd6\xc6\xd7\xf7\r\n"));
  EXPECT_FALSE(IsRtf(""));
  EXPECT_FALSE(IsRtf("{\\rt"));
}

}  // namespace
}  // namespace webexam
