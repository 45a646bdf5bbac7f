// A drawing context's side on its SDL window, and every SDL call of the
// drawing layer: the GL attributes, the GL context (made at first use,
// sharing textures with every other context of the program), the window's
// sizes, presenting by a swap or by copying parts of the back buffer, and
// the system's clock. It carries out what the presenter decides; it
// decides nothing itself. Internal to platform/.
#pragma once

#include <memory>

#include "platform/drawing/presenter.h"
#include "platform/drawing/repaint_record.h"

struct SDL_Window;

// Sets the SDL GL attributes (3.3 core, double buffer, shared textures);
// call before creating any SDL window with SDL_WINDOW_OPENGL.
void PrepareGLAttributes();

namespace drawing_internal {

class GLRenderer;

// The platform context of a drawing context.
struct WindowSurface {
  SDL_Window* window = nullptr;  // not owned
  void* gl = nullptr;            // the SDL GL context, owned; made at the first activation
  // The canvas rectangle in the window's client area; until one is set the
  // canvas is the whole drawable.
  bool has_canvas_rect = false;
  int canvas_x = 0, canvas_y = 0, canvas_w = 0, canvas_h = 0;
  // The window's size in logical pixels at the last measure: what the
  // canvas rectangle and every drawing operation measure in.
  int drawable_w = 0, drawable_h = 0;
  // The output's scale (physical pixels per logical pixel, a whole number)
  // and the window's size in physical pixels.
  int scale = 1;
  int physical_w = 0, physical_h = 0;
  int swap_interval = -1;  // last value given to SDL, -1 unknown
  // Where presentations can copy parts of the back buffer to the window:
  // the X display and window and glXCopySubBufferMESA.
  void* x_display = nullptr;
  unsigned long x_window = 0;
  void (*copy_sub_buffer)(void*, unsigned long, int, int, int, int) = nullptr;
  // When and how this context presents.
  Presenter presenter;
};

// The window's size in logical pixels now.
void WindowLogicalSize(const WindowSurface& s, int* width, int* height);

// Reads the window's sizes and scale into s (and the canvas rectangle when
// none is set); `changed`: its logical or physical size differs from the
// last measure; `scaled`: they differ from each other.
struct SurfaceMeasure {
  bool changed = false;
  bool scaled = false;
};
SurfaceMeasure MeasureSurface(WindowSurface& s);

// Makes s's GL context current. At first use it is made, with its back end
// in `driver`, and `made` receives what the display allows; `follow_size`
// binds it again so that the window system's buffers follow a new size.
// Throws DrawingFailure(DrawingError::kNoContext).
void MakeSurfaceCurrent(WindowSurface& s, std::unique_ptr<GLRenderer>& driver, bool follow_size,
                        DisplayAbilities* made);

// Presents s's back buffer: a swap (first giving SDL the swap interval
// when it changed, 1: wait for the vertical refresh), or a copy of `region`
// (window pixels, bottom-left origin) to the window.
void PresentSurface(WindowSurface& s, PresentMethod method, const Damage& region, int interval);

// The GL context current before Bind, made current again by Restore.
struct SurfaceBinding {
  SDL_Window* window = nullptr;
  void* gl = nullptr;
};
// Makes s's GL context current for a moment; false when it has none.
bool BindSurface(const WindowSurface& s, SurfaceBinding* previous);
void RestoreBinding(const WindowSurface& s, const SurfaceBinding& previous);

// Deletes s's GL context, and `driver` in it first. The window must still
// exist.
void ReleaseSurface(WindowSurface& s, std::unique_ptr<GLRenderer>& driver);

// The generation of the live texture share group: it changes whenever a GL
// context is made while none of this program's contexts is alive, so that
// textures tagged with an older one are known to be gone.
unsigned CurrentTextureGeneration();
// Whether the GL context current on this thread is one of this program's.
bool OwnGLContextIsCurrent();

}  // namespace drawing_internal
