// Pixmaps, images and their loading: embedded resources, URL opening, the
// decoders (TGA, JPEG, BMP, PNG) and building images cut into frames.
// Loading needs no drawing context, and images hold no textures: the
// drawing layer makes and keeps those, at the first DrawImage of each frame.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

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

// Image flags.
enum : int {
  MASKEDIMAGE = 1,
  FILTEREDIMAGE = 2,
  MIPMAPPEDIMAGE = 4,
};

// The frames of an image. Either a list of pictures of their own, or the
// cells of one shared picture: cell i of a grid is the cell-sized region at
// ((first + i) mod columns, (first + i) div columns), and nothing is stored
// per frame, so a sheet cut into millions of tiles costs no more than the
// picture. A grid of a picture without alpha may be masked: the mask is
// applied to a cell when its pixels are asked for, within the cell.
class TFrameList {
 public:
  std::size_t size() const { return grid_ ? count_ : list_.size(); }
  bool empty() const { return size() == 0; }
  void reserve(std::size_t n) { list_.reserve(n); }
  void push_back(PixmapPtr pixmap) { list_.push_back(std::move(pixmap)); }
  void clear();

  // Frame i as a picture of its own. A cell of a grid is copied (and
  // masked) at the first ask and kept with the list; the drawing layer uses
  // Pixels instead, which keeps nothing.
  const PixmapPtr& operator[](std::size_t i) const;
  const PixmapPtr& at(std::size_t i) const;
  // Frame i's pixels, made anew for a cell of a grid; null when i has none.
  PixmapPtr Pixels(std::size_t i) const;
  // Whether frame i exists and has a picture.
  bool Has(std::size_t i) const { return grid_ ? i < count_ : i < list_.size() && list_[i]; }
  // Bytes of the pictures the frames come from.
  std::size_t PictureBytes() const;

  void SetGrid(PixmapPtr sheet, int cell_width, int cell_height, std::int64_t first,
               std::int64_t count, bool mask, int mask_r, int mask_g, int mask_b);
  const PixmapPtr& Sheet() const { return sheet_; }

  class const_iterator {
   public:
    const_iterator(const TFrameList* list, std::size_t i) : list_(list), i_(i) {}
    const PixmapPtr& operator*() const { return (*list_)[i_]; }
    const_iterator& operator++() {
      ++i_;
      return *this;
    }
    bool operator==(const const_iterator& o) const { return i_ == o.i_; }

   private:
    const TFrameList* list_;
    std::size_t i_;
  };
  const_iterator begin() const { return {this, 0}; }
  const_iterator end() const { return {this, size()}; }

 private:
  std::vector<PixmapPtr> list_;
  bool grid_ = false;
  PixmapPtr sheet_;
  int cell_w_ = 0, cell_h_ = 0;
  std::int64_t first_ = 0, columns_ = 1;
  std::size_t count_ = 0;
  bool mask_ = false;
  int mask_r_ = 0, mask_g_ = 0, mask_b_ = 0;
  mutable std::unordered_map<std::size_t, PixmapPtr> made_;
};

// An image is pure data: the drawing layer keeps the textures it makes for
// one (images are drawn as held by an ImagePtr, which is how it learns that
// one has gone).
struct TImage : std::enable_shared_from_this<TImage> {
  int width = 0;   // size of one frame
  int height = 0;
  int flags = 0;
  int mask_r = 0, mask_g = 0, mask_b = 0;
  float handle_x = 0.0f;
  float handle_y = 0.0f;
  TFrameList pixmaps;  // one per frame

  TImage() = default;
  TImage(const TImage&) = delete;
  TImage& operator=(const TImage&) = delete;
};
using ImagePtr = std::shared_ptr<TImage>;

// Embedded resources, opened as "incbin::" + name. The first registration of
// a name stays: 1 when added, 0 when the name was already there.
int IncbinAdd(const std::string& name, const std::uint8_t* data, std::size_t length);
// Drops a registration (for tests and fuzzing, whose buffers do not live for
// the whole run): 1 when it was there, 0 otherwise.
int IncbinRemove(const std::string& name);

// Decodes the picture at url (a file path, or "proto::path"); null when it
// cannot be opened, is not a regular file or an embedded resource, every
// decoder declines, or memory runs out. The loaders below are null in the
// same cases; none of them throws.
PixmapPtr LoadPixmap(const std::string& url);

// flags -1 means the automatic flags (masked | filtered).
ImagePtr LoadImage(const std::string& url, int flags = -1);
ImagePtr LoadImage(const PixmapPtr& pixmap, int flags = -1);
ImagePtr LoadAnimImage(const std::string& url, int cell_width, int cell_height, int first,
                       int count, int flags = -1);
ImagePtr LoadAnimImage(const PixmapPtr& pixmap, int cell_width, int cell_height, int first,
                       int count, int flags = -1);

// Images loaded while this is on get their handle at their centre.
void AutoMidHandle(int enable);
bool AutoMidHandleEnabled();

// The file name part of a path: the text after the last "/". A "\" is an
// ordinary character of a file name here.
std::string StripDir(const std::string& path);

// Hands memory the process has freed back to the system. A sheet's pixels
// are large blocks; once the allocator has seen such blocks freed it keeps
// later ones in its heap, where they stay mapped after they are freed.
void ReleaseFreedMemory();

// What the drawing layer uploads for one frame: level 0 is a power-of-two
// format-6 picture holding the frame in its top-left corner (edges
// duplicated one texel right and down), further levels for mipmapping.
struct TexturePlan {
  std::vector<TPixmap> levels;  // empty: not even 1 x 1 fits
  float u = 1.0f;
  float v = 1.0f;
};
TexturePlan PrepareFrameTexture(const TPixmap& frame, int flags, int max_texture_size);
