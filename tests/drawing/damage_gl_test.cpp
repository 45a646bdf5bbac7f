// Drawing only what changed since the last presentation gives, at every
// presentation, exactly the picture a full redraw of the same repaint gives.
// Random scenes of rectangles, lines, text and images under random colours,
// alpha, blend modes, rotation, scale and clips change a little at each
// repaint (and now and then a lot: a new clear colour, an image made again,
// a new canvas size, a repaint that does not start with a whole clear).
// The seeds are fixed, so a failure names the step that reproduces it.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "platform/testing/drawing_probe.h"
#include "support/drawing_support.h"

namespace {

struct Item {
  int kind = 0;  // 0 rect, 1 line, 2 text, 3 image
  float x = 0, y = 0, w = 0, h = 0;
  int r = 0, g = 0, b = 0;
  float alpha = 1.0f;
  int blend = 3;
  float rotation = 0, scale = 1;
  bool clipped = false;
  int cx = 0, cy = 0, cw = 0, ch = 0;
  int image = 0;
  std::string text;
};

// Where the picture is kept: in a framebuffer of the canvas's own (as on a
// scaled output; the display here is not scaled), or in the back buffer of
// a canvas that presents by copying it.
class Damage : public DrawingTest, public ::testing::WithParamInterface<bool> {
 protected:
  // The layer's clock is the test's: the window settles after a change
  // only when it says so.
  void SetUp() override {
    RetainPictureForTesting(!GetParam());
    SetGraphicsClockForTesting([this] { return now_; });
    DrawingTest::SetUp();
    for (int i = 0; i < 2; ++i) MakeImage(i);
  }
  void TearDown() override {
    DrawingTest::TearDown();
    RetainPictureForTesting(false);
    SetGraphicsClockForTesting(nullptr);
  }

  void MakeImage(int i) {
    const int shade = static_cast<int>(rng_() % 200);
    images_[i] = MakeTestImage(12 + 4 * i, 10, 0, 0, i == 1 ? FILTEREDIMAGE : 0,
                               [shade](int x, int y) {
                                 return Rgba(shade + x, 40 * (y & 3), 255 - shade, 255);
                               });
  }

  int Random(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
  // A coordinate, on whole pixels or off them.
  float Coord(int hi) { return static_cast<float>(Random(-20, 4 * hi)) / 4.0f; }

  Item NewItem() {
    Item it;
    it.kind = Random(0, 3);
    it.x = Coord(canvas_->width()), it.y = Coord(canvas_->height());
    it.w = Coord(Random(0, 1) == 0 ? 40 : 200), it.h = Coord(Random(0, 1) == 0 ? 40 : 200);
    it.r = Random(0, 255), it.g = Random(0, 255), it.b = Random(0, 255);
    it.alpha = Random(0, 2) == 0 ? static_cast<float>(Random(0, 10)) / 10.0f : 1.0f;
    it.blend = Random(1, 5);
    it.rotation = Random(0, 3) == 0 ? static_cast<float>(Random(0, 359)) : 0.0f;
    it.scale = Random(0, 3) == 0 ? static_cast<float>(Random(1, 12)) / 4.0f : 1.0f;
    it.clipped = Random(0, 2) == 0;
    it.cx = Random(-10, canvas_->width()), it.cy = Random(-10, canvas_->height());
    it.cw = Random(0, 200), it.ch = Random(0, 150);
    it.image = Random(0, 1);
    it.text = std::to_string(Random(0, 100000));
    return it;
  }

  // One change of the kind a repaint brings: one property of one item, an
  // item more or less, or the clear colour.
  void Change() {
    const int what = Random(0, 9);
    if (what == 0 || items_.empty()) return items_.push_back(NewItem());
    auto& it = items_[static_cast<std::size_t>(Random(0, static_cast<int>(items_.size()) - 1))];
    const Item fresh = NewItem();
    switch (what) {
      case 1: items_.erase(items_.begin() + (&it - items_.data())); break;
      case 2: it.x = fresh.x, it.y = fresh.y; break;
      case 3: it.r = fresh.r, it.alpha = fresh.alpha; break;
      case 4: it.clipped = fresh.clipped, it.cx = fresh.cx, it.cw = fresh.cw; break;
      case 5: it.blend = fresh.blend, it.rotation = fresh.rotation; break;
      case 6: it.text = fresh.text, it.image = fresh.image; break;
      case 7: it.w = fresh.w, it.scale = fresh.scale; break;
      case 8: SetClsColor(Random(0, 255), Random(0, 255), Random(0, 255)); break;
      default: break;  // the same repaint again
    }
  }

  void DrawItem(const Item& it) {
    SetBlend(it.blend);
    SetColor(it.r, it.g, it.b);
    SetAlpha(it.alpha);
    SetRotation(it.rotation);
    SetScale(it.scale, it.scale);
    if (it.clipped) SetViewport(it.cx, it.cy, it.cw, it.ch);
    switch (it.kind) {
      case 0: DrawRect(it.x, it.y, it.w, it.h); break;
      case 1: DrawLine(it.x, it.y, it.x + it.w, it.y + it.h, it.blend & 1); break;
      case 2: DrawText(it.text, it.x, it.y); break;
      default: DrawImage(images_[it.image].get(), it.x, it.y); break;
    }
    SetViewport(0, 0, canvas_->width(), canvas_->height());
  }

  void Repaint(bool whole_clear) {
    SetGraphics(canvas_->graphics());
    SetRotation(0);
    SetScale(1, 1);
    SetViewport(0, 0, canvas_->width(), canvas_->height());
    if (!whole_clear) SetViewport(10, 10, 50, 50);
    Cls();
    SetViewport(0, 0, canvas_->width(), canvas_->height());
    for (const Item& it : items_) DrawItem(it);
    Flip(0);
  }

  std::uint32_t now_ = 1000;
  std::mt19937 rng_;
  ImagePtr images_[2];
  std::vector<Item> items_;
};

TEST_P(Damage, EveryPresentedPictureEqualsAFullRedraw) {
  SetGraphics(canvas_->graphics());
  if (GetParam() && !PresentsByCopy()) GTEST_SKIP() << "this display's swaps keep nothing";
  for (const unsigned seed : {1u, 2u, 3u, 20261210u}) {
    rng_.seed(seed);
    canvas_->Resize(kWidth, kHeight);
    items_.clear();
    for (int i = 0; i < 12; ++i) items_.push_back(NewItem());
    for (int step = 0; step < 80; ++step) {
      const int event = Random(0, 39);
      if (event == 0) canvas_->Resize(Random(40, 400), Random(40, 300));
      if (event == 1) MakeImage(Random(0, 1));  // a texture name let go, maybe reused
      for (int n = Random(1, 3); n > 0; --n) Change();
      now_ += Random(0, 3) == 0 ? static_cast<std::uint32_t>(Random(100, 1500)) : 16;
      Repaint(event != 2);
      // A repaint that does not clear the whole canvas first draws over the
      // last picture: no redraw of its own can give its picture. The next
      // one must not build on it.
      if (event == 2) continue;
      const std::string difference = DifferenceFromFullRedraw(canvas_->width(), canvas_->height());
      ASSERT_EQ(difference, "") << "seed " << seed << ", step " << step << ", event " << event;
    }
  }
}

// An opaque rectangle on whole pixels is filled by a clear, which hides
// what lies under it; a small one moving across its edges damages pixels
// both under it and beside it, where what it hides still shows.
TEST_P(Damage, AClearHidesOnlyWhatItCovers) {
  SetGraphics(canvas_->graphics());
  if (GetParam() && !PresentsByCopy()) GTEST_SKIP() << "this display's swaps keep nothing";
  canvas_->Resize(kWidth, kHeight);
  Item under;
  under.x = 10, under.y = 10, under.w = 220, under.h = 170;
  under.r = 200, under.g = 40, under.b = 40;
  Item cover = under;
  cover.x = 40, cover.y = 30, cover.w = 150, cover.h = 140;
  cover.r = 30, cover.g = 160;
  Item mover = under;
  mover.w = mover.h = 12;
  mover.b = 220;
  items_ = {under, cover, mover};
  for (int step = 0; step < 16; ++step) {
    items_[2].x = static_cast<float>(20 + 12 * step);
    items_[2].y = 90.0f;
    now_ += 16;
    Repaint(true);
    ASSERT_EQ(DifferenceFromFullRedraw(canvas_->width(), canvas_->height()), "") << "step " << step;
  }
}

// An image on whole pixels that changes over the clear is drawn without
// the clear under it; its clear texels must still show the clear's colour,
// and a rectangle slid under it must show through them.
TEST_P(Damage, TheClearShowsThroughAnImageDrawnOverIt) {
  SetGraphics(canvas_->graphics());
  if (GetParam() && !PresentsByCopy()) GTEST_SKIP() << "this display's swaps keep nothing";
  canvas_->Resize(kWidth, kHeight);
  SetClsColor(30, 90, 200);
  Item image;
  image.kind = 3, image.x = 30, image.y = 20, image.w = image.h = 0;
  image.r = image.g = image.b = 255;
  Item under = image;
  under.kind = 0, under.x = 100, under.w = under.h = 9;
  under.r = 250, under.g = under.b = 10;
  under.blend = 4;  // a batch of its own: the image's damage is the image's
  items_ = {under, image};
  // Opaque but for scattered clear texels.
  for (int i = 0; i < 2; ++i) {
    images_[i] = MakeTestImage(12 + 4 * i, 10, 0, 0, i == 1 ? FILTEREDIMAGE : 0, [i](int x, int y) {
      return Rgba(90 + 9 * x, 40 * (y & 3), 160, (3 * x + y + i) % 7 == 0 ? 0 : 255);
    });
  }
  for (int step = 0; step < 12; ++step) {
    items_[1].image = step % 2;
    if (step >= 6) items_[0].x = static_cast<float>(20 + 3 * step);
    now_ += 16;
    Repaint(true);
    ASSERT_EQ(DifferenceFromFullRedraw(canvas_->width(), canvas_->height()), "") << "step " << step;
  }
}

INSTANTIATE_TEST_SUITE_P(Kept, Damage, ::testing::Bool(),
                         [](const auto& kept) { return kept.param ? "BackBuffer" : "OwnPicture"; });

}  // namespace
