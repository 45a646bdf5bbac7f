// A drawing context on a hidden window, for tests and benchmarks that draw
// and read the result back without a visible canvas.
#pragma once

#include <memory>

struct SDL_Window;
class TGraphics;

class OffscreenCanvas {
 public:
  // Brings SDL video up when needed and makes a hidden w x h GL window. Check
  // ok(): false when there is no display or no window could be made.
  OffscreenCanvas(int width, int height);
  ~OffscreenCanvas();
  OffscreenCanvas(const OffscreenCanvas&) = delete;
  OffscreenCanvas& operator=(const OffscreenCanvas&) = delete;

  bool ok() const { return graphics_ != nullptr; }
  // The drawing context; its GL context is made at the first SetGraphics.
  TGraphics* graphics() const { return graphics_; }
  // Resizes the window and the canvas, as the window layer does on SetShape.
  void Resize(int width, int height);
  int width() const { return width_; }
  int height() const { return height_; }

 private:
  SDL_Window* window_ = nullptr;
  TGraphics* graphics_ = nullptr;
  int width_ = 0, height_ = 0;
};
