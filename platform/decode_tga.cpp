// TGA decoder: 18-byte header, identification field, colour map, then the
// pixels raw or as run-length packets. Packets may cross rows (common in the
// wild) but never the end of the picture.
#include "platform/decode_tga.h"

#include <algorithm>
#include <array>
#include <vector>

#include "platform/stream.h"

namespace {

struct TgaHeader {
  std::uint8_t id_length, map_type, type;
  std::uint16_t map_start, map_length;
  std::uint8_t map_bits;
  int width, height, bpp;
  std::uint8_t descriptor;
};

// Reads and checks the 18-byte header; false when the file is declined.
bool ReadTgaHeader(TByteReader& r, TgaHeader* h) {
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
  if (!r.Ok()) return false;

  // Header validation: types 1/9 colour-mapped, 2/10 true colour, 3/11 grey.
  const int kind = h->type & 7, bpp = h->bpp, map_bits = h->map_bits;
  if (h->map_type > 1) return false;
  if ((h->type & ~0xb) != 0 || kind == 0) return false;
  if (h->width < 1 || h->height < 1 || h->width > 4096 || h->height > 4096) return false;
  const bool map_bits_ok = map_bits == 15 || map_bits == 16 || map_bits == 24 || map_bits == 32;
  if (kind == 1 && (h->map_type != 1 || bpp != 8 || !map_bits_ok || h->map_length == 0))
    return false;
  if (kind == 2 && bpp != 15 && bpp != 16 && bpp != 24 && bpp != 32) return false;
  if (kind == 3 && bpp != 8 && bpp != 16) return false;
  if (h->map_type == 1 && map_bits == 0) return false;
  return PixmapSizeSane(h->width, h->height);
}

}  // namespace

PixmapPtr DecodeTga(std::span<const std::uint8_t> data) {
  TByteReader r(data);
  TgaHeader hd;
  if (!ReadTgaHeader(r, &hd)) return nullptr;
  const std::uint8_t id_length = hd.id_length, map_type = hd.map_type, map_bits = hd.map_bits;
  const std::uint16_t map_start = hd.map_start, map_length = hd.map_length;
  const int width = hd.width, height = hd.height, bpp = hd.bpp;
  const std::uint8_t descriptor = hd.descriptor;
  const int kind = hd.type & 7;
  const bool rle = (hd.type & 8) != 0;

  r.Skip(id_length);

  // A source colour of `bits` bits as RGBA. 16 bits: alpha 0 when the top
  // bit is set; 15 bits ignore it.
  auto colour = [](const std::uint8_t* s, int bits, std::uint8_t* d) {
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
  };

  // The colour map: entries beyond the 256 an 8-bit index reaches are
  // skipped, indices without an entry give opaque black.
  std::array<std::array<std::uint8_t, 4>, 256> map{};
  for (auto& e : map) e[3] = 255;
  if (map_type == 1) {
    const std::size_t entry = (map_bits + 7u) / 8;
    auto bytes = r.Bytes(entry * map_length);
    if (!r.Ok()) return nullptr;
    if (kind == 1) {
      for (std::size_t i = 0; i < map_length && map_start + i < 256; ++i)
        colour(bytes.data() + i * entry, map_bits, map[map_start + i].data());
    }
  }

  int format;
  if (kind == 1)
    format = (map_bits == 16 || map_bits == 32) ? PF_RGBA8888 : PF_RGB888;
  else if (kind == 2)
    format = (bpp == 16 || bpp == 32) ? PF_RGBA8888 : PF_RGB888;
  else
    format = bpp == 8 ? PF_I8 : PF_RGBA8888;
  const int out_bytes = BytesPerPixel(format);
  const std::size_t in_bytes = (bpp + 7u) / 8;

  // Writes one file pixel to d.
  auto put = [&](const std::uint8_t* s, std::uint8_t* d) {
    std::uint8_t rgba[4];
    if (kind == 1) {
      const auto& e = map[s[0]];
      d[0] = e[0], d[1] = e[1], d[2] = e[2];
      if (out_bytes == 4) d[3] = e[3];
    } else if (kind == 2) {
      colour(s, bpp, rgba);
      d[0] = rgba[0], d[1] = rgba[1], d[2] = rgba[2];
      if (out_bytes == 4) d[3] = rgba[3];
    } else if (bpp == 8) {
      d[0] = s[0];
    } else {
      d[0] = d[1] = d[2] = s[0];
      d[3] = s[1];
    }
  };

  PixmapPtr pm = CreatePixmap(width, height, format);
  if (!pm) return nullptr;
  // Descriptor bit 5: first row in the file is the top row; bit 4: pixels
  // run right to left.
  const bool top_first = (descriptor & 0x20) != 0;
  const bool right_first = (descriptor & 0x10) != 0;
  const std::size_t total = static_cast<std::size_t>(width) * height;
  std::size_t i = 0;
  int x = 0, y = 0;
  std::uint8_t* row = pm->Row(top_first ? 0 : height - 1);
  auto emit = [&](const std::uint8_t* s) {
    put(s, row + (right_first ? width - 1 - x : x) * out_bytes);
    ++i;
    if (++x == width && i < total) {
      x = 0;
      ++y;
      row = pm->Row(top_first ? y : height - 1 - y);
    }
  };

  if (!rle) {
    auto bytes = r.Bytes(in_bytes * total);
    if (!r.Ok()) return nullptr;
    for (std::size_t k = 0; k < total; ++k) emit(bytes.data() + k * in_bytes);
    return pm;
  }
  while (i < total) {
    const std::uint8_t n = r.U8();
    const std::size_t count = (n & 127u) + 1;
    if (!r.Ok() || count > total - i) return nullptr;
    if (n & 128) {  // one pixel repeated
      auto px = r.Bytes(in_bytes);
      if (!r.Ok()) return nullptr;
      for (std::size_t k = 0; k < count; ++k) emit(px.data());
    } else {  // count raw pixels
      auto px = r.Bytes(in_bytes * count);
      if (!r.Ok()) return nullptr;
      for (std::size_t k = 0; k < count; ++k) emit(px.data() + k * in_bytes);
    }
  }
  return pm;
}

PixmapPtr DecodeTga(TStream& stream) {
  const std::int64_t start = stream.Pos();
  if (std::span<const std::uint8_t> m = stream.Memory(); !m.empty())
    return start <= static_cast<std::int64_t>(m.size()) ? DecodeTga(m.subspan(start)) : nullptr;
  // The header decides before the rest is read, and bounds how much of it
  // a picture of that size can use.
  std::vector<std::uint8_t> bytes;
  ReadUpTo(stream, 18, &bytes);
  TByteReader r(bytes);
  TgaHeader h;
  if (!ReadTgaHeader(r, &h)) return nullptr;
  const std::uint64_t in_bytes = (h.bpp + 7u) / 8;
  const std::uint64_t pixels = static_cast<std::uint64_t>(h.width) * h.height;
  std::uint64_t need = h.id_length + (h.map_type ? h.map_length * ((h.map_bits + 7u) / 8) : 0u) +
                       pixels * (in_bytes + ((h.type & 8) ? 1 : 0));
  const std::int64_t left = stream.Size() - stream.Pos();
  if (left >= 0) need = std::min<std::uint64_t>(need, static_cast<std::uint64_t>(left));
  ReadUpTo(stream, static_cast<std::size_t>(need), &bytes);
  return DecodeTga(bytes);
}
