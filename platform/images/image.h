// Images cut into frames and their loading: a picture from a file or an
// embedded resource, decoded by the first decoder that takes it, becomes an
// image of one frame or of a grid of cells. Loading needs no drawing
// context, and images hold no textures: the drawing layer makes and keeps
// those, at the first DrawImage of each frame.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/images/pixmap.h"

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
