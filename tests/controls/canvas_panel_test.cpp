#include <gtest/gtest.h>

#include <string>

#include "controls/canvas_panel.h"

namespace {

const std::string kLogoFile = std::string(CELLREEL_SOURCE_DIR) + "/Images/quillmark.png";

}  // namespace

TEST(TCanvasCreate, LoadsItsPictureWithoutADrawingContext) {
  auto p = TCanvas::Create(680, 380, 120, 100, kLogoFile, false, false, false, true, true, 800,
                           600);
  ASSERT_NE(p->image, nullptr);
  EXPECT_EQ(p->image->width, 120);
  EXPECT_EQ(p->image->height, 100);
  EXPECT_EQ(p->posx, 680);
  EXPECT_EQ(p->posy, 380);
  EXPECT_EQ(p->width, 120);
  EXPECT_EQ(p->height, 100);
  EXPECT_FALSE(p->border);
  ASSERT_NE(p->anchor, nullptr);
  EXPECT_TRUE(p->anchor->blnRight);
  EXPECT_TRUE(p->anchor->blnBottom);
  EXPECT_FALSE(p->anchor->blnLeft);
}

TEST(TCanvasCreate, MissingPictureLeavesTheImageNull) {
  auto p = TCanvas::Create(10, 20, 120, 100, "/nonexistent/nothing.png", true, true, true, false,
                           false, 800, 600);
  EXPECT_EQ(p->image, nullptr);
  EXPECT_TRUE(p->border);
}

TEST(TCanvasResize, LogoFollowsTheBottomRightCorner) {
  auto p = TCanvas::Create(680, 380, 120, 100, kLogoFile, false, false, false, true, true, 800,
                           600);
  EXPECT_EQ(p->Resize(1000, 700), 0);
  EXPECT_EQ(p->posx, 880);
  EXPECT_EQ(p->posy, 480);
  EXPECT_EQ(p->width, 120);
  EXPECT_EQ(p->height, 100);
  p->Resize(800, 600);
  EXPECT_EQ(p->posx, 680);
  EXPECT_EQ(p->posy, 380);
}
