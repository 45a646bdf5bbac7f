// The drawing layer's frame textures, kept per image and let go once the
// image has gone: at the next presentation, or when another image takes its
// memory first.
#include "platform/drawing/image_textures.h"

#include <memory>

#include "platform/drawing/gl_renderer.h"
#include "platform/drawing/graphics_context.h"
#include "platform/drawing/graphics_window.h"

namespace drawing_internal {

namespace {

struct Held {
  std::weak_ptr<const TImage> owner;
  TFrameTextures textures;
};

// Never destroyed: images held by globals may go while the program ends,
// in any order of static destruction.
std::unordered_map<const TImage*, Held>& Cache() {
  static auto& cache = *new std::unordered_map<const TImage*, Held>;
  return cache;
}

// GL is called only for names of the live share group; the others went
// with their contexts and are simply forgotten.
void Release(const TFrameTextures& textures, GLRenderer& renderer) {
  const unsigned generation = CurrentTextureGeneration();
  textures.ForEach([&](const TFrameTexture& ft) {
    if (ft.name != 0 && ft.seq == generation) renderer.DeleteTexture(ft.name);
  });
}

}  // namespace

// ---------------------------------------------------------------------------
// One image's textures.

TFrameTexture& TFrameTextures::operator[](std::size_t i) { return entries_[i].texture; }

const TFrameTexture* TFrameTextures::Find(std::size_t i) const {
  const auto it = entries_.find(i);
  return it != entries_.end() ? &it->second.texture : nullptr;
}

void TFrameTextures::Touch(std::size_t i) {
  Entry& e = entries_[i];
  if (e.used) {
    uses_.splice(uses_.begin(), uses_, e.use);
  } else {
    uses_.push_front(i);
    e.use = uses_.begin();
    e.used = true;
  }
}

void TFrameTextures::Made(std::size_t i, std::size_t texture_bytes) {
  Touch(i);
  Entry& e = entries_[i];
  bytes = bytes - e.bytes + texture_bytes;
  e.bytes = texture_bytes;
}

bool TFrameTextures::Oldest(std::size_t* i) const {
  if (uses_.empty()) return false;
  *i = uses_.back();
  return true;
}

void TFrameTextures::Erase(std::size_t i) {
  const auto it = entries_.find(i);
  if (it == entries_.end()) return;
  if (it->second.used) uses_.erase(it->second.use);
  bytes -= it->second.bytes;
  entries_.erase(it);
}

// ---------------------------------------------------------------------------
// The cache of every image's textures.

TFrameTextures& ImageTextures(const TImage& image, GLRenderer& renderer) {
  Held& held = Cache()[&image];
  if (held.owner.expired()) {
    // A fresh entry, or one an image that has gone left at this address.
    Release(held.textures, renderer);
    held.textures = TFrameTextures();
    held.owner = image.weak_from_this();
  }
  return held.textures;
}

const TFrameTextures* FindImageTextures(const TImage& image) {
  const auto it = Cache().find(&image);
  if (it == Cache().end() || it->second.owner.expired()) return nullptr;
  return &it->second.textures;
}

void ReleaseGoneImageTextures(GLRenderer& renderer) {
  auto& cache = Cache();
  for (auto it = cache.begin(); it != cache.end();) {
    if (!it->second.owner.expired()) {
      ++it;
      continue;
    }
    Release(it->second.textures, renderer);
    it = cache.erase(it);
  }
}

void ForEachImageTextures(const std::function<void(const TFrameTextures&)>& f) {
  for (const auto& entry : Cache()) f(entry.second.textures);
}

}  // namespace drawing_internal
