// Fuzzes the BMP decoder on arbitrary bytes.
#include "fuzz/fuzz_pixels.h"
#include "platform/images/decode_bmp.h"

using namespace images_internal;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (PixmapPtr pm = DecodeBmp({data, size})) TouchPixels(*pm);
  return 0;
}
