// The built-in font's table and the design rules its glyphs keep, so that a
// later edit of the art cannot silently break the text of every control.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "platform/drawing/font_default.h"

namespace {

struct Ink {
  int top = 99, bottom = -1, left = 99, right = -1, count = 0;
};

Ink InkOf(int code) {
  Ink ink;
  for (int row = 0; row < kFontGlyphHeight; ++row)
    for (int column = 0; column < kFontGlyphWidth; ++column)
      if (DefaultFontPixel(code, column, row)) {
        ink.top = std::min(ink.top, row);
        ink.bottom = std::max(ink.bottom, row);
        ink.left = std::min(ink.left, column);
        ink.right = std::max(ink.right, column);
        ++ink.count;
      }
  return ink;
}

TEST(FontTable, HoldsSixteenRowsOfNinetySixGlyphBytes) {
  const auto& table = DefaultFontTable();
  EXPECT_EQ(table.size(), 1536u);
  // Row r of glyph g is byte r * 96 + g, bit i the pixel in column i.
  for (int code = 32; code < 128; ++code)
    for (int row = 0; row < 16; ++row)
      for (int column = 0; column < 8; ++column)
        ASSERT_EQ(DefaultFontPixel(code, column, row),
                  ((table[static_cast<std::size_t>(row * 96 + code - 32)] >> column) & 1) != 0);
}

TEST(FontTable, OutsideTheRangeThereIsNoInk) {
  EXPECT_EQ(InkOf(31).count, 0);
  EXPECT_EQ(InkOf(128).count, 0);
  EXPECT_FALSE(DefaultFontPixel('A', -1, 5));
  EXPECT_FALSE(DefaultFontPixel('A', 8, 5));
  EXPECT_FALSE(DefaultFontPixel('A', 3, 16));
}

TEST(FontDesign, SpaceIsBlankAndEveryOtherGlyphHasInk) {
  EXPECT_EQ(InkOf(' ').count, 0);
  for (int code = 33; code < 128; ++code) EXPECT_GT(InkOf(code).count, 0) << "code " << code;
}

TEST(FontDesign, EveryGlyphIsDistinct) {
  std::set<std::vector<bool>> seen;
  for (int code = 32; code < 128; ++code) {
    std::vector<bool> bits;
    for (int row = 0; row < 16; ++row)
      for (int column = 0; column < 8; ++column) bits.push_back(DefaultFontPixel(code, column, row));
    EXPECT_TRUE(seen.insert(bits).second) << "code " << code << " repeats another glyph";
  }
}

TEST(FontDesign, CapitalsAndDigitsStandOnRowElevenAtCapHeightTen) {
  const std::string tall = "ABCDEFGHIJKLMNOPRSTUVWXYZ0123456789";
  for (const char c : tall) {
    const Ink ink = InkOf(c);
    EXPECT_EQ(ink.top, 2) << c;
    EXPECT_EQ(ink.bottom, 11) << c;
  }
}

TEST(FontDesign, LowercaseSharesTheXHeightAndDescendersGoBelow) {
  for (const char c : std::string("acemnorsuvwxz")) {
    const Ink ink = InkOf(c);
    EXPECT_EQ(ink.top, 5) << c;
    EXPECT_EQ(ink.bottom, 11) << c;
  }
  for (const char c : std::string("bdhkl")) EXPECT_EQ(InkOf(c).top, 2) << c;
  for (const char c : std::string("gjpqy")) EXPECT_GE(InkOf(c).bottom, 13) << c;
}

TEST(FontDesign, LettersKeepAGapToTheirNeighbour) {
  // Column 7 stays blank for every letter and digit, so adjacent cells never
  // touch.
  for (int code = 32; code < 128; ++code) {
    const char c = static_cast<char>(code);
    if (!std::isalnum(static_cast<unsigned char>(c))) continue;
    EXPECT_LE(InkOf(code).right, 6) << c;
  }
}

}  // namespace
