// Decoded pictures: pixel formats, the pixel buffer and the pixmap, the
// limit every decoder keeps to, and conversion to the standard format.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

// Pixel formats of TPixmap::format.
enum : int {
  PF_I8 = 1,      // grey
  PF_A8 = 2,      // alpha only, colour white
  PF_BGR888 = 3,
  PF_RGB888 = 4,
  PF_BGRA8888 = 5,
  PF_RGBA8888 = 6,  // the standard format
};

int BytesPerPixel(int format);
bool FormatHasAlpha(int format);

// The largest picture any decoder makes: 2^28 pixels (1 GiB as RGBA), of
// any shape. A strip of thousands of frames is as long as it needs to be;
// only its frames become textures, never the whole side.
constexpr std::int64_t kMaxPixmapPixels = std::int64_t{1} << 28;

// Zeroed bytes for pixels. Large buffers are pages taken from the system,
// which cost nothing until written: a picture whose header claims a huge
// size and whose data then ends costs only the rows actually decoded. The
// last byte of a large buffer sits against an inaccessible page, so a write
// past the end faults at once. Allocation failure throws std::bad_alloc.
class TPixelBuffer {
 public:
  TPixelBuffer() = default;
  explicit TPixelBuffer(std::size_t n);
  // n bytes the caller will write in full: small buffers are not cleared.
  static TPixelBuffer ForOverwrite(std::size_t n);
  TPixelBuffer(const TPixelBuffer& other);
  TPixelBuffer(TPixelBuffer&& other) noexcept;
  TPixelBuffer& operator=(const TPixelBuffer& other);
  TPixelBuffer& operator=(TPixelBuffer&& other) noexcept;
  ~TPixelBuffer();

  std::uint8_t* data() { return data_; }
  const std::uint8_t* data() const { return data_; }
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  std::uint8_t* begin() { return data_; }
  std::uint8_t* end() { return data_ + size_; }
  const std::uint8_t* begin() const { return data_; }
  const std::uint8_t* end() const { return data_ + size_; }
  std::uint8_t& operator[](std::size_t i) { return data_[i]; }
  std::uint8_t operator[](std::size_t i) const { return data_[i]; }
  // n bytes: the first ones kept, new ones zero.
  void resize(std::size_t n);
  void assign(std::size_t n, std::uint8_t value);
  // Keeps the first n bytes (n <= size()) and gives the pages after them back.
  void Shrink(std::size_t n);
  bool operator==(const TPixelBuffer& other) const;

 private:
  TPixelBuffer(std::size_t n, bool clear);
  void Release();
  std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
  void* map_ = nullptr;  // the mapping behind a large buffer, else null
  std::size_t map_size_ = 0;
};

// A decoded picture, rows top first, each row padded to a multiple of 4 bytes.
struct TPixmap {
  int width = 0;
  int height = 0;
  int pitch = 0;
  int format = 0;
  TPixelBuffer pixels;

  std::uint8_t* Row(int y) { return pixels.data() + static_cast<std::size_t>(y) * pitch; }
  const std::uint8_t* Row(int y) const {
    return pixels.data() + static_cast<std::size_t>(y) * pitch;
  }
};
using PixmapPtr = std::shared_ptr<TPixmap>;

// Whether a picture of this size may be allocated: both sides at least 1 and
// at most 2^28 pixels in all. Decoders ask before allocating anything.
bool PixmapSizeSane(std::int64_t width, std::int64_t height);
// Row pitch of a pixmap: width * bytes per pixel rounded up to 4.
int PixmapPitch(int width, int format);
// Allocates a zeroed pixmap; null when the size is not sane (non-positive,
// over the decoders' limits, or overflowing) or the memory cannot be had.
PixmapPtr CreatePixmap(int width, int height, int format);
// Copy converted to format 6.
PixmapPtr ConvertToRGBA(const TPixmap& src);
// Converts n pixels of the given format at src to RGBA at dst.
void ConvertRowToRGBA(const std::uint8_t* src, std::uint8_t* dst, int n, int format);
