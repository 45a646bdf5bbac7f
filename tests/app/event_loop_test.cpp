// CheckEvents: the click handshake, the pointer record, repaint requests,
// resize and close. The events are made current by hand; no display needed.

#include <gtest/gtest.h>

#include "app/globals.h"
#include "support/events_support.h"

namespace {

class Dispatch : public ::testing::Test {
 protected:
  void SetUp() override {
    InitGlobals();
    Mouse = TMouse{};
    window_.kind = GadgetKind::Window;
    window_.width = 800;
    window_.height = 600;
    canvas_.kind = GadgetKind::Canvas;
    objWindow = &window_;
    objCanvas = &canvas_;
    GlobalEventQueue().Clear();
  }
  void TearDown() override {
    objWindow = nullptr;
    objCanvas = nullptr;
    GlobalEventQueue().Clear();
  }
  void Event(int id, int data = 0, int x = 0, int y = 0) {
    SetCurrentEvent(MakeEvent(id, &canvas_, data, x, y));
    CheckEvents();
  }
  TGadget window_;
  TGadget canvas_;
};

TEST_F(Dispatch, TheFirstPressAfterStartUpIsNoClick) {
  Event(MouseDown, 1);
  EXPECT_FALSE(Mouse.LeftButton);
  Event(MouseUp, 1);
  EXPECT_TRUE(Mouse.ReleasedButton);
  Event(MouseDown, 1);
  EXPECT_TRUE(Mouse.LeftButton);
  EXPECT_FALSE(Mouse.ReleasedButton);
}

TEST_F(Dispatch, APressWithoutAReleaseBetweenIsDropped) {
  Event(MouseUp, 1);
  Event(MouseDown, 1);
  Mouse.LeftButton = false;  // the repaint consumed it
  Event(MouseDown, 1);
  EXPECT_FALSE(Mouse.LeftButton);
}

TEST_F(Dispatch, OtherButtonsNeverClickButTheirReleaseArms) {
  Event(MouseUp, 2);  // right release arms
  Event(MouseDown, 2);
  EXPECT_FALSE(Mouse.LeftButton);
  EXPECT_TRUE(Mouse.ReleasedButton);  // still armed: a right press changes nothing
  Event(MouseDown, 3);
  EXPECT_FALSE(Mouse.LeftButton);
  Event(MouseDown, 1);
  EXPECT_TRUE(Mouse.LeftButton);
  Event(MouseUp, 3);  // middle release arms again
  EXPECT_TRUE(Mouse.ReleasedButton);
}

TEST_F(Dispatch, MovesRecordThePointerAndKeysDoNothing) {
  Event(MouseMove, 0, 123, 45);
  EXPECT_EQ(Mouse.x, 123.0f);
  EXPECT_EQ(Mouse.y, 45.0f);
  Event(MouseMove, 1, -7, 900);  // a drag outside the canvas
  EXPECT_EQ(Mouse.x, -7.0f);
  EXPECT_EQ(Mouse.y, 900.0f);
  Event(KeyDown, 'q');
  Event(KeyUp, 'q');
  Event(MouseWheel, 3, 10, 10);
  Event(AppTerminate);
  EXPECT_TRUE(blnRun);
  EXPECT_FALSE(Mouse.LeftButton);
}

TEST_F(Dispatch, ATickAsksForExactlyOneRepaint) {
  Event(TimerTick, 1);
  ASSERT_EQ(GlobalEventQueue().Size(), 1);
  const TEvent paint = GlobalEventQueue().Take();
  EXPECT_EQ(paint.id, GadgetPaint);
  EXPECT_EQ(paint.source, &canvas_);
}

TEST_F(Dispatch, WindowSizeRelaysAndWindowCloseStops) {
  window_.width = 1000;
  window_.height = 700;
  Event(WindowSize, 0, 1000, 700);
  EXPECT_EQ(intScreenX, 1000);
  EXPECT_EQ(intScreenY, 700);
  EXPECT_EQ(objLogo->posx, 880);
  EXPECT_EQ(objLogo->posy, 480);
  Event(WindowClose);
  EXPECT_FALSE(blnRun);
}

}  // namespace
