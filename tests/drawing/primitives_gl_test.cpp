// Lines, rectangles and text on real pixels: drawn by the GL layer under
// Mesa, read back from the back buffer.
#include "platform/drawing/font_default.h"
#include "support/drawing_support.h"

namespace {

const Rgb kBlack{0, 0, 0};
const Rgb kWhite{255, 255, 255};

using Lines = DrawingTest;

TEST_F(Lines, HorizontalWithLastPixelSetsBothEnds) {
  DrawLine(10, 5, 20, 5, 1);
  const Snapshot s = GrabAll();
  EXPECT_EQ(s.CountNot(kBlack), 11);
  for (int x = 10; x <= 20; ++x) EXPECT_EQ(s.At(x, 5), kWhite) << "column " << x;
}

TEST_F(Lines, VerticalWithLastPixelSetsBothEnds) {
  DrawLine(30, 5, 30, 15, 1);
  const Snapshot s = GrabAll();
  EXPECT_EQ(s.CountNot(kBlack), 11);
  for (int y = 5; y <= 15; ++y) EXPECT_EQ(s.At(30, y), kWhite) << "row " << y;
}

TEST_F(Lines, WithoutLastPixelTheEndIsLeftOutInEitherDirection) {
  DrawLine(10, 5, 20, 5, 0);   // sets 10..19
  DrawLine(20, 8, 10, 8, 0);   // sets 20..11
  DrawLine(40, 5, 40, 15, 0);  // sets rows 5..14
  DrawLine(50, 15, 50, 5, 0);  // sets rows 15..6
  const Snapshot s = GrabAll();
  EXPECT_EQ(s.CountNot(kBlack), 40);
  EXPECT_EQ(s.At(20, 5), kBlack);
  EXPECT_EQ(s.At(10, 5), kWhite);
  EXPECT_EQ(s.At(10, 8), kBlack);
  EXPECT_EQ(s.At(20, 8), kWhite);
  EXPECT_EQ(s.At(40, 15), kBlack);
  EXPECT_EQ(s.At(50, 5), kBlack);
  EXPECT_EQ(s.At(50, 15), kWhite);
}

TEST_F(Lines, ZeroLengthSetsOnePixelOnlyWithLast) {
  DrawLine(7, 7, 7, 7, 0);
  EXPECT_EQ(GrabAll().CountNot(kBlack), 0);
  DrawLine(7, 7, 7, 7, 1);
  const Snapshot s = GrabAll();
  EXPECT_EQ(s.CountNot(kBlack), 1);
  EXPECT_EQ(s.At(7, 7), kWhite);
}

TEST_F(Lines, DiagonalSetsItsEndPixelOnlyWithLast) {
  DrawLine(10, 10, 30, 20, 0);
  Snapshot s = GrabAll();
  EXPECT_EQ(s.At(10, 10), kWhite);
  EXPECT_EQ(s.At(30, 20), kBlack);
  const int without_last = s.CountNot(kBlack);
  EXPECT_GE(without_last, 20);
  DrawLine(10, 10, 30, 20, 1);
  s = GrabAll();
  EXPECT_EQ(s.At(30, 20), kWhite);
  EXPECT_EQ(s.CountNot(kBlack), without_last + 1);
  const Snapshot::Box box = s.InkBox(kBlack);
  EXPECT_EQ(box.left, 10);
  EXPECT_EQ(box.top, 10);
  EXPECT_EQ(box.right, 30);
  EXPECT_EQ(box.bottom, 20);
}

TEST_F(Lines, FollowTheColourClampedWhenUsed) {
  SetColor(300, -20, 128);
  int r = 0, g = 0, b = 0;
  GetColor(r, g, b);
  EXPECT_EQ(r, 300);
  EXPECT_EQ(g, -20);
  EXPECT_EQ(b, 128);
  DrawLine(10, 5, 20, 5, 1);
  EXPECT_EQ(GrabAll().At(15, 5), (Rgb{255, 0, 128}));
}

using Rects = DrawingTest;

TEST_F(Rects, CoverXToXPlusWidthMinusOne) {
  DrawRect(5, 7, 10, 4);
  const Snapshot s = GrabAll();
  const Snapshot::Box box = s.InkBox(kBlack);
  EXPECT_EQ(box.left, 5);
  EXPECT_EQ(box.right, 14);
  EXPECT_EQ(box.top, 7);
  EXPECT_EQ(box.bottom, 10);
  EXPECT_EQ(s.CountNot(kBlack), 40);
}

TEST_F(Rects, AdjacentRectanglesNeitherOverlapNorLeaveAGap) {
  SetBlend(4);  // additive: an overlap would show brighter
  SetColor(100, 100, 100);
  DrawRect(10, 10, 10, 10);
  DrawRect(20, 10, 10, 10);
  DrawRect(10, 20, 20, 5);
  const Snapshot s = GrabAll();
  EXPECT_EQ(s.Count(Rgb{100, 100, 100}), 300);
  EXPECT_EQ(s.CountNot(kBlack), 300);
}

TEST_F(Rects, ScaleStretchesFromTheAnchor) {
  SetScale(2, 3);
  DrawRect(10, 10, 5, 5);
  const Snapshot::Box box = GrabAll().InkBox(kBlack);
  EXPECT_EQ(box.left, 10);
  EXPECT_EQ(box.right, 19);
  EXPECT_EQ(box.top, 10);
  EXPECT_EQ(box.bottom, 24);
}

TEST_F(Rects, PositiveRotationTurnsClockwiseOnScreen) {
  // A wide bar turned by 90 degrees clockwise hangs down and to the left of
  // its anchor: (px, py) goes to (-py, px).
  SetRotation(90);
  DrawRect(100, 100, 40, 4);
  const Snapshot::Box box = GrabAll().InkBox(kBlack);
  EXPECT_EQ(box.left, 96);
  EXPECT_EQ(box.right, 99);
  EXPECT_EQ(box.top, 100);
  EXPECT_EQ(box.bottom, 139);
}

using Text = DrawingTest;

TEST_F(Text, OneCapitalStaysInItsCellAndMatchesTheFont) {
  DrawText("A", 10, 20);
  const Snapshot s = GrabAll();
  const Snapshot::Box box = s.InkBox(kBlack);
  EXPECT_GE(box.left, 10);
  EXPECT_LE(box.right, 17);
  EXPECT_GE(box.top, 20);
  EXPECT_LE(box.bottom, 35);
  EXPECT_GT(s.CountNot(kBlack), 0);
  for (int row = 0; row < 16; ++row) {
    for (int column = 0; column < 8; ++column) {
      const Rgb want = DefaultFontPixel('A', column, row) ? kWhite : kBlack;
      EXPECT_EQ(s.At(10 + column, 20 + row), want) << "glyph pixel " << column << "," << row;
    }
  }
}

TEST_F(Text, CharactersAbove127LeaveNoGap) {
  DrawText("AB", 10, 20);
  const Snapshot plain = GrabAll();
  Cls();
  DrawText("A\xC3\xA9\x80" "B", 10, 20);
  const Snapshot with_high = GrabAll();
  EXPECT_EQ(plain.rgba, with_high.rgba);
  EXPECT_EQ(TextWidth("A\xC3\xA9" "B"), 16);
  EXPECT_EQ(TextWidth(""), 0);
  EXPECT_EQ(TextHeight("x"), 16);
}

TEST_F(Text, TakesTheDrawingColourAndScale) {
  SetColor(0, 200, 40);
  SetScale(2, 2);
  DrawText("I", 10, 20);
  const Snapshot s = GrabAll();
  const Snapshot::Box box = s.InkBox(kBlack);
  EXPECT_GE(box.left, 10);
  EXPECT_LE(box.right, 25);
  EXPECT_LE(box.bottom, 51);
  for (int row = 0; row < 16; ++row)
    for (int column = 0; column < 8; ++column)
      if (DefaultFontPixel('I', column, row)) {
        EXPECT_EQ(s.At(10 + 2 * column, 20 + 2 * row), (Rgb{0, 200, 40}));
        EXPECT_EQ(s.At(11 + 2 * column, 21 + 2 * row), (Rgb{0, 200, 40}));
      }
}

TEST_F(Text, AdvancesEightPixelsPerCharacter) {
  DrawText("||", 0, 0);
  const Snapshot s = GrabAll();
  // The bar is one column wide; the second sits 8 columns to the right.
  int first = -1;
  for (int x = 0; x < 8; ++x)
    if (s.At(x, 8) == kWhite) first = x;
  ASSERT_GE(first, 0);
  EXPECT_EQ(s.At(first + 8, 8), kWhite);
  int bits = 0;
  for (int row = 0; row < 16; ++row)
    for (int column = 0; column < 8; ++column) bits += DefaultFontPixel('|', column, row) ? 1 : 0;
  EXPECT_EQ(s.CountNot(kBlack), 2 * bits);
}

}  // namespace
