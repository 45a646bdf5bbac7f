// How much room a caption takes, estimated from its characters alone: the
// controls lay captions out without asking the drawing layer.
#pragma once

#include <cstddef>
#include <string>

#include "controls/int32.h"

// The caption width estimate: 8 pixels per character of the string.
inline int TextWidthEstimate(std::size_t characters) {
  return Mul32(static_cast<int>(static_cast<std::uint32_t>(characters)), 8);
}
// Characters of a caption as the estimate counts them: file names are UTF-8,
// so a well-formed sequence is one character; a byte that starts no
// well-formed sequence counts as one character of its own.
inline std::size_t CharacterCount(const std::string& text) {
  std::size_t count = 0;
  std::size_t i = 0;
  const std::size_t n = text.size();
  auto at = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  auto cont = [&](std::size_t k, unsigned lo, unsigned hi) {
    return k < n && at(k) >= lo && at(k) <= hi;
  };
  while (i < n) {
    const unsigned c = at(i);
    std::size_t len = 1;
    if (c >= 0xC2 && c <= 0xDF) {
      if (cont(i + 1, 0x80, 0xBF)) len = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
      // No overlong forms (E0 80..9F) and no surrogates (ED A0..BF).
      const unsigned lo = c == 0xE0 ? 0xA0 : 0x80;
      const unsigned hi = c == 0xED ? 0x9F : 0xBF;
      if (cont(i + 1, lo, hi) && cont(i + 2, 0x80, 0xBF)) len = 3;
    } else if (c >= 0xF0 && c <= 0xF4) {
      // Nothing overlong (F0 80..8F) and nothing above U+10FFFF (F4 90..).
      const unsigned lo = c == 0xF0 ? 0x90 : 0x80;
      const unsigned hi = c == 0xF4 ? 0x8F : 0xBF;
      if (cont(i + 1, lo, hi) && cont(i + 2, 0x80, 0xBF) && cont(i + 3, 0x80, 0xBF)) len = 4;
    }
    i += len;
    ++count;
  }
  return count;
}

// The caption height estimate.
constexpr int kTextHeightEstimate = 12;
