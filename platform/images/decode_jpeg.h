// JPEG pictures through libjpeg (library version 62).
#pragma once

#include <cstdint>
#include <span>

#include "platform/images/decode_error.h"
#include "platform/images/image.h"

namespace images_internal {

class TStream;

// Decodes a JPEG file held in memory: one component gives format 1, three
// give format 4 (RGB). Other component counts, any library error, data that
// ends before the picture does (truncated files, scans cut short by a
// marker) and damaged entropy data give null, as does a file too short for
// the scans its header announces. Other library warnings (such as stray
// bytes before a marker) are ignored.
PixmapPtr DecodeJpeg(std::span<const std::uint8_t> data, DecodeError* why = nullptr);
// The same, reading from the stream's position as the library asks.
PixmapPtr DecodeJpeg(TStream& stream, DecodeError* why = nullptr);

}  // namespace images_internal
