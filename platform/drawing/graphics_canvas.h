// A drawing context's life on its canvas: made for a window, placed in it,
// told what the window system did, presented, freed. It hands what happened
// to the context's presenter and has its decisions carried out on the
// window (graphics_window.h) and by the renderer. Internal to platform/.
#pragma once

#include <cstdint>

#include "platform/drawing/presenter.h"

struct SDL_Window;
class TGraphics;

// A drawing context for a canvas drawn into `window`. The GL context itself
// is made at the first SetGraphics.
TGraphics* CreateWindowGraphics(SDL_Window* window);

// The canvas's rectangle in the window's client area; the context draws
// there and uses its size as the context size.
void SetGraphicsCanvasRect(TGraphics* graphics, int x, int y, int width, int height);

// The window system changed the canvas's window (see presenter.h for what
// each change means for the next presentations).
void WindowGraphicsChanged(TGraphics* graphics, drawing_internal::WindowChange change);

// Presents the last presented picture once more, for a window the window
// system has exposed while no repaint can run (a modal dialog is open).
// Nothing else changes: the repaint in progress, if any, goes on as it
// was. False when there is no such picture to show.
bool PresentLastPicture(TGraphics* graphics);

// Deletes the context (and its GL context).
void FreeWindowGraphics(TGraphics* graphics);

namespace drawing_internal {

// --- for graphics.cpp: activation and presentation ---

// The current context (null when none): the one SetGraphics made current.
TGraphics* Current();
// Makes g current: its size refreshed, its GL context made at first use
// (may throw DrawingFailure(DrawingError::kNoContext)) and made
// current, the renderer told where to draw. Null: no context is current.
void ActivateCanvas(TGraphics* g);
// The context's first activation, before both buffers are cleared and
// presented.
void FirstCanvasUse(TGraphics& g);
// Ends g's repaint at a Flip: presents it when the presenter says so.
void PresentCanvas(TGraphics& g, int sync);
// After the next presentation the heap the driver freed goes back to the
// system: its compiler's working memory, freed once the shaders of a new
// context or of a new image's first draw are made, would otherwise stay in
// the process for as long as it runs.
void TrimAfterNextPresentation();
// Collects the pending GL errors of the current context, when it is one of
// the program's, printing each to stderr; how many there were.
int CollectGLErrors();

}  // namespace drawing_internal
