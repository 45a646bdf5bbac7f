#include <gtest/gtest.h>

#include "controls/button.h"
#include "platform/window/events.h"
#include "support/controls_support.h"

TEST(TButtonCreate, NewButtonDefaults) {
  TButton b;
  EXPECT_EQ(b.text, "button");
  EXPECT_TRUE(b.Enabled);
  EXPECT_FALSE(b.IsMouseOver);
  EXPECT_EQ(b.anchor, nullptr);
}

TEST(TButtonCreate, RecordsRectangleAnchorAndDefaults) {
  auto b = TButton::CreateButton(690, 292, 100, 32, "Load", false, true, true, false, 800, 600);
  EXPECT_EQ(b->posx, 690);
  EXPECT_EQ(b->posy, 292);
  EXPECT_EQ(b->width, 100);
  EXPECT_EQ(b->height, 32);
  EXPECT_EQ(b->text, "Load");
  EXPECT_TRUE(b->Enabled);
  EXPECT_FALSE(b->IsMouseOver);
  ASSERT_NE(b->anchor, nullptr);
  EXPECT_FALSE(b->anchor->blnLeft);
  EXPECT_TRUE(b->anchor->blnTop);
  EXPECT_TRUE(b->anchor->blnRight);
  EXPECT_EQ(b->anchor->OrigRect.Right, 790);
  EXPECT_EQ(b->anchor->OrigRect.Bottom, 324);
}

TEST(TButtonTextPosition, CentredWithFixedEstimates) {
  auto load = TButton::CreateButton(690, 292, 100, 32, "Load", false, true, true, false, 800, 600);
  EXPECT_EQ(load->intTextPosX, 724);
  EXPECT_EQ(load->intTextPosY, 302);
}

TEST(TButtonTextPosition, SetTextRecentresOnlyHorizontally) {
  auto b = TButton::CreateButton(10, 60, 100, 32, "Pause", true, true, false, false, 800, 600);
  EXPECT_EQ(b->intTextPosX, 40);
  EXPECT_EQ(b->intTextPosY, 70);
  b->posy = 500;  // SetText must not recompute the vertical position
  EXPECT_EQ(b->SetText("Run"), 0);
  EXPECT_EQ(b->text, "Run");
  EXPECT_EQ(b->intTextPosX, 48);
  EXPECT_EQ(b->intTextPosY, 70);
}

TEST(TButtonTextPosition, CountsCharactersNotBytes) {
  auto b = TButton::CreateButton(10, 60, 100, 32, "Caf\xC3\xA9", true, true, false, false, 800, 600);
  EXPECT_EQ(b->intTextPosX, 10 + (100 - 32) / 2);
  b->SetText("\xC3\xA9t\xC3\xA9");
  EXPECT_EQ(b->intTextPosX, 10 + (100 - 24) / 2);
}

TEST(TButtonTextPosition, NegativeOffsetsTruncateTowardZero) {
  // (99 - 104) / 2 is -2, not -3.
  auto b = TButton::CreateButton(50, 50, 99, 10, "Refresh it no", true, true, false, false, 800,
                                 600);
  EXPECT_EQ(b->intTextPosX, 48);
  // (10 - 12) / 2 is -1: the caption sits one pixel above the button.
  EXPECT_EQ(b->intTextPosY, 49);
  auto odd = TButton::CreateButton(0, 0, 20, 9, ">>>", true, true, false, false, 800, 600);
  EXPECT_EQ(odd->intTextPosX, -2);  // (20 - 24) / 2
  EXPECT_EQ(odd->intTextPosY, -1);  // (9 - 12) / 2 is -1, not -2
}

TEST(TButtonHover, InclusiveFarCornerAndOnePixelOutside) {
  auto b = TButton::CreateButton(10, 60, 100, 32, "Pause", true, true, false, false, 800, 600);
  PointAt(110, 92);
  EXPECT_TRUE(RefreshHover(*b));
  EXPECT_TRUE(b->IsMouseOver);
  PointAt(10, 60);
  EXPECT_TRUE(RefreshHover(*b));
  PointAt(111, 92);
  EXPECT_FALSE(RefreshHover(*b));
  EXPECT_FALSE(b->IsMouseOver);
  PointAt(110, 93);
  EXPECT_FALSE(RefreshHover(*b));
  PointAt(9, 70);
  EXPECT_FALSE(RefreshHover(*b));
}

TEST(TButtonHover, FractionalPointerTruncates) {
  auto b = TButton::CreateButton(0, 0, 100, 32, "x", true, true, false, false, 800, 600);
  PointAt(100.9f, 5);
  EXPECT_TRUE(RefreshHover(*b));
  PointAt(101.0f, 5);
  EXPECT_FALSE(RefreshHover(*b));
}

TEST(TButtonHover, DisabledNeverHovers) {
  auto b = TButton::CreateButton(10, 60, 100, 32, "Pause", true, true, false, false, 800, 600);
  PointAt(50, 70);
  EXPECT_TRUE(RefreshHover(*b));
  b->Enabled = false;
  EXPECT_FALSE(RefreshHover(*b));
  EXPECT_FALSE(b->IsMouseOver);
}

TEST(TButtonResize, FollowsAnchorAndRestoresDesign) {
  auto b = TButton::CreateButton(690, 558, 100, 32, "Quit", false, false, true, true, 800, 600);
  EXPECT_EQ(b->Resize(1000, 700), 0);
  EXPECT_EQ(b->posx, 890);
  EXPECT_EQ(b->posy, 658);
  EXPECT_EQ(b->intTextPosX, 890 + 34);
  EXPECT_EQ(b->intTextPosY, 658 + 10);
  b->Resize(800, 600);
  EXPECT_EQ(b->posx, 690);
  EXPECT_EQ(b->posy, 558);
  EXPECT_EQ(b->width, 100);
  EXPECT_EQ(b->height, 32);
  EXPECT_EQ(b->intTextPosX, 724);
  EXPECT_EQ(b->intTextPosY, 568);
}

TEST(TButtonResize, StretchRecentresCaption) {
  auto b = TButton::CreateButton(10, 10, 780, 20, "Wide", true, true, true, false, 800, 600);
  b->Resize(1000, 600);
  EXPECT_EQ(b->width, 980);
  EXPECT_EQ(b->intTextPosX, 10 + (980 - 32) / 2);
}

TEST(TButtonHook, EventHookReturnsNullAndChangesNothing) {
  auto b = TButton::CreateButton(10, 60, 100, 32, "Pause", true, true, false, false, 800, 600);
  TEvent ev;
  EXPECT_EQ(TButton::EventHook(0x401, &ev, b.get()), nullptr);
  EXPECT_EQ(TButton::EventHook(0x401, nullptr, nullptr), nullptr);
  EXPECT_EQ(b->OnEvent(&ev), 0);
  EXPECT_EQ(b->posx, 10);
  EXPECT_EQ(b->text, "Pause");
  EXPECT_FALSE(b->IsMouseOver);
}
