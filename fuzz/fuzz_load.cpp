// Fuzzes the whole loading path: the input is registered as an embedded
// resource and opened by URL, so every decoder sees it in turn; a picture
// that decodes is then masked, cut into cells and made into a texture plan.
// A picture over kFuzzConvertPixels is cut into small cells and only its
// first and last cells are made (every cell is made the same way), so
// that larger pictures cost little more than their decoding.
#include <algorithm>

#include "fuzz/fuzz_pixels.h"
#include "platform/images/image.h"
#include "platform/images/incbin.h"
#include "platform/images/texture_plan.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  IncbinAdd("fuzz/input", data, size);
  PixmapPtr pm = LoadPixmap("incbin::fuzz/input");
  IncbinRemove("fuzz/input");
  if (!pm) return 0;
  TouchPixels(*pm);
  ImagePtr whole = LoadImage(pm, -1);
  if (!whole || whole->pixmaps.size() != 1) __builtin_trap();
  const bool small = std::int64_t{pm->width} * pm->height <= kFuzzConvertPixels;
  const int cw = std::max(1, pm->width / (small ? 3 : 64));
  const int ch = std::max(1, pm->height / (small ? 2 : 64));
  const int count = (pm->width / cw) * (pm->height / ch);
  ImagePtr cells = LoadAnimImage(pm, cw, ch, 0, count, -1);
  if (!cells || cells->pixmaps.size() != static_cast<std::size_t>(count)) __builtin_trap();
  if (small) {
    for (const PixmapPtr& cell : cells->pixmaps) TouchPixels(*cell);
    TexturePlan plan = PrepareFrameTexture(*whole->pixmaps[0], MIPMAPPEDIMAGE, 64);
    if (plan.levels.empty()) __builtin_trap();
    return 0;
  }
  for (std::size_t i : {std::size_t{0}, static_cast<std::size_t>(count) - 1}) {
    PixmapPtr cell = cells->pixmaps.Pixels(i);
    if (!cell || cell->width != cw || cell->height != ch) __builtin_trap();
    TouchPixels(*cell);
    TexturePlan plan = PrepareFrameTexture(*cell, MIPMAPPEDIMAGE, 64);
    if (plan.levels.empty()) __builtin_trap();
  }
  return 0;
}
