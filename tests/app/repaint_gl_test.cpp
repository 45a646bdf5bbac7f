// The repaint's control panel and the preview, drawn with the real drawing
// layer on an offscreen canvas: DisplayMenu's actions and click handling,
// the frame stepping of the preview under a fake clock, and its pixels.

#include <gtest/gtest.h>

#include "app/globals.h"
#include "platform/drawing/graphics.h"
#include "platform/testing/offscreen.h"
#include "platform/testing/drawing_probe.h"
#include "platform/testing/window_probe.h"

namespace {

int32_t g_now = 1000;

class Repaint : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { canvas_ = new OffscreenCanvas(800, 600); }
  static void TearDownTestSuite() {
    delete canvas_;
    canvas_ = nullptr;
  }

  void SetUp() override {
    InitGlobals();
    Mouse = TMouse{};
    window_.kind = GadgetKind::Window;
    window_.width = 800;
    window_.height = 600;
    gadget_.kind = GadgetKind::Canvas;
    objWindow = &window_;
    objCanvas = &gadget_;
    Resize();
    g_now = 1000;
    SetClockForTesting([] { return g_now; });
    SetGraphics(canvas_->graphics());
    SetViewport(0, 0, 800, 600);
    SetClsColor(120, 120, 170);
    Cls();
    SetBlend(3);
    SetColor(255, 255, 255);
  }
  void TearDown() override {
    SetClockForTesting(nullptr);
    imgAnimation = nullptr;
    imgUnanimated = nullptr;
    objWindow = nullptr;
    objCanvas = nullptr;
  }

  // A click at canvas (x, y) acted on by one DisplayMenu.
  int ClickAt(int x, int y) {
    Mouse.x = static_cast<float>(x);
    Mouse.y = static_cast<float>(y);
    Mouse.LeftButton = true;
    const int action = DisplayMenu();
    EXPECT_FALSE(Mouse.LeftButton) << "the click was not consumed";
    return action;
  }

  // A sheet of `frames` 4 x 4 frames, frame i coloured (10 * i + 5, 200, 100).
  static ImagePtr Frames(int frames) {
    PixmapPtr sheet = CreatePixmap(4 * frames, 4, PF_RGBA8888);
    for (int y = 0; y < 4; ++y) {
      for (int x = 0; x < 4 * frames; ++x) {
        uint8_t* p = sheet->Row(y) + 4 * x;
        p[0] = static_cast<uint8_t>(10 * (x / 4) + 5);
        p[1] = 200;
        p[2] = 100;
        p[3] = 255;
      }
    }
    return LoadAnimImage(sheet, 4, 4, 0, frames, -1);
  }

  void Play(int frames, int start, int end, int current) {
    imgAnimation = Frames(frames);
    ASSERT_NE(imgAnimation, nullptr);
    intFrameCount = frames;
    intStartFrame = start;
    intEndFrame = end;
    intCurrentFrame = current;
  }

  // Runs the preview `n` times, the clock advancing by `step` ms before each
  // run after the first; the current frame after each run.
  std::vector<int> Run(int n, int step) {
    std::vector<int> out;
    for (int i = 0; i < n; ++i) {
      if (i > 0) g_now += step;
      DrawAnimation();
      out.push_back(intCurrentFrame);
    }
    return out;
  }

  static OffscreenCanvas* canvas_;
  TGadget window_;
  TGadget gadget_;
};
OffscreenCanvas* Repaint::canvas_ = nullptr;

struct Px {
  int r, g, b;
  bool operator==(const Px&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Px& p) {
  return os << "(" << p.r << ", " << p.g << ", " << p.b << ")";
}

Px PixelAt(int x, int y) {
  const std::vector<uint8_t> px = ReadPixels(x, y, 1, 1);
  return {px[0], px[1], px[2]};
}

TEST_F(Repaint, AClickOnNothingRaisesNoActionAndIsConsumed) {
  EXPECT_EQ(ClickAt(400, 520), ACTION_NONE);  // empty canvas
  EXPECT_EQ(ClickAt(60, 112), ACTION_NONE);   // the "Speed" label
  EXPECT_EQ(ClickAt(700, 400), ACTION_NONE);  // the logo
  // Without a waiting click nothing happens even over a button.
  Mouse.x = 740;
  Mouse.y = 308;
  EXPECT_EQ(DisplayMenu(), ACTION_NONE);
  EXPECT_TRUE(btnLoad->IsMouseOver);
}

TEST_F(Repaint, ButtonsRaiseTheirActionCodes) {
  EXPECT_EQ(ClickAt(740, 308), ACTION_LOAD);
  EXPECT_EQ(ClickAt(740, 350), ACTION_LOAD);  // Refresh with no file yet
  strFilename = "/tmp/walk.png";
  EXPECT_EQ(ClickAt(740, 350), ACTION_RELOAD);
  EXPECT_EQ(ClickAt(740, 574), ACTION_QUIT);
}

TEST_F(Repaint, OverlappingControlsAllActAndTheLastCodeWins) {
  for (TButton* b : {btnLoad.get(), btnRefresh.get(), btnQuit.get(), btnUnLoad.get(),
                     btnPauseFrame.get()}) {
    b->posx = 300;
    b->posy = 300;
  }
  imgAnimation = Frames(2);
  strFilename = "x.png";
  EXPECT_EQ(ClickAt(310, 310), ACTION_QUIT);
  EXPECT_EQ(imgAnimation, nullptr);  // Unload acted too
  EXPECT_TRUE(blnPauseFrame);        // and Pause

  btnQuit->posx = 0;
  btnQuit->posy = 0;
  EXPECT_EQ(ClickAt(310, 310), ACTION_RELOAD);  // Refresh over Load
}

TEST_F(Repaint, PauseAndRunSwapTheCaption) {
  ClickAt(60, 76);
  EXPECT_TRUE(blnPauseFrame);
  EXPECT_EQ(btnPauseFrame->text, "Run");
  EXPECT_EQ(btnPauseFrame->intTextPosX, 48);
  ClickAt(60, 76);
  EXPECT_FALSE(blnPauseFrame);
  EXPECT_EQ(btnPauseFrame->text, "Pause");
}

TEST_F(Repaint, UnloadDropsBothImagesAndUnlocksTheTileSize) {
  imgAnimation = Frames(3);
  imgUnanimated = Frames(1);
  objTileWidth->Enabled(false);
  objTileHeight->Enabled(false);
  strFilename = "kept.png";
  ClickAt(740, 76);
  EXPECT_EQ(imgAnimation, nullptr);
  EXPECT_EQ(imgUnanimated, nullptr);
  EXPECT_TRUE(objTileWidth->btnUp->Enabled);
  EXPECT_TRUE(objTileHeight->btnDownBig->Enabled);
  EXPECT_EQ(strFilename, "kept.png");
}

TEST_F(Repaint, SpinnerClicksReachTheirGlobals) {
  ClickAt(330, 580);  // BG Red >
  EXPECT_EQ(intRed, 5);
  ClickAt(250, 580);  // BG Red <
  ClickAt(250, 580);
  EXPECT_EQ(intRed, 255);  // 0 is a bound; below it wraps to the maximum
  ClickAt(100, 152);       // Speed >>
  EXPECT_EQ(intFrameDelay, 210);
  ClickAt(100, 352);  // Scale >
  EXPECT_EQ(intScale, 2);
  ClickAt(20, 420);  // Rotation <<
  EXPECT_EQ(intRotation, 360);
  // At a bound without wrap the click still counts and copies the value.
  objFrameSpeed->SetValue(500);
  intFrameDelay = 123;
  ClickAt(100, 132);
  EXPECT_EQ(intFrameDelay, 500);
}

TEST_F(Repaint, FrameRangeSpinnersMoveTheCurrentFramesBounds) {
  objStartFrame->SetMaxValue(15);
  objEndFrame->SetMaxValue(15);
  objCurrentFrame->SetMaxValue(15);
  ClickAt(100, 202);  // Start Frame >
  EXPECT_EQ(intStartFrame, 1);
  EXPECT_EQ(objCurrentFrame->intMinValue, 1);
  ClickAt(20, 252);  // End Frame <
  EXPECT_EQ(intEndFrame, 14);
  EXPECT_EQ(objCurrentFrame->intMaxValue, 14);
}

TEST_F(Repaint, CurFrameIsCopiedOnlyWhilePaused) {
  objCurrentFrame->SetMaxValue(15);
  ClickAt(100, 302);  // Cur Frame > while playing
  EXPECT_EQ(intCurrentFrame, 0);
  EXPECT_EQ(objCurrentFrame->intValue, 1);
  blnPauseFrame = true;
  ClickAt(100, 302);
  EXPECT_EQ(intCurrentFrame, 2);
}

TEST_F(Repaint, DisabledTileSpinnersIgnoreClicks) {
  objTileWidth->Enabled(false);
  ClickAt(780, 132);
  EXPECT_EQ(intTileWidth, 64);
  EXPECT_EQ(objTileWidth->intValue, 64);
}

TEST_F(Repaint, PreviewStepsThroughTheRangeWithTheStartClamp) {
  Play(16, 4, 7, 0);
  EXPECT_EQ(Run(7, 201), (std::vector<int>{4, 5, 6, 7, 4, 5, 6}));
  EXPECT_EQ(objCurrentFrame->intValue, 6);
}

TEST_F(Repaint, StartAboveEndHoldsTheStartFrame) {
  Play(16, 10, 5, 0);
  EXPECT_EQ(Run(4, 201), (std::vector<int>{10, 10, 10, 10}));
}

TEST_F(Repaint, EndZeroIgnoresTheStartAndWrapsAtTheCount) {
  Play(16, 3, 0, 5);
  auto seq = Run(14, 201);
  EXPECT_EQ(seq, (std::vector<int>{5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 0, 1, 2}));
}

TEST_F(Repaint, AStepNeedsMoreThanTheDelay) {
  Play(16, 0, 15, 0);
  intFrameDelay = 200;
  EXPECT_EQ(Run(2, 200), (std::vector<int>{0, 0}));  // exactly the delay
  g_now += 1;
  DrawAnimation();
  EXPECT_EQ(intCurrentFrame, 1);
}

TEST_F(Repaint, DelayZeroStepsWheneverTheClockMoved) {
  Play(16, 0, 15, 0);
  intFrameDelay = 0;
  EXPECT_EQ(Run(4, 0), (std::vector<int>{0, 0, 0, 0}));
  EXPECT_EQ(Run(3, 1), (std::vector<int>{0, 1, 2}));  // the first run does not advance
}

TEST_F(Repaint, PausedKeepsTheFrameAndCurFrameStepsIt) {
  Play(16, 0, 15, 3);
  blnPauseFrame = true;
  EXPECT_EQ(Run(4, 500), (std::vector<int>{3, 3, 3, 3}));
  objCurrentFrame->SetMaxValue(15);
  ClickAt(100, 302);
  DrawAnimation();
  EXPECT_EQ(intCurrentFrame, 4);
}

TEST_F(Repaint, NoSheetAndAFramelessSheetNeverStep) {
  intCurrentFrame = 2;
  EXPECT_EQ(Run(3, 500), (std::vector<int>{2, 2, 2}));
  EXPECT_EQ(objCurrentFrame->intValue, 2);
  // A sheet smaller than one tile gives an image without frames.
  imgAnimation = Frames(1);
  imgAnimation->pixmaps.clear();
  intFrameCount = 0;
  intEndFrame = -1;
  intCurrentFrame = 0;
  EXPECT_EQ(Run(3, 500), (std::vector<int>{0, 0, 0}));
}

TEST_F(Repaint, PreviewPixelsBorderBackgroundAndTheScaledRotatedFrame) {
  intRed = 255;
  // An 8 x 4 frame, scale 3, rotation 90: 12 wide and 24 high about the
  // centre (400, 300).
  PixmapPtr sheet = CreatePixmap(8, 4, PF_RGBA8888);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 8; ++x) {
      uint8_t* p = sheet->Row(y) + 4 * x;
      p[0] = 10;
      p[1] = 220;
      p[2] = 30;
      p[3] = 255;
    }
  }
  AutoMidHandle(1);
  imgAnimation = LoadAnimImage(sheet, 8, 4, 0, 1, -1);
  AutoMidHandle(0);
  intFrameCount = 1;
  intEndFrame = 0;
  intScale = 3;
  intRotation = 90;
  DrawAnimation();
  EXPECT_EQ(PixelAt(119, 300), (Px{245, 245, 245}));
  EXPECT_EQ(PixelAt(680, 300), (Px{245, 245, 245}));
  EXPECT_EQ(PixelAt(400, 59), (Px{245, 245, 245}));
  EXPECT_EQ(PixelAt(400, 540), (Px{245, 245, 245}));
  EXPECT_EQ(PixelAt(118, 300), (Px{120, 120, 170}));
  EXPECT_EQ(PixelAt(120, 61), (Px{255, 0, 0}));
  EXPECT_EQ(PixelAt(679, 539), (Px{255, 0, 0}));
  EXPECT_EQ(PixelAt(400, 300), (Px{10, 220, 30}));
  EXPECT_EQ(PixelAt(395, 290), (Px{10, 220, 30}));
  EXPECT_EQ(PixelAt(404, 310), (Px{10, 220, 30}));
  EXPECT_EQ(PixelAt(400, 285), (Px{255, 0, 0}));
  EXPECT_EQ(PixelAt(390, 300), (Px{255, 0, 0}));
  // What the preview leaves behind: white, scale 1, rotation 0, its clip.
  int r, g, b;
  GetColor(r, g, b);
  EXPECT_EQ(r + g + b, 3 * 255);
  float sx, sy;
  GetScale(sx, sy);
  EXPECT_EQ(sx, 1.0f);
  EXPECT_EQ(GetRotation(), 0.0f);
  int vx, vy, vw, vh;
  GetViewport(vx, vy, vw, vh);
  EXPECT_EQ(vx, 120);
  EXPECT_EQ(vw, 560);
}

TEST_F(Repaint, ABlackPixelOfASheetShowsTheBackground) {
  intGreen = 100;
  PixmapPtr sheet = CreatePixmap(8, 8, PF_RGB888);  // zeroed: all black
  AutoMidHandle(1);
  imgAnimation = LoadAnimImage(sheet, 8, 8, 0, 1, -1);
  AutoMidHandle(0);
  intFrameCount = 1;
  intEndFrame = 0;
  DrawAnimation();
  EXPECT_EQ(PixelAt(400, 300), (Px{0, 100, 0}));
}

TEST_F(Repaint, ATinyWindowDrawsOnlyTheBorderAndRaisesNoGLError) {
  // 240 x 120 leaves a preview area of no size at (120, 60): its border is
  // the light 2 x 2 square around that point, and nothing is filled.
  window_.width = 240;
  window_.height = 120;
  Resize();
  SetGraphics(canvas_->graphics());
  Play(4, 0, 3, 0);
  SetClsColor(1, 2, 3);
  Cls();
  DrawAnimation();
  for (int y = 59; y <= 60; ++y) {
    for (int x = 119; x <= 120; ++x) EXPECT_EQ(PixelAt(x, y), (Px{245, 245, 245})) << x << "," << y;
  }
  EXPECT_EQ(PixelAt(121, 60), (Px{1, 2, 3}));
  EXPECT_EQ(PixelAt(120, 61), (Px{1, 2, 3}));
  EXPECT_EQ(PixelAt(118, 58), (Px{1, 2, 3}));

  // Smaller still, the area is negative: the four lines run back past
  // their start, with no fill and no frame between them.
  window_.width = 200;
  window_.height = 100;
  Resize();
  SetGraphics(canvas_->graphics());
  SetViewport(0, 0, 800, 600);
  Cls();
  DrawAnimation();
  EXPECT_EQ(PixelAt(119, 59), (Px{245, 245, 245}));
  EXPECT_EQ(PixelAt(80, 40), (Px{245, 245, 245}));
  EXPECT_EQ(PixelAt(100, 50), (Px{1, 2, 3}));
  EXPECT_EQ(GLErrorCount(), 0);
}

}  // namespace
