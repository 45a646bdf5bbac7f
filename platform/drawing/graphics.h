// The 2D drawing layer over OpenGL 3.3 core: one drawing context per canvas
// holding the whole drawing state, rectangles, lines, text in the built-in
// 8 x 16 font and textured images, in canvas pixels (origin top-left).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/images/image.h"

class TGraphics;

// Makes the context current: size refresh, one unit = one pixel, the stored
// state applied again; the first activation clears both buffers to black.
void SetGraphics(TGraphics* graphics);
TGraphics* CurrentGraphics();

void Cls();
void SetClsColor(int red, int green, int blue);
void SetColor(int red, int green, int blue);
void GetColor(int& red, int& green, int& blue);
void SetAlpha(float alpha);
float GetAlpha();
void SetBlend(int mode);  // 1 masked, 2 solid, 3 alpha, 4 additive, 5 multiplied
int GetBlend();
void SetScale(float sx, float sy);
void GetScale(float& sx, float& sy);
void SetRotation(float degrees);
float GetRotation();
void SetViewport(int x, int y, int width, int height);
void GetViewport(int& x, int& y, int& width, int& height);

void DrawRect(float x, float y, float width, float height);
void DrawLine(float x1, float y1, float x2, float y2, int last_pixel = 1);
void DrawText(const std::string& text, float x, float y);
void DrawImage(TImage* image, float x, float y, int frame = 0);
inline void DrawImage(const ImagePtr& image, float x, float y, int frame = 0) {
  DrawImage(image.get(), x, y, frame);
}

void Flip(int sync);

// A repaint identical to the one on screen is not presented, with two
// exceptions. After the window changes (mapped, exposed, resized, moved,
// maximised, restored, focused) every repaint presents for this long: a
// compositor may take the window's contents at its own moment during that
// time and would otherwise keep a stale picture until something changes.
inline constexpr int kPresentSettleMs = 1000;
// And while nothing changes, the last picture is still presented this often,
// so that contents the window system lost without saying so (a GPU reset, a
// resume from suspend, a compositor dropping buffers) come back by
// themselves. One repaint every few seconds costs nothing measurable.
inline constexpr int kPresentRefreshMs = 3000;

int TextWidth(const std::string& text);
int TextHeight(const std::string& text = "");

// --- Diagnostics for tests and benchmarks ---
// RGBA bytes of the current context's back buffer (or picture of its own)
// for the canvas rectangle
// (x, y, w, h), rows top first (canvas coordinates, origin top-left). Sends
// whatever is still batched first. Empty when no context is current or the
// rectangle is empty.
std::vector<std::uint8_t> ReadPixels(int x, int y, int w, int h);

// Collects pending GL error codes (printing each to stderr) and returns how
// many were found now; GLErrorCount is the total found since the start.
int CheckGLErrors();
int GLErrorCount();

// The texture of one frame of an image, made at its first draw.
struct TFrameTexture {
  unsigned name = 0;   // GL texture name, 0 while not made
  unsigned seq = 0;    // graphics generation it was made for; 0 = none yet
  float u = 1.0f;      // texture coordinates of the frame's far corner
  float v = 1.0f;
};
// The texture held for frame `frame` of `image` (name 0 when none is), and
// the bytes the textures of its frames hold.
TFrameTexture FrameTextureOf(const TImage& image, std::size_t frame);
std::size_t FrameTextureBytes(const TImage& image);

// Replaces the clock the drawing layer times presentations by (milliseconds,
// only differences count); nullptr restores the real one.
void SetGraphicsClockForTesting(std::function<std::uint32_t()> clock);

// Draws every canvas made current from now on (`on`) into a picture of its
// own, as on a scaled output, where a repaint redraws only what changed,
// though the display is not scaled.
void RetainPictureForTesting(bool on);

// The same as ReadPixels from the last presented picture of a canvas that
// keeps one, without sending what the repaint being recorded has drawn;
// empty when it keeps none or part of that has been sent.
std::vector<std::uint8_t> ReadPresentedPixels(int x, int y, int w, int h);

// Draws the last presented repaint again in full into the current
// context's picture, without presenting it: read back before and after, the
// pictures are the same unless drawing only what changed went wrong. False
// when there is nothing to redraw (see GLRenderer::RedrawPresented).
bool RedrawLastPresented();

// Draw calls sent to GL since the last reset.
long DrawCallCount();
void ResetDrawCallCount();

// Buffer swaps made by Flip since the start (a repaint identical to the one
// on screen makes none).
long PresentCount();

// Sends the batch and waits until GL has finished all drawing.
void FinishGraphics();

// "<version> | <renderer>" of the current context, and whether it is a
// core-profile context of version 3.3 or later.
std::string GLContextDescription();
bool GLContextIsCore33();
