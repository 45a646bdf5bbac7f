// Images on real pixels: placement by handle, scale and rotation, texel
// mapping and tint, texture reuse and release, and batching that keeps the
// drawing order.
#include <cmath>

#include "support/drawing_support.h"
#include "platform/testing/drawing_probe.h"

namespace {

const Rgb kBlack{0, 0, 0};
const Rgb kWhite{255, 255, 255};

ImagePtr SolidImage(int w, int h, float hx, float hy) {
  return MakeTestImage(w, h, hx, hy, 0, [](int, int) { return Rgba(255, 255, 255, 255); });
}

// Every texel different: red from x, green from y, blue from both.
std::uint32_t Pattern(int x, int y) {
  return Rgba((x * 37) & 0xff, (y * 53) & 0xff, (x * 11 + y * 7) & 0xff, 255);
}
Rgb PatternRgb(int x, int y) {
  const std::uint32_t c = Pattern(x, y);
  return {static_cast<int>(c & 0xff), static_cast<int>((c >> 8) & 0xff),
          static_cast<int>((c >> 16) & 0xff)};
}

using Images = DrawingTest;

TEST_F(Images, CentreHandleLandsOnThePointAtScaleOneTwoAndRotation) {
  const ImagePtr image = SolidImage(64, 32, 32, 16);
  SetBlend(3);
  DrawImage(image, 100, 100);
  Snapshot::Box box = GrabAll().InkBox(kBlack);
  EXPECT_EQ(box.left, 68);
  EXPECT_EQ(box.right, 131);
  EXPECT_EQ(box.top, 84);
  EXPECT_EQ(box.bottom, 115);
  EXPECT_EQ(GrabAll().Count(kWhite), 64 * 32);

  Cls();
  SetScale(2, 2);
  DrawImage(image, 100, 100);
  box = GrabAll().InkBox(kBlack);
  EXPECT_EQ(box.left, 36);
  EXPECT_EQ(box.right, 163);
  EXPECT_EQ(box.top, 68);
  EXPECT_EQ(box.bottom, 131);

  Cls();
  SetScale(1, 1);
  SetRotation(90);
  DrawImage(image, 100, 100);
  box = GrabAll().InkBox(kBlack);
  EXPECT_EQ(box.left, 84);
  EXPECT_EQ(box.right, 115);
  EXPECT_EQ(box.top, 68);
  EXPECT_EQ(box.bottom, 131);
  EXPECT_EQ(GrabAll().Count(kWhite), 64 * 32);
}

TEST_F(Images, TexelsMapOneToOneWithTheTopLeftTexelFirst) {
  for (const int flags : {0, 2, 3}) {  // nearest, linear, linear masked
    const ImagePtr image = MakeTestImage(20, 12, 0, 0, flags, Pattern);
    Cls();
    DrawImage(image, 30, 40);
    const Snapshot s = GrabAll();
    for (int y = 0; y < 12; ++y)
      for (int x = 0; x < 20; ++x)
        ASSERT_EQ(s.At(30 + x, 40 + y), PatternRgb(x, y))
            << "flags " << flags << " texel " << x << "," << y;
  }
}

// On whole pixels at scale 1 every pixel shows a texel; scaled, or off whole
// pixels, a filtered image still mixes neighbouring texels, however often
// it is drawn the one way and the other.
TEST_F(Images, AFilteredImageStaysFilteredWherePixelsMissTheTexelCentres) {
  const ImagePtr image = MakeTestImage(
      2, 1, 0, 0, 2, [](int x, int) { return x == 0 ? Rgba(0, 0, 0, 255) : Rgba(255, 255, 255, 255); });
  SetBlend(3);
  for (int round = 0; round < 2; ++round) {
    Cls();
    DrawImage(image, 10, 10);
    SetScale(4, 4);
    DrawImage(image, 20, 10);
    SetScale(1, 1);
    DrawImage(image, 40.5f, 10);
    DrawImage(image, 50, 10);
    const Snapshot s = GrabAll();
    for (const int x : {10, 50}) {
      EXPECT_EQ(s.At(x, 10), kBlack) << "round " << round;
      EXPECT_EQ(s.At(x + 1, 10), kWhite) << "round " << round;
    }
    for (const int x : {23, 24, 41}) {
      EXPECT_GT(s.At(x, 10).r, 0) << "x " << x << ", round " << round;
      EXPECT_LT(s.At(x, 10).r, 255) << "x " << x << ", round " << round;
    }
  }
}

TEST_F(Images, RotationTurnsTheTexelsClockwise) {
  const ImagePtr image = MakeTestImage(8, 4, 0, 0, 0, Pattern);
  SetRotation(90);
  DrawImage(image, 50, 50);
  const Snapshot s = GrabAll();
  // Texel (x, y) lands at (-y, x) from the anchor, in the pixel left of it.
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 8; ++x) EXPECT_EQ(s.At(50 - y - 1, 50 + x), PatternRgb(x, y));
}

TEST_F(Images, ColourTintsAndAlphaScalesTheTexels) {
  const ImagePtr image =
      MakeTestImage(4, 4, 0, 0, 0, [](int, int) { return Rgba(200, 100, 255, 255); });
  SetColor(255, 128, 0);
  DrawImage(image, 0, 0);
  const Rgb tinted = GrabAll().At(1, 1);
  EXPECT_EQ(tinted.r, 200);
  EXPECT_NEAR(tinted.g, 100 * 128 / 255.0, 1.0);
  EXPECT_EQ(tinted.b, 0);

  // A texel alpha of 128 under alpha 0.5 (byte 127) gives about 0.25.
  const ImagePtr half =
      MakeTestImage(4, 4, 0, 0, 0, [](int, int) { return Rgba(255, 255, 255, 128); });
  SetColor(255, 255, 255);
  SetBlend(3);
  SetAlpha(0.5f);
  DrawImage(half, 10, 0);
  EXPECT_NEAR(GrabAll().At(11, 1).r, 255.0 * 128 / 255 * 127 / 255, 1.0);
}

TEST_F(Images, MaskedModeDropsTransparentTexels) {
  const ImagePtr image = MakeTestImage(
      4, 1, 0, 0, 0, [](int x, int) { return Rgba(255, 255, 255, x * 85); });  // 0 85 170 255
  SetBlend(1);
  DrawImage(image, 0, 0);
  const Snapshot s = GrabAll();
  EXPECT_EQ(s.At(0, 0), kBlack);
  EXPECT_EQ(s.At(1, 0), kBlack);
  EXPECT_EQ(s.At(2, 0), kWhite);
  EXPECT_EQ(s.At(3, 0), kWhite);
}

TEST_F(Images, TextureIsMadeOnceAndReused) {
  const ImagePtr image = SolidImage(10, 10, 0, 0);
  EXPECT_EQ(FrameTextureOf(*image, 0).name, 0u);
  DrawImage(image, 0, 0);
  const TFrameTexture first = FrameTextureOf(*image, 0);
  EXPECT_NE(first.name, 0u);
  EXPECT_NE(first.seq, 0u);
  EXPECT_FLOAT_EQ(first.u, 10.0f / 16.0f);
  EXPECT_FLOAT_EQ(first.v, 10.0f / 16.0f);
  Flip(0);
  SetGraphics(canvas_->graphics());
  DrawImage(image, 20, 0);
  EXPECT_EQ(FrameTextureOf(*image, 0).name, first.name);
  EXPECT_EQ(FrameTextureOf(*image, 0).seq, first.seq);
}

TEST_F(Images, MissingImageOrFrameDrawsNothing) {
  const ImagePtr image = SolidImage(10, 10, 0, 0);
  DrawImage(static_cast<TImage*>(nullptr), 10, 10);
  DrawImage(image, 10, 10, 1);
  DrawImage(image, 10, 10, -1);
  auto empty = std::make_shared<TImage>();
  empty->width = empty->height = 4;
  DrawImage(empty, 10, 10);
  EXPECT_EQ(GrabAll().CountNot(kBlack), 0);
}

TEST(ImageLifetime, ReleasedAfterItsContextIsGoneJustForgetsTheTexture) {
  ImagePtr image = SolidImage(8, 8, 0, 0);
  {
    OffscreenCanvas canvas(32, 32);
    ASSERT_TRUE(canvas.ok());
    SetGraphics(canvas.graphics());
    DrawImage(image, 0, 0);
    EXPECT_NE(FrameTextureOf(*image, 0).name, 0u);
  }
  EXPECT_EQ(CurrentGraphics(), nullptr);
  image.reset();  // no GL call may happen here (ASan/driver would complain)

  // A new context starts a new generation: an old texture name is remade.
  ImagePtr again = SolidImage(8, 8, 0, 0);
  auto canvas = std::make_unique<OffscreenCanvas>(32, 32);
  ASSERT_TRUE(canvas->ok());
  SetGraphics(canvas->graphics());
  DrawImage(again, 0, 0);
  const unsigned seq = FrameTextureOf(*again, 0).seq;
  canvas = std::make_unique<OffscreenCanvas>(32, 32);
  ASSERT_TRUE(canvas->ok());
  SetGraphics(canvas->graphics());
  DrawImage(again, 4, 4);
  EXPECT_NE(FrameTextureOf(*again, 0).seq, seq);
  EXPECT_EQ(Grab(32, 32).At(5, 5), kWhite);
  EXPECT_EQ(CheckGLErrors(), 0);
}

TEST_F(Images, ReleasedWhileItsContextIsCurrentDeletesTheTexture) {
  ImagePtr image = SolidImage(8, 8, 0, 0);
  DrawImage(image, 0, 0);  // still batched when the image goes
  image.reset();
  EXPECT_EQ(CheckGLErrors(), 0);
  const Snapshot s = GrabAll();
  EXPECT_EQ(s.At(3, 3), kWhite) << "the pending draw was sent before the delete";
}

using Batching = DrawingTest;

TEST_F(Batching, ManyPrimitivesInOneStateTakeOneDrawCall) {
  ResetDrawCallCount();
  SetBlend(3);
  for (int i = 0; i < 100; ++i) {
    DrawRect(static_cast<float>(i), 0, 1, 10);
    DrawLine(0, static_cast<float>(20 + i), 50, static_cast<float>(20 + i), 1);
    DrawText("x", static_cast<float>(i * 2), 150);
  }
  Flip(0);
  EXPECT_EQ(DrawCallCount(), 1);
}

TEST_F(Batching, KeepsTheDrawingOrderAcrossTexturesAndColours) {
  const ImagePtr image =
      MakeTestImage(16, 16, 0, 0, 0, [](int, int) { return Rgba(0, 0, 255, 255); });
  SetColor(255, 0, 0);
  DrawRect(0, 0, 40, 40);
  SetColor(255, 255, 255);
  DrawImage(image, 10, 10);
  SetColor(0, 255, 0);
  DrawRect(15, 15, 4, 4);
  DrawText("#", 30, 0);
  const Snapshot s = GrabAll();
  EXPECT_EQ(s.At(5, 5), (Rgb{255, 0, 0}));
  EXPECT_EQ(s.At(12, 12), (Rgb{0, 0, 255}));
  EXPECT_EQ(s.At(16, 16), (Rgb{0, 255, 0}));
  EXPECT_EQ(s.At(24, 24), (Rgb{0, 0, 255}));
  EXPECT_GT(s.Count(Rgb{0, 255, 0}), 16) << "the glyph drawn over the red";
}

}  // namespace
