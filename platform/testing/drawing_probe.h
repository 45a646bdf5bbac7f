// What tests and benchmarks read of the drawing layer: the picture, the
// work it sent to GL, the textures it holds; and a clock of their own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/drawing/graphics.h"
#include "platform/drawing/image_textures.h"
#include "platform/drawing/presenter.h"

using drawing_internal::kPresentRefreshMs;
using drawing_internal::kPresentSettleMs;
using drawing_internal::TFrameTexture;

// RGBA bytes of the current context's back buffer for the canvas rectangle
// (x, y, w, h), rows top first (canvas coordinates, origin top-left). Sends
// whatever is still batched first. Empty when no context is current or the
// rectangle is empty.
std::vector<std::uint8_t> ReadPixels(int x, int y, int w, int h);

// The same from the last presented picture of a canvas that keeps one,
// without sending what the repaint being recorded has drawn; empty when it
// keeps none or part of that has been sent.
std::vector<std::uint8_t> ReadPresentedPixels(int x, int y, int w, int h);

// Draws the last presented repaint again in full into the current
// context's picture, without presenting it: read back before and after, the
// pictures are the same unless drawing only what changed went wrong. False
// when there is nothing to redraw.
bool RedrawLastPresented();

// Whether the current context presents by copying parts of its back
// buffer, which then keeps the picture: a repaint redraws and copies only
// what changed.
bool PresentsByCopy();

// Makes the GL contexts made from now on present by swapping (`on`), as
// where swaps wait for the display, even where they could copy.
void SwapAlwaysForTesting(bool on);

// RGB bytes (alpha 255) of the canvas rectangle (x, y, w, h) as the current
// context's window shows it on the X screen, rows top first; empty where
// the window is not an X window or cannot be read.
std::vector<std::uint8_t> ReadWindowPixels(int x, int y, int w, int h);

// Makes the GL contexts made from now on draw their canvas (`on`) into a
// picture of its own, as on a scaled output, where a repaint redraws only
// what changed, though the display is not scaled.
void RetainPictureForTesting(bool on);

// GL errors found since the start (CheckGLErrors counts them).
int GLErrorCount();

// The texture held for frame `frame` of `image` (name 0 when none is), and
// the bytes the textures of its frames hold.
TFrameTexture FrameTextureOf(const TImage& image, std::size_t frame);
std::size_t FrameTextureBytes(const TImage& image);
// GL textures held for images' frames, those of images that have gone but
// are not yet let go included.
long HeldFrameTextureCount();

// Replaces the clock the drawing layer times presentations by (milliseconds,
// only differences count); nullptr restores the real one.
void SetGraphicsClockForTesting(std::function<std::uint32_t()> clock);

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
