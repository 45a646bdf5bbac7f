// Images made in memory for the drawing tests and benchmarks: one format-6
// frame filled texel by texel. Pure data: no drawing context is needed
// until the image is drawn.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/images/image.h"

// A w x h format-6 image of one frame, filled by `texel(x, y)` (RGBA).
ImagePtr MakeTestImage(int width, int height, float handle_x, float handle_y, int flags,
                       const std::function<std::uint32_t(int, int)>& texel);
inline std::uint32_t Rgba(int r, int g, int b, int a) {
  return static_cast<std::uint32_t>(r) | static_cast<std::uint32_t>(g) << 8 |
         static_cast<std::uint32_t>(b) << 16 | static_cast<std::uint32_t>(a) << 24;
}
