// PNG pictures through libpng.
#pragma once

#include <cstdint>
#include <span>

#include "platform/images/decode_error.h"
#include "platform/images/image.h"

namespace images_internal {

class TStream;

// Decodes a PNG file held in memory with 16-bit samples cut to 8 bits and
// palettes, low bit depths and transparency chunks expanded; no gamma
// correction. Grey gives format 1, RGB format 4, RGBA and grey with alpha
// format 6. Null when the signature is wrong or libpng reports an error.
PixmapPtr DecodePng(std::span<const std::uint8_t> data, DecodeError* why = nullptr);
// The same, reading from the stream's position only as far as libpng asks.
PixmapPtr DecodePng(TStream& stream, DecodeError* why = nullptr);

}  // namespace images_internal
