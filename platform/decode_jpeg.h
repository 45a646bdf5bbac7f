// JPEG pictures through libjpeg (library version 62).
#pragma once

#include <cstdint>
#include <span>

#include "platform/image.h"

// Decodes a JPEG file held in memory: one component gives format 1, three
// give format 4 (RGB). Other component counts, any library error and data
// that ends before the picture does (truncated files) give null. Other
// library warnings (such as stray bytes before a marker) are ignored.
PixmapPtr DecodeJpeg(std::span<const std::uint8_t> data);
