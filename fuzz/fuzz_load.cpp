// Fuzzes the whole loading path: the input is registered as an embedded
// resource and opened by URL, so every decoder sees it in turn; a picture
// that decodes is then masked, cut into cells and made into a texture plan.
#include <algorithm>

#include "fuzz/fuzz_pixels.h"
#include "platform/image.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  IncbinAdd("fuzz/input", data, size);
  PixmapPtr pm = LoadPixmap("incbin::fuzz/input");
  IncbinRemove("fuzz/input");
  if (!pm) return 0;
  TouchPixels(*pm);
  ImagePtr whole = LoadImage(pm, -1);
  if (!whole || whole->pixmaps.size() != 1) __builtin_trap();
  const int cw = std::max(1, pm->width / 3), ch = std::max(1, pm->height / 2);
  ImagePtr cells = LoadAnimImage(pm, cw, ch, 0, (pm->width / cw) * (pm->height / ch), -1);
  if (!cells) __builtin_trap();
  for (const PixmapPtr& cell : cells->pixmaps) TouchPixels(*cell);
  TexturePlan plan = PrepareFrameTexture(*whole->pixmaps[0], MIPMAPPEDIMAGE, 64);
  if (plan.levels.empty()) __builtin_trap();
  return 0;
}
