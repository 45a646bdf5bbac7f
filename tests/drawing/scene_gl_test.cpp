// A whole scene: rectangles, lines, the font at 1x and 2x, a panel like the
// controls' and an image scaled and rotated. Batching must give the same
// picture as sending every primitive on its own. With CELLREEL_SCREENSHOT
// set to a path, the scene is also written there as a PNG to look at.
#include <cstdlib>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "support/drawing_support.h"
#include "platform/testing/drawing_probe.h"

namespace {

constexpr int kW = 640;
constexpr int kH = 480;

// Parts of the scene as reusable drawing: none (drawn afresh), or kept in
// and appended again from `pieces`, counting the parts appended again.
struct Parts {
  TDrawingPiece* pieces = nullptr;
  int again = 0;
  void Draw(int i, const std::function<void()>& draw) {
    if (pieces == nullptr) return draw();
    if (DrawPieceAgain(pieces[i], "part")) {
      ++again;
      return;
    }
    BeginDrawingPiece(pieces[i]);
    draw();
    EndDrawingPiece(pieces[i], "part");
  }
};

void DrawScene(const ImagePtr& image, const std::function<void()>& after_each,
               Parts* parts = nullptr, int font_shade = 255) {
  Parts fresh;
  Parts& part = parts != nullptr ? *parts : fresh;
  SetBlend(3);
  SetClsColor(40, 44, 52);
  Cls();
  // A panel of controls: faces, edges and captions.
  for (int i = 0; i < 4; ++i) part.Draw(i, [&] {
    const float x = 16.0f + static_cast<float>(i) * 104.0f;
    SetColor(220, 220, 220);
    DrawRect(x, 16, 96, 24);
    after_each();
    SetColor(255, 255, 255);
    DrawLine(x, 16, x + 95, 16, 1);
    DrawLine(x, 16, x, 39, 1);
    SetColor(120, 120, 120);
    DrawLine(x + 95, 17, x + 95, 39, 1);
    DrawLine(x + 1, 39, x + 95, 39, 1);
    after_each();
    SetColor(0, 0, 0);
    const std::string captions[] = {"Load", "Reload", "Pause", "Quit"};
    DrawText(captions[i], x + 48 - static_cast<float>(captions[i].size()) * 4, 16 + 6);
    after_each();
  });
  // The whole font, 1x then 2x.
  SetColor(font_shade, font_shade, font_shade);
  part.Draw(4, [&] {
    for (int line = 0; line < 3; ++line) {
      std::string text;
      for (int c = 32 + line * 32; c < 64 + line * 32; ++c) text += static_cast<char>(c);
      DrawText(text, 16, 56 + 18.0f * static_cast<float>(line));
      after_each();
    }
  });
  SetColor(255, 220, 120);
  DrawText("The quick brown fox jumps over the lazy dog.", 16, 112);
  SetScale(2, 2);
  SetColor(160, 220, 255);
  DrawText("Frame 12/48  Delay 100", 16, 136);
  DrawText("Scale 2x Rot 30 gjpqy", 16, 170);
  SetScale(1, 1);
  after_each();
  // Translucent overlaps and a diagonal.
  SetAlpha(0.5f);
  SetColor(255, 0, 0);
  DrawRect(16, 220, 80, 60);
  SetColor(0, 0, 255);
  DrawRect(56, 250, 80, 60);
  SetAlpha(1.0f);
  after_each();
  SetColor(255, 255, 0);
  DrawLine(160, 220, 300, 310, 1);
  after_each();
  // The image, scaled and rotated about its centre, clipped to a preview.
  SetViewport(320, 200, 300, 260);
  SetColor(90, 90, 110);
  DrawRect(320, 200, 300, 260);
  SetColor(255, 255, 255);
  SetScale(3, 3);
  SetRotation(30);
  part.Draw(5, [&] { DrawImage(image, 470, 330); });
  after_each();
  SetRotation(0);
  SetScale(1, 1);
  SetViewport(0, 0, kW, kH);
}

ImagePtr Sprite() {
  return MakeTestImage(32, 24, 16, 12, 2, [](int x, int y) {
    const bool border = x == 0 || y == 0 || x == 31 || y == 23;
    if (border) return Rgba(255, 255, 255, 255);
    if ((x - 16) * (x - 16) + (y - 12) * (y - 12) < 40) return Rgba(255, 80, 40, 255);
    return Rgba(x * 8, y * 10, 160, 255);
  });
}

TEST(Scene, BatchedEqualsUnbatchedAndRaisesNoGLError) {
  OffscreenCanvas canvas(kW, kH);
  ASSERT_TRUE(canvas.ok());
  SetGraphics(canvas.graphics());
  const ImagePtr image = Sprite();

  ResetDrawCallCount();
  DrawScene(image, [] {});
  const Snapshot batched = Grab(kW, kH);
  const long batched_calls = DrawCallCount();

  // Reading a pixel sends the batch: every step goes on its own.
  ResetDrawCallCount();
  DrawScene(image, [] { ReadPixels(0, 0, 1, 1); });
  const Snapshot unbatched = Grab(kW, kH);
  EXPECT_GT(DrawCallCount(), batched_calls);
  EXPECT_EQ(batched.rgba, unbatched.rgba) << "batching changed the picture";
  EXPECT_GT(batched.CountNot(Rgb{40, 44, 52}), kW * kH / 5);
  EXPECT_EQ(CheckGLErrors(), 0);
  EXPECT_EQ(GLErrorCount(), 0);

  if (const char* path = std::getenv("CELLREEL_SCREENSHOT")) {
    EXPECT_TRUE(WritePng(path, kW, kH, batched.rgba)) << path;
  }
}

// Drawing kept and appended again gives the picture drawing it afresh
// gives; a part is drawn afresh where it would not: it changed the drawing
// state, began in another one, or drew an image, whose textures come and go
// by rules of their own.
TEST(Scene, PartsAppendedAgainEqualTheSceneDrawnAfresh) {
  OffscreenCanvas canvas(kW, kH);
  ASSERT_TRUE(canvas.ok());
  SetGraphics(canvas.graphics());
  ImagePtr image = Sprite();
  const auto fresh = [&](int font_shade) {
    DrawScene(image, [] {}, nullptr, font_shade);
    return Grab(kW, kH).rgba;
  };
  TDrawingPiece pieces[6];
  const auto reused = [&](int font_shade) {
    Parts parts{pieces};
    DrawScene(image, [] {}, &parts, font_shade);
    return std::pair(Grab(kW, kH).rgba, parts.again);
  };
  const auto expect = [&](int font_shade, int again, const char* what) {
    const std::vector<std::uint8_t> want = fresh(font_shade);
    const auto [got, got_again] = reused(font_shade);
    EXPECT_TRUE(got == want) << what << ": not the picture drawn afresh";
    EXPECT_EQ(got_again, again) << what;
  };
  expect(255, 0, "kept");
  // The first control leaves another colour than it began with; the other
  // three begin in the colour the one before left, joining its batch.
  expect(255, 4, "appended again");
  expect(200, 3, "the font's colour changed");
  // The font kept in its new colour; the image drawn afresh, as always.
  image = MakeTestImage(32, 24, 16, 12, 2, [](int x, int y) { return Rgba(x * 8, 255, y, 255); });
  expect(200, 4, "a new image in the old one's place");
  EXPECT_EQ(CheckGLErrors(), 0);
}

}  // namespace
