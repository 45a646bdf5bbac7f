// Repaints that would show the picture already on screen present nothing;
// every change, and everything that can make the screen differ, presents.
// The real Draw on a real window and canvas under Xvfb, with a fake clock.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/globals.h"
#include "platform/drawing/graphics.h"
#include "platform/testing/drawing_probe.h"
#include "platform/testing/window_probe.h"
#include "support/app_sheets.h"
#include "support/app_window.h"
#include "support/x11_session.h"

namespace {

int32_t g_now = 1000;
constexpr const char* kTitle = "Cellreel present test";

class Present : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(InitGui());
    InitGlobals();
    Mouse = TMouse{};
    Mouse.x = 400;  // over the preview: no control under the pointer
    Mouse.y = 300;
    g_now = 1000;
    SetClockForTesting([] { return g_now; });
    ASSERT_TRUE(OpenAppWindow(kTitle, 100, 100));
    Resize();
    Pump();
    Draw();
    Draw();
    // A new window presents every repaint for a while: wait until it has
    // settled.
    g_now += kPresentSettleMs;
    Draw();
  }
  void TearDown() override {
    imgAnimation = nullptr;
    imgUnanimated = nullptr;
    FreeGadget(objCanvas);
    FreeGadget(objWindow);
    objCanvas = objWindow = nullptr;
    SetClockForTesting(nullptr);
    GlobalEventQueue().Clear();
  }

  // Presentations made by one repaint after the clock moved by `ms`.
  static long Repaint(int ms = 16) {
    g_now += ms;
    const long before = PresentCount();
    Draw();
    return PresentCount() - before;
  }
  // Handles the window system's events of the next `ms` milliseconds as the
  // event loop would, without repainting.
  static void Pump(int ms = 200) {
    // The real clock: the fake one stands still.
    using Clock = std::chrono::steady_clock;
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    while (Clock::now() < end) WaitEventTimeout(10);
    GlobalEventQueue().Clear();
  }
  static void Hover(const TButton& b) {
    Mouse.x = static_cast<float>(b.posx + b.width / 2);
    Mouse.y = static_cast<float>(b.posy + b.height / 2);
  }
  static void Xdo(const std::string& args) {
    const std::string cmd = "xdotool " + args + " >/dev/null 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
  }
  // A 2 x 1 sheet of 64 x 64 tiles, loaded and paused on frame 0.
  static void LoadSheet(const std::string& name, int shade) {
    strFilename = WriteSheetBmp(name, 128, 64, [shade](int x, int) {
      return static_cast<uint32_t>((x < 64 ? 0x204080 : 0x806020) + shade);
    });
    LoadTileset();
    ASSERT_EQ(intFrameCount, 2);
  }
};

TEST_F(Present, AnUnchangedRepaintPresentsNothing) {
  EXPECT_EQ(Repaint(), 0);
  EXPECT_EQ(Repaint(), 0);
  // The pointer moving where nothing reacts to it changes nothing either.
  Mouse.x = 420;
  EXPECT_EQ(Repaint(), 0);
  // Paused with a sheet.
  blnPauseFrame = true;
  LoadSheet("present_paused.bmp", 0);
  EXPECT_EQ(Repaint(), 1);
  EXPECT_EQ(Repaint(500), 0);
  EXPECT_EQ(Repaint(500), 0);
}

TEST_F(Present, HoverFrameStepAndSpinnerClickEachPresent) {
  Hover(*btnLoad);
  EXPECT_EQ(Repaint(), 1) << "hover";
  EXPECT_EQ(Repaint(), 0);
  Mouse.x = 420;
  Mouse.y = 300;
  EXPECT_EQ(Repaint(), 1) << "hover ends";

  LoadSheet("present_step.bmp", 0);
  intFrameDelay = 200;
  EXPECT_EQ(Repaint(), 1) << "a sheet appears";
  EXPECT_EQ(Repaint(100), 0) << "the delay has not passed";
  // The repaint in which the delay has passed steps the frame after drawing
  // it; the next one shows the new frame.
  EXPECT_EQ(Repaint(150) + Repaint(), 1) << "frame step";
  EXPECT_EQ(intCurrentFrame, 1);
  EXPECT_EQ(Repaint(50), 0);

  blnPauseFrame = true;
  Hover(*objScale->btnUp);
  EXPECT_EQ(Repaint(), 1) << "hover over the spinner";
  EXPECT_EQ(Repaint(), 0);
  Mouse.LeftButton = true;
  EXPECT_EQ(Repaint(), 1) << "spinner click: the preview is drawn at the new scale";
  EXPECT_EQ(intScale, 2);
  EXPECT_EQ(Repaint(), 1) << "the spinner shows its new value";
  EXPECT_EQ(Repaint(), 0);
}

TEST_F(Present, ResizeAndExposePresentAnUnchangedPicture) {
  EXPECT_EQ(Repaint(), 0);
  objWindow->SetShape(objWindow->xpos, objWindow->ypos, 900, 650);
  Pump();
  Resize();
  EXPECT_EQ(Repaint(), 1) << "resize";
  // That repaint still ran under the clip the one before it left, the old
  // canvas size; the next one draws the whole canvas. Until the window has
  // settled every repaint presents, then only changes do.
  EXPECT_EQ(Repaint(), 1);
  EXPECT_EQ(Repaint(kPresentSettleMs / 2), 1) << "settling";
  EXPECT_EQ(Repaint(kPresentSettleMs / 2), 0) << "settled";

  // Unmapping and mapping the window again makes the X server expose it.
  const std::string find = std::string("search --sync --name '^") + kTitle + "$' ";
  Xdo(find + "windowunmap --sync");
  Pump();
  Repaint(kPresentSettleMs);  // the unmapped window settles
  EXPECT_EQ(Repaint(), 0) << "nothing exposed yet";
  Xdo(find + "windowmap --sync");
  Pump();
  EXPECT_EQ(Repaint(), 1) << "expose";
  EXPECT_EQ(Repaint(kPresentSettleMs), 0);
}

TEST_F(Present, AnIdleWindowPresentsItsPictureAgainNowAndThen) {
  // Contents the window system lost without telling come back by
  // themselves: the unchanged picture is presented once per period.
  XSession x;
  ASSERT_TRUE(x.ok());
  x.Blacken(x.FindWindow(kTitle), 0, 0, intScreenX, intScreenY);
  x.Sync();
  const auto shown = [] { return ReadWindowPixels(0, 0, intScreenX, intScreenY); };
  const std::vector<std::uint8_t> picture = ReadPresentedPixels(0, 0, intScreenX, intScreenY);
  ASSERT_FALSE(shown() == picture) << "the window was not blackened";
  long presents = 0;
  const int repaints = 3 * kPresentRefreshMs / 16;
  for (int i = 0; i < repaints; ++i) presents += Repaint();
  EXPECT_EQ(presents, 3);
  EXPECT_TRUE(shown() == picture) << "the picture did not come back";
}

TEST_F(Present, NewTextureContentUnderTheSameDrawsPresents) {
  blnPauseFrame = true;
  LoadSheet("present_refresh.bmp", 0);
  EXPECT_EQ(Repaint(), 1);
  EXPECT_EQ(Repaint(), 0);
  // "Refresh" of a file changed on disk: same name, same frames, same
  // geometry; only the pixels of the frame's texture differ.
  LoadSheet("present_refresh.bmp", 1);
  EXPECT_EQ(Repaint(), 1);
  EXPECT_EQ(Repaint(), 0);
}

}  // namespace
