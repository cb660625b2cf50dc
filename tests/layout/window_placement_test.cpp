#include "layout/window_placement.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace webexam {
namespace {

TEST(WindowPlacement, RoundsXToNearestEvenAndTruncatesTheRest) {
  EXPECT_EQ(TopmostPlacement(5249, 0, 5249, 0, 15, 15), (PixelRect{350, 0, 349, 0}));
  EXPECT_EQ(TopmostPlacement(0, -200, 0, 0, 15, 15).y, -13);
  EXPECT_EQ(TopmostPlacement(37.5, 0, 0, 0, 15, 15).x, 2);  // 2.5
  EXPECT_EQ(TopmostPlacement(52.5, 0, 0, 0, 15, 15).x, 4);  // 3.5
  // Top and the twips per pixel are rounded before dividing: 22.5 -> 22, 7.5 -> 8.
  EXPECT_EQ(TopmostPlacement(0, 22.5, 0, 0, 15, 7.5).y, 2);
  // The designed grading window at 96 dots per inch.
  EXPECT_EQ(TopmostPlacement(6405, 570, 5115, 1590, 15, 15), (PixelRect{427, 38, 341, 106}));
  EXPECT_EQ(TwipsToPixels(1935, 96), 129);
  EXPECT_EQ(TwipsToPixels(1935, 192), 258);
}

// Each control's rectangle lies whole inside the client area of its window.
template <std::size_t N>
void ExpectWhole(const char* window, const PixelBox& client,
                 const std::array<TwipsRect, N>& controls, double dpi) {
  for (std::size_t i = 0; i < N; ++i) {
    const PixelBox box = ToPixels(controls[i], dpi, dpi);
    EXPECT_TRUE(box.left >= 0 && box.top >= 0 && box.width > 0 && box.height > 0 &&
                box.right() <= client.width && box.bottom() <= client.height)
        << window << " control " << i << " at " << dpi << " dpi: " << box.left << "," << box.top
        << " " << box.width << "x" << box.height << " in " << client.width << "x" << client.height;
  }
}

TEST(WindowLayout, EveryControlIsWholeAtEveryScaling) {
  for (const double dpi : {96.0, 120.0, 144.0, 168.0, 192.0, 216.0, 240.0}) {
    // A title bar and a thin border as Windows draws them at this scaling.
    const int border = TwipsToPixels(45, dpi), caption = TwipsToPixels(345, dpi);
    for (const FrameSize frame :
         {FrameSize{border, border + caption, border, border}, FrameSize{}}) {
      const PixelRect place = GradingWindowPlacement(dpi, dpi, frame);
      const PixelBox client{0, 0, place.cx - frame.left - frame.right,
                            place.cy - frame.top - frame.bottom};
      ExpectWhole("grading window", client, grading_window::kControls, dpi);
      // The position follows the rule, and so does the size wherever the
      // rule leaves room for the controls.
      const PixelBox needed =
          ClientArea(grading_window::kClient, grading_window::kControls, dpi, dpi);
      const double tpx = 1440.0 / dpi;
      const PixelRect rule =
          TopmostPlacement((needed.left - frame.left) * tpx, (needed.top - frame.top) * tpx,
                           (needed.width + frame.left + frame.right) * tpx,
                           (needed.height + frame.top + frame.bottom) * tpx, tpx, tpx);
      EXPECT_EQ(place.x, rule.x);
      EXPECT_EQ(place.y, rule.y);
      EXPECT_EQ(place.cx, std::max(rule.cx, needed.width + frame.left + frame.right));
      EXPECT_EQ(place.cy, std::max(rule.cy, needed.height + frame.top + frame.bottom));
      if (dpi == 96.0 && frame.top == 0) {
        EXPECT_EQ(place, (PixelRect{427, 38, 341, 106}));
      }
      // At 200 % the rule alone (7.5 twips per pixel taken as 8) cuts "退出" off.
      if (dpi == 192.0) {
        EXPECT_LT(rule.cx - frame.left - frame.right,
                  ToPixels(grading_window::kCommand2, dpi, dpi).right());
      }
    }
    ExpectWhole("sign-in window",
                ClientArea(sign_in_window::kClient, sign_in_window::kControls, dpi, dpi),
                sign_in_window::kControls, dpi);
    ExpectWhole("report window",
                ClientArea(report_window::kClient, report_window::kControls, dpi, dpi),
                report_window::kControls, dpi);
  }
}

}  // namespace
}  // namespace webexam
