#include <gtest/gtest.h>

#include "controls/rect.h"

TEST(PointToBox, OnePixelBoxContainsItsCorner) {
  EXPECT_TRUE(TCollision::PointToBox(5, 5, 5, 5, 5, 5));
  EXPECT_FALSE(TCollision::PointToBox(6, 5, 5, 5, 5, 5));
  EXPECT_FALSE(TCollision::PointToBox(5, 4, 5, 5, 5, 5));
}

TEST(PointToBox, AllFourEdgesAreInside) {
  EXPECT_TRUE(TCollision::PointToBox(10, 7, 0, 0, 10, 7));
  EXPECT_TRUE(TCollision::PointToBox(0, 0, 0, 0, 10, 7));
  EXPECT_TRUE(TCollision::PointToBox(0, 7, 0, 0, 10, 7));
  EXPECT_TRUE(TCollision::PointToBox(10, 0, 0, 0, 10, 7));
}

TEST(PointToBox, OnePixelBeyondAnyEdgeIsOutside) {
  EXPECT_FALSE(TCollision::PointToBox(11, 7, 0, 0, 10, 7));
  EXPECT_FALSE(TCollision::PointToBox(10, 8, 0, 0, 10, 7));
  EXPECT_FALSE(TCollision::PointToBox(-1, 3, 0, 0, 10, 7));
  EXPECT_FALSE(TCollision::PointToBox(3, -1, 0, 0, 10, 7));
}

TEST(PointToBox, InvertedBoxContainsNothing) {
  for (int x = -2; x <= 12; ++x) {
    for (int y = -2; y <= 12; ++y) {
      EXPECT_FALSE(TCollision::PointToBox(x, y, 10, 0, 0, 10)) << x << "," << y;
      EXPECT_FALSE(TCollision::PointToBox(x, y, 0, 10, 10, 0)) << x << "," << y;
    }
  }
}

TEST(BoundingBox, TouchingCornersOverlap) {
  EXPECT_TRUE(TCollision::BoundingBox(0, 0, 10, 10, 10, 10, 20, 20));
  EXPECT_TRUE(TCollision::BoundingBox(10, 10, 20, 20, 0, 0, 10, 10));
}

TEST(BoundingBox, SeparatedBoxesDoNotOverlap) {
  EXPECT_FALSE(TCollision::BoundingBox(0, 0, 10, 10, 10.5f, 0, 20, 10));
  EXPECT_FALSE(TCollision::BoundingBox(10.5f, 0, 20, 10, 0, 0, 10, 10));
  EXPECT_FALSE(TCollision::BoundingBox(0, 0, 10, 10, 0, 10.5f, 10, 20));
  EXPECT_FALSE(TCollision::BoundingBox(0, 10.5f, 10, 20, 0, 0, 10, 10));
}

TEST(BoundingBox, ContainedBoxOverlaps) {
  EXPECT_TRUE(TCollision::BoundingBox(0, 0, 100, 100, 40, 40, 50, 50));
  EXPECT_TRUE(TCollision::BoundingBox(40, 40, 50, 50, 0, 0, 100, 100));
}

TEST(Dist, PythagoreanAndSelf) {
  EXPECT_FLOAT_EQ(TCollision::Dist(3, 4, 0, 0), 5.0f);
  EXPECT_FLOAT_EQ(TCollision::Dist(0, 0, -3, -4), 5.0f);
  EXPECT_EQ(TCollision::Dist(12.5f, -7.25f, 12.5f, -7.25f), 0.0f);
}

TEST(Dist, LargeCoordinatesDoNotOverflowFloat) {
  // The squares exceed the float range; the double sum keeps them.
  EXPECT_FLOAT_EQ(TCollision::Dist(0, 0, 3e20f, 4e20f), 5e20f);
}

TEST(BoxDist, OverlappingBoxesGiveZero) {
  EXPECT_EQ(TCollision::BoxDist(0, 0, 10, 10, 5, 5, 10, 10), 0.0f);
  EXPECT_EQ(TCollision::BoxDist(0, 0, 10, 10, 2, 2, 1, 1), 0.0f);
}

TEST(BoxDist, SeparatedBoxesGiveTheGap) {
  // right, overlap: 20 - 0 - 10
  EXPECT_EQ(TCollision::BoxDist(0, 0, 10, 10, 20, 0, 5, 5), 10.0f);
  // left, overlap: 0 - (-20) - 5
  EXPECT_EQ(TCollision::BoxDist(0, 0, 10, 10, -20, 2, 5, 5), 15.0f);
  // overlap, below / above
  EXPECT_EQ(TCollision::BoxDist(0, 0, 10, 10, 0, 13, 5, 5), 3.0f);
  EXPECT_EQ(TCollision::BoxDist(0, 0, 10, 10, 0, -9, 5, 5), 4.0f);
  // diagonal: horizontal plus vertical gap
  EXPECT_EQ(TCollision::BoxDist(0, 0, 10, 10, 12, 15, 5, 5), 2.0f + 5.0f);
  EXPECT_EQ(TCollision::BoxDist(0, 0, 10, 10, -8, -7, 5, 5), 3.0f + 2.0f);
  // touching boxes are a zero gap
  EXPECT_EQ(TCollision::BoxDist(0, 0, 10, 10, 10, 0, 5, 5), 0.0f);
}

TEST(TRect, NewRectIsAllZero) {
  TRect r;
  EXPECT_EQ(r.x, 0);
  EXPECT_EQ(r.y, 0);
  EXPECT_EQ(r.Right, 0);
  EXPECT_EQ(r.Bottom, 0);
  EXPECT_EQ(r.Width, 0);
  EXPECT_EQ(r.Height, 0);
}

TEST(TRect, CopyIsIndependent) {
  TRect src;
  src.x = 1;
  src.y = 2;
  src.Right = 31;
  src.Bottom = 42;
  src.Width = 30;
  src.Height = 40;
  TRect copy = src.Copy();
  EXPECT_EQ(copy.x, 1);
  EXPECT_EQ(copy.y, 2);
  EXPECT_EQ(copy.Right, 31);
  EXPECT_EQ(copy.Bottom, 42);
  EXPECT_EQ(copy.Width, 30);
  EXPECT_EQ(copy.Height, 40);
  copy.x = 99;
  copy.Width = 7;
  EXPECT_EQ(src.x, 1);
  EXPECT_EQ(src.Width, 30);
  src.Height = 5;
  EXPECT_EQ(copy.Height, 40);
}

TEST(TMouse, NewRecordIsCleared) {
  TMouse m;
  EXPECT_EQ(m.x, 0.0f);
  EXPECT_EQ(m.y, 0.0f);
  EXPECT_FALSE(m.LeftButton);
  EXPECT_FALSE(m.RightButton);
  EXPECT_FALSE(m.CenterButton);
  EXPECT_FALSE(m.ReleasedButton);
}

TEST(TMouse, PositionTruncatesTowardZero) {
  Mouse = TMouse{};
  Mouse.x = 100.9f;
  Mouse.y = -3.7f;
  EXPECT_EQ(MouseX(), 100);
  EXPECT_EQ(MouseY(), -3);
  Mouse.x = 1e30f;  // far outside the int range: saturates, no overflow
  EXPECT_EQ(MouseX(), 2147483647);
  Mouse = TMouse{};
}
