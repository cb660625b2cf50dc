#include "client/window_placement.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "client/sign_in_layout.h"
#include "text/utf8.h"

namespace webexam {
namespace {

TEST(WindowPlacement, RoundsTheLeftToNearestEvenAndTruncatesTheRest) {
  EXPECT_EQ(TopmostPlacement(5249, 0, 5249, 0, 15, 15), (PixelBox{350, 0, 349, 0}));
  EXPECT_EQ(TopmostPlacement(0, -200, 0, 0, 15, 15).top, -13);
  EXPECT_EQ(TopmostPlacement(37.5, 0, 0, 0, 15, 15).left, 2);  // 2.5
  EXPECT_EQ(TopmostPlacement(52.5, 0, 0, 0, 15, 15).left, 4);  // 3.5
  // Top and the twips per pixel are rounded before dividing: 22.5 -> 22, 7.5 -> 8.
  EXPECT_EQ(TopmostPlacement(0, 22.5, 0, 0, 15, 7.5).top, 2);
  EXPECT_EQ(TwipsToPixels(1935, 192), 258);
}

// A label font of whole pixels: 8 an ASCII character, 16 any other ("…" too);
// a surrogate pair is one character.
int Measure(std::u16string_view text) {
  int width = 0;
  for (const char16_t unit : text) {
    if (unit >= 0xDC00 && unit <= 0xDFFF) continue;
    width += unit < 0x80 ? 8 : 16;
  }
  return width;
}

constexpr std::u16string_view kLead = u"考生文件夹为";
// Room before the buttons at 96 dpi: "上交成绩" at 192, less a character each side.
constexpr int kRoom = 176;
// The designed window at 96 dots per inch without a frame: 427 to 768.
constexpr PixelBox kDesigned{427, 38, 341, 106};

FolderLabelFit Fit(std::u16string_view folder, std::optional<PixelBox> screen) {
  return FitFolderLabel(96, 96, FrameSize{}, screen, kLead, folder, kRoom, Measure);
}

TEST(FolderLabel, AFolderThatFitsLeavesTheWindowAsDesignedALongerOneWidensAndMovesIt) {
  ASSERT_EQ(GradingWindowPlacement(96, 96, FrameSize{}), kDesigned);
  FolderLabelFit fit = Fit(u"~/62072200", PixelBox{0, 0, 1024, 768});
  EXPECT_EQ(fit.place, kDesigned);
  EXPECT_EQ(fit.growth, 0);
  EXPECT_EQ(fit.text, u"考生文件夹为~/62072200");
  // No screen known: no limit. A screen not at 0 (a panel on the left) has
  // its own right edge (one at 0 is the e2e client test's long folder).
  const std::u16string folder = u"~/webexam-room-jf07-afternoon-session/webexam/620722001";
  const int growth = 96 + 8 * 55 - kRoom;
  EXPECT_EQ(Fit(folder, std::nullopt).place, (PixelBox{427, 38, 341 + growth, 106}));
  fit = Fit(folder, PixelBox{100, 0, 800, 600});
  EXPECT_EQ(fit.place, (PixelBox{900 - 341 - growth, 38, 341 + growth, 106}));
  EXPECT_EQ(fit.growth, growth);
  EXPECT_EQ(fit.text, std::u16string(kLead) + folder);
  // The frame the window manager draws is part of the window that moves.
  const FolderLabelFit framed = FitFolderLabel(
      96, 96, FrameSize{4, 24, 4, 4}, PixelBox{0, 0, 1024, 768}, kLead, folder, kRoom, Measure);
  EXPECT_EQ(framed.growth, growth);
  EXPECT_EQ(framed.place.right(), 1024);
}

TEST(FolderLabel, PastTheScreensWidthTheFolderLosesItsMiddleNeverItsEndNorACharacterHalf) {
  const std::u16string folder = u"/srv/exam-rooms/jf07-afternoon/webexam/620722001";
  const FolderLabelFit fit = Fit(folder, PixelBox{0, 0, 400, 300});
  EXPECT_EQ(fit.growth, 400 - 341);
  EXPECT_EQ(fit.place, (PixelBox{0, 38, 400, 106}));
  // The lead, the folder's start, "…", and its end with the candidate folder whole.
  EXPECT_EQ(fit.text, u"考生文件夹为/sr…am/620722001");
  // Too narrow even for the end: the end stays, the start goes.
  EXPECT_EQ(FolderMiddleLeftOut(kLead, u"/home/ann/webexam/620722001", 0, Measure),
            u"考生文件夹为…/620722001");
  // No separator at all: the whole name is the end.
  EXPECT_EQ(FolderMiddleLeftOut(kLead, u"620722001620722001", 0, Measure),
            u"考生文件夹为…620722001620722001");
  // A character outside the BMP is kept or left out whole.
  const std::u16string astral = u"/𠀀𠀀𠀀𠀀/620722001";
  for (int width = 0; width < Measure(std::u16string(kLead) + astral) + 8; ++width) {
    const std::u16string text = FolderMiddleLeftOut(kLead, astral, width, Measure);
    for (std::size_t i = 0; i < text.size(); ++i) {
      const bool low = text[i] >= 0xDC00 && text[i] <= 0xDFFF;
      EXPECT_EQ(low, i > 0 && text[i - 1] >= 0xD800 && text[i - 1] <= 0xDBFF) << width;
    }
    EXPECT_TRUE(text.ends_with(u"/620722001"));
  }
}

// Label5's 9 pt font at 96 dpi: 6 pixels ASCII, 12 any other; lines 14 apart.
int Measure9(std::u16string_view text) { return Measure(text) * 3 / 4; }
constexpr int kLineHeight = 14;

TEST(SignInLayout, TheSampleRangeLeavesTheWindowAsDesignedALongOneTakesLinesBelow) {
  using namespace sign_in_window;
  const SignInLayout sample =
      LayOutSignInWindow(96, 96, u"考号范围：120722001至120722999", Measure9, kLineHeight);
  EXPECT_EQ(sample.client, ClientArea(kClient, kControls, 96, 96));
  EXPECT_TRUE(sample.label5 == ToPixels(kLabel5, 96, 96) &&
              sample.text1 == ToPixels(kText1, 96, 96));
  EXPECT_EQ(sample.range_lines, std::vector<std::u16string>{u"考号范围：120722001至120722999"});

  // Longer than the label, shorter than the window: one wider line.
  const std::u16string wider = u"考号范围：260105001至260105060（春季学期）";
  SignInLayout layout = LayOutSignInWindow(96, 96, wider, Measure9, kLineHeight);
  EXPECT_EQ(layout.range_lines, std::vector<std::u16string>{wider});
  EXPECT_EQ(layout.label5.width, 423 - 8 - 120);
  EXPECT_TRUE(layout.client == sample.client && layout.text1 == sample.text1);

  // Three lines within the label; what is below 28 pixels lower (the real
  // window is the e2e client test's second exam).
  const std::u16string text =
      u"考号范围：260105001至260105060，高一年级 2026 年春季学期期末考试，"
      u"请按准考证上的考号填写，考号为九位数字";
  layout = LayOutSignInWindow(96, 96, text, Measure9, kLineHeight);
  ASSERT_EQ(layout.range_lines.size(), 3u);
  std::u16string joined;
  for (const std::u16string& line : layout.range_lines) {
    EXPECT_LE(Measure9(line), layout.label5.width) << ToUtf8(line);
    joined += line;
  }
  EXPECT_EQ(joined, text);
  EXPECT_EQ(layout.label5.height, sample.label5.height + 2 * kLineHeight);
  EXPECT_EQ(layout.text1.top, sample.text1.top + 2 * kLineHeight);
  EXPECT_EQ(layout.client.height, sample.client.height + 2 * kLineHeight);
}

TEST(SignInLayout, WrapLinesCutsOnlyWhatCannotBeKeptWhole) {
  // A number longer than a line is cut; a shorter one moves down whole, no blank.
  EXPECT_EQ(WrapLines(u"1234567890", 36, Measure9),
            (std::vector<std::u16string>{u"123456", u"7890"}));
  EXPECT_EQ(WrapLines(u"考号 1234", 36, Measure9), (std::vector<std::u16string>{u"考号", u"1234"}));
  // A character wider than the line is a line of its own; a pair stays whole.
  EXPECT_EQ(WrapLines(u"考𠀀", 6, Measure9), (std::vector<std::u16string>{u"考", u"𠀀"}));
  // Closing punctuation takes the character before it to the next line.
  EXPECT_EQ(WrapLines(u"考号范围。", 48, Measure9),
            (std::vector<std::u16string>{u"考号范", u"围。"}));
}

}  // namespace
}  // namespace webexam
