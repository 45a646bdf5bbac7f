// A drawing context's life on its canvas: what happens to it goes to its
// presenter, whose decisions the window side and the renderer carry out.
#include "platform/drawing/graphics_canvas.h"

#include <algorithm>

#include "platform/drawing/drawing_host.h"
#include "platform/drawing/gl_renderer.h"
#include "platform/drawing/graphics_context.h"
#include "platform/drawing/graphics_window.h"
#include "platform/images/image.h"

using namespace drawing_internal;

namespace {

TGraphics* g_current = nullptr;
bool g_trim_after_present = false;

// Shows the whole picture again by a swap, as the window system's changes
// ask; the back buffer holds nothing known afterwards.
void SwapWhole(TGraphics& g, int interval) {
  Damage whole;
  whole.full = true;
  PresentSurface(g._graphics, PresentMethod::kSwap, whole, interval);
  g._driver->BackBufferLost();
}

}  // namespace

TGraphics* drawing_internal::Current() { return g_current; }

TGraphics* CreateWindowGraphics(SDL_Window* window) {
  if (window == nullptr) return nullptr;
  auto* g = new TGraphics(window);
  int w = 0, h = 0;
  WindowLogicalSize(g->_graphics, &w, &h);
  g->width = w;
  g->height = h;
  g->viewport_w = w;
  g->viewport_h = h;
  return g;
}

void SetGraphicsCanvasRect(TGraphics* graphics, int x, int y, int width, int height) {
  if (graphics == nullptr) return;
  WindowSurface& s = graphics->_graphics;
  width = std::max(0, width);
  height = std::max(0, height);
  if (!s.has_canvas_rect || s.canvas_x != x || s.canvas_y != y || s.canvas_w != width ||
      s.canvas_h != height) {
    s.presenter.CanvasMoved(Host().Now());
  }
  s.has_canvas_rect = true;
  s.canvas_x = x;
  s.canvas_y = y;
  s.canvas_w = width;
  s.canvas_h = height;
}

void WindowGraphicsChanged(TGraphics* graphics, WindowChange change) {
  if (graphics != nullptr) graphics->_graphics.presenter.WindowChanged(change, Host().Now());
}

bool PresentLastPicture(TGraphics* graphics) {
  if (graphics == nullptr || !graphics->_driver) return false;
  TGraphics& g = *graphics;
  WindowSurface& s = g._graphics;
  SurfaceBinding previous;
  if (!BindSurface(s, &previous)) return false;
  // A window resized meanwhile gets the picture at its top-left corner and
  // the colour the picture was cleared to around it, not whatever its new
  // buffers hold.
  const int old_h = s.drawable_h;
  const SurfaceMeasure measure = MeasureSurface(s);
  int lift = 0;
  if (measure.changed) {
    s.presenter.DrawableMeasured(true, measure.scaled, true, Host().Now());
    MakeSurfaceCurrent(s, g._driver, true, nullptr);
    if (s.presenter.TakeSwapToFollowSize()) SwapWhole(g, s.swap_interval);
    if (s.presenter.Home() != PictureHome::kApart) lift = s.drawable_h - old_h;
  }
  const bool drawn = g._driver->RedrawPresented(true, lift);
  if (drawn) {
    if (measure.changed) {
      g._driver->PresentTargetFilled(s.physical_w, s.physical_h, s.scale);
    } else {
      g._driver->PresentTarget(s.physical_w, s.physical_h, s.scale);
    }
    const PresentMethod method = Presenter::MethodForWindowSystem();
    PresentSurface(s, method, s.presenter.Region(method, g._driver->Drawn()), 0);
    if (method == PresentMethod::kSwap) g._driver->BackBufferLost();
  }
  RestoreBinding(s, previous);
  return drawn;
}

void FreeWindowGraphics(TGraphics* graphics) {
  if (graphics == nullptr) return;
  if (g_current == graphics) g_current = nullptr;
  ReleaseSurface(graphics->_graphics, graphics->_driver);
  delete graphics;
}

void drawing_internal::ActivateCanvas(TGraphics* graphics) {
  if (graphics == nullptr) {
    g_current = nullptr;
    return;
  }
  TGraphics& g = *graphics;
  WindowSurface& s = g._graphics;
  Presenter& presenter = s.presenter;
  if (g_current != &g) presenter.OtherContextDrew();
  const bool first = s.gl == nullptr;
  const SurfaceMeasure measure = MeasureSurface(s);
  presenter.DrawableMeasured(measure.changed, measure.scaled, !first, Host().Now());
  // The canvas's size becomes the context size.
  const bool resized = g.width != s.canvas_w || g.height != s.canvas_h;
  g.width = s.canvas_w;
  g.height = s.canvas_h;
  DisplayAbilities found;
  MakeSurfaceCurrent(s, g._driver, resized && !first, &found);
  if (first) {
    presenter.ContextMade(Host().Use(found));
  } else if (presenter.TakeSwapToFollowSize()) {
    // This shows the last picture again, so that this repaint is drawn at
    // the new size.
    SwapWhole(g, s.swap_interval);
  }
  g_current = &g;
  const PictureHome home = presenter.Home();
  const bool apart = home == PictureHome::kApart;
  const bool kept = home == PictureHome::kKeptBackBuffer;
  g._driver->SetTarget(apart ? s.drawable_w : 0, apart ? s.drawable_h : 0);
  g._driver->KeepBackBuffer(kept ? s.physical_w : 0, kept ? s.physical_h : 0);
}

void drawing_internal::FirstCanvasUse(TGraphics& g) { g._graphics.presenter.FirstUse(Host().Now()); }

void drawing_internal::PresentCanvas(TGraphics& g, int sync) {
  WindowSurface& s = g._graphics;
  Presenter& presenter = s.presenter;
  const std::uint32_t now = Host().Now();
  const Presentation how = presenter.Next(now);
  if (!g._driver->EndFrame(how)) return;
  presenter.Presented(now);
  Host().Presented();
  g._driver->PresentTarget(s.physical_w, s.physical_h, s.scale);
  CollectGLErrors();
  const PresentMethod method = presenter.Method(how);
  PresentSurface(s, method, presenter.Region(method, g._driver->Drawn()), sync != 0 ? 1 : 0);
  if (method == PresentMethod::kSwap) g._driver->BackBufferLost();
  if (g_trim_after_present) {
    g_trim_after_present = false;
    ReleaseFreedMemory();
  }
}

void drawing_internal::TrimAfterNextPresentation() { g_trim_after_present = true; }

int drawing_internal::CollectGLErrors() {
  if (!OwnGLContextIsCurrent()) return 0;
  const int found = GLRenderer::TakeErrors();
  Host().ErrorsFound(found);
  return found;
}
