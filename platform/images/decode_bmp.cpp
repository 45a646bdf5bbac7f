// BMP decoder: file header, one of the info header versions, an optional
// palette or channel masks, then the pixels at the offset the file header
// gives, uncompressed or RLE. Everything is read through a bounds-checked
// reader, and the picture size is checked before anything is allocated.
#include "platform/images/decode_bmp.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <vector>

#include "platform/images/stream.h"

namespace images_internal {

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

constexpr std::size_t kFileHeaderSize = 14;

// What the file header and the info header say, in any of the versions.
struct BmpHeader {
  std::uint32_t pixel_offset = 0;
  std::uint32_t header_size = 0;
  std::int64_t width = 0, height = 0;  // height made positive by CheckBmpSize
  std::uint32_t planes = 0, bpp = 0, compression = kBiRgb, colours_used = 0;
  std::uint32_t masks[4] = {0, 0, 0, 0};
  bool os2 = false;  // OS/2 v2: compressions 3 and 4 mean Huffman and RLE24
  bool top_down = false;

  bool Rle() const { return compression == kBiRle8 || compression == kBiRle4; }
  int W() const { return static_cast<int>(width); }
  int H() const { return static_cast<int>(height); }
};

// Blue, green, red; missing entries are black.
using Palette = std::array<std::array<std::uint8_t, 3>, 256>;

// The signature, the file header and the size fields every info header
// version starts with; why the file is declined (too short, no BMP), kNone
// when it is not.
DecodeError ReadBmpStart(TByteReader& r, BmpHeader* h) {
  if (r.U8() != 'B' || r.U8() != 'M') return DecodeError::kNotThisFormat;
  r.U32();  // file size: often wrong, never needed
  r.U32();  // reserved (an OS/2 hotspot in some files)
  h->pixel_offset = r.U32();
  h->header_size = r.U32();
  if (h->header_size == 12) {  // OS/2 v1 core header: 16-bit sizes
    h->width = r.U16();
    h->height = r.U16();
  } else {
    h->width = r.I32();
    h->height = r.I32();
  }
  h->planes = r.U16();
  h->bpp = r.U16();
  return r.Ok() ? DecodeError::kNone : DecodeError::kTruncated;
}

// The rest of the info header: compression, colours used and, in the
// versions that carry them, the channel masks. Leaves the reader after the
// header.
DecodeError ReadBmpInfo(TByteReader& r, BmpHeader* h) {
  switch (h->header_size) {
    case 12:  // OS/2 v1: 3-byte palette entries
    case 16:
    case 40:
    case 52:
    case 56:
    case 64:
    case 108:
    case 124:
      break;
    default:
      return DecodeError::kDamaged;
  }
  h->os2 = h->header_size == 16 || h->header_size == 64;
  if (h->header_size >= 40) {
    h->compression = r.U32();
    r.Skip(12);  // image size, two resolutions
    h->colours_used = r.U32();
    r.U32();  // colours important
  }
  if (h->header_size >= 52 && !h->os2) {
    for (int i = 0; i < 3; ++i) h->masks[i] = r.U32();
    if (h->header_size >= 56) h->masks[3] = r.U32();
  }
  return r.Ok() && r.Seek(kFileHeaderSize + h->header_size) ? DecodeError::kNone
                                                              : DecodeError::kTruncated;
}

// Header validation before anything else: the sizes, a top-down height made
// positive.
DecodeError CheckBmpSize(BmpHeader* h) {
  if (h->planes != 1 || h->width <= 0 || h->height == 0) return DecodeError::kDamaged;
  h->top_down = h->height < 0;
  if (h->top_down) h->height = -h->height;
  return PixmapSizeSane(h->width, h->height) ? DecodeError::kNone : DecodeError::kTooLarge;
}

// Which compression goes with which depth, and the channel masks: after a
// 40-byte header they follow it, for uncompressed pixels the depth implies
// them.
DecodeError ReadBmpMasks(TByteReader& r, BmpHeader* h) {
  const std::uint32_t bpp = h->bpp;
  std::uint32_t* masks = h->masks;
  switch (h->compression) {
    case kBiRgb:
      if (bpp == 64) return DecodeError::kUnsupported;
      if (bpp != 1 && bpp != 2 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
        return DecodeError::kDamaged;
      // Uncompressed 16 bits are 5-5-5 without alpha; 32 bits are B, G, R
      // and alpha, the alpha ignored when it is 0 everywhere.
      if (bpp == 16) masks[0] = 0x7c00, masks[1] = 0x03e0, masks[2] = 0x001f, masks[3] = 0;
      if (bpp == 32) masks[0] = 0xff0000, masks[1] = 0xff00, masks[2] = 0xff, masks[3] = 0xff000000;
      break;
    case kBiRle8:
      if (bpp != 8) return DecodeError::kDamaged;
      break;
    case kBiRle4:
      if (bpp != 4) return DecodeError::kDamaged;
      break;
    case kBiBitfields:
    case kBiAlphaBitfields:
      if (h->os2) return DecodeError::kUnsupported;  // OS/2 Huffman
      if (bpp != 16 && bpp != 32) return DecodeError::kDamaged;
      if (h->header_size == 40) {  // the masks follow the header
        for (int i = 0; i < 3; ++i) masks[i] = r.U32();
        if (h->compression == kBiAlphaBitfields) masks[3] = r.U32();
      } else if (h->compression == kBiBitfields && h->header_size < 56) {
        masks[3] = 0;
      }
      break;
    default:  // JPEG, PNG, OS/2 Huffman and RLE24, CMYK variants
      return DecodeError::kUnsupported;
  }
  if (h->Rle() && h->top_down) return DecodeError::kDamaged;  // not allowed by the format
  return r.Ok() ? DecodeError::kNone : DecodeError::kTruncated;
}

bool SetChannels(const BmpHeader& h, Channel ch[4]) {
  for (int i = 0; i < 4; ++i) {
    if (h.bpp == 16 && h.masks[i] > 0xffff) return false;
    if (!ch[i].Set(h.masks[i])) return false;
  }
  return true;
}

// At most 2^bpp entries are reachable; a palette cut short by the pixel
// offset keeps the entries before it.
bool ReadBmpPalette(TByteReader& r, const BmpHeader& h, Palette* palette) {
  if (h.bpp > 8) return true;
  const std::size_t entry = h.header_size == 12 ? 3 : 4;
  const std::size_t start = r.Pos();
  const std::uint32_t reachable = 1u << h.bpp;
  std::uint32_t count =
      (h.colours_used == 0 || h.colours_used > reachable) ? reachable : h.colours_used;
  if (h.pixel_offset >= start && (h.pixel_offset - start) / entry < count)
    count = static_cast<std::uint32_t>((h.pixel_offset - start) / entry);
  for (std::uint32_t i = 0; i < count; ++i) {
    auto e = r.Bytes(entry);
    if (e.empty()) return false;
    (*palette)[i] = {e[0], e[1], e[2]};
  }
  return true;
}

// The state of an RLE4 or RLE8 decode. Pixels go straight into a BGRA
// picture whose untouched memory is zero: pixels the stream skips (with a
// delta or an early end of line or bitmap) stay transparent black, and only
// what the codes write costs memory.
struct RleDecode {
  TPixmap& pm;
  const Palette& palette;
  bool rle8;
  // Some writers fill each row out to its padded width (a multiple of 4
  // bytes); pixels past the picture's width are dropped, runs past the
  // padded width are damage.
  std::int64_t row_limit;
  std::int64_t x = 0, y = 0;
  std::size_t written = 0;

  // Writes the pixels of a run or literal that lie inside the picture.
  template <class IndexOf>
  void Put(int n, IndexOf index_of) {
    const int keep = static_cast<int>(std::clamp<std::int64_t>(pm.width - x, 0, n));
    if (keep == 0) return;
    std::uint8_t* out = pm.Row(pm.height - 1 - static_cast<int>(y)) + x * 4;
    for (int k = 0; k < keep; ++k, out += 4) {
      const auto& e = palette[index_of(k)];
      out[0] = e[0], out[1] = e[1], out[2] = e[2], out[3] = 255;
    }
    written += static_cast<std::size_t>(keep);
  }
  // A run of n pixels of one index (RLE4: two alternating).
  bool Run(std::uint8_t n, std::uint8_t c) {
    if (y >= pm.height || x + n > row_limit) return false;
    Put(n, [&](int k) { return rle8 ? c : ((k & 1) ? (c & 15) : (c >> 4)); });
    x += n;
    return true;
  }
  // c literal pixels, padded to an even byte count.
  bool Literal(TByteReader& r, std::uint8_t c) {
    const std::size_t bytes = rle8 ? c : (c + 1u) / 2;
    auto lit = r.Bytes(bytes);
    if (lit.empty() || ((bytes & 1) && !r.Skip(1))) return false;
    if (y >= pm.height || x + c > row_limit) return false;
    Put(c, [&](int k) { return rle8 ? lit[k] : ((k & 1) ? (lit[k / 2] & 15) : (lit[k / 2] >> 4)); });
    x += c;
    return true;
  }
  // The codes up to the end of the bitmap; false when they are damaged.
  bool Codes(TByteReader& r) {
    for (;;) {
      if (r.Remaining() < 2) return y >= pm.height;  // only the end marker missing
      const std::uint8_t n = r.U8();
      const std::uint8_t c = r.U8();
      if (n > 0) {
        if (!Run(n, c)) return false;
      } else if (c == 0) {  // end of line
        x = 0;
        ++y;
      } else if (c == 1) {  // end of bitmap
        return true;
      } else if (c == 2) {  // delta: skip right and up
        x += r.U8();
        y += r.U8();
        if (!r.Ok() || x > row_limit || y > pm.height) return false;
      } else if (!Literal(r, c)) {
        return false;
      }
    }
  }
};

PixmapPtr DecodeBmpRle(TByteReader& r, const BmpHeader& h, const Palette& palette,
                       DeclineReason& why) {
  PixmapPtr pm = CreatePixmap(h.W(), h.H(), PF_BGRA8888);
  if (!pm) return why.Decline(DecodeError::kNoMemory);
  RleDecode rle{*pm, palette, h.compression == kBiRle8, (h.width * h.bpp + 31) / 32 * 32 / h.bpp};
  if (!rle.Codes(r)) return why.Decline(DecodeError::kDamaged);
  // Runs only move forward, so no pixel is counted twice.
  const std::size_t total = static_cast<std::size_t>(h.W()) * h.H();
  // A big picture whose codes stop before most of it is written is a
  // damaged or hostile file, not a sprite sheet with holes.
  if (total > (std::size_t{1} << 24) && rle.written < total / 2) {
    return why.Decline(DecodeError::kDamaged);
  }
  if (rle.written < total) return pm;
  RepackAsBgr(*pm);  // no holes: an opaque picture
  return pm;
}

// One row of 1, 2, 4 or 8-bit palette indices, most significant bits first.
void IndexedRow(const std::uint8_t* s, int w, std::uint32_t bpp, const Palette& palette,
                std::uint8_t* d) {
  const int per_byte = 8 / static_cast<int>(bpp);
  const unsigned low = (1u << bpp) - 1;
  for (int x = 0; x < w; ++x, d += 3) {
    const int shift = static_cast<int>(bpp) * (per_byte - 1 - x % per_byte);
    const auto& e = palette[(s[x / per_byte] >> shift) & low];
    d[0] = e[0], d[1] = e[1], d[2] = e[2];
  }
}

// One row of 16 or 32-bit pixels through the channel masks; true when a
// pixel has a non-zero alpha.
bool BitfieldRow(const std::uint8_t* s, int w, std::uint32_t bpp, const Channel ch[4], bool alpha,
                 std::uint8_t* d) {
  bool any_alpha = false;
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
  return any_alpha;
}

// Uncompressed rows, each padded to 4 bytes; the last row's padding may be
// missing, its pixels may not.
PixmapPtr DecodeBmpRows(TByteReader& r, const BmpHeader& h, const Palette& palette,
                        const Channel ch[4], DeclineReason& why) {
  const int w = h.W(), height = h.H();
  const std::size_t stride = (static_cast<std::size_t>(w) * h.bpp + 31) / 32 * 4;
  const std::size_t row_bytes = (static_cast<std::size_t>(w) * h.bpp + 7) / 8;
  if (r.Remaining() < stride * static_cast<std::size_t>(height - 1) + row_bytes) {
    return why.Decline(DecodeError::kTruncated);
  }
  const bool alpha = ch[3].bits > 0;
  PixmapPtr pm = CreatePixmap(w, height, alpha ? PF_BGRA8888 : PF_BGR888);
  if (!pm) return why.Decline(DecodeError::kNoMemory);
  bool any_alpha = false;
  for (int fy = 0; fy < height; ++fy) {
    const std::uint8_t* s = r.Bytes(row_bytes).data();
    if (fy + 1 < height) r.Skip(stride - row_bytes);
    if (!r.Ok()) return why.Decline(DecodeError::kTruncated);
    std::uint8_t* d = pm->Row(h.top_down ? fy : height - 1 - fy);
    if (h.bpp <= 8) {
      IndexedRow(s, w, h.bpp, palette, d);
    } else if (h.bpp == 24) {
      std::memcpy(d, s, static_cast<std::size_t>(w) * 3);
    } else if (h.compression == kBiRgb && h.bpp == 32) {  // already B, G, R, A
      std::memcpy(d, s, static_cast<std::size_t>(w) * 4);
      for (int x = 0; x < w; ++x) any_alpha |= s[x * 4 + 3] != 0;
    } else {
      any_alpha |= BitfieldRow(s, w, h.bpp, ch, alpha, d);
    }
  }
  // A picture whose alpha channel is zero everywhere would be invisible:
  // writers that leave the fourth byte (or the alpha mask) at 0 mean an
  // opaque picture, which has no alpha channel.
  if (alpha && !any_alpha) RepackAsBgr(*pm);
  return pm;
}

// How many more bytes after the `have` already read a stream decode needs:
// an uncompressed picture no further than its last row, anything else the
// rest of the stream (`left` bytes; negative when unknown).
std::uint64_t BmpBytesNeeded(const BmpHeader& h, std::size_t have, std::int64_t left) {
  std::uint64_t need = left >= 0 ? static_cast<std::uint64_t>(left) : std::uint64_t{1} << 30;
  if (h.compression == kBiRgb || h.compression == kBiBitfields ||
      h.compression == kBiAlphaBitfields) {
    const std::uint64_t stride = (static_cast<std::uint64_t>(h.width) * h.bpp + 31) / 32 * 4;
    const std::uint64_t end = h.pixel_offset + stride * static_cast<std::uint64_t>(h.height);
    need = std::min(need, end > have ? end - have : 0);
  }
  return need;
}

}  // namespace

PixmapPtr DecodeBmp(std::span<const std::uint8_t> data, DecodeError* why_out) {
  DeclineReason why(why_out);
  TByteReader r(data);
  BmpHeader h;
  DecodeError e = ReadBmpStart(r, &h);
  if (e == DecodeError::kNone) e = ReadBmpInfo(r, &h);
  if (e == DecodeError::kNone) e = CheckBmpSize(&h);
  if (e == DecodeError::kNone) e = ReadBmpMasks(r, &h);
  if (e != DecodeError::kNone) return why.Decline(e);
  Channel ch[4];
  Palette palette{};
  if (!SetChannels(h, ch)) return why.Decline(DecodeError::kDamaged);
  if (!ReadBmpPalette(r, h, &palette)) return why.Decline(DecodeError::kTruncated);
  if (h.pixel_offset < kFileHeaderSize + h.header_size) return why.Decline(DecodeError::kDamaged);
  if (!r.Seek(h.pixel_offset)) return why.Decline(DecodeError::kTruncated);
  return h.Rle() ? DecodeBmpRle(r, h, palette, why) : DecodeBmpRows(r, h, palette, ch, why);
}

PixmapPtr DecodeBmp(TStream& stream, DecodeError* why) {
  const std::int64_t start = stream.Pos();
  if (std::span<const std::uint8_t> m = stream.Memory(); !m.empty()) {
    return start <= static_cast<std::int64_t>(m.size())
               ? DecodeBmp(m.subspan(static_cast<std::size_t>(start)), why)
               : DeclineReason(why).Decline(DecodeError::kTruncated);
  }
  // The signature and the size fields decide before the rest is read, and
  // an uncompressed picture reads no further than its last row.
  std::vector<std::uint8_t> bytes;
  ReadUpTo(stream, kFileHeaderSize + 16, &bytes);
  BmpHeader h;
  {
    TByteReader r(bytes);
    if (const DecodeError e = ReadBmpStart(r, &h); e != DecodeError::kNone) {
      return DeclineReason(why).Decline(e);
    }
  }
  if (h.header_size >= 40) {
    ReadUpTo(stream, 4, &bytes);
    TByteReader more(std::span<const std::uint8_t>(bytes).subspan(kFileHeaderSize + 16));
    h.compression = more.U32();
    if (!more.Ok()) return DeclineReason(why).Decline(DecodeError::kTruncated);
  }
  if (const DecodeError e = CheckBmpSize(&h); e != DecodeError::kNone) {
    return DeclineReason(why).Decline(e);
  }
  const std::uint64_t need = BmpBytesNeeded(h, bytes.size(), stream.Size() - stream.Pos());
  ReadUpTo(stream, static_cast<std::size_t>(need), &bytes);
  return DecodeBmp(bytes, why);
}

}  // namespace images_internal
