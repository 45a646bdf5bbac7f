// Reads every byte of a decoded picture so that the sanitizers check its
// rows lie inside the allocation, and converts it as the drawing layer will.
#pragma once

#include "platform/image.h"

inline void TouchPixels(const TPixmap& pm) {
  if (pm.width < 1 || pm.height < 1 || pm.pitch < pm.width * BytesPerPixel(pm.format) ||
      pm.pixels.size() < static_cast<std::size_t>(pm.pitch) * pm.height)
    __builtin_trap();
  unsigned sum = 0;
  for (int y = 0; y < pm.height; ++y) {
    const std::uint8_t* row = pm.Row(y);
    for (int x = 0; x < pm.width * BytesPerPixel(pm.format); ++x) sum += row[x];
  }
  volatile unsigned sink = sum;
  (void)sink;
  PixmapPtr rgba = ConvertToRGBA(pm);
  if (!rgba) __builtin_trap();
}
