// Pixmaps: allocation within sane limits and conversion to RGBA.
#include <cstring>

#include "platform/image.h"

namespace {

// The fuzz build lowers the pixel limit so that a header claiming a huge
// picture cannot exhaust the fuzzer's memory before being declined.
#ifndef CELLREEL_MAX_PIXELS
#define CELLREEL_MAX_PIXELS (std::int64_t{1} << 28)
#endif
constexpr std::int64_t kMaxSide = 16384;
constexpr std::int64_t kMaxPixels = CELLREEL_MAX_PIXELS;

}  // namespace

int BytesPerPixel(int format) {
  switch (format) {
    case PF_I8:
    case PF_A8:
      return 1;
    case PF_BGR888:
    case PF_RGB888:
      return 3;
    case PF_BGRA8888:
    case PF_RGBA8888:
      return 4;
    default:
      return 0;
  }
}

bool FormatHasAlpha(int format) {
  return format == PF_A8 || format == PF_BGRA8888 || format == PF_RGBA8888;
}

bool PixmapSizeSane(std::int64_t width, std::int64_t height) {
  return width >= 1 && height >= 1 && width <= kMaxSide && height <= kMaxSide &&
         width * height <= kMaxPixels;
}

int PixmapPitch(int width, int format) {
  return (width * BytesPerPixel(format) + 3) & ~3;
}

PixmapPtr CreatePixmap(int width, int height, int format) {
  if (!PixmapSizeSane(width, height) || BytesPerPixel(format) == 0) return nullptr;
  auto pm = std::make_shared<TPixmap>();
  pm->width = width;
  pm->height = height;
  pm->format = format;
  // Sides are at most 16,384 and bytes per pixel at most 4: no overflow.
  pm->pitch = PixmapPitch(width, format);
  pm->pixels.resize(static_cast<std::size_t>(pm->pitch) * static_cast<std::size_t>(height));
  return pm;
}

// Converts one row of n pixels of the given format to RGBA.
void ConvertRowToRGBA(const std::uint8_t* s, std::uint8_t* d, int n, int format) {
  switch (format) {
    case PF_I8:
      for (int x = 0; x < n; ++x, d += 4) d[0] = d[1] = d[2] = s[x], d[3] = 255;
      break;
    case PF_A8:
      for (int x = 0; x < n; ++x, d += 4) d[0] = d[1] = d[2] = 255, d[3] = s[x];
      break;
    case PF_BGR888:
      for (int x = 0; x < n; ++x, s += 3, d += 4) d[0] = s[2], d[1] = s[1], d[2] = s[0], d[3] = 255;
      break;
    case PF_RGB888:
      for (int x = 0; x < n; ++x, s += 3, d += 4) d[0] = s[0], d[1] = s[1], d[2] = s[2], d[3] = 255;
      break;
    case PF_BGRA8888:
      for (int x = 0; x < n; ++x, s += 4, d += 4) d[0] = s[2], d[1] = s[1], d[2] = s[0], d[3] = s[3];
      break;
    case PF_RGBA8888:
      std::memcpy(d, s, static_cast<std::size_t>(n) * 4);
      break;
    default:
      std::memset(d, 0, static_cast<std::size_t>(n) * 4);
  }
}

PixmapPtr ConvertToRGBA(const TPixmap& src) {
  PixmapPtr dst = CreatePixmap(src.width, src.height, PF_RGBA8888);
  if (!dst) return nullptr;
  for (int y = 0; y < src.height; ++y)
    ConvertRowToRGBA(src.Row(y), dst->Row(y), src.width, src.format);
  return dst;
}
