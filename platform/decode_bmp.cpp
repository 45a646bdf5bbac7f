// BMP decoder: file header, one of the info header versions, an optional
// palette or channel masks, then the pixels at the offset the file header
// gives, uncompressed or RLE. Everything is read through a bounds-checked
// reader, and the picture size is checked before anything is allocated.
#include "platform/decode_bmp.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <vector>

#include "platform/stream.h"

namespace {

enum : std::uint32_t {
  kBiRgb = 0,
  kBiRle8 = 1,
  kBiRle4 = 2,
  kBiBitfields = 3,
  kBiAlphaBitfields = 6,
};

// One channel of a bitfield pixel, scaled to 8 bits.
struct Channel {
  std::uint32_t mask = 0;
  int shift = 0;
  int bits = 0;

  // False when the set bits of the mask are not contiguous.
  bool Set(std::uint32_t m) {
    mask = m;
    if (m == 0) return true;
    shift = std::countr_zero(m);
    bits = std::popcount(m);
    return (m >> shift) == (bits == 32 ? 0xffffffffu : (1u << bits) - 1);
  }
  std::uint8_t Get(std::uint32_t v) const {
    if (bits == 0) return 0;
    std::uint32_t x = (v & mask) >> shift;
    if (bits >= 8) return static_cast<std::uint8_t>(x >> (bits - 8));
    // Scale to the full range so that an all-ones field becomes 255.
    std::uint32_t max = (1u << bits) - 1;
    return static_cast<std::uint8_t>((x * 255 + max / 2) / max);
  }
};

// Turns a BGRA picture into a BGR one in place, dropping the alpha. Each
// byte moves to an offset no greater than its own, so a forward pass is
// safe.
void RepackAsBgr(TPixmap& pm) {
  const int pitch3 = PixmapPitch(pm.width, PF_BGR888);
  for (int y = 0; y < pm.height; ++y) {
    const std::uint8_t* s = pm.Row(y);
    std::uint8_t* d = pm.pixels.data() + static_cast<std::size_t>(y) * pitch3;
    for (int x = 0; x < pm.width; ++x, s += 4, d += 3) d[0] = s[0], d[1] = s[1], d[2] = s[2];
    for (int pad = pm.width * 3; pad < pitch3; ++pad) *d++ = 0;
  }
  pm.format = PF_BGR888;
  pm.pitch = pitch3;
  pm.pixels.Shrink(static_cast<std::size_t>(pitch3) * pm.height);
}

}  // namespace

PixmapPtr DecodeBmp(std::span<const std::uint8_t> data) {
  TByteReader r(data);
  if (r.U8() != 'B' || r.U8() != 'M') return nullptr;
  r.U32();  // file size: often wrong, never needed
  r.U32();  // reserved (an OS/2 hotspot in some files)
  const std::uint32_t pixel_offset = r.U32();
  const std::uint32_t header_size = r.U32();

  std::int64_t width = 0, height = 0;
  std::uint32_t planes = 0, bpp = 0, compression = kBiRgb, colours_used = 0;
  std::uint32_t masks[4] = {0, 0, 0, 0};
  bool os2 = false;  // OS/2 v2: compressions 3 and 4 mean Huffman and RLE24
  switch (header_size) {
    case 12:  // OS/2 v1 core header: 16-bit sizes, 3-byte palette entries
      width = r.U16();
      height = r.U16();
      planes = r.U16();
      bpp = r.U16();
      break;
    case 16:
    case 40:
    case 52:
    case 56:
    case 64:
    case 108:
    case 124:
      os2 = header_size == 16 || header_size == 64;
      width = r.I32();
      height = r.I32();
      planes = r.U16();
      bpp = r.U16();
      if (header_size >= 40) {
        compression = r.U32();
        r.U32();  // image size
        r.U32();  // resolutions
        r.U32();
        colours_used = r.U32();
        r.U32();  // colours important
      }
      if (header_size >= 52 && !os2) {
        for (int i = 0; i < 3; ++i) masks[i] = r.U32();
        if (header_size >= 56) masks[3] = r.U32();
      }
      break;
    default:
      return nullptr;
  }
  if (!r.Ok() || !r.Seek(14 + header_size)) return nullptr;

  // Header validation before anything else.
  if (planes != 1 || width <= 0 || height == 0) return nullptr;
  const bool top_down = height < 0;
  if (top_down) height = -height;
  if (!PixmapSizeSane(width, height)) return nullptr;
  const bool rle = compression == kBiRle8 || compression == kBiRle4;
  switch (compression) {
    case kBiRgb:
      if (bpp != 1 && bpp != 2 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
        return nullptr;
      break;
    case kBiRle8:
      if (bpp != 8) return nullptr;
      break;
    case kBiRle4:
      if (bpp != 4) return nullptr;
      break;
    case kBiBitfields:
    case kBiAlphaBitfields:
      if (os2 || (bpp != 16 && bpp != 32)) return nullptr;
      if (header_size == 40) {  // the masks follow the header
        for (int i = 0; i < 3; ++i) masks[i] = r.U32();
        if (compression == kBiAlphaBitfields) masks[3] = r.U32();
      } else if (compression == kBiBitfields && header_size < 56) {
        masks[3] = 0;
      }
      break;
    default:  // JPEG, PNG, OS/2 Huffman and RLE24, CMYK variants
      return nullptr;
  }
  if (rle && top_down) return nullptr;  // not allowed by the format
  if (compression == kBiRgb) {
    // Uncompressed 16 bits are 5-5-5 without alpha; 32 bits are B, G, R and
    // alpha, the alpha ignored below when it is 0 everywhere.
    if (bpp == 16) masks[0] = 0x7c00, masks[1] = 0x03e0, masks[2] = 0x001f, masks[3] = 0;
    if (bpp == 32) masks[0] = 0xff0000, masks[1] = 0xff00, masks[2] = 0xff, masks[3] = 0xff000000;
  }
  Channel ch[4];
  for (int i = 0; i < 4; ++i) {
    if (bpp == 16 && masks[i] > 0xffff) return nullptr;
    if (!ch[i].Set(masks[i])) return nullptr;
  }
  if (!r.Ok()) return nullptr;

  // Palette: at most 2^bpp entries are reachable; a palette cut short by the
  // pixel offset keeps the entries before it; missing entries are black.
  std::array<std::array<std::uint8_t, 3>, 256> palette{};
  if (bpp <= 8) {
    const std::size_t entry = header_size == 12 ? 3 : 4;
    const std::size_t start = r.Pos();
    std::uint32_t count = (colours_used == 0 || colours_used > (1u << bpp)) ? (1u << bpp)
                                                                             : colours_used;
    if (pixel_offset >= start && (pixel_offset - start) / entry < count)
      count = static_cast<std::uint32_t>((pixel_offset - start) / entry);
    for (std::uint32_t i = 0; i < count; ++i) {
      auto e = r.Bytes(entry);
      if (e.empty()) return nullptr;
      palette[i] = {e[0], e[1], e[2]};
    }
  }
  if (pixel_offset < 14 + header_size || !r.Seek(pixel_offset)) return nullptr;

  const int w = static_cast<int>(width);
  const int h = static_cast<int>(height);

  if (rle) {
    // Pixels go straight into a BGRA picture whose untouched memory is
    // zero: pixels the stream skips (with a delta or an early end of line
    // or bitmap) stay transparent black, and only what the codes write
    // costs memory.
    PixmapPtr pm = CreatePixmap(w, h, PF_BGRA8888);
    if (!pm) return nullptr;
    std::size_t written = 0;
    const bool rle8 = compression == kBiRle8;
    // Some writers fill each row out to its padded width (a multiple of 4
    // bytes); pixels past the picture's width are dropped, runs past the
    // padded width are damage.
    const std::int64_t row_limit = (width * bpp + 31) / 32 * 32 / bpp;
    std::int64_t x = 0, y = 0;
    // Writes the pixels of a run or literal that lie inside the picture.
    auto put = [&](int n, auto index_of) {
      const int keep = static_cast<int>(std::clamp<std::int64_t>(w - x, 0, n));
      if (keep == 0) return;
      std::uint8_t* out = pm->Row(h - 1 - static_cast<int>(y)) + x * 4;
      for (int k = 0; k < keep; ++k, out += 4) {
        const auto& e = palette[index_of(k)];
        out[0] = e[0], out[1] = e[1], out[2] = e[2], out[3] = 255;
      }
      written += static_cast<std::size_t>(keep);
    };
    for (;;) {
      if (r.Remaining() < 2) {
        if (y >= h) break;  // every row ended, only the end marker is missing
        return nullptr;     // truncated
      }
      const std::uint8_t n = r.U8();
      const std::uint8_t c = r.U8();
      if (n > 0) {  // a run of n pixels of one index (RLE4: two alternating)
        if (y >= h || x + n > row_limit) return nullptr;
        put(n, [&](int k) { return rle8 ? c : ((k & 1) ? (c & 15) : (c >> 4)); });
        x += n;
      } else if (c == 0) {  // end of line
        x = 0;
        ++y;
      } else if (c == 1) {  // end of bitmap
        break;
      } else if (c == 2) {  // delta: skip right and up
        x += r.U8();
        y += r.U8();
        if (!r.Ok() || x > row_limit || y > h) return nullptr;
      } else {  // c literal pixels, padded to an even byte count
        const std::size_t bytes = rle8 ? c : (c + 1u) / 2;
        auto lit = r.Bytes(bytes);
        if (lit.empty() || ((bytes & 1) && !r.Skip(1))) return nullptr;
        if (y >= h || x + c > row_limit) return nullptr;
        put(c, [&](int k) { return rle8 ? lit[k] : ((k & 1) ? (lit[k / 2] & 15) : (lit[k / 2] >> 4)); });
        x += c;
      }
    }
    // Runs only move forward, so no pixel is counted twice.
    const std::size_t total = static_cast<std::size_t>(w) * h;
    // A big picture whose codes stop before most of it is written is a
    // damaged or hostile file, not a sprite sheet with holes.
    if (total > (std::size_t{1} << 24) && written < total / 2) return nullptr;
    if (written < total) return pm;
    RepackAsBgr(*pm);  // no holes: an opaque picture
    return pm;
  }

  // Uncompressed rows, each padded to 4 bytes; the last row's padding may
  // be missing, its pixels may not.
  const std::size_t stride = (static_cast<std::size_t>(w) * bpp + 31) / 32 * 4;
  const std::size_t row_bytes = (static_cast<std::size_t>(w) * bpp + 7) / 8;
  if (r.Remaining() < stride * static_cast<std::size_t>(h - 1) + row_bytes) return nullptr;
  const bool alpha = ch[3].bits > 0;
  PixmapPtr pm = CreatePixmap(w, h, alpha ? PF_BGRA8888 : PF_BGR888);
  if (!pm) return nullptr;
  bool any_alpha = false;
  for (int fy = 0; fy < h; ++fy) {
    const std::uint8_t* s = data.data() + pixel_offset + stride * static_cast<std::size_t>(fy);
    std::uint8_t* d = pm->Row(top_down ? fy : h - 1 - fy);
    if (bpp <= 8) {
      const int per_byte = 8 / static_cast<int>(bpp);
      const unsigned low = (1u << bpp) - 1;
      for (int x = 0; x < w; ++x, d += 3) {
        const int shift = static_cast<int>(bpp) * (per_byte - 1 - x % per_byte);
        const auto& e = palette[(s[x / per_byte] >> shift) & low];
        d[0] = e[0], d[1] = e[1], d[2] = e[2];
      }
    } else if (bpp == 24) {
      std::memcpy(d, s, static_cast<std::size_t>(w) * 3);
    } else if (compression == kBiRgb && bpp == 32) {  // already B, G, R, A
      std::memcpy(d, s, static_cast<std::size_t>(w) * 4);
      for (int x = 0; x < w; ++x) any_alpha |= s[x * 4 + 3] != 0;
    } else {
      const int step = alpha ? 4 : 3;
      for (int x = 0; x < w; ++x, d += step) {
        std::uint32_t v;
        if (bpp == 16) {
          v = static_cast<std::uint32_t>(s[0] | (s[1] << 8));
          s += 2;
        } else {
          v = static_cast<std::uint32_t>(s[0]) | (static_cast<std::uint32_t>(s[1]) << 8) |
              (static_cast<std::uint32_t>(s[2]) << 16) | (static_cast<std::uint32_t>(s[3]) << 24);
          s += 4;
        }
        d[0] = ch[2].Get(v);
        d[1] = ch[1].Get(v);
        d[2] = ch[0].Get(v);
        if (alpha) {
          d[3] = ch[3].Get(v);
          any_alpha |= d[3] != 0;
        }
      }
    }
  }
  // A picture whose alpha channel is zero everywhere would be invisible:
  // writers that leave the fourth byte (or the alpha mask) at 0 mean an
  // opaque picture, which has no alpha channel.
  if (alpha && !any_alpha) RepackAsBgr(*pm);
  return pm;
}

PixmapPtr DecodeBmp(TStream& stream) {
  const std::int64_t start = stream.Pos();
  if (std::span<const std::uint8_t> m = stream.Memory(); !m.empty())
    return start <= static_cast<std::int64_t>(m.size()) ? DecodeBmp(m.subspan(start)) : nullptr;
  // The signature and the size fields decide before the rest is read, and
  // an uncompressed picture reads no further than its last row.
  std::vector<std::uint8_t> bytes;
  ReadUpTo(stream, 14 + 16, &bytes);
  TByteReader r(bytes);
  if (r.U8() != 'B' || r.U8() != 'M') return nullptr;
  r.Skip(8);
  const std::uint32_t pixel_offset = r.U32();
  const std::uint32_t header_size = r.U32();
  std::int64_t width, height;
  std::uint32_t planes, bpp, compression = kBiRgb;
  if (header_size == 12) {
    width = r.U16(), height = r.U16(), planes = r.U16(), bpp = r.U16();
  } else {
    width = r.I32(), height = r.I32(), planes = r.U16(), bpp = r.U16();
    if (r.Ok() && header_size >= 40) {
      ReadUpTo(stream, 4, &bytes);
      TByteReader more(std::span<const std::uint8_t>(bytes).subspan(30));
      compression = more.U32();
      if (!more.Ok()) return nullptr;
    }
  }
  if (!r.Ok() || planes != 1 || width <= 0 || height == 0) return nullptr;
  if (height < 0) height = -height;
  if (!PixmapSizeSane(width, height)) return nullptr;
  const std::int64_t left = stream.Size() - stream.Pos();
  std::uint64_t need = left >= 0 ? static_cast<std::uint64_t>(left) : std::uint64_t{1} << 30;
  if (compression == kBiRgb || compression == kBiBitfields || compression == kBiAlphaBitfields) {
    const std::uint64_t stride = (static_cast<std::uint64_t>(width) * bpp + 31) / 32 * 4;
    const std::uint64_t end = pixel_offset + stride * static_cast<std::uint64_t>(height);
    need = std::min(need, end > bytes.size() ? end - bytes.size() : 0);
  }
  ReadUpTo(stream, static_cast<std::size_t>(need), &bytes);
  return DecodeBmp(bytes);
}
