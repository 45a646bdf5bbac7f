// Sprite sheets written to disk for the application tests.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

// Writes a 24-bit bottom-up BMP of width x height whose pixel (x, y) has the
// colour colour(x, y) = 0xRRGGBB; returns its path (under the temp dir).
std::string WriteSheetBmp(const std::string& name, int width, int height,
                          const std::function<uint32_t(int, int)>& colour);

// Each 64 x 64 tile of the sheet gets its own colour: red = 40 + 20 * tile
// index, green = 100, blue = 200 (never black, so nothing is masked).
uint32_t TileColour(int x, int y, int sheet_width, int tile = 64);
