#include <gtest/gtest.h>

#include "controls/anchor.h"

namespace {

TRect MakeRect(int x, int y, int w, int h) {
  TRect r;
  r.x = x;
  r.y = y;
  r.Right = x + w;
  r.Bottom = y + h;
  r.Width = w;
  r.Height = h;
  return r;
}

void ExpectRect(const TRect& r, int x, int y, int w, int h) {
  EXPECT_EQ(r.x, x);
  EXPECT_EQ(r.y, y);
  EXPECT_EQ(r.Width, w);
  EXPECT_EQ(r.Height, h);
  EXPECT_EQ(r.Right, x + w);
  EXPECT_EQ(r.Bottom, y + h);
}

void ExpectSameRect(const TRect& got, const TRect& want) {
  EXPECT_EQ(got.x, want.x);
  EXPECT_EQ(got.y, want.y);
  EXPECT_EQ(got.Right, want.Right);
  EXPECT_EQ(got.Bottom, want.Bottom);
  EXPECT_EQ(got.Width, want.Width);
  EXPECT_EQ(got.Height, want.Height);
}

}  // namespace

TEST(TAnchorCreate, FlagsArriveInLeftTopRightBottomOrder) {
  auto a = TAnchor::Create(true, false, false, true, MakeRect(1, 2, 3, 4), 800, 600);
  EXPECT_TRUE(a->blnLeft);
  EXPECT_FALSE(a->blnTop);
  EXPECT_FALSE(a->blnRight);
  EXPECT_TRUE(a->blnBottom);
  EXPECT_EQ(a->PrevWidth, 800);
  EXPECT_EQ(a->PrevHeight, 600);
}

TEST(TAnchorCreate, KeepsTwoCopiesNotTheCallersRect) {
  TRect design = MakeRect(10, 20, 30, 40);
  auto a = TAnchor::Create(true, true, false, false, design, 800, 600);
  design.x = 500;
  EXPECT_EQ(a->OrigRect.x, 10);
  EXPECT_EQ(a->Rect.x, 10);
  a->Resize(900, 700).x = 77;  // scribbling on the result leaves the design
  EXPECT_EQ(a->OrigRect.x, 10);
}

// The anchor sets of the control panel, resized to 1000 x 700 from 800 x 600.
TEST(TAnchorResize, PanelAnchorSets) {
  // left, top, right: the banner stretches.
  auto banner = TAnchor::Create(true, true, true, false, MakeRect(10, 10, 780, 20), 800, 600);
  ExpectRect(banner->Resize(1000, 700), 10, 10, 980, 20);
  // left, top: the left column stays put.
  auto pause = TAnchor::Create(true, true, false, false, MakeRect(10, 60, 100, 32), 800, 600);
  ExpectRect(pause->Resize(1000, 700), 10, 60, 100, 32);
  // top, right: the right column keeps its gap to the right edge.
  auto unload = TAnchor::Create(false, true, true, false, MakeRect(690, 60, 100, 32), 800, 600);
  ExpectRect(unload->Resize(1000, 700), 890, 60, 100, 32);
  // right, bottom: the quit button follows the corner.
  auto quit = TAnchor::Create(false, false, true, true, MakeRect(690, 558, 100, 32), 800, 600);
  ExpectRect(quit->Resize(1000, 700), 890, 658, 100, 32);
  // bottom only: the colour row keeps its offset from the centre line.
  auto red = TAnchor::Create(false, false, false, true, MakeRect(240, 550, 100, 20), 800, 600);
  ExpectRect(red->Resize(1000, 700), 340, 650, 100, 20);
}

TEST(TAnchorResize, DesignSizeRestoresDesignForAllSixteenFlagSets) {
  const TRect designs[] = {MakeRect(240, 550, 100, 20), MakeRect(13, 7, 31, 17),
                           MakeRect(-5, -9, 3, 1)};
  for (const TRect& design : designs) {
    for (int prev_w : {800, 801}) {
      for (int bits = 0; bits < 16; ++bits) {
        const bool l = bits & 1, t = bits & 2, r = bits & 4, b = bits & 8;
        SCOPED_TRACE(testing::Message() << "flags " << bits << " design width " << prev_w
                                        << " x " << design.x);
        auto a = TAnchor::Create(l, t, r, b, design, prev_w, 601);
        ExpectSameRect(a->Resize(prev_w, 601), design);
        a->Resize(prev_w + 357, 601 - 222);
        ExpectSameRect(a->Resize(prev_w, 601), design);
      }
    }
  }
}

TEST(TAnchorResize, FarEdgeKeepsItsGap) {
  auto a = TAnchor::Create(false, false, true, true, MakeRect(690, 558, 100, 32), 800, 600);
  const TRect& r = a->Resize(1000, 700);
  EXPECT_EQ(r.x, 890);
  EXPECT_EQ(r.y, 658);
  EXPECT_EQ(r.Right, 990);
  EXPECT_EQ(r.Bottom, 690);
  EXPECT_EQ(r.Width, 100);
  EXPECT_EQ(r.Height, 32);
}

TEST(TAnchorResize, BothEdgesStretchAndMayGoNegative) {
  auto a = TAnchor::Create(true, true, true, false, MakeRect(10, 10, 780, 20), 800, 600);
  const TRect& wide = a->Resize(1000, 600);
  EXPECT_EQ(wide.x, 10);
  EXPECT_EQ(wide.Width, 980);
  const TRect& narrow = a->Resize(15, 600);
  EXPECT_EQ(narrow.x, 10);
  EXPECT_EQ(narrow.Right, 5);
  EXPECT_EQ(narrow.Width, -5);
}

TEST(TAnchorResize, VerticalStretch) {
  auto a = TAnchor::Create(false, true, false, true, MakeRect(0, 100, 50, 400), 800, 600);
  ExpectRect(a->Resize(800, 700), 0, 100, 50, 500);
}

TEST(TAnchorResize, CentreTruncatesEachHalfSeparately) {
  auto a = TAnchor::Create(false, true, false, false, MakeRect(240, 0, 100, 20), 800, 600);
  EXPECT_EQ(a->Resize(801, 600).x, 240);
  EXPECT_EQ(a->Resize(802, 600).x, 241);
  EXPECT_EQ(a->Resize(803, 600).x, 241);
  // Design half of 801 is 400: 400 + (240 - 400).
  auto odd = TAnchor::Create(false, true, false, false, MakeRect(240, 0, 100, 20), 801, 600);
  EXPECT_EQ(odd->Resize(800, 600).x, 240);
  EXPECT_EQ(odd->Resize(803, 600).x, 241);
  // Vertically the same rule: 350 + (550 - 300).
  auto v = TAnchor::Create(true, false, false, false, MakeRect(0, 550, 10, 20), 800, 600);
  EXPECT_EQ(v->Resize(800, 701).y, 600);
}

TEST(TAnchorResize, CentreKeepsANegativeOffset) {
  auto a = TAnchor::Create(false, true, false, false, MakeRect(10, 0, 100, 20), 800, 600);
  const TRect& r = a->Resize(400, 600);
  EXPECT_EQ(r.x, -190);
  EXPECT_EQ(r.Right, -90);
}

TEST(TAnchorResize, SmallWindowGivesNegativePositions) {
  auto a = TAnchor::Create(false, false, true, true, MakeRect(690, 558, 100, 32), 800, 600);
  ExpectRect(a->Resize(50, 20), -60, -22, 100, 32);
}

TEST(TAnchorResize, RoundTripRestoresDesign) {
  const TRect design = MakeRect(690, 558, 100, 32);
  auto a = TAnchor::Create(false, false, true, true, design, 800, 600);
  a->Resize(1000, 700);
  ExpectSameRect(a->Resize(800, 600), design);
}

TEST(TAnchorResize, ReturnsTheSameRectEveryCall) {
  auto a = TAnchor::Create(false, false, true, true, MakeRect(690, 558, 100, 32), 800, 600);
  TRect& first = a->Resize(1000, 700);
  TRect& second = a->Resize(900, 650);
  EXPECT_EQ(&first, &second);
  EXPECT_EQ(&first, &a->Rect);
  EXPECT_EQ(first.x, 790);  // the kept reference shows the latest result
  EXPECT_EQ(a->PrevWidth, 800);
  EXPECT_EQ(a->OrigRect.x, 690);
}

TEST(TAnchorResize, ExtremeSizesWrapWithoutFaulting) {
  auto a = TAnchor::Create(true, true, true, true, MakeRect(10, 10, 100, 100), 800, 600);
  const TRect& r = a->Resize(2147483647, -2147483647 - 1);
  EXPECT_EQ(r.Right, r.x + r.Width);
  EXPECT_EQ(r.x, 10);
}
