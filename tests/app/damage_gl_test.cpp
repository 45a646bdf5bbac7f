// The real repaint on a real window, through random sequences of what a
// user does (pointer moves over buttons, spinner clicks, pausing, loads of
// sheets, resizes) while a sheet plays: after every repaint the presented
// picture equals a full redraw of the same repaint. Fixed seeds, fake clock.

#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <string>
#include <vector>

#include "app/globals.h"
#include "platform/drawing/graphics.h"
#include "platform/testing/drawing_probe.h"
#include "platform/testing/window_probe.h"
#include "support/app_sheets.h"
#include "support/app_window.h"
#include "support/drawing_support.h"

namespace {

int32_t g_now = 1000;

void Pump(int ms) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < end) WaitEventTimeout(10);
  GlobalEventQueue().Clear();
}

// The buttons a click may land on: every spinner's, and pausing.
std::vector<TButton*> Buttons() {
  std::vector<TButton*> out = {btnPauseFrame.get()};
  for (TUpDown* s : {objFrameSpeed.get(), objStartFrame.get(), objEndFrame.get(),
                     objCurrentFrame.get(), objScale.get(), objRotation.get(), objRed.get(),
                     objGreen.get(), objBlue.get(), objTileWidth.get(), objTileHeight.get()}) {
    for (TButton* b : {s->btnUp.get(), s->btnDown.get(), s->btnUpBig.get(), s->btnDownBig.get()}) {
      if (b != nullptr) out.push_back(b);
    }
  }
  return out;
}

// Where the picture is kept: in a framebuffer of the canvas's own (as on a
// scaled output; the display here is not scaled), or in the back buffer of
// a window that presents by copying it, where what the window shows on
// screen must be that picture too.
class Damage : public ::testing::TestWithParam<bool> {
 protected:
  void TearDown() override {
    SetClockForTesting(nullptr);
    RetainPictureForTesting(false);
    imgAnimation = nullptr;
    imgUnanimated = nullptr;
    FreeGadget(objCanvas);
    FreeGadget(objWindow);
    objCanvas = objWindow = nullptr;
  }
};

TEST_P(Damage, EveryRepaintOfTheAppEqualsAFullRedraw) {
  const bool back_buffer = GetParam();
  RetainPictureForTesting(!back_buffer);
  ASSERT_TRUE(InitGui());
  InitGlobals();
  Mouse = TMouse{};
  SetClockForTesting([] { return g_now; });
  ASSERT_TRUE(OpenAppWindow("Cellreel damage test", 100, 100));
  Resize();
  Pump(200);
  Draw();
  if (back_buffer && !PresentsByCopy()) GTEST_SKIP() << "this display's swaps keep nothing";
  for (const unsigned seed : {7u, 8u, 20261210u}) {
    std::mt19937 rng(seed);
    const auto random = [&rng](int lo, int hi) {
      return std::uniform_int_distribution<int>(lo, hi)(rng);
    };
    for (int step = 0; step < 60; ++step) {
      const int event = random(0, 29);
      if (event == 0) {
        objWindow->SetShape(objWindow->xpos, objWindow->ypos, random(300, 1000), random(250, 700));
        Pump(200);
        Resize();
      } else if (event <= 2) {
        const int tile = 16 << random(0, 2), shade = random(0, 50);
        strFilename = WriteSheetBmp("damage.bmp", 4 * tile, 2 * tile, [&](int x, int y) {
          return TileColour(x, y, 4 * tile, tile) + static_cast<uint32_t>(shade);
        });
        LoadTileset();
      } else if (event <= 12) {
        const std::vector<TButton*> buttons = Buttons();
        const TButton& b = *buttons[static_cast<std::size_t>(random(0, static_cast<int>(buttons.size()) - 1))];
        Mouse.x = static_cast<float>(b.posx + random(0, b.width - 1));
        Mouse.y = static_cast<float>(b.posy + random(0, b.height - 1));
        Mouse.LeftButton = event <= 7;
      } else if (event <= 18) {
        Mouse.x = static_cast<float>(random(0, intScreenX));
        Mouse.y = static_cast<float>(random(0, intScreenY));
      }
      g_now += random(0, 3) == 0 ? random(100, 1500) : 16;
      Draw();
      if (back_buffer) {
        ASSERT_TRUE(ReadWindowPixels(0, 0, intScreenX, intScreenY) ==
                    ReadPresentedPixels(0, 0, intScreenX, intScreenY))
            << "the screen is not the presented picture: seed " << seed << ", step " << step;
      }
      ASSERT_EQ(DifferenceFromFullRedraw(intScreenX, intScreenY), "")
          << "seed " << seed << ", step " << step;
    }
  }
  EXPECT_EQ(GLErrorCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(Kept, Damage, ::testing::Bool(),
                         [](const auto& kept) { return kept.param ? "BackBuffer" : "OwnPicture"; });

}  // namespace
