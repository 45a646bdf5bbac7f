// The drawing state on real pixels: first activation, alpha bytes, blend
// modes, clipping, and state kept across SetGraphics and canvas growth.
#include <cmath>

#include "platform/drawing/graphics_canvas.h"
#include "platform/testing/drawing_probe.h"
#include "support/drawing_support.h"

namespace {

const Rgb kBlack{0, 0, 0};
const Rgb kRed{255, 0, 0};
const Rgb kGreen{0, 255, 0};

void ExpectNear(Rgb got, Rgb want, const char* what) {
  EXPECT_LE(std::abs(got.r - want.r), 1) << what << ": got " << got << ", expected " << want;
  EXPECT_LE(std::abs(got.g - want.g), 1) << what << ": got " << got << ", expected " << want;
  EXPECT_LE(std::abs(got.b - want.b), 1) << what << ": got " << got << ", expected " << want;
}

// dst * (255 - a) + src * a, both scaled to bytes.
int Mix(int src, int dst, int alpha) {
  return static_cast<int>(std::lround(src * alpha / 255.0 + dst * (255 - alpha) / 255.0));
}

TEST(FirstActivation, LeavesTheCanvasBlackAndTheContextCore33) {
  OffscreenCanvas canvas(64, 48);
  ASSERT_TRUE(canvas.ok());
  SetGraphics(canvas.graphics());
  EXPECT_TRUE(GLContextIsCore33()) << GLContextDescription();
  const Snapshot s = Grab(64, 48);
  EXPECT_EQ(s.CountNot(kBlack), 0);
  EXPECT_EQ(CheckGLErrors(), 0);
}

TEST(FirstActivation, StartsWithTheStateTable) {
  OffscreenCanvas canvas(64, 48);
  ASSERT_TRUE(canvas.ok());
  SetGraphics(canvas.graphics());
  int r, g, b;
  GetColor(r, g, b);
  EXPECT_EQ((Rgb{r, g, b}), (Rgb{255, 255, 255}));
  EXPECT_EQ(GetAlpha(), 1.0f);
  EXPECT_EQ(GetBlend(), 1);
  float sx, sy;
  GetScale(sx, sy);
  EXPECT_EQ(sx, 1.0f);
  EXPECT_EQ(sy, 1.0f);
  EXPECT_EQ(GetRotation(), 0.0f);
  int x, y, w, h;
  GetViewport(x, y, w, h);
  EXPECT_EQ(x, 0);
  EXPECT_EQ(y, 0);
  EXPECT_EQ(w, 64);
  EXPECT_EQ(h, 48);
}

using Alpha = DrawingTest;

TEST_F(Alpha, IsTheTruncatedByteOfTheClampedValue) {
  SetClsColor(0, 0, 200);
  Cls();
  SetBlend(3);
  SetColor(255, 255, 255);
  SetAlpha(0.5f);
  DrawRect(0, 0, 10, 10);
  SetAlpha(2.0f);
  DrawRect(10, 0, 10, 10);
  SetAlpha(-1.0f);
  DrawRect(20, 0, 10, 10);
  EXPECT_EQ(GetAlpha(), -1.0f);  // stored as given
  const Snapshot s = GrabAll();
  ExpectNear(s.At(5, 5), Rgb{Mix(255, 0, 127), Mix(255, 0, 127), Mix(255, 200, 127)}, "0.5");
  EXPECT_EQ(s.At(15, 5), (Rgb{255, 255, 255}));
  EXPECT_EQ(s.At(25, 5), (Rgb{0, 0, 200}));
}

TEST_F(Alpha, HalfFallsJustBelowTheMaskThreshold) {
  // Mode 1 draws only alpha >= 0.5; 0.5 becomes 127/255 and is dropped,
  // while 0.51 becomes 130/255 and is drawn.
  SetBlend(1);
  SetAlpha(0.5f);
  DrawRect(0, 0, 10, 10);
  SetAlpha(0.51f);
  DrawRect(20, 0, 10, 10);
  const Snapshot s = GrabAll();
  EXPECT_EQ(s.At(5, 5), kBlack);
  EXPECT_EQ(s.At(25, 5), (Rgb{255, 255, 255}));
}

using Blend = DrawingTest;

TEST_F(Blend, ModesOnAKnownDestination) {
  const Rgb dst{100, 150, 200};
  const Rgb src{200, 100, 50};
  const int a = 191;  // trunc(0.75 * 255)
  SetClsColor(dst.r, dst.g, dst.b);
  Cls();
  SetColor(src.r, src.g, src.b);
  SetAlpha(0.75f);
  for (int mode = 1; mode <= 6; ++mode) {
    SetBlend(mode);
    DrawRect(static_cast<float>(mode * 20), 0, 10, 10);
  }
  SetBlend(1);
  SetAlpha(0.25f);
  DrawRect(140, 0, 10, 10);  // masked and below 0.5: not drawn
  const Snapshot s = GrabAll();
  EXPECT_EQ(s.At(25, 5), src) << "masked, alpha over 0.5";
  EXPECT_EQ(s.At(45, 5), src) << "solid";
  ExpectNear(s.At(65, 5), Rgb{Mix(src.r, dst.r, a), Mix(src.g, dst.g, a), Mix(src.b, dst.b, a)},
             "alpha");
  auto add = [&](int sc, int dc) {
    return std::min(255, static_cast<int>(std::lround(sc * a / 255.0 + dc)));
  };
  ExpectNear(s.At(85, 5), Rgb{add(src.r, dst.r), add(src.g, dst.g), add(src.b, dst.b)},
             "additive");
  auto mul = [](int sc, int dc) { return static_cast<int>(std::lround(sc * dc / 255.0)); };
  ExpectNear(s.At(105, 5), Rgb{mul(src.r, dst.r), mul(src.g, dst.g), mul(src.b, dst.b)},
             "multiplied");
  EXPECT_EQ(s.At(125, 5), src) << "unknown mode draws as solid";
  EXPECT_EQ(s.At(145, 5), dst) << "masked, alpha under 0.5";
}

using Clipping = DrawingTest;

TEST_F(Clipping, IsOffForExactlyTheContextSize) {
  SetViewport(0, 0, kWidth, kHeight);
  SetClsColor(255, 0, 0);
  Cls();
  Snapshot s = GrabAll();
  EXPECT_EQ(s.Count(kRed), kWidth * kHeight);

  SetViewport(0, 0, kWidth - 1, kHeight);
  SetClsColor(0, 255, 0);
  Cls();
  s = GrabAll();
  EXPECT_EQ(s.At(kWidth - 1, 10), kRed) << "Cls must leave the last column";
  EXPECT_EQ(s.At(kWidth - 2, 10), kGreen);
  SetColor(0, 0, 255);
  DrawRect(0, 0, kWidth, kHeight);
  s = GrabAll();
  EXPECT_EQ(s.At(kWidth - 1, kHeight - 1), kRed) << "DrawRect must leave the last column";
  EXPECT_EQ(s.At(kWidth - 2, kHeight - 1), (Rgb{0, 0, 255}));
}

TEST_F(Clipping, LetsThroughExactlyTheRectangleWithoutMovingTheOrigin) {
  SetViewport(50, 40, 20, 10);
  SetClsColor(255, 0, 0);
  Cls();
  SetColor(0, 255, 0);
  DrawRect(0, 0, 60, 45);  // overlaps the clip's top-left part
  const Snapshot s = GrabAll();
  EXPECT_EQ(s.CountNot(kBlack), 200);
  const Snapshot::Box box = s.InkBox(kBlack);
  EXPECT_EQ(box.left, 50);
  EXPECT_EQ(box.right, 69);
  EXPECT_EQ(box.top, 40);
  EXPECT_EQ(box.bottom, 49);
  EXPECT_EQ(s.At(59, 44), kGreen);
  EXPECT_EQ(s.At(60, 44), kRed);
  EXPECT_EQ(s.At(59, 45), kRed);
}

TEST_F(Clipping, ZeroOrNegativeSizeLetsNothingThrough) {
  const int sizes[][2] = {{0, 50}, {50, 0}, {-5, 50}, {50, -1}, {-3, -3}};
  for (const auto& size : sizes) {
    SetViewport(10, 10, size[0], size[1]);
    SetClsColor(255, 0, 0);
    Cls();
    DrawRect(0, 0, kWidth, kHeight);
    DrawLine(0, 20, 100, 20, 1);
    DrawText("Hello", 12, 12);
    EXPECT_EQ(GrabAll().CountNot(kBlack), 0) << "clip " << size[0] << " x " << size[1];
  }
  SetViewport(0, 0, kWidth, kHeight);
  Cls();
  EXPECT_EQ(GrabAll().Count(kRed), kWidth * kHeight) << "a new rectangle lifts it";
}

TEST(State, PersistsAcrossSetGraphics) {
  OffscreenCanvas a(100, 80);
  OffscreenCanvas b(100, 80);
  ASSERT_TRUE(a.ok() && b.ok());
  SetGraphics(a.graphics());
  SetColor(10, 20, 30);
  SetAlpha(0.25f);
  SetBlend(5);
  SetScale(2, 3);
  SetRotation(45);
  SetViewport(10, 10, 20, 20);
  SetClsColor(0, 255, 0);
  SetGraphics(b.graphics());
  int r, g, bl;
  GetColor(r, g, bl);
  EXPECT_EQ((Rgb{r, g, bl}), (Rgb{255, 255, 255})) << "b has its own state";
  SetGraphics(a.graphics());
  GetColor(r, g, bl);
  EXPECT_EQ((Rgb{r, g, bl}), (Rgb{10, 20, 30}));
  EXPECT_EQ(GetAlpha(), 0.25f);
  EXPECT_EQ(GetBlend(), 5);
  float sx, sy;
  GetScale(sx, sy);
  EXPECT_EQ(sx, 2.0f);
  EXPECT_EQ(sy, 3.0f);
  EXPECT_EQ(GetRotation(), 45.0f);
  // The clip and clear colour are in force again.
  Cls();
  const Snapshot s = Grab(100, 80);
  EXPECT_EQ(s.Count(kGreen), 400);
  EXPECT_EQ(s.At(10, 10), kGreen);
  EXPECT_EQ(s.At(9, 10), kBlack);
  EXPECT_EQ(CheckGLErrors(), 0);
}

TEST(State, GrownCanvasKeepsTheStoredClip) {
  OffscreenCanvas canvas(800, 600);
  ASSERT_TRUE(canvas.ok());
  SetGraphics(canvas.graphics());
  SetViewport(0, 0, 800, 600);  // clipping off at this size
  Flip(0);
  canvas.Resize(1000, 700);
  SetGraphics(canvas.graphics());
  SetClsColor(0, 255, 0);
  Cls();
  Snapshot s = Grab(1000, 700);
  EXPECT_EQ(s.At(0, 0), kGreen);
  EXPECT_EQ(s.At(799, 599), kGreen);
  EXPECT_NE(s.At(800, 100), kGreen);
  EXPECT_NE(s.At(100, 600), kGreen);
  EXPECT_NE(s.At(999, 699), kGreen);
  EXPECT_EQ(s.Count(kGreen), 800 * 600);

  SetViewport(0, 0, 1000, 700);
  Cls();
  s = Grab(1000, 700);
  EXPECT_EQ(s.Count(kGreen), 1000 * 700);
  EXPECT_EQ(CheckGLErrors(), 0);
}

TEST(State, CanvasRectInsideTheWindowIsTheWholeCanvas) {
  // The window layer may place the canvas anywhere in the client area: the
  // drawing stays inside it, Cls included, in canvas coordinates.
  OffscreenCanvas canvas(200, 100);
  ASSERT_TRUE(canvas.ok());
  SetGraphics(canvas.graphics());  // the whole window starts black
  SetGraphicsCanvasRect(canvas.graphics(), 20, 10, 100, 50);
  SetGraphics(canvas.graphics());
  SetViewport(0, 0, 100, 50);
  SetClsColor(255, 0, 0);
  Cls();
  SetColor(0, 255, 0);
  DrawRect(0, 0, 1, 1);
  const Snapshot inner = Grab(100, 50);  // canvas coordinates
  EXPECT_EQ(inner.At(0, 0), kGreen);
  EXPECT_EQ(inner.At(99, 49), kRed);
  EXPECT_EQ(inner.Count(kRed), 100 * 50 - 1);
  SetGraphicsCanvasRect(canvas.graphics(), 0, 0, 200, 100);
  SetGraphics(canvas.graphics());
  const Snapshot whole = Grab(200, 100);
  EXPECT_EQ(whole.At(20, 10), kGreen);
  EXPECT_EQ(whole.At(19, 10), kBlack);
  EXPECT_EQ(whole.At(119, 59), kRed);
  EXPECT_EQ(whole.At(120, 59), kBlack);
  EXPECT_EQ(whole.At(119, 60), kBlack);
  EXPECT_EQ(CheckGLErrors(), 0);
}

}  // namespace
