#include "support/app_sheets.h"

#include <cstdio>
#include <filesystem>
#include <vector>

namespace {
void Put16(std::vector<uint8_t>& b, uint16_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
}  // namespace

std::string WriteSheetBmp(const std::string& name, int width, int height,
                          const std::function<uint32_t(int, int)>& colour) {
  const int row = (width * 3 + 3) & ~3;
  std::vector<uint8_t> b;
  b.push_back('B');
  b.push_back('M');
  Put32(b, static_cast<uint32_t>(54 + row * height));
  Put32(b, 0);
  Put32(b, 54);
  Put32(b, 40);
  Put32(b, static_cast<uint32_t>(width));
  Put32(b, static_cast<uint32_t>(height));
  Put16(b, 1);
  Put16(b, 24);
  for (int i = 0; i < 6; ++i) Put32(b, 0);
  for (int y = height - 1; y >= 0; --y) {
    for (int x = 0; x < width; ++x) {
      const uint32_t c = colour(x, y);
      b.push_back(static_cast<uint8_t>(c));
      b.push_back(static_cast<uint8_t>(c >> 8));
      b.push_back(static_cast<uint8_t>(c >> 16));
    }
    for (int p = width * 3; p < row; ++p) b.push_back(0);
  }
  const auto path = std::filesystem::temp_directory_path() / ("cellreel-test-" + name);
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return "";
  std::fwrite(b.data(), 1, b.size(), f);
  std::fclose(f);
  return path.string();
}

uint32_t TileColour(int x, int y, int sheet_width, int tile) {
  const int columns = sheet_width / tile;
  const int col = x / tile;
  const int rowi = y / tile;
  const int index = (col >= columns) ? 15 : rowi * columns + col;
  const uint32_t red = static_cast<uint32_t>(40 + 20 * (index % 11));
  return (red << 16) | (100u << 8) | 200u;
}
