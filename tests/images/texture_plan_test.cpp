// What a frame's texture holds: power-of-two size, edge texels, shrinking to
// the largest texture and mipmap levels.
#include <gtest/gtest.h>

#include "platform/images/image.h"
#include "platform/images/texture_plan.h"
#include "support/images_support.h"

namespace {

// A w x h frame of the given format whose pixel (x, y) is (x*10, y*10, 5).
TPixmap Frame(int w, int h, int format = PF_RGB888) {
  PixmapPtr pm = CreatePixmap(w, h, PF_RGBA8888);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      std::uint8_t* p = pm->Row(y) + x * 4;
      p[0] = static_cast<std::uint8_t>(x * 10), p[1] = static_cast<std::uint8_t>(y * 10);
      p[2] = 5, p[3] = 255;
    }
  if (format == PF_RGBA8888) return *pm;
  TPixmap out = *CreatePixmap(w, h, format);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const std::uint8_t* s = pm->Row(y) + x * 4;
      std::uint8_t* d = out.Row(y) + x * BytesPerPixel(format);
      if (format == PF_RGB888) d[0] = s[0], d[1] = s[1], d[2] = s[2];
      if (format == PF_BGR888) d[0] = s[2], d[1] = s[1], d[2] = s[0];
    }
  return out;
}

TEST(TexturePlan, FrameSitsTopLeftWithEdgesRepeatedOnce) {
  const TPixmap f = Frame(5, 3, PF_BGR888);
  TexturePlan plan = PrepareFrameTexture(f, FILTEREDIMAGE, 1024);
  ASSERT_EQ(plan.levels.size(), 1u);
  const TPixmap& t = plan.levels[0];
  EXPECT_EQ(t.width, 8);
  EXPECT_EQ(t.height, 4);
  EXPECT_EQ(t.format, PF_RGBA8888);
  EXPECT_FLOAT_EQ(plan.u, 5.0f / 8.0f);
  EXPECT_FLOAT_EQ(plan.v, 3.0f / 4.0f);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) ASSERT_EQ(PixelRGBA(t, x, y), PixelRGBA(f, x, y));
  for (int y = 0; y < 3; ++y) EXPECT_EQ(PixelRGBA(t, 5, y), PixelRGBA(f, 4, y)) << y;
  for (int x = 0; x < 5; ++x) EXPECT_EQ(PixelRGBA(t, x, 3), PixelRGBA(f, x, 2)) << x;
  EXPECT_EQ(PixelRGBA(t, 5, 3), PixelRGBA(f, 4, 2));
  // Only one texel of repetition: the column after it is left empty.
  EXPECT_EQ(PixelRGBA(t, 6, 0), 0u);
  EXPECT_TRUE(plan.full_size);
  EXPECT_TRUE(plan.binary_alpha) << "opaque, and clear around";
}

TEST(TexturePlan, PowerOfTwoRgbaFramesAreUsedAsTheyAre) {
  const TPixmap f = Frame(4, 2, PF_RGBA8888);
  TexturePlan plan = PrepareFrameTexture(f, 0, 64);
  ASSERT_EQ(plan.levels.size(), 1u);
  EXPECT_EQ(plan.levels[0].pixels, f.pixels);
  EXPECT_FLOAT_EQ(plan.u, 1.0f);
  EXPECT_FLOAT_EQ(plan.v, 1.0f);
  // Same size in another format is converted, not duplicated at edges.
  TexturePlan rgb = PrepareFrameTexture(Frame(4, 2, PF_RGB888), 0, 64);
  ASSERT_EQ(rgb.levels.size(), 1u);
  EXPECT_EQ(rgb.levels[0].pixels, f.pixels);
  TPixmap translucent = f;
  translucent.Row(1)[4 * 3 + 3] = 128;
  EXPECT_FALSE(PrepareFrameTexture(translucent, 0, 64).binary_alpha);
}

TEST(TexturePlan, TooLargeFramesAreHalvedAndShrunk) {
  // 100 x 20 wants 128 x 32; with at most 64 both sides halve to 64 x 16.
  // Black with its last two columns red.
  PixmapPtr f = CreatePixmap(100, 20, PF_RGBA8888);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 100; ++x) {
      std::uint8_t* p = f->Row(y) + x * 4;
      p[0] = x >= 98 ? 255 : 0, p[3] = 255;
    }
  TexturePlan plan = PrepareFrameTexture(*f, 0, 64);
  ASSERT_EQ(plan.levels.size(), 1u);
  EXPECT_EQ(plan.levels[0].width, 64);
  EXPECT_EQ(plan.levels[0].height, 16);
  EXPECT_FLOAT_EQ(plan.u, 1.0f);
  EXPECT_FLOAT_EQ(plan.v, 1.0f);
  // Shrunk, not cropped: the frame's right edge lands in the last column.
  EXPECT_EQ(PixelRGBA(plan.levels[0], 63, 15), RGBA(255, 0, 0));
  EXPECT_EQ(PixelRGBA(plan.levels[0], 0, 0), RGBA(0, 0, 0));
  EXPECT_FALSE(plan.full_size);

  // 1 x 300 with a limit of 128: the side of 1 stays, 512 halves to 128.
  TexturePlan thin = PrepareFrameTexture(Frame(1, 300), 0, 128);
  ASSERT_EQ(thin.levels.size(), 1u);
  EXPECT_EQ(thin.levels[0].width, 1);
  EXPECT_EQ(thin.levels[0].height, 128);
  EXPECT_FLOAT_EQ(thin.u, 1.0f);
  EXPECT_FLOAT_EQ(thin.v, 1.0f);
}

TEST(TexturePlan, NothingFitsBelowOneTexel) {
  EXPECT_TRUE(PrepareFrameTexture(Frame(4, 4), 0, 0).levels.empty());
  EXPECT_TRUE(PrepareFrameTexture(Frame(4, 4), 0, -5).levels.empty());
  TexturePlan one = PrepareFrameTexture(Frame(4, 4), 0, 1);
  ASSERT_EQ(one.levels.size(), 1u);
  EXPECT_EQ(one.levels[0].width, 1);
  EXPECT_EQ(one.levels[0].height, 1);
}

TEST(TexturePlan, MipmapsHalveDownToOneTexel) {
  TexturePlan plan = PrepareFrameTexture(Frame(16, 4, PF_RGBA8888), MIPMAPPEDIMAGE, 1024);
  const int sizes[][2] = {{16, 4}, {8, 2}, {4, 1}, {2, 1}, {1, 1}};
  ASSERT_EQ(plan.levels.size(), 5u);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(plan.levels[i].width, sizes[i][0]) << i;
    EXPECT_EQ(plan.levels[i].height, sizes[i][1]) << i;
    EXPECT_EQ(plan.levels[i].format, PF_RGBA8888);
  }
  // Level 1 texel (0, 0) averages level 0's (0..1, 0..1): r (0+10)/2, g (0+10)/2.
  EXPECT_EQ(PixelRGBA(plan.levels[1], 0, 0), RGBA(5, 5, 5, 255));
  // A uniform picture stays uniform all the way down.
  PixmapPtr flat = CreatePixmap(8, 8, PF_RGBA8888);
  std::fill(flat->pixels.begin(), flat->pixels.end(), 77);
  TexturePlan f = PrepareFrameTexture(*flat, MIPMAPPEDIMAGE, 8);
  ASSERT_EQ(f.levels.size(), 4u);
  EXPECT_EQ(PixelRGBA(f.levels[3], 0, 0), RGBA(77, 77, 77, 77));
}

}  // namespace
