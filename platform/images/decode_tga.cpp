// TGA decoder: 18-byte header, identification field, colour map, then the
// pixels raw or as run-length packets. Packets may cross rows (common in the
// wild) but never the end of the picture.
#include "platform/images/decode_tga.h"

#include <algorithm>
#include <array>
#include <vector>

#include "platform/images/stream.h"

namespace images_internal {

namespace {

// The type's own limit on each side, tighter than the pixmap limits.
constexpr int kTgaMaxSide = 4096;

struct TgaHeader {
  std::uint8_t id_length, map_type, type;
  std::uint16_t map_start, map_length;
  std::uint8_t map_bits;
  int width, height, bpp;
  std::uint8_t descriptor;

  int Kind() const { return type & 7; }  // 1 colour-mapped, 2 true colour, 3 grey
  bool Rle() const { return (type & 8) != 0; }
};

// Reads and checks the 18-byte header; why the file is declined, kNone
// when it is not.
DecodeError ReadTgaHeader(TByteReader& r, TgaHeader* h) {
  h->id_length = r.U8();
  h->map_type = r.U8();
  h->type = r.U8();
  h->map_start = r.U16();
  h->map_length = r.U16();
  h->map_bits = r.U8();
  r.U16();  // x origin
  r.U16();  // y origin
  h->width = r.U16();
  h->height = r.U16();
  h->bpp = r.U8();
  h->descriptor = r.U8();
  if (!r.Ok()) return DecodeError::kNotThisFormat;

  // Header validation: types 1/9 colour-mapped, 2/10 true colour, 3/11 grey.
  const int kind = h->Kind(), bpp = h->bpp, map_bits = h->map_bits;
  if (h->map_type > 1) return DecodeError::kNotThisFormat;
  if ((h->type & ~0xb) != 0 || kind == 0) return DecodeError::kNotThisFormat;
  if (h->width < 1 || h->height < 1) return DecodeError::kNotThisFormat;
  if (h->width > kTgaMaxSide || h->height > kTgaMaxSide) return DecodeError::kTooLarge;
  const bool map_bits_ok = map_bits == 15 || map_bits == 16 || map_bits == 24 || map_bits == 32;
  if (kind == 1 && (h->map_type != 1 || bpp != 8 || !map_bits_ok || h->map_length == 0))
    return DecodeError::kNotThisFormat;
  if (kind == 2 && bpp != 15 && bpp != 16 && bpp != 24 && bpp != 32) return DecodeError::kNotThisFormat;
  if (kind == 3 && bpp != 8 && bpp != 16) return DecodeError::kNotThisFormat;
  if (h->map_type == 1 && map_bits == 0) return DecodeError::kNotThisFormat;
  return PixmapSizeSane(h->width, h->height) ? DecodeError::kNone : DecodeError::kTooLarge;
}

// A source colour of `bits` bits as RGBA. 16 bits: alpha 0 when the top
// bit is set; 15 bits ignore it.
void TgaColour(const std::uint8_t* s, int bits, std::uint8_t* d) {
  if (bits == 15 || bits == 16) {
    const unsigned v = static_cast<unsigned>(s[0] | (s[1] << 8));
    d[0] = static_cast<std::uint8_t>((v >> 7) & 248);
    d[1] = static_cast<std::uint8_t>((v >> 2) & 248);
    d[2] = static_cast<std::uint8_t>((v & 31) << 3);
    d[3] = (bits == 16 && (v & 0x8000)) ? 0 : 255;
  } else {
    d[0] = s[2], d[1] = s[1], d[2] = s[0];
    d[3] = bits == 32 ? s[3] : 255;
  }
}

using ColourMap = std::array<std::array<std::uint8_t, 4>, 256>;

// Skips the identification field and reads the colour map: entries beyond
// the 256 an 8-bit index reaches are skipped, indices without an entry give
// opaque black.
bool ReadTgaMap(TByteReader& r, const TgaHeader& h, ColourMap* map) {
  r.Skip(h.id_length);
  for (auto& e : *map) e[3] = 255;
  if (h.map_type != 1) return true;
  const std::size_t entry = (h.map_bits + 7u) / 8;
  auto bytes = r.Bytes(entry * h.map_length);
  if (!r.Ok()) return false;
  if (h.Kind() == 1) {
    for (std::size_t i = 0; i < h.map_length && h.map_start + i < 256; ++i)
      TgaColour(bytes.data() + i * entry, h.map_bits, (*map)[h.map_start + i].data());
  }
  return true;
}

int TgaFormat(const TgaHeader& h) {
  if (h.Kind() == 1) return (h.map_bits == 16 || h.map_bits == 32) ? PF_RGBA8888 : PF_RGB888;
  if (h.Kind() == 2) return (h.bpp == 16 || h.bpp == 32) ? PF_RGBA8888 : PF_RGB888;
  return h.bpp == 8 ? PF_I8 : PF_RGBA8888;
}

// Places file pixels in picture order. Descriptor bit 5: the first row in
// the file is the top row; bit 4: pixels run right to left.
class TgaPixels {
 public:
  TgaPixels(const TgaHeader& h, const ColourMap& map, TPixmap& pm)
      : h_(h), map_(map), pm_(pm), out_bytes_(BytesPerPixel(pm.format)),
        total_(static_cast<std::size_t>(h.width) * h.height),
        top_first_((h.descriptor & 0x20) != 0), right_first_((h.descriptor & 0x10) != 0),
        row_(pm.Row(top_first_ ? 0 : h.height - 1)) {}

  std::size_t Left() const { return total_ - i_; }

  // Writes one file pixel at the next place.
  void Emit(const std::uint8_t* s) {
    Put(s, row_ + (right_first_ ? h_.width - 1 - x_ : x_) * out_bytes_);
    ++i_;
    if (++x_ == h_.width && i_ < total_) {
      x_ = 0;
      ++y_;
      row_ = pm_.Row(top_first_ ? y_ : h_.height - 1 - y_);
    }
  }

 private:
  void Put(const std::uint8_t* s, std::uint8_t* d) const {
    std::uint8_t rgba[4];
    if (h_.Kind() == 1) {
      const auto& e = map_[s[0]];
      d[0] = e[0], d[1] = e[1], d[2] = e[2];
      if (out_bytes_ == 4) d[3] = e[3];
    } else if (h_.Kind() == 2) {
      TgaColour(s, h_.bpp, rgba);
      d[0] = rgba[0], d[1] = rgba[1], d[2] = rgba[2];
      if (out_bytes_ == 4) d[3] = rgba[3];
    } else if (h_.bpp == 8) {
      d[0] = s[0];
    } else {
      d[0] = d[1] = d[2] = s[0];
      d[3] = s[1];
    }
  }

  const TgaHeader& h_;
  const ColourMap& map_;
  TPixmap& pm_;
  const int out_bytes_;
  const std::size_t total_;
  const bool top_first_, right_first_;
  std::size_t i_ = 0;
  int x_ = 0, y_ = 0;
  std::uint8_t* row_;
};

// Run-length packets, which may cross rows but never the end of the
// picture: a header byte, then one pixel repeated or up to 128 raw ones.
DecodeError DecodeTgaRle(TByteReader& r, std::size_t in_bytes, TgaPixels& out) {
  while (out.Left() > 0) {
    const std::uint8_t n = r.U8();
    const std::size_t count = (n & 127u) + 1;
    if (!r.Ok()) return DecodeError::kTruncated;
    if (count > out.Left()) return DecodeError::kDamaged;
    if (n & 128) {  // one pixel repeated
      auto px = r.Bytes(in_bytes);
      if (!r.Ok()) return DecodeError::kTruncated;
      for (std::size_t k = 0; k < count; ++k) out.Emit(px.data());
    } else {  // count raw pixels
      auto px = r.Bytes(in_bytes * count);
      if (!r.Ok()) return DecodeError::kTruncated;
      for (std::size_t k = 0; k < count; ++k) out.Emit(px.data() + k * in_bytes);
    }
  }
  return DecodeError::kNone;
}

}  // namespace

PixmapPtr DecodeTga(std::span<const std::uint8_t> data, DecodeError* why_out) {
  DeclineReason why(why_out);
  TByteReader r(data);
  TgaHeader h;
  ColourMap map{};
  if (const DecodeError e = ReadTgaHeader(r, &h); e != DecodeError::kNone) return why.Decline(e);
  if (!ReadTgaMap(r, h, &map)) return why.Decline(DecodeError::kTruncated);
  PixmapPtr pm = CreatePixmap(h.width, h.height, TgaFormat(h));
  if (!pm) return why.Decline(DecodeError::kNoMemory);
  TgaPixels out(h, map, *pm);
  const std::size_t in_bytes = (h.bpp + 7u) / 8;
  if (h.Rle()) {
    const DecodeError e = DecodeTgaRle(r, in_bytes, out);
    return e == DecodeError::kNone ? pm : why.Decline(e);
  }
  const std::size_t total = out.Left();
  auto bytes = r.Bytes(in_bytes * total);
  if (!r.Ok()) return why.Decline(DecodeError::kTruncated);
  for (std::size_t k = 0; k < total; ++k) out.Emit(bytes.data() + k * in_bytes);
  return pm;
}

PixmapPtr DecodeTga(TStream& stream, DecodeError* why) {
  const std::int64_t start = stream.Pos();
  if (std::span<const std::uint8_t> m = stream.Memory(); !m.empty()) {
    return start <= static_cast<std::int64_t>(m.size())
               ? DecodeTga(m.subspan(static_cast<std::size_t>(start)), why)
               : DeclineReason(why).Decline(DecodeError::kTruncated);
  }
  // The header decides before the rest is read, and bounds how much of it
  // a picture of that size can use.
  std::vector<std::uint8_t> bytes;
  ReadUpTo(stream, 18, &bytes);
  TByteReader r(bytes);
  TgaHeader h;
  if (const DecodeError e = ReadTgaHeader(r, &h); e != DecodeError::kNone) {
    return DeclineReason(why).Decline(e);
  }
  const std::uint64_t in_bytes = (h.bpp + 7u) / 8;
  const std::uint64_t pixels = static_cast<std::uint64_t>(h.width) * h.height;
  std::uint64_t need = h.id_length + (h.map_type ? h.map_length * ((h.map_bits + 7u) / 8) : 0u) +
                       pixels * (in_bytes + (h.Rle() ? 1 : 0));
  const std::int64_t left = stream.Size() - stream.Pos();
  if (left >= 0) need = std::min<std::uint64_t>(need, static_cast<std::uint64_t>(left));
  ReadUpTo(stream, static_cast<std::size_t>(need), &bytes);
  return DecodeTga(bytes, why);
}

}  // namespace images_internal
