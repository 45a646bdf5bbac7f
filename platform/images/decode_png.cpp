// PNG decoder over libpng. libpng reports errors by longjmp, so the calls
// that may fail run in small functions that own no C++ objects: whatever
// needs a destructor lives in DecodePng, outside any setjmp frame.
#include "platform/images/decode_png.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/images/stream.h"

namespace images_internal {

namespace {

// The file is read as libpng asks for it: a header that is declined, or
// data that ends, costs no more than the bytes read so far.
struct Source {
  TStream* stream;
  bool ran_out = false;
};

void ReadFromStream(png_structp png, png_bytep out, png_size_t n) {
  auto* in = static_cast<Source*>(png_get_io_ptr(png));
  if (in->stream->Read(out, n) != n) {
    in->ran_out = true;
    png_error(png, "read past the end of the data");
  }
}

void OnError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void OnWarning(png_structp, png_const_charp) {}

// Destroys the read and info structures however decoding ends.
struct PngReader {
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~PngReader() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
};

struct Header {
  png_uint_32 width = 0;
  png_uint_32 height = 0;
  int format = 0;
  std::size_t rowbytes = 0;
};

// Deflate turns one byte into at most 1032: two one-bit codes for a copy of
// 258 bytes.
constexpr std::uint64_t kMaxInflateRatio = 1032;

// Whether the picture fits the memory budget and the file is long enough to
// hold its rows even at deflate's best ratio. A small file that claims a
// huge (or a very wide) picture is declined before libpng allocates and
// clears its row buffers, so what a file costs follows what it holds.
DecodeError FileCanHold(png_structp png, png_infop info, std::size_t file_size) {
  const std::uint64_t w = png_get_image_width(png, info), h = png_get_image_height(png, info);
  if (!PixmapSizeSane(static_cast<std::int64_t>(w), static_cast<std::int64_t>(h))) {
    return DecodeError::kTooLarge;
  }
  const std::uint64_t bits =
      std::uint64_t{png_get_channels(png, info)} * png_get_bit_depth(png, info);
  return w * h * bits / 8 <= std::uint64_t{file_size} * kMaxInflateRatio ? DecodeError::kNone
                                                                         : DecodeError::kTruncated;
}

// Reads the chunks before the image data and sets up the transformations.
// The reason on failure (kDamaged for any libpng error).
DecodeError ReadHeader(png_structp png, png_infop info, std::size_t file_size, Header* h) {
  if (setjmp(png_jmpbuf(png))) return DecodeError::kDamaged;
  png_set_sig_bytes(png, 8);
  // No side has a limit of its own: the picture's size is checked as a
  // whole below, before libpng sizes its row buffers.
  png_set_user_limits(png, static_cast<png_uint_32>(kMaxPixmapPixels),
                      static_cast<png_uint_32>(kMaxPixmapPixels));
  // No chunk can be longer than the file: a damaged length must not make
  // libpng allocate gigabytes before the read fails. Text, profiles and
  // suggested palettes are never used, so they are skipped unread.
  png_set_chunk_malloc_max(png, std::max<std::size_t>(file_size, 1 << 20));
  static const png_byte kIgnored[] = "tEXt\0zTXt\0iTXt\0iCCP\0sPLT\0eXIf";
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, kIgnored, 6);
  png_read_info(png, info);
  if (const DecodeError e = FileCanHold(png, info, file_size); e != DecodeError::kNone) return e;
  const int colour_type = png_get_color_type(png, info);
  png_set_strip_16(png);
  png_set_expand(png);
  // Grey with alpha (or grey made transparent by tRNS) becomes RGBA.
  const bool grey = (colour_type & PNG_COLOR_MASK_COLOR) == 0;
  if (grey && ((colour_type & PNG_COLOR_MASK_ALPHA) || png_get_valid(png, info, PNG_INFO_tRNS)))
    png_set_gray_to_rgb(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  h->width = png_get_image_width(png, info);
  h->height = png_get_image_height(png, info);
  h->rowbytes = png_get_rowbytes(png, info);
  switch (png_get_color_type(png, info)) {
    case PNG_COLOR_TYPE_GRAY: h->format = PF_I8; break;
    case PNG_COLOR_TYPE_RGB: h->format = PF_RGB888; break;
    case PNG_COLOR_TYPE_RGB_ALPHA: h->format = PF_RGBA8888; break;
    default: h->format = 0;
  }
  return png_get_bit_depth(png, info) == 8 && h->format != 0 ? DecodeError::kNone
                                                              : DecodeError::kUnsupported;
}

// Reads every row (all passes when interlaced) straight into the pixmap.
bool ReadRows(png_structp png, png_infop info, png_bytepp rows) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_read_image(png, rows);
  png_read_end(png, info);
  return true;
}

}  // namespace

PixmapPtr DecodePng(TStream& stream, DecodeError* why_out) {
  DeclineReason why(why_out);
  png_byte sig[8];
  if (stream.Read(sig, 8) != 8 || png_sig_cmp(sig, 0, 8) != 0) {
    return why.Decline(DecodeError::kNotThisFormat);
  }
  const std::int64_t left = stream.Size() - stream.Pos();
  const std::size_t file_size = left > 0 ? static_cast<std::size_t>(left) + 8 : 8;
  PngReader reader;
  reader.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
  if (!reader.png) return why.Decline(DecodeError::kNoMemory);
  reader.info = png_create_info_struct(reader.png);
  if (!reader.info) return why.Decline(DecodeError::kNoMemory);
  Source source{&stream};
  png_set_read_fn(reader.png, &source, ReadFromStream);

  Header h;
  if (const DecodeError e = ReadHeader(reader.png, reader.info, file_size, &h);
      e != DecodeError::kNone) {
    return why.Decline(source.ran_out ? DecodeError::kTruncated : e);
  }
  if (!PixmapSizeSane(h.width, h.height)) return why.Decline(DecodeError::kTooLarge);
  PixmapPtr pm = CreatePixmap(static_cast<int>(h.width), static_cast<int>(h.height), h.format);
  if (!pm) return why.Decline(DecodeError::kNoMemory);
  if (h.rowbytes > static_cast<std::size_t>(pm->pitch)) return why.Decline(DecodeError::kDamaged);
  std::vector<png_bytep> rows(h.height);
  for (png_uint_32 y = 0; y < h.height; ++y) rows[y] = pm->Row(static_cast<int>(y));
  if (!ReadRows(reader.png, reader.info, rows.data())) {
    return why.Decline(source.ran_out ? DecodeError::kTruncated : DecodeError::kDamaged);
  }
  return pm;
}

PixmapPtr DecodePng(std::span<const std::uint8_t> data, DecodeError* why) {
  TMemoryStream stream(data);
  return DecodePng(stream, why);
}

}  // namespace images_internal
