// A 32-bit BMP written for a benchmark to load: pixel(x, y) = 0xAARRGGBB,
// top row first in the picture.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

template <typename F>
void WriteBmp(const std::string& path, int w, int h, F pixel) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) std::abort();
  const std::uint32_t data = static_cast<std::uint32_t>(w) * static_cast<std::uint32_t>(h) * 4;
  std::uint8_t header[54] = {'B', 'M'};
  auto put32 = [&](int at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) header[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  put32(2, 54 + data);
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<std::uint32_t>(w));
  put32(22, static_cast<std::uint32_t>(h));
  header[26] = 1;
  header[28] = 32;
  put32(34, data);
  std::fwrite(header, 1, sizeof header, f);
  std::vector<std::uint8_t> row(static_cast<std::size_t>(w) * 4);
  for (int y = h - 1; y >= 0; --y) {  // bottom row first in the file
    for (int x = 0; x < w; ++x) {
      const std::uint32_t c = pixel(x, y);
      std::memcpy(&row[static_cast<std::size_t>(x) * 4], &c, 4);  // B, G, R, A
    }
    std::fwrite(row.data(), 1, row.size(), f);
  }
  std::fclose(f);
}
