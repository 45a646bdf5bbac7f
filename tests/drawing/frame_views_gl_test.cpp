// Frames as views into the decoded sheet: their pixels and textures match a
// copied and masked cell, a fine tiling of a large sheet costs about the
// picture, and frame textures stay within their cache.
#include <malloc.h>

#include <algorithm>
#include <vector>

#include "support/drawing_support.h"
#include "platform/testing/drawing_probe.h"

namespace {

// An RGB sheet of w x h: a colour pattern with black pixels along the cell
// edges (every cell's top row and right column, in runs) and in corners.
PixmapPtr EdgySheet(int w, int h, int tile) {
  PixmapPtr sheet = CreatePixmap(w, h, PF_RGB888);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      std::uint8_t* p = sheet->Row(y) + 3 * x;
      const bool edge = (y % tile == 0 && x % 3 != 1) || (x % tile == tile - 1 && y % 2 == 0) ||
                        (x % tile == 0 && y % tile == tile - 1);
      if (edge) continue;  // black
      p[0] = static_cast<std::uint8_t>(40 + (x * 7) % 200);
      p[1] = static_cast<std::uint8_t>(30 + (y * 13) % 200);
      p[2] = static_cast<std::uint8_t>((x + y) % 256);
    }
  }
  return sheet;
}

// The cell copied out and masked, written out plainly: black pixels get
// alpha 0 and the integer average of their non-black neighbours inside the
// cell (black when there are none); others are opaque.
std::vector<std::uint8_t> MaskedCell(const TPixmap& sheet, int x0, int y0, int w, int h) {
  auto rgb = [&](int x, int y) { return sheet.Row(y0 + y) + 3 * (x0 + x); };
  auto black = [&](int x, int y) {
    const std::uint8_t* p = rgb(x, y);
    return p[0] == 0 && p[1] == 0 && p[2] == 0;
  };
  std::vector<std::uint8_t> out(static_cast<std::size_t>(w) * h * 4);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      std::uint8_t* o = &out[(static_cast<std::size_t>(y) * w + x) * 4];
      if (!black(x, y)) {
        std::copy_n(rgb(x, y), 3, o);
        o[3] = 255;
        continue;
      }
      int sum[3] = {0, 0, 0}, n = 0;
      for (int ny = y - 1; ny <= y + 1; ++ny) {
        for (int nx = x - 1; nx <= x + 1; ++nx) {
          if (nx < 0 || ny < 0 || nx >= w || ny >= h || black(nx, ny)) continue;
          for (int c = 0; c < 3; ++c) sum[c] += rgb(nx, ny)[c];
          ++n;
        }
      }
      for (int c = 0; c < 3; ++c) o[c] = static_cast<std::uint8_t>(n ? sum[c] / n : 0);
      o[3] = 0;
    }
  }
  return out;
}

std::vector<std::uint8_t> Bytes(const TPixmap& pm) {
  std::vector<std::uint8_t> out;
  for (int y = 0; y < pm.height; ++y) out.insert(out.end(), pm.Row(y), pm.Row(y) + pm.width * 4);
  return out;
}

using FrameViews = DrawingTest;

TEST_F(FrameViews, PixelsAndTexturesEqualTheMaskedCellOnARaggedSheet) {
  // 70 x 40 in 16 x 16 tiles: 4 x 2 frames, 6 columns and 8 rows left over.
  constexpr int kTile = 16;
  const PixmapPtr sheet = EdgySheet(70, 40, kTile);
  const ImagePtr image = LoadAnimImage(sheet, kTile, kTile, 0, 8, -1);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->pixmaps.Sheet(), sheet) << "frames are views, not copies";
  SetBlend(2);  // solid: the texels' alpha reaches the read-back too
  for (int i = 0; i < 8; ++i) {
    SCOPED_TRACE(i);
    const int x0 = (i % 4) * kTile, y0 = (i / 4) * kTile;
    const std::vector<std::uint8_t> want = MaskedCell(*sheet, x0, y0, kTile, kTile);
    const PixmapPtr pixels = image->pixmaps.Pixels(static_cast<std::size_t>(i));
    ASSERT_TRUE(pixels);
    ASSERT_EQ(pixels->format, PF_RGBA8888);
    EXPECT_EQ(Bytes(*pixels), want);
    const int at = 20 * i;
    DrawImage(image, static_cast<float>(at), 100, i);
    const std::vector<std::uint8_t> drawn = ReadPixels(at, 100, kTile, kTile);
    EXPECT_EQ(drawn, want) << "the texture holds other pixels than the masked cell";
  }
}

TEST_F(FrameViews, AFineTilingOfALargeSheetCostsAboutThePicture) {
  // 4096 x 4096 in 2 x 2 tiles: 4,194,304 frames.
  const PixmapPtr sheet = CreatePixmap(4096, 4096, PF_RGB888);
  ASSERT_TRUE(sheet);
  sheet->Row(4095)[3 * 4095] = 77;
  const std::size_t before = mallinfo2().uordblks;
  const ImagePtr whole = LoadImage(sheet, -1);
  const ImagePtr cut = LoadAnimImage(sheet, 2, 2, 0, 2048 * 2048, -1);
  const std::size_t grown = mallinfo2().uordblks - before;
  ASSERT_TRUE(whole && cut);
  EXPECT_EQ(cut->pixmaps.size(), 2048u * 2048u);
  EXPECT_EQ(whole->pixmaps.Sheet(), sheet);
  EXPECT_EQ(cut->pixmaps.Sheet(), sheet);
  EXPECT_LT(grown, std::size_t{1} << 20) << "bytes allocated to load the frames";
  // The last frame is the bottom-right cell.
  const PixmapPtr last = cut->pixmaps.Pixels(2048u * 2048u - 1);
  ASSERT_TRUE(last);
  EXPECT_EQ(last->Row(1)[4], 77);
  EXPECT_EQ(last->Row(1)[7], 255);
}

TEST_F(FrameViews, FrameTexturesStayWithinTheirCache) {
  // 65 x 65 frames take 128 x 128 textures: 1,200 of them need 75 MiB, more
  // than the 8 MiB the frames of a 20 MiB sheet may hold.
  const PixmapPtr sheet = CreatePixmap(65 * 40, 65 * 30, PF_RGBA8888);
  ASSERT_TRUE(sheet);
  for (int y = 0; y < sheet->height; ++y) {
    for (int x = 0; x < sheet->width; ++x) {
      std::uint8_t* p = sheet->Row(y) + 4 * x;
      p[0] = static_cast<std::uint8_t>(x / 65), p[1] = static_cast<std::uint8_t>(y / 65);
      p[2] = 9, p[3] = 255;
    }
  }
  const ImagePtr image = LoadAnimImage(sheet, 65, 65, 0, 1200, 0);
  ASSERT_TRUE(image);
  constexpr std::size_t kBudget = std::size_t{8} << 20;
  for (int i = 0; i < 1200; ++i) {
    DrawImage(image, 0, 0, i);
    ASSERT_LE(FrameTextureBytes(*image), kBudget) << i;
  }
  EXPECT_GE(FrameTextureBytes(*image), kBudget - (std::size_t{64} << 10));
  EXPECT_EQ(FrameTextureOf(*image, 0).name, 0u) << "the frame drawn longest ago keeps its texture";
  EXPECT_NE(FrameTextureOf(*image, 1199).name, 0u);
  // A frame whose texture went is made again, with its own pixels.
  Cls();
  SetBlend(2);
  DrawImage(image, 0, 0, 0);
  EXPECT_EQ(GrabAll().At(10, 10), (Rgb{0, 0, 9}));
  DrawImage(image, 0, 0, 41);
  EXPECT_EQ(GrabAll().At(10, 10), (Rgb{1, 1, 9}));
}

}  // namespace
