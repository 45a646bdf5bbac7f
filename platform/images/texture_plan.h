// How one frame of an image becomes a texture, decided without GL so that
// the rules can be checked on plain pictures.
#pragma once

#include <vector>

#include "platform/images/pixmap.h"

// What the drawing layer uploads for one frame: level 0 is a power-of-two
// format-6 picture holding the frame in its top-left corner (edges
// duplicated one texel right and down), further levels for mipmapping.
struct TexturePlan {
  std::vector<TPixmap> levels;  // empty: not even 1 x 1 fits
  float u = 1.0f;
  float v = 1.0f;
  // Level 0 holds the frame at its own size, one texel per pixel of it
  // (a frame too big for the driver is shrunk).
  bool full_size = true;
  // Every texel's alpha is 0 or 255.
  bool binary_alpha = false;
};
TexturePlan PrepareFrameTexture(const TPixmap& frame, int flags, int max_texture_size);
