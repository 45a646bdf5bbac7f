// Truevision TGA pictures.
#pragma once

#include <cstdint>
#include <span>

#include "platform/images/decode_error.h"
#include "platform/images/image.h"

namespace images_internal {

class TStream;

// Decodes a TGA file held in memory: true-colour (15, 16, 24, 32 bits),
// colour-mapped (8-bit indices) and grey (8 bits, or 16 with alpha), raw or
// run-length encoded, either origin. Null when the header is not a TGA one
// we read or the pixel data is cut short. Output: format 1 for grey, 4 for
// pictures without alpha, 6 for those with alpha.
PixmapPtr DecodeTga(std::span<const std::uint8_t> data, DecodeError* why = nullptr);
// The same from the stream's position: the header is checked before the
// rest is read, and no more is read than such a picture can use.
PixmapPtr DecodeTga(TStream& stream, DecodeError* why = nullptr);

}  // namespace images_internal
