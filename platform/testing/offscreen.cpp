#include "platform/testing/offscreen.h"

#include <SDL.h>

#include <cstdio>

#include "platform/drawing/graphics.h"
#include "platform/drawing/graphics_canvas.h"
#include "platform/drawing/graphics_window.h"

using namespace drawing_internal;

OffscreenCanvas::OffscreenCanvas(int width, int height) : width_(width), height_(height) {
  if (SDL_WasInit(SDL_INIT_VIDEO) == 0 && SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "offscreen: no video: %s\n", SDL_GetError());
    return;
  }
  PrepareGLAttributes();
  window_ = SDL_CreateWindow("offscreen", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, width,
                             height, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
  if (window_ == nullptr) {
    std::fprintf(stderr, "offscreen: no window: %s\n", SDL_GetError());
    return;
  }
  graphics_ = CreateWindowGraphics(window_);
  SetGraphicsCanvasRect(graphics_, 0, 0, width, height);
}

OffscreenCanvas::~OffscreenCanvas() {
  if (graphics_ != nullptr && CurrentGraphics() == graphics_) SetGraphics(nullptr);
  FreeWindowGraphics(graphics_);
  if (window_ != nullptr) SDL_DestroyWindow(window_);
}

void OffscreenCanvas::Resize(int width, int height) {
  if (window_ == nullptr) return;
  width_ = width;
  height_ = height;
  SDL_SetWindowSize(window_, width, height);
  SetGraphicsCanvasRect(graphics_, 0, 0, width, height);
}
