// Pixmaps: zeroed pixel memory, allocation within sane limits and
// conversion to RGBA.
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

#include "platform/images/pixmap.h"

namespace {

// Buffers from this size on are mapped rather than taken from the heap,
// where calloc may clear them by hand (and so touch every page).
constexpr std::size_t kMapThreshold = std::size_t{1} << 20;

std::size_t PageSize() {
  static const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
  return page;
}

}  // namespace

TPixelBuffer::TPixelBuffer(std::size_t n) : TPixelBuffer(n, true) {}

TPixelBuffer TPixelBuffer::ForOverwrite(std::size_t n) { return TPixelBuffer(n, false); }

TPixelBuffer::TPixelBuffer(std::size_t n, bool clear) {
  if (n == 0) return;
  if (n < kMapThreshold) {
    data_ = static_cast<std::uint8_t*>(clear ? std::calloc(n, 1) : std::malloc(n));
    if (!data_) throw std::bad_alloc();
  } else {
    // One inaccessible page follows the buffer; the buffer ends (to within
    // 16 bytes of alignment) where that page begins.
    const std::size_t page = PageSize();
    const std::size_t body = (n + page - 1) / page * page;
    if (body < n || body + page < body) throw std::bad_alloc();
    void* m = mmap(nullptr, body + page, PROT_READ | PROT_WRITE,
                   MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (m == MAP_FAILED) throw std::bad_alloc();
    auto* base = static_cast<std::uint8_t*>(m);
    mprotect(base + body, page, PROT_NONE);
    map_ = m;
    map_size_ = body + page;
    data_ = base + ((body - n) & ~std::size_t{15});
  }
  size_ = n;
}

TPixelBuffer::TPixelBuffer(const TPixelBuffer& other) : TPixelBuffer(other.size_, false) {
  if (size_) std::memcpy(data_, other.data_, size_);
}

TPixelBuffer::TPixelBuffer(TPixelBuffer&& other) noexcept
    : data_(other.data_), size_(other.size_), map_(other.map_), map_size_(other.map_size_) {
  other.data_ = nullptr;
  other.size_ = 0;
  other.map_ = nullptr;
  other.map_size_ = 0;
}

TPixelBuffer& TPixelBuffer::operator=(const TPixelBuffer& other) {
  if (this != &other) *this = TPixelBuffer(other);
  return *this;
}

TPixelBuffer& TPixelBuffer::operator=(TPixelBuffer&& other) noexcept {
  if (this != &other) {
    Release();
    std::swap(data_, other.data_);
    std::swap(size_, other.size_);
    std::swap(map_, other.map_);
    std::swap(map_size_, other.map_size_);
  }
  return *this;
}

TPixelBuffer::~TPixelBuffer() { Release(); }

void TPixelBuffer::Release() {
  if (map_)
    munmap(map_, map_size_);
  else
    std::free(data_);
  data_ = nullptr;
  size_ = 0;
  map_ = nullptr;
  map_size_ = 0;
}

void TPixelBuffer::resize(std::size_t n) {
  if (n == size_) return;
  TPixelBuffer grown(n);
  if (size_ && n) std::memcpy(grown.data_, data_, std::min(n, size_));
  *this = std::move(grown);
}

void TPixelBuffer::assign(std::size_t n, std::uint8_t value) {
  *this = TPixelBuffer(n);
  if (value) std::memset(data_, value, n);
}

void TPixelBuffer::Shrink(std::size_t n) {
  if (n >= size_) return;
  if (map_) {
    // Whole pages past the new end go back to the system.
    const std::size_t page = PageSize();
    const auto end = reinterpret_cast<std::uintptr_t>(data_ + n);
    const auto from = (end + page - 1) / page * page;
    const auto to = reinterpret_cast<std::uintptr_t>(data_ + size_) / page * page;
    if (to > from) madvise(reinterpret_cast<void*>(from), to - from, MADV_DONTNEED);
  }
  size_ = n;
}

bool TPixelBuffer::operator==(const TPixelBuffer& other) const {
  return size_ == other.size_ && (size_ == 0 || std::memcmp(data_, other.data_, size_) == 0);
}

int BytesPerPixel(int format) {
  switch (format) {
    case PF_I8:
    case PF_A8:
      return 1;
    case PF_BGR888:
    case PF_RGB888:
      return 3;
    case PF_BGRA8888:
    case PF_RGBA8888:
      return 4;
    default:
      return 0;
  }
}

bool FormatHasAlpha(int format) {
  return format == PF_A8 || format == PF_BGRA8888 || format == PF_RGBA8888;
}

bool PixmapSizeSane(std::int64_t width, std::int64_t height) {
  // Each side alone is within the budget first, so the product cannot overflow.
  return width >= 1 && height >= 1 && width <= kMaxPixmapPixels && height <= kMaxPixmapPixels &&
         width * height <= kMaxPixmapPixels;
}

int PixmapPitch(int width, int format) {
  return (width * BytesPerPixel(format) + 3) & ~3;
}

PixmapPtr CreatePixmap(int width, int height, int format) {
  if (!PixmapSizeSane(width, height) || BytesPerPixel(format) == 0) return nullptr;
  try {
    auto pm = std::make_shared<TPixmap>();
    pm->width = width;
    pm->height = height;
    pm->format = format;
    // At most 2^28 pixels of at most 4 bytes: a row, padded, fits an int.
    pm->pitch = PixmapPitch(width, format);
    pm->pixels = TPixelBuffer(static_cast<std::size_t>(pm->pitch) * static_cast<std::size_t>(height));
    return pm;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

// Converts one row of n pixels of the given format to RGBA.
void ConvertRowToRGBA(const std::uint8_t* s, std::uint8_t* d, int n, int format) {
  switch (format) {
    case PF_I8:
      for (int x = 0; x < n; ++x, d += 4) d[0] = d[1] = d[2] = s[x], d[3] = 255;
      break;
    case PF_A8:
      for (int x = 0; x < n; ++x, d += 4) d[0] = d[1] = d[2] = 255, d[3] = s[x];
      break;
    case PF_BGR888:
      for (int x = 0; x < n; ++x, s += 3, d += 4) d[0] = s[2], d[1] = s[1], d[2] = s[0], d[3] = 255;
      break;
    case PF_RGB888:
      for (int x = 0; x < n; ++x, s += 3, d += 4) d[0] = s[0], d[1] = s[1], d[2] = s[2], d[3] = 255;
      break;
    case PF_BGRA8888:
      for (int x = 0; x < n; ++x, s += 4, d += 4) d[0] = s[2], d[1] = s[1], d[2] = s[0], d[3] = s[3];
      break;
    case PF_RGBA8888:
      std::memcpy(d, s, static_cast<std::size_t>(n) * 4);
      break;
    default:
      std::memset(d, 0, static_cast<std::size_t>(n) * 4);
  }
}

PixmapPtr ConvertToRGBA(const TPixmap& src) {
  PixmapPtr dst = CreatePixmap(src.width, src.height, PF_RGBA8888);
  if (!dst) return nullptr;
  for (int y = 0; y < src.height; ++y)
    ConvertRowToRGBA(src.Row(y), dst->Row(y), src.width, src.format);
  return dst;
}
