// The drawing layer's textures of images' frames. Images are pure data: the
// textures made for them live here, one bounded cache per image, and are let
// go once their image is gone. Internal to platform/.
#pragma once

#include <cstddef>
#include <functional>
#include <list>
#include <unordered_map>

#include "platform/drawing/graphics.h"

namespace drawing_internal {

class GLRenderer;

// The texture of one frame of an image, made at its first draw.
struct TFrameTexture {
  unsigned name = 0;   // GL texture name, 0 while not made
  unsigned seq = 0;    // graphics generation it was made for; 0 = none yet
  float u = 1.0f;      // texture coordinates of the frame's far corner
  float v = 1.0f;
  bool full_size = true;      // one texel per pixel of the frame
  bool binary_alpha = false;  // every texel's alpha is 0 or 255
};

// The textures of one image's frames: only frames that have one are stored,
// with the order in which they were last drawn, so that their total size can
// be kept bounded.
class TFrameTextures {
 public:
  // The entry of frame i (a fresh one when it has none).
  TFrameTexture& operator[](std::size_t i);
  // Frame i's entry, or null when it has none.
  const TFrameTexture* Find(std::size_t i) const;

  // Bytes held by the textures, the frame drawn least recently, and each
  // entry with its frame.
  std::size_t bytes = 0;
  void Touch(std::size_t i);  // frame i was drawn now
  void Made(std::size_t i, std::size_t texture_bytes);  // and holds a new texture
  bool Oldest(std::size_t* i) const;
  void Erase(std::size_t i);
  template <typename F>
  void ForEach(F f) const {
    for (const auto& [i, entry] : entries_) f(entry.texture);
  }

 private:
  struct Entry {
    TFrameTexture texture;
    std::size_t bytes = 0;
    std::list<std::size_t>::iterator use;
    bool used = false;
  };
  std::unordered_map<std::size_t, Entry> entries_;
  std::list<std::size_t> uses_;  // most recently drawn first
};

// The textures of `image`, made empty at its first draw. An entry left by an
// image that has gone (and whose memory `image` now has) is let go first.
TFrameTextures& ImageTextures(const TImage& image, GLRenderer& renderer);
// The textures of `image` when it has been drawn; null otherwise.
const TFrameTextures* FindImageTextures(const TImage& image);
// Lets go of the textures of every image that has gone since.
void ReleaseGoneImageTextures(GLRenderer& renderer);
// Calls f with every image's textures, those of images that have gone but
// are not yet let go included.
void ForEachImageTextures(const std::function<void(const TFrameTextures&)>& f);

}  // namespace drawing_internal
