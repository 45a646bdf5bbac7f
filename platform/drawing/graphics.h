// The 2D drawing layer over OpenGL 3.3 core: one drawing context per canvas
// holding the whole drawing state, rectangles, lines, text in the built-in
// 8 x 16 font and textured images, in canvas pixels (origin top-left).
#pragma once

#include <memory>
#include <stdexcept>
#include <string>

#include "platform/images/image.h"

class TGraphics;

// Why the drawing layer failed. It raises a DrawingFailure, whose what() is
// the reason's text.
enum class DrawingError {
  kNoContext,       // "Unable to create GL Context": the GL context could not be made
  kNoTextureSize,   // "Unable to calculate tex size": not even 1 x 1 texels are held
  kTextureRefused,  // "Unable to make texture": a frame's texture could not be made
};
inline const char* DrawingErrorText(DrawingError error) {
  switch (error) {
    case DrawingError::kNoContext: return "Unable to create GL Context";
    case DrawingError::kNoTextureSize: return "Unable to calculate tex size";
    case DrawingError::kTextureRefused: return "Unable to make texture";
  }
  return "Unable to draw";
}
class DrawingFailure : public std::runtime_error {
 public:
  explicit DrawingFailure(DrawingError error)
      : std::runtime_error(DrawingErrorText(error)), reason(error) {}
  DrawingError reason;
};

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
// Blend modes of SetBlend; any other mode draws as BLEND_SOLID.
enum : int {
  BLEND_MASKED = 1,      // no blending; alpha below 0.5 is not drawn
  BLEND_SOLID = 2,       // the source replaces the destination
  BLEND_ALPHA = 3,       // source x alpha + destination x (1 - alpha)
  BLEND_ADDITIVE = 4,    // source x alpha + destination
  BLEND_MULTIPLIED = 5,  // source x destination
};
void SetBlend(int mode);
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

// Reusable drawing, for what looks the same from one repaint to the next
// (a control nobody touched): the drawing between BeginDrawingPiece and
// EndDrawingPiece is kept in the piece under `key`, which must name
// everything that drawing depends on besides the drawing state.
// DrawPieceAgain appends it to the repaint as it was, true, where the key
// and the whole drawing state are what they were when it was kept; false
// (nothing drawn) where it must be drawn afresh. The picture is the same
// either way. Only drawing that leaves the state as it found it, and draws
// rectangles, lines and text but no image, is kept. Pieces do not nest.
class TDrawingPiece {
 public:
  TDrawingPiece();
  ~TDrawingPiece();
  TDrawingPiece(const TDrawingPiece&) = delete;
  TDrawingPiece& operator=(const TDrawingPiece&) = delete;
  struct Kept;
  Kept& kept() { return *kept_; }

 private:
  std::unique_ptr<Kept> kept_;
};
bool DrawPieceAgain(TDrawingPiece& piece, const std::string& key);
void BeginDrawingPiece(TDrawingPiece& piece);
void EndDrawingPiece(TDrawingPiece& piece, const std::string& key);

// A repaint identical to the one on screen is not presented, but where the
// window may not show it (platform/drawing/presenter.h).
void Flip(int sync);

int TextWidth(const std::string& text);
int TextHeight(const std::string& text = "");

// Collects pending GL error codes, printing each to stderr, and returns how
// many were found now.
int CheckGLErrors();
