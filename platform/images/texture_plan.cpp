// What a frame's texture holds: the power-of-two picture with the frame in
// its top-left corner, and its mipmap levels. Pure CPU work, done here so the
// drawing layer only uploads.
#include <algorithm>
#include <cstring>

#include "platform/images/texture_plan.h"
#include "platform/images/image.h"

namespace {

int NextPowerOfTwo(int n) {
  int p = 1;
  while (p < n) p <<= 1;
  return p;
}

TPixmap NewRGBA(int w, int h) {
  TPixmap pm;
  pm.width = w;
  pm.height = h;
  pm.format = PF_RGBA8888;
  pm.pitch = w * 4;
  pm.pixels.assign(static_cast<std::size_t>(pm.pitch) * h, 0);
  return pm;
}

// Area-average resize of a format-6 picture to w x h (no larger than it):
// each target pixel is the mean of the source pixels its box covers.
TPixmap Shrink(const TPixmap& src, int w, int h) {
  TPixmap dst = NewRGBA(w, h);
  for (int y = 0; y < h; ++y) {
    const int sy0 = static_cast<int>(static_cast<std::int64_t>(y) * src.height / h);
    const int sy1 = std::max(sy0 + 1, static_cast<int>(static_cast<std::int64_t>(y + 1) *
                                                       src.height / h));
    std::uint8_t* d = dst.Row(y);
    for (int x = 0; x < w; ++x, d += 4) {
      const int sx0 = static_cast<int>(static_cast<std::int64_t>(x) * src.width / w);
      const int sx1 = std::max(sx0 + 1, static_cast<int>(static_cast<std::int64_t>(x + 1) *
                                                         src.width / w));
      std::uint64_t sum[4] = {0, 0, 0, 0};
      for (int sy = sy0; sy < sy1; ++sy) {
        const std::uint8_t* s = src.Row(sy) + sx0 * 4;
        for (int sx = sx0; sx < sx1; ++sx, s += 4)
          for (int c = 0; c < 4; ++c) sum[c] += s[c];
      }
      const std::uint64_t n = static_cast<std::uint64_t>(sy1 - sy0) * (sx1 - sx0);
      for (int c = 0; c < 4; ++c) d[c] = static_cast<std::uint8_t>((sum[c] + n / 2) / n);
    }
  }
  return dst;
}

// The next mipmap level: each side greater than 1 halved, 2 x 2 (or 2 x 1)
// boxes averaged.
TPixmap Halve(const TPixmap& src) {
  const int w = std::max(1, src.width / 2), h = std::max(1, src.height / 2);
  const int fx = src.width > 1 ? 2 : 1, fy = src.height > 1 ? 2 : 1;
  TPixmap dst = NewRGBA(w, h);
  const unsigned n = static_cast<unsigned>(fx * fy);
  for (int y = 0; y < h; ++y) {
    std::uint8_t* d = dst.Row(y);
    for (int x = 0; x < w; ++x, d += 4) {
      for (int c = 0; c < 4; ++c) {
        unsigned sum = 0;
        for (int j = 0; j < fy; ++j)
          for (int i = 0; i < fx; ++i) sum += src.Row(y * fy + j)[(x * fx + i) * 4 + c];
        d[c] = static_cast<std::uint8_t>((sum + n / 2) / n);
      }
    }
  }
  return dst;
}

}  // namespace

TexturePlan PrepareFrameTexture(const TPixmap& frame, int flags, int max_texture_size) {
  TexturePlan plan;
  if (frame.width < 1 || frame.height < 1 || max_texture_size < 1) return plan;
  int tw = NextPowerOfTwo(frame.width), th = NextPowerOfTwo(frame.height);
  while (tw > max_texture_size || th > max_texture_size) {
    if (tw > 1) tw /= 2;
    if (th > 1) th /= 2;
  }

  TPixmap level0;
  int stored_w = frame.width, stored_h = frame.height;
  if (frame.format == PF_RGBA8888 && frame.width == tw && frame.height == th &&
      frame.pitch == tw * 4) {
    level0 = frame;  // already what the texture holds
  } else {
    TPixmap rgba;
    const TPixmap* src = &frame;
    if (frame.format != PF_RGBA8888) {
      rgba = NewRGBA(frame.width, frame.height);
      for (int y = 0; y < frame.height; ++y)
        ConvertRowToRGBA(frame.Row(y), rgba.Row(y), frame.width, frame.format);
      src = &rgba;
    }
    if (tw < frame.width || th < frame.height) {
      stored_w = std::min(tw, frame.width);
      stored_h = std::min(th, frame.height);
      rgba = Shrink(*src, stored_w, stored_h);
      src = &rgba;
    }
    level0 = NewRGBA(tw, th);
    for (int y = 0; y < stored_h; ++y)
      std::memcpy(level0.Row(y), src->Row(y), static_cast<std::size_t>(stored_w) * 4);
    // Repeat the last column and row once so that linear filtering at the
    // frame's right and bottom edges does not pull in unused texels:
    //   . . . a A
    //   . . . b B
    //   c d e f F
    //   C D E F F
    if (stored_w < tw) {
      for (int y = 0; y < stored_h; ++y)
        std::memcpy(level0.Row(y) + stored_w * 4, level0.Row(y) + (stored_w - 1) * 4, 4);
    }
    if (stored_h < th) {
      const int n = stored_w + (stored_w < tw ? 1 : 0);
      std::memcpy(level0.Row(stored_h), level0.Row(stored_h - 1), static_cast<std::size_t>(n) * 4);
    }
  }
  plan.u = static_cast<float>(stored_w) / static_cast<float>(tw);
  plan.v = static_cast<float>(stored_h) / static_cast<float>(th);
  plan.full_size = stored_w == frame.width && stored_h == frame.height;
  plan.binary_alpha = true;
  for (int y = 0; y < level0.height && plan.binary_alpha; ++y) {
    const std::uint8_t* row = level0.Row(y);
    for (int x = 0; x < level0.width; ++x) {
      const std::uint8_t a = row[4 * x + 3];
      if (a != 0 && a != 255) {
        plan.binary_alpha = false;
        break;
      }
    }
  }
  plan.levels.push_back(std::move(level0));
  if (flags & MIPMAPPEDIMAGE) {
    while (plan.levels.back().width > 1 || plan.levels.back().height > 1)
      plan.levels.push_back(Halve(plan.levels.back()));
  }
  return plan;
}
