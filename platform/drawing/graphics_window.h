// How the window layer attaches a drawing context to a canvas. Internal to
// platform/.
#pragma once

#include <cstdint>

struct SDL_Window;
class TGraphics;

// Sets the SDL GL attributes (3.3 core, double buffer, shared textures);
// call before creating any SDL window with SDL_WINDOW_OPENGL.
void PrepareGLAttributes();

// A drawing context for a canvas drawn into `window`. The GL context itself
// is made at the first SetGraphics.
TGraphics* CreateWindowGraphics(SDL_Window* window);

// The canvas's rectangle in the window's client area; the context draws
// there and uses its size as the context size.
void SetGraphicsCanvasRect(TGraphics* graphics, int x, int y, int width, int height);

// The window system showed the canvas anew (exposed, uncovered, restored):
// what is on screen may be lost, so the next Flip presents for real even
// when the repaint is the same as the last one.
void ExposeWindowGraphics(TGraphics* graphics);

// The window was mapped, exposed, resized, moved, maximised, minimised,
// restored or focused. A compositing window manager takes the window's
// contents at moments of its own around such changes (its map and maximise
// effects, the resize of its copy of the window) and can keep a picture
// from before the last presentation, or one drawn while the buffers were
// still being resized, for as long as nothing new is presented. So every
// Flip presents for real until kPresentSettleMs after the latest such change.
void SettleWindowGraphics(TGraphics* graphics);

// Presents the last presented picture once more, for a window the window
// system has exposed while no repaint can run (a modal dialog is open).
// Nothing else changes: the repaint in progress, if any, goes on as it
// was. False when there is no such picture to show.
bool PresentLastPicture(TGraphics* graphics);

// Deletes the context (and its GL context).
void FreeWindowGraphics(TGraphics* graphics);

namespace drawing_internal {

struct Damage;

// --- for the drawing layer's own files: the context's life on its window ---

// Reads the canvas size into the context size (and the drawable size);
// true when the context size changed.
bool RefreshGraphicsSize(TGraphics& g);
// Makes g's GL context current, creating it (and its back end) at first use;
// `follow_size` rebinds it so that the window system's buffers follow a new
// size. Throws std::runtime_error("Unable to create GL Context").
void MakeGraphicsCurrent(TGraphics& g, bool follow_size);
// The generation of the live texture share group: it changes whenever a GL
// context is made while none of this program's contexts is alive, so that
// textures tagged with an older one are known to be gone.
unsigned CurrentTextureGeneration();
// Presents g's back buffer: swaps it, first giving SDL the swap interval
// when it changed (1: wait for the vertical refresh), or, where g presents
// by copying and `copy` allows, copies `region` of it (window pixels,
// bottom-left origin) to the window and leaves it as it is. A copy is
// refused while the window system may be changing the window (just made,
// resized, exposed): the driver looks at the window's size again at a swap
// alone, and a window whose size it missed would be drawn out of place.
void SwapGraphics(TGraphics& g, int interval, const Damage& region, bool copy);
// Whether the GL context current on this thread is one of this program's.
bool OwnGLContextIsCurrent();
// The drawing layer's millisecond clock (wrapping; only differences count).
std::uint32_t GraphicsClock();
// The window system may show g's window other than as last presented for a
// while (see SettleWindowGraphics): every Flip presents until the picture
// has settled.
void SettleGraphics(TGraphics& g);

}  // namespace drawing_internal
