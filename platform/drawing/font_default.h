// The built-in 8 x 16 bitmap font: 96 glyphs for the character codes 32 to
// 127, drawn as white opaque pixels where a bit is set.
#pragma once

#include <array>
#include <cstdint>

inline constexpr int kFontGlyphWidth = 8;
inline constexpr int kFontGlyphHeight = 16;
inline constexpr int kFontFirstCode = 32;
inline constexpr int kFontGlyphCount = 96;
inline constexpr float kFontAdvance = 8.0f;

// The glyph table: 16 rows of 96 bytes, row 0 first. Byte g of row r holds
// row r of glyph g (code 32 + g); bit i of that byte is the pixel in column
// i, column 0 leftmost.
const std::array<std::uint8_t, kFontGlyphHeight * kFontGlyphCount>& DefaultFontTable();

// The built-in font as a drawing context holds it; the only font this layer
// has.
struct TFont {
  int glyph_width = kFontGlyphWidth;
  int glyph_height = kFontGlyphHeight;
  float advance = kFontAdvance;
};
const TFont* DefaultFont();

// Whether pixel (column, row) of the glyph for `code` is set; false for
// codes outside 32..127 and coordinates outside the cell.
bool DefaultFontPixel(int code, int column, int row);
