// What the drawing layer takes from the system around it, in one place: the
// millisecond clock its presentations are timed by, the way of presenting
// the display allows, and word of what it did. The layer runs on the
// system's own host (graphics_window.cpp); another host can take its place
// for the whole layer, with a clock of its own, say, or a display that keeps
// every picture apart.
// Internal to platform/.
#pragma once

#include <cstdint>

#include "platform/drawing/presenter.h"

namespace drawing_internal {

class DrawingHost {
 public:
  virtual ~DrawingHost() = default;
  // Milliseconds, wrapping; only differences count.
  virtual std::uint32_t Now() = 0;
  // The abilities a new GL context's display was found to have, as the
  // context is to use them.
  virtual DisplayAbilities Use(const DisplayAbilities& found) { return found; }
  // Flip presented a repaint.
  virtual void Presented() {}
  // CheckGLErrors found `count` GL errors.
  virtual void ErrorsFound(int count) { (void)count; }
};

// The host in force: the system's own unless another was set.
DrawingHost& Host();
// Sets the host in force; null restores the system's own.
void SetHost(DrawingHost* host);

}  // namespace drawing_internal
