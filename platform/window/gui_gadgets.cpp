// The window layer's gadgets: the desktop, one SDL window per window gadget,
// and canvases, each a rectangle of its window's client area that owns a
// drawing context.

#include "platform/window/gui_gadgets.h"

#include <algorithm>
#include <cstdio>

#include "platform/drawing/graphics_canvas.h"
#include "platform/window/gui_internal.h"

using namespace drawing_internal;

using namespace gui_internal;

namespace gui_internal {

TGadget* WindowFromSDL(Uint32 window_id) {
  for (TGadget* w : g_gui.windows) {
    if (w->native && w->native->window && SDL_GetWindowID(w->native->window) == window_id) {
      return w;
    }
  }
  return nullptr;
}

TGadget* FirstCanvas(TGadget* window) {
  if (!window) return nullptr;
  for (TGadget* kid : window->kids) {
    if (kid->kind == GadgetKind::Canvas) return kid;
  }
  return nullptr;
}

TGadget* CanvasAt(TGadget* window, int x, int y) {
  if (!window) return nullptr;
  for (TGadget* kid : window->kids) {
    if (kid->kind != GadgetKind::Canvas) continue;
    if (x >= kid->xpos && x < kid->xpos + kid->width && y >= kid->ypos &&
        y < kid->ypos + kid->height) {
      return kid;
    }
  }
  return nullptr;
}

void ClientSizeOf(TGadget* window, int* width, int* height) {
  SDL_GetWindowSize(window->native->window, width, height);
  if (window->style & WINDOW_STATUS) *height -= kStatusBarHeight;
}

namespace {

// The default layout rule of a child: same size, its centre keeps its
// relative place in the parent's client area.
void RelayoutChildren(TGadget* window) {
  for (TGadget* kid : window->kids) {
    if (kid->ref_parent_w <= 0 || kid->ref_parent_h <= 0) continue;
    const int nx = window->width * (kid->ref_x + kid->ref_w / 2) / kid->ref_parent_w - kid->ref_w / 2;
    const int ny =
        window->height * (kid->ref_y + kid->ref_h / 2) / kid->ref_parent_h - kid->ref_h / 2;
    kid->xpos = nx;
    kid->ypos = ny;
    if (kid->native && kid->native->graphics) {
      SetGraphicsCanvasRect(kid->native->graphics, kid->xpos, kid->ypos, kid->width, kid->height);
    }
  }
}

}  // namespace

void ReportResize(TGadget* window) {
  RelayoutChildren(window);
  EmitFor(WindowSize, window, 0, window->width, window->height);
  if (TGadget* canvas = FirstCanvas(window)) EmitFor(GadgetPaint, canvas, 0, 0, 0);
}

}  // namespace gui_internal

namespace {

// A window or canvas with its native side, not yet on screen.
TGadget* NewGadget(GadgetKind kind, TGadget* parent, int style) {
  auto* gadget = new TGadget;
  gadget->kind = kind;
  gadget->native = new TGadget::Native;
  gadget->parent = parent;
  gadget->style = style;
  return gadget;
}

}  // namespace

// ---------------------------------------------------------------------------
// Desktop and windows

TGadget* Desktop() {
  static TGadget desktop;
  desktop.kind = GadgetKind::Desktop;
  if (InitGui()) {
    SDL_DisplayMode mode{};
    if (SDL_GetDesktopDisplayMode(0, &mode) == 0) {
      desktop.width = mode.w;
      desktop.height = mode.h;
    }
  }
  return &desktop;
}

TGadget* CreateWindow(const std::string& title, int x, int y, int width, int height,
                      TGadget* group, int style) {
  if (!InitGui()) return nullptr;
  if (style & WINDOW_CENTER) {
    if (group && group->kind == GadgetKind::Window) {
      x = group->xpos + (group->width - width) / 2;
      y = group->ypos + (group->height - height) / 2;
    } else {
      TGadget* desk = Desktop();
      x = (desk->width - width) / 2;
      y = (desk->height - height) / 2;
    }
  }
  // Positions count from the usable area's corner (panels excluded).
  SDL_Rect usable{0, 0, 0, 0};
  SDL_GetDisplayUsableBounds(0, &usable);

  int client_w = width;
  int client_h = height;
  if (style & WINDOW_STATUS) client_h += kStatusBarHeight;

  Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_ALLOW_HIGHDPI;
  if (style & WINDOW_RESIZABLE) flags |= SDL_WINDOW_RESIZABLE;
  if (!(style & WINDOW_TITLEBAR)) flags |= SDL_WINDOW_BORDERLESS;
  if (style & WINDOW_TOOL) flags |= SDL_WINDOW_UTILITY;
  flags |= (style & WINDOW_HIDDEN) ? SDL_WINDOW_HIDDEN : SDL_WINDOW_SHOWN;

  SDL_Window* sdl = SDL_CreateWindow(title.c_str(), usable.x + x, usable.y + y,
                                     std::max(1, client_w), std::max(1, client_h), flags);
  if (!sdl) {
    std::fprintf(stderr, "%s: cannot create the window: %s\n", title.c_str(), SDL_GetError());
    return nullptr;
  }
  if (!(style & WINDOW_CLIENTCOORDS)) {
    // The given size was the outer frame: take the borders off.
    int top = 0, left = 0, bottom = 0, right = 0;
    if (SDL_GetWindowBordersSize(sdl, &top, &left, &bottom, &right) == 0) {
      SDL_SetWindowSize(sdl, std::max(1, client_w - left - right),
                        std::max(1, client_h - top - bottom));
    }
  }
  TGadget* w = NewGadget(GadgetKind::Window, group, style);
  w->native->window = sdl;
  w->name = title;
  w->xpos = x;
  w->ypos = y;
  ClientSizeOf(w, &w->width, &w->height);
  if (style & WINDOW_CLIENTCOORDS) {
    w->width = width;
    w->height = height;
  }
  g_gui.windows.push_back(w);
  if (!(style & WINDOW_HIDDEN)) SDL_RaiseWindow(sdl);
  return w;
}

namespace {

// The desktop's usable area, or the gadget's recorded size when SDL has
// none to give.
SDL_Rect ClientArea(TGadget* gadget) {
  SDL_Rect area{0, 0, gadget->width, gadget->height};
  if (gadget->kind == GadgetKind::Desktop) {
    SDL_Rect usable{0, 0, 0, 0};
    if (InitGui() && SDL_GetDisplayUsableBounds(0, &usable) == 0) area = usable;
  } else if (gadget->kind == GadgetKind::Window && gadget->native && gadget->native->window) {
    ClientSizeOf(gadget, &area.w, &area.h);
  }
  return area;
}

}  // namespace

int ClientWidth(TGadget* gadget) { return gadget ? ClientArea(gadget).w : 0; }

int ClientHeight(TGadget* gadget) { return gadget ? ClientArea(gadget).h : 0; }

// ---------------------------------------------------------------------------
// Canvases

TGadget* CreateCanvas(int x, int y, int width, int height, TGadget* group, int style) {
  if (!group || group->kind != GadgetKind::Window || !group->native) return nullptr;
  TGraphics* graphics = CreateWindowGraphics(group->native->window);
  if (!graphics) return nullptr;
  TGadget* c = NewGadget(GadgetKind::Canvas, group, style);
  c->native->graphics = graphics;
  c->sensitivity = SENSITIZE_MOUSE | SENSITIZE_KEYS;
  group->kids.push_back(c);
  c->SetShape(x, y, width, height);
  return c;
}

void TGadget::SetShape(int x, int y, int w, int h) {
  xpos = x;
  ypos = y;
  width = w;
  height = h;
  ref_x = x;
  ref_y = y;
  ref_w = w;
  ref_h = h;
  if (parent) {
    ref_parent_w = parent->width;
    ref_parent_h = parent->height;
  }
  if (kind == GadgetKind::Window && native && native->window) {
    SDL_SetWindowPosition(native->window, x, y);
    SDL_SetWindowSize(native->window, std::max(1, w), std::max(1, h));
    // SDL reports no size change it made itself: the layer reports it, as
    // it does for one the user makes.
    ClientSizeOf(this, &width, &height);
    ReportResize(this);
  }
  if (kind == GadgetKind::Canvas && native && native->graphics) {
    SetGraphicsCanvasRect(native->graphics, x, y, w, h);
  }
}

TGraphics* CanvasGraphics(TGadget* canvas) {
  if (!canvas || canvas->kind != GadgetKind::Canvas || !canvas->native) return nullptr;
  return canvas->native->graphics;
}

int ActivateWindow(TGadget* window) {
  if (window && window->kind == GadgetKind::Window && window->native && window->native->window) {
    const Uint32 flags = SDL_GetWindowFlags(window->native->window);
    if (flags & SDL_WINDOW_SHOWN) SDL_RaiseWindow(window->native->window);
  }
  return 0;
}

int ActivateGadget(TGadget* gadget) {
  // The canvas fills its window, so it holds the keyboard focus whenever its
  // window does; nothing more to do here.
  (void)gadget;
  return 0;
}

int RedrawGadget(TGadget* gadget) {
  if (gadget && gadget->kind == GadgetKind::Canvas) EmitFor(GadgetPaint, gadget, 0, 0, 0);
  return 0;
}

int FreeGadget(TGadget* gadget) {
  if (!gadget || gadget->kind == GadgetKind::Desktop) return 0;
  while (!gadget->kids.empty()) FreeGadget(gadget->kids.back());
  if (gadget->parent) std::erase(gadget->parent->kids, gadget);
  if (g_gui.under == gadget) g_gui.under = nullptr;
  if (g_gui.captured == gadget) {
    g_gui.captured = nullptr;
    g_gui.held = 0;
  }
  if (gadget->native) {
    if (gadget->native->graphics) FreeWindowGraphics(gadget->native->graphics);
    if (gadget->native->window) SDL_DestroyWindow(gadget->native->window);
    delete gadget->native;
  }
  std::erase(g_gui.windows, gadget);
  delete gadget;
  return 0;
}
