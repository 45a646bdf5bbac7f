// Checks a decoded picture's rows lie inside its buffer and converts it as
// the drawing layer will.
//
// A few bytes of input can decode to a picture of many megapixels whose
// pages were never written: reading it whole would spend the fuzzer's time
// faulting in zero pages instead of trying new inputs. So the whole buffer
// must be mapped (mincore fails on a hole), every row is touched at its first
// and last byte wherever its page holds data (every row the decoder wrote;
// the sanitizer, and the guard page behind a large buffer, catch a row
// outside the allocation), and a picture is converted whole only up to
// kFuzzConvertPixels (128 x 128); a larger one has its first and last rows
// converted, which runs the same per-format conversion.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/images/image.h"

constexpr std::int64_t kFuzzConvertPixels = std::int64_t{1} << 14;

inline std::size_t FuzzRowBytes(const TPixmap& pm) {
  return static_cast<std::size_t>(pm.width) * static_cast<std::size_t>(BytesPerPixel(pm.format));
}

inline void TouchPixels(const TPixmap& pm) {
  const std::size_t row_bytes = FuzzRowBytes(pm);
  if (pm.width < 1 || pm.height < 1 || row_bytes == 0 || pm.pitch < 0 ||
      static_cast<std::size_t>(pm.pitch) < row_bytes ||
      pm.pixels.size() / static_cast<std::size_t>(pm.height) < static_cast<std::size_t>(pm.pitch))
    __builtin_trap();
  static const std::uintptr_t page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
  const auto start = reinterpret_cast<std::uintptr_t>(pm.pixels.data()) & ~(page - 1);
  const auto end = reinterpret_cast<std::uintptr_t>(pm.pixels.data()) + pm.pixels.size();
  std::vector<unsigned char> resident((end - start + page - 1) / page);
  if (mincore(reinterpret_cast<void*>(start), end - start, resident.data()) != 0) __builtin_trap();
  unsigned sum = 0;
  for (int y = 0; y < pm.height; ++y) {
    const volatile std::uint8_t* row = pm.Row(y);
    for (const volatile std::uint8_t* p : {row, row + row_bytes - 1})
      if (y == 0 || y == pm.height - 1 ||
          (resident[(reinterpret_cast<std::uintptr_t>(p) - start) / page] & 1))
        sum += *p;
  }
  volatile unsigned sink = sum;
  (void)sink;
  if (std::int64_t{pm.width} * pm.height <= kFuzzConvertPixels) {
    PixmapPtr rgba = ConvertToRGBA(pm);
    if (!rgba || rgba->width != pm.width || rgba->height != pm.height) __builtin_trap();
    return;
  }
  std::vector<std::uint8_t> out(static_cast<std::size_t>(pm.width) * 4);
  ConvertRowToRGBA(pm.Row(0), out.data(), pm.width, pm.format);
  ConvertRowToRGBA(pm.Row(pm.height - 1), out.data(), pm.width, pm.format);
}

// Whether two decodes of the same bytes agree: the whole buffers for a
// picture that is converted whole, else the first and last rows (the rest of
// a large picture is mostly pages nothing wrote).
inline bool SamePixels(const TPixmap& a, const TPixmap& b) {
  if (a.width != b.width || a.height != b.height || a.pitch != b.pitch || a.format != b.format ||
      a.pixels.size() != b.pixels.size())
    return false;
  if (std::int64_t{a.width} * a.height <= kFuzzConvertPixels) return a.pixels == b.pixels;
  for (int y : {0, a.height - 1})
    if (std::memcmp(a.Row(y), b.Row(y), FuzzRowBytes(a)) != 0) return false;
  return true;
}
