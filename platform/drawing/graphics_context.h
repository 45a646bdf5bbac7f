// The drawing context object and what the drawing layer's files share about
// it. Internal to platform/.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/drawing/font_default.h"
#include "platform/drawing/gl_renderer.h"

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
  int _setup = 0;

  // --- the platform side ---
  // Context size: the canvas size read at the last SetGraphics.
  int width = 0, height = 0;
  SDL_Window* window = nullptr;  // not owned
  void* gl = nullptr;            // the SDL GL context, owned; made at the first SetGraphics
  std::unique_ptr<drawing_internal::GLRenderer> renderer;
  // The canvas rectangle in the window's client area; until one is set the
  // canvas is the whole drawable.
  bool has_canvas_rect = false;
  int canvas_x = 0, canvas_y = 0, canvas_w = 0, canvas_h = 0;
  // The window's size in logical pixels at SetGraphics: what the canvas
  // rectangle and every drawing operation measure in.
  int drawable_w = 0, drawable_h = 0;
  // The output's scale (physical pixels per logical pixel, a whole number)
  // and the window's size in physical pixels.
  int scale = 1;
  int physical_w = 0, physical_h = 0;
  // Whether the canvas is drawn apart and presented scaled: the drawable
  // is not the window's logical size.
  bool offscreen = false;
  // Whether SetViewport has been called; until then the clipping rectangle
  // takes the context size at the first activation as its start value.
  bool viewport_given = false;
  int swap_interval = -1;  // last value given to SDL, -1 unknown
  // Set where a presentation copies parts of the back buffer to the window
  // instead of swapping (see ChoosePresentation): the X display and window
  // and glXCopySubBufferMESA.
  void* x_display = nullptr;
  unsigned long x_window = 0;
  void (*copy_sub_buffer)(void*, unsigned long, int, int, int, int) = nullptr;
  // The drawable's size changed since its buffers were last made to follow.
  bool buffers_follow = false;
  // How many of the next Flips present whatever their repaint holds: the
  // screen may no longer show the last presented picture (first use,
  // resize, expose, another context drew).
  int forced_presents = 0;
  // Every Flip presents until the clock passes this (see SettleGraphics).
  std::uint32_t settle_until = 0;
  bool settling = false;
  // When the last real presentation was made.
  std::uint32_t last_present = 0;

  explicit TGraphics(SDL_Window* w) : window(w) {}
  ~TGraphics();
  TGraphics(const TGraphics&) = delete;
  TGraphics& operator=(const TGraphics&) = delete;
};

namespace drawing_internal {

// Recomputes the transform from rotation and scale.
void UpdateTransform(TGraphics& g);
// Hands the clipping rectangle to the back end, deciding whether clipping is
// on against the context size.
void ApplyClip(TGraphics& g);

// Drops g as the current drawing context.
void ForgetCurrentGraphics(TGraphics* g);
// What the layer counts as it works, and a clock that replaces the real
// one while set: read and set by the test library only.
struct TDrawingProbe {
  long presents = 0;  // buffer swaps made by Flip
  int gl_errors = 0;  // GL errors CheckGLErrors found
  std::function<std::uint32_t()> clock;
  // Canvases made current keep a picture of their own, as on a scaled
  // output, though the display is not scaled.
  bool retain_picture = false;
  // GL contexts made present by swapping, even where copying is possible.
  bool swap_always = false;
};
TDrawingProbe& DrawingProbe();
// The next Flip of g presents, whatever its repaint holds.
inline void ForcePresent(TGraphics& g) {
  if (g.forced_presents < 1) g.forced_presents = 1;
}

}  // namespace drawing_internal
