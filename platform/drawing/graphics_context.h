// The drawing context object, as the drawing layer's files share it.
// Internal to platform/.
#pragma once

#include <memory>

#include "platform/drawing/font_default.h"
#include "platform/drawing/gl_renderer.h"
#include "platform/drawing/graphics_window.h"

struct SDL_Window;

class TGraphics {
 public:
  // --- drawing state, kept between repaints ---
  int color_red = 255, color_green = 255, color_blue = 255;
  float color_alpha = 1.0f;
  int clscolor_red = 0, clscolor_green = 0, clscolor_blue = 0;
  float line_width = 1.0f;
  float tform_rot = 0.0f;
  float tform_scale_x = 1.0f, tform_scale_y = 1.0f;
  float tform_ix = 1.0f, tform_iy = 0.0f, tform_jx = 0.0f, tform_jy = 1.0f;
  int viewport_x = 0, viewport_y = 0, viewport_w = 0, viewport_h = 0;
  float origin_x = 0.0f, origin_y = 0.0f;
  float handle_x = 0.0f, handle_y = 0.0f;  // stored negated
  const TFont* image_font = DefaultFont();
  int blend_mode = BLEND_MASKED;
  // The platform context (the window, its GL context, the canvas's place,
  // how presentations reach the screen) and the back end.
  drawing_internal::WindowSurface _graphics;
  std::unique_ptr<drawing_internal::GLRenderer> _driver;
  int _setup = 0;

  // Context size: the canvas size read at the last SetGraphics.
  int width = 0, height = 0;

  explicit TGraphics(SDL_Window* window) { _graphics.window = window; }
  TGraphics(const TGraphics&) = delete;
  TGraphics& operator=(const TGraphics&) = delete;
};
