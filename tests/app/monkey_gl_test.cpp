// A monkey run: the real window, canvas and event loop handlers with a
// sheet loaded, thousands of random clicks over the whole canvas and a few
// dozen random window sizes down to 1 x 1. Nothing may crash, trip a
// sanitizer or raise a GL error. Clicks on "Load" (and on "Refresh" with no
// file) are left out: they open the modal chooser.

#include <gtest/gtest.h>

#include <random>

#include "app/globals.h"
#include "controls/rect.h"
#include "platform/drawing/graphics.h"
#include "platform/testing/drawing_probe.h"
#include "platform/testing/window_probe.h"
#include "support/app_sheets.h"
#include "support/app_window.h"
#include "support/events_support.h"

namespace {

void Emit(int id, int data, int x, int y) {
  EmitEvent(MakeEvent(id, objCanvas, data, x, y));
}

void Pump() {
  while (!GlobalEventQueue().Empty()) {
    WaitEvent();
    CheckEvents();
  }
}

bool Over(const TButton& b, int x, int y) {
  return TCollision::PointToBox(x, y, b.posx, b.posy, b.posx + b.width, b.posy + b.height);
}

TEST(Monkey, RandomClicksAndSizesWithASheetLoaded) {
  StartUp();
  ASSERT_TRUE(InitGui());
  ASSERT_TRUE(OpenAppWindow(AppTitle, 0, 0));
  Resize();

  strFilename = WriteSheetBmp("monkey.bmp", 320, 192, [](int x, int y) {
    return ((x * 7) & 0xFF) << 16 | ((y * 5) & 0xFF) << 8 | ((x ^ y) & 0xFF);
  });
  LoadTileset();
  ASSERT_EQ(intFrameCount, 15);

  std::mt19937 rng(20261209);
  const int kClicks = 10000;
  int sizes = 0;
  for (int i = 0; i < kClicks && blnRun; ++i) {
    if (i % 250 == 0) {
      std::uniform_int_distribution<int> dim(1, 1100);
      int w = dim(rng), h = dim(rng) * 3 / 4 + 1;
      if (sizes % 10 == 3) w = h = 1;
      objWindow->SetShape(objWindow->xpos, objWindow->ypos, w, h);
      ++sizes;
      for (int k = 0; k < 5; ++k) {
        WaitEventTimeout(20);
        CheckEvents();
      }
      Pump();
    }
    std::uniform_int_distribution<int> xs(-10, intScreenX + 10), ys(-10, intScreenY + 10);
    const int x = xs(rng), y = ys(rng);
    if (Over(*btnLoad, x, y) || Over(*btnQuit, x, y) ||
        (strFilename.empty() && Over(*btnRefresh, x, y))) {
      continue;
    }
    Emit(MouseMove, 0, x, y);
    Emit(MouseUp, 1, x, y);
    Emit(MouseDown, 1 + static_cast<int>(rng() % 3 == 0), x, y);
    RedrawGadget(objCanvas);
    Pump();
    ASSERT_TRUE(blnRun);
  }
  EXPECT_GE(sizes, 30);
  EXPECT_EQ(GLErrorCount(), 0);
  FreeGadget(objCanvas);
  FreeGadget(objWindow);
  objCanvas = objWindow = nullptr;
}

}  // namespace
