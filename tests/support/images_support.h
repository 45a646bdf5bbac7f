// Helpers for the image tests: files, an independent PNG decode, pixel
// comparison and small BMP / TGA / PNG writers for made-up pictures.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/images/image.h"

// Path of a file or folder under the test data (tests/data, or the folder
// CELLREEL_TESTDATA names). Throws, failing the calling test with the
// folder's name, when the data folder is missing or the suite folder the
// path lies in lacks a file its MANIFEST lists. MANIFEST holds "size path"
// for every file; after changing the data, rebuild it in tests/data with
//   find . -type f ! -name MANIFEST | sed 's|^\./||' | LC_ALL=C sort |
//     while read -r f; do echo "$(stat -c %s "$f") $f"; done > MANIFEST
std::string TestData(const std::string& relative);
std::vector<std::uint8_t> ReadFileBytes(const std::string& path);
bool WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);

// Decodes a PNG through libpng's one-call interface (png_read_png) with 16
// bits stripped, palettes and low depths expanded, grey turned to RGB and no
// gamma; then adds opaque alpha where the file has none. Null on failure.
PixmapPtr ReferencePngRGBA(const std::string& path);

// Largest difference of any channel between two format-6 pixmaps of one
// size; -1 when their sizes differ. Reports the first worst pixel in *where.
int MaxDiff(const TPixmap& a, const TPixmap& b, std::string* where = nullptr);
// RGBA of pixel (x, y) of any format.
std::uint32_t PixelRGBA(const TPixmap& pm, int x, int y);
inline std::uint32_t RGBA(int r, int g, int b, int a = 255) {
  return static_cast<std::uint32_t>(r << 24 | g << 16 | b << 8 | a);
}

// An uncompressed BMP with a 40-byte header: rows given top first as
// 32-bit RGBA values, stored bottom-up (or top-down), at 24 or 32 bits.
std::vector<std::uint8_t> MakeBmp(int width, int height, const std::vector<std::uint32_t>& rgba,
                                  int bpp = 24, bool top_down = false);
// An 8-bit paletted BMP from indices (top row first) and BGRX entries.
std::vector<std::uint8_t> MakeBmp8(int width, int height, const std::vector<std::uint8_t>& idx,
                                   const std::vector<std::uint32_t>& palette_rgb,
                                   std::uint32_t colours_used);
// A TGA header; the caller appends the pixel data.
std::vector<std::uint8_t> MakeTgaHeader(int type, int width, int height, int bpp,
                                        int descriptor);
// An 8-bit RGBA (colour_type 6) or RGB (2) PNG from top-first RGBA values.
std::vector<std::uint8_t> MakePng(int width, int height, const std::vector<std::uint32_t>& rgba,
                                  bool alpha);
