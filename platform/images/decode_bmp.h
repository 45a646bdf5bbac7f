// Windows and OS/2 bitmaps.
#pragma once

#include <cstdint>
#include <span>

#include "platform/images/decode_error.h"
#include "platform/images/image.h"

namespace images_internal {

class TStream;

// Decodes a BMP file held in memory; null when it is not one, is damaged or
// uses a variant we do not read (embedded JPEG/PNG, OS/2 Huffman or RLE24,
// 64 bits per pixel). Opaque pictures come out as format 3, pictures with an
// alpha channel (or pixels an RLE stream skipped) as format 5; a 32-bit
// picture's fourth byte is its alpha unless it is 0 throughout (then
// opaque). An RLE picture of more than 2^24 pixels whose codes leave most
// of it unwritten is declined.
PixmapPtr DecodeBmp(std::span<const std::uint8_t> data, DecodeError* why = nullptr);
// The same from the stream's position: the header is checked before the
// rest is read, and no more is read than the picture can use.
PixmapPtr DecodeBmp(TStream& stream, DecodeError* why = nullptr);

}  // namespace images_internal
