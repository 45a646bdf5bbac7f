// Decoding pictures from URLs and building images from them: cells, the
// mask colour and the automatic centre handle.
#include <malloc.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "platform/images/decode_bmp.h"
#include "platform/images/decode_jpeg.h"
#include "platform/images/decode_png.h"
#include "platform/images/decode_tga.h"
#include "platform/images/image.h"
#include "platform/images/stream.h"

using namespace images_internal;

namespace {

// Files larger than this are not pictures anyone previews.
constexpr std::int64_t kMaxFileSize = std::int64_t{1} << 30;
constexpr int kAutoFlags = MASKEDIMAGE | FILTEREDIMAGE;

bool g_auto_mid_handle = false;

using Decoder = PixmapPtr (*)(TStream&, DecodeError*);
// Asked in this order, each from the start of the picture. TGA has no
// signature, but PNG, JPEG and BMP files fail its header test. Each reads
// only as far as it needs: a file is declined on its first bytes.
constexpr Decoder kDecoders[] = {DecodeTga, DecodeJpeg, DecodeBmp, DecodePng};

// The masked copy of a w x h region of src at (x0, y0), in format 6: pixels
// of the mask colour get alpha 0 and the integer average colour of their up
// to eight neighbours (inside the region) that are not of the mask colour,
// black when there are none; every other pixel keeps its colour, alpha 255.
PixmapPtr MaskedCopy(const TPixmap& src, int x0, int y0, int w, int h, int mr, int mg, int mb) {
  PixmapPtr dst = CreatePixmap(w, h, PF_RGBA8888);
  if (!dst) return nullptr;
  const int bpp = BytesPerPixel(src.format);
  bool any_masked = false;
  for (int y = 0; y < h; ++y) {
    std::uint8_t* d = dst->Row(y);
    ConvertRowToRGBA(src.Row(y0 + y) + static_cast<std::size_t>(x0) * bpp, d, w, src.format);
    for (int x = 0; x < w; ++x, d += 4) {
      if (d[0] == mr && d[1] == mg && d[2] == mb) {
        d[3] = 0;
        any_masked = true;
      }
    }
  }
  if (!any_masked) return dst;
  // Only masked pixels change and only unmasked ones are read, so one pass
  // in place is enough.
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      std::uint8_t* p = dst->Row(y) + x * 4;
      if (p[3] != 0) continue;
      int sum[3] = {0, 0, 0}, n = 0;
      for (int ny = std::max(0, y - 1); ny <= std::min(h - 1, y + 1); ++ny) {
        const std::uint8_t* row = dst->Row(ny);
        for (int nx = std::max(0, x - 1); nx <= std::min(w - 1, x + 1); ++nx) {
          const std::uint8_t* q = row + nx * 4;
          if (q[3] == 0) continue;
          sum[0] += q[0], sum[1] += q[1], sum[2] += q[2];
          ++n;
        }
      }
      for (int c = 0; c < 3; ++c) p[c] = static_cast<std::uint8_t>(n ? sum[c] / n : 0);
    }
  }
  return dst;
}

// A plain copy of a w x h region of src at (x0, y0). Cutting a large sheet
// is mostly memory traffic: each byte of the cell is written once, with no
// clearing pass first.
PixmapPtr CopyRegion(const TPixmap& src, int x0, int y0, int w, int h) {
  if (!PixmapSizeSane(w, h)) return nullptr;
  auto dst = std::make_shared<TPixmap>();
  dst->width = w;
  dst->height = h;
  dst->format = src.format;
  dst->pitch = PixmapPitch(w, src.format);
  dst->pixels = TPixelBuffer::ForOverwrite(static_cast<std::size_t>(dst->pitch) * h);
  const std::size_t bpp = static_cast<std::size_t>(BytesPerPixel(src.format));
  const std::size_t row = w * bpp, pad = static_cast<std::size_t>(dst->pitch) - row;
  for (int y = 0; y < h; ++y) {
    std::uint8_t* d = dst->Row(y);
    std::memcpy(d, src.Row(y0 + y) + x0 * bpp, row);
    if (pad) std::memset(d + row, 0, pad);
  }
  return dst;
}

bool NeedsMask(int flags, int format) {
  return (flags & MASKEDIMAGE) != 0 && !FormatHasAlpha(format);
}

ImagePtr NewImage(int width, int height, int flags) {
  auto image = std::make_shared<TImage>();
  image->width = width;
  image->height = height;
  image->flags = flags;
  image->mask_r = image->mask_g = image->mask_b = 0;
  return image;
}

void PlaceHandle(TImage& image) {
  if (!g_auto_mid_handle) return;
  image.handle_x = static_cast<float>(image.width) * 0.5f;
  image.handle_y = static_cast<float>(image.height) * 0.5f;
}

const PixmapPtr kNoPixmap;

}  // namespace

// ---------------------------------------------------------------------------
// Frame lists.

void TFrameList::clear() {
  list_.clear();
  grid_ = false;
  sheet_ = nullptr;
  count_ = 0;
  made_.clear();
}

void TFrameList::SetGrid(PixmapPtr sheet, int cell_width, int cell_height, std::int64_t first,
                         std::int64_t count, bool mask, int mask_r, int mask_g, int mask_b) {
  clear();
  grid_ = true;
  sheet_ = std::move(sheet);
  cell_w_ = cell_width;
  cell_h_ = cell_height;
  first_ = first;
  columns_ = std::max<std::int64_t>(1, sheet_->width / cell_width);
  count_ = static_cast<std::size_t>(count);
  mask_ = mask;
  mask_r_ = mask_r, mask_g_ = mask_g, mask_b_ = mask_b;
}

PixmapPtr TFrameList::Pixels(std::size_t i) const {
  if (!grid_) return i < list_.size() ? list_[i] : nullptr;
  if (i >= count_) return nullptr;
  const std::int64_t cell = first_ + static_cast<std::int64_t>(i);
  const int x = static_cast<int>((cell % columns_) * cell_w_);
  const int y = static_cast<int>((cell / columns_) * cell_h_);
  return mask_ ? MaskedCopy(*sheet_, x, y, cell_w_, cell_h_, mask_r_, mask_g_, mask_b_)
               : CopyRegion(*sheet_, x, y, cell_w_, cell_h_);
}

const PixmapPtr& TFrameList::operator[](std::size_t i) const {
  if (!grid_) return list_[i];
  PixmapPtr& slot = made_[i];
  if (!slot) slot = Pixels(i);
  return slot;
}

const PixmapPtr& TFrameList::at(std::size_t i) const {
  if (i >= size()) return kNoPixmap;
  return (*this)[i];
}

std::size_t TFrameList::PictureBytes() const {
  if (grid_) return sheet_ ? sheet_->pixels.size() : 0;
  std::size_t bytes = 0;
  for (const PixmapPtr& p : list_) bytes += p ? p->pixels.size() : 0;
  return bytes;
}

// ---------------------------------------------------------------------------
// Loading.

PixmapPtr LoadPixmap(const std::string& url) {
  try {
    StreamPtr stream = OpenStream(url);
    if (!stream) return nullptr;
    const std::int64_t start = stream->Pos();
    if (start < 0 || stream->Size() - start > kMaxFileSize) return nullptr;
    for (Decoder decode : kDecoders) {
      if (!stream->Seek(start)) return nullptr;
      if (PixmapPtr pm = decode(*stream, nullptr)) return pm;
    }
    return nullptr;
  } catch (const std::bad_alloc&) {
    // Out of memory is a picture that cannot be loaded, not an error.
    return nullptr;
  }
}

namespace {

ImagePtr BuildImage(const PixmapPtr& pixmap, int flags) {
  if (!pixmap) return nullptr;
  if (flags == -1) flags = kAutoFlags;
  ImagePtr image = NewImage(pixmap->width, pixmap->height, flags);
  if (NeedsMask(flags, pixmap->format)) {
    // One cell covering the picture: shared, masked when its pixels are
    // asked for.
    image->pixmaps.SetGrid(pixmap, pixmap->width, pixmap->height, 0, 1, true, image->mask_r,
                           image->mask_g, image->mask_b);
  } else {
    image->pixmaps.push_back(pixmap);  // shared: nothing is changed
  }
  PlaceHandle(*image);
  return image;
}

}  // namespace

ImagePtr LoadImage(const PixmapPtr& pixmap, int flags) {
  try {
    return BuildImage(pixmap, flags);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

ImagePtr LoadImage(const std::string& url, int flags) {
  return LoadImage(LoadPixmap(url), flags);
}

namespace {

ImagePtr BuildAnimImage(const PixmapPtr& pixmap, int cell_width, int cell_height, int first,
                        int count, int flags) {
  if (!pixmap || cell_width <= 0 || cell_height <= 0 || first < 0 || count < 0) return nullptr;
  if (flags == -1) flags = kAutoFlags;
  const std::int64_t columns = pixmap->width / cell_width;
  const std::int64_t rows = pixmap->height / cell_height;
  if (columns * rows < static_cast<std::int64_t>(first) + count) return nullptr;
  ImagePtr image = NewImage(cell_width, cell_height, flags);
  // The frames are views into the shared picture, worked out from the grid.
  image->pixmaps.SetGrid(pixmap, cell_width, cell_height, first, count,
                         NeedsMask(flags, pixmap->format), image->mask_r, image->mask_g,
                         image->mask_b);
  PlaceHandle(*image);
  return image;
}

}  // namespace

ImagePtr LoadAnimImage(const PixmapPtr& pixmap, int cell_width, int cell_height, int first,
                       int count, int flags) {
  try {
    return BuildAnimImage(pixmap, cell_width, cell_height, first, count, flags);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

ImagePtr LoadAnimImage(const std::string& url, int cell_width, int cell_height, int first,
                       int count, int flags) {
  if (cell_width <= 0 || cell_height <= 0 || first < 0 || count < 0) return nullptr;
  return LoadAnimImage(LoadPixmap(url), cell_width, cell_height, first, count, flags);
}

void ReleaseFreedMemory() { malloc_trim(0); }

void AutoMidHandle(int enable) { g_auto_mid_handle = enable != 0; }
bool AutoMidHandleEnabled() { return g_auto_mid_handle; }

std::string StripDir(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}
