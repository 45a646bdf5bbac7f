// The drawing layer's operations: state setters, primitives, text, images,
// clearing and presenting, over the batching back end in gl_renderer.cpp.
//
// Sections: state and helpers; making a context current; state setters;
// primitives (rect, line, text, image); clear and flip; diagnostics. The
// frames' textures are kept in image_textures.cpp.
#include "platform/drawing/graphics.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <stdexcept>

#include "platform/drawing/font_default.h"
#include "platform/drawing/graphics_canvas.h"
#include "platform/drawing/graphics_context.h"
#include "platform/drawing/image_textures.h"
#include "platform/images/image.h"
#include "platform/images/texture_plan.h"

using namespace drawing_internal;

namespace {


struct Point {
  float x, y;
};

// Colour components are clamped only here, where they are handed to GL.
std::uint8_t ColorByte(int value) { return static_cast<std::uint8_t>(std::clamp(value, 0, 255)); }

// Alpha clamped to 0..1, then the byte trunc(alpha x 255): 0.5 gives 127.
std::uint8_t AlphaByte(float alpha) {
  if (!(alpha > 0.0f)) return 0;  // also NaN
  if (alpha >= 1.0f) return 255;
  return static_cast<std::uint8_t>(alpha * 255.0f);
}

GLVertex Paint(const TGraphics& g) {
  GLVertex v{};
  v.r = ColorByte(g.color_red);
  v.g = ColorByte(g.color_green);
  v.b = ColorByte(g.color_blue);
  v.a = AlphaByte(g.color_alpha);
  return v;
}

// (px, py) relative to an anchor, scaled along the primitive's axes and then
// rotated.
Point Map(const TGraphics& g, float px, float py) {
  return {px * g.tform_ix + py * g.tform_iy, px * g.tform_jx + py * g.tform_jy};
}

bool IsPixelCentre(float v) { return std::floor(v) + 0.5f == v; }

// A 1-pixel-high (or wide) run of whole pixels as a quad; exact on every
// rasteriser, which GL lines are not.
void PixelRun(TGraphics& g, const GLVertex& paint, float left, float top, float right,
              float bottom) {
  GLVertex v[4] = {paint, paint, paint, paint};
  v[0].x = left, v[0].y = top;
  v[1].x = right, v[1].y = top;
  v[2].x = right, v[2].y = bottom;
  v[3].x = left, v[3].y = bottom;
  g._driver->Quad(v, 0);
}

// Large opaque rectangles on whole pixels (a preview's background) are
// cleared instead of shaded: the same pixels, much cheaper for a software
// rasteriser. Small ones stay in the batch, where they cost nothing extra.
bool FillByClear(TGraphics& g, const GLVertex& paint, float x0, float y0, float x1, float y1) {
  constexpr float kMinArea = 128.0f * 128.0f;
  if (paint.a != 255 || !g._driver->OpaqueReplaces()) return false;
  if (g.tform_iy != 0.0f || g.tform_jx != 0.0f) return false;
  if (x1 < x0) std::swap(x0, x1);
  if (y1 < y0) std::swap(y0, y1);
  if ((x1 - x0) * (y1 - y0) < kMinArea) return false;
  if (std::floor(x0) != x0 || std::floor(x1) != x1 || std::floor(y0) != y0 ||
      std::floor(y1) != y1) {
    return false;
  }
  // Inside the canvas (quads are cut there by the viewport), in window pixels.
  const float cx0 = std::max(x0, 0.0f), cy0 = std::max(y0, 0.0f);
  const float cx1 = std::min(x1, static_cast<float>(g.width));
  const float cy1 = std::min(y1, static_cast<float>(g.height));
  if (cx1 <= cx0 || cy1 <= cy0) return true;  // nothing of it is visible
  GLClip rect;
  rect.x = g._graphics.canvas_x + static_cast<int>(cx0);
  rect.w = static_cast<int>(cx1 - cx0);
  rect.h = static_cast<int>(cy1 - cy0);
  rect.y = g._graphics.drawable_h - (g._graphics.canvas_y + static_cast<int>(cy1));
  g._driver->ClearRect(rect, paint.r, paint.g, paint.b);
  return true;
}

}  // namespace

TGraphics* CurrentGraphics() { return Current(); }


namespace {

// The transform from rotation and scale.
void UpdateTransform(TGraphics& g) {
  const double rad = static_cast<double>(g.tform_rot) * std::numbers::pi / 180.0;
  const double c = std::cos(rad);
  const double s = std::sin(rad);
  g.tform_ix = static_cast<float>(c * g.tform_scale_x);
  g.tform_iy = static_cast<float>(-s * g.tform_scale_y);
  g.tform_jx = static_cast<float>(s * g.tform_scale_x);
  g.tform_jy = static_cast<float>(c * g.tform_scale_y);
}

// Clipping is off for exactly (0, 0, context width, context height); a
// rectangle of zero or negative width or height lets nothing through. The
// scissor always stays inside the canvas, since a clear ignores the viewport.
void ApplyClip(TGraphics& g) {
  if (!g._driver) return;
  GLClip clip;
  int x = 0, y = 0, w = g.width, h = g.height;
  const bool off = g.viewport_x == 0 && g.viewport_y == 0 && g.viewport_w == g.width &&
                   g.viewport_h == g.height;
  if (!off) {
    if (g.viewport_w <= 0 || g.viewport_h <= 0) {
      clip.empty = true;
      g._driver->SetClip(clip);
      return;
    }
    // Intersect with the canvas, in 64 bits so that huge rectangles cannot
    // overflow.
    const long long x0 = std::max<long long>(0, g.viewport_x);
    const long long y0 = std::max<long long>(0, g.viewport_y);
    const long long x1 = std::min<long long>(g.width, 0LL + g.viewport_x + g.viewport_w);
    const long long y1 = std::min<long long>(g.height, 0LL + g.viewport_y + g.viewport_h);
    if (x1 <= x0 || y1 <= y0) {
      clip.empty = true;
      g._driver->SetClip(clip);
      return;
    }
    x = static_cast<int>(x0), y = static_cast<int>(y0);
    w = static_cast<int>(x1 - x0), h = static_cast<int>(y1 - y0);
  }
  const bool whole_drawable = off && g._graphics.canvas_x == 0 && g._graphics.canvas_y == 0 &&
                              g._graphics.canvas_w == g._graphics.drawable_w && g._graphics.canvas_h == g._graphics.drawable_h;
  clip.enabled = !whole_drawable;
  clip.x = g._graphics.canvas_x + x;
  clip.y = g._graphics.drawable_h - (g._graphics.canvas_y + y + h);
  clip.w = w;
  clip.h = h;
  g._driver->SetClip(clip);
}

}  // namespace

// ---------------------------------------------------------------------------
// Making a context current.

void SetGraphics(TGraphics* graphics) {
  // What the previous context recorded goes to its own GL context now.
  TGraphics* previous = Current();
  if (previous != nullptr && previous != graphics && previous->_driver) previous->_driver->Flush();
  ActivateCanvas(graphics);  // creates the GL context at first use; may throw
  if (graphics == nullptr) return;
  TGraphics& g = *graphics;
  if (g._setup == 0) {
    g.viewport_w = g.width;
    g.viewport_h = g.height;
  }
  const WindowSurface& s = g._graphics;
  // One unit is one canvas pixel; every GL state is set again.
  g._driver->BeginFrame(s.canvas_x, s.drawable_h - s.canvas_y - s.canvas_h, s.canvas_w,
                        s.canvas_h, g.width, g.height);
  // The stored state applied again, in order: blend mode, colour, alpha,
  // clear colour, line width (colour, alpha and clear colour are taken at
  // each use), then rotation and scale, clipping rectangle.
  g._driver->SetBlend(g.blend_mode);
  UpdateTransform(g);
  ApplyClip(g);
  if (g._setup == 0) {
    // Both buffers start black (or whatever the clear colour is by now).
    FirstCanvasUse(g);
    Cls();
    Flip(0);
    Cls();
    Flip(0);
    g._setup = 1;
    // The first repaint makes the driver compile what it draws with.
    TrimAfterNextPresentation();
  }
}

// ---------------------------------------------------------------------------
// State setters. They store their arguments unchanged.

void SetClsColor(int red, int green, int blue) {
  if (Current() == nullptr) return;
  Current()->clscolor_red = red;
  Current()->clscolor_green = green;
  Current()->clscolor_blue = blue;
}

void SetColor(int red, int green, int blue) {
  if (Current() == nullptr) return;
  Current()->color_red = red;
  Current()->color_green = green;
  Current()->color_blue = blue;
}

void GetColor(int& red, int& green, int& blue) {
  if (Current() == nullptr) {
    red = green = blue = 0;
    return;
  }
  red = Current()->color_red;
  green = Current()->color_green;
  blue = Current()->color_blue;
}

void SetAlpha(float alpha) {
  if (Current() != nullptr) Current()->color_alpha = alpha;
}

float GetAlpha() { return Current() != nullptr ? Current()->color_alpha : 0.0f; }

void SetBlend(int mode) {
  if (Current() == nullptr) return;
  Current()->blend_mode = mode;
  if (Current()->_driver) Current()->_driver->SetBlend(mode);
}

int GetBlend() { return Current() != nullptr ? Current()->blend_mode : 0; }

void SetScale(float sx, float sy) {
  if (Current() == nullptr) return;
  Current()->tform_scale_x = sx;
  Current()->tform_scale_y = sy;
  UpdateTransform(*Current());
}

void GetScale(float& sx, float& sy) {
  sx = Current() != nullptr ? Current()->tform_scale_x : 0.0f;
  sy = Current() != nullptr ? Current()->tform_scale_y : 0.0f;
}

void SetRotation(float degrees) {
  if (Current() == nullptr) return;
  Current()->tform_rot = degrees;
  UpdateTransform(*Current());
}

float GetRotation() { return Current() != nullptr ? Current()->tform_rot : 0.0f; }

void SetViewport(int x, int y, int width, int height) {
  if (Current() == nullptr) return;
  TGraphics& g = *Current();
  g.viewport_x = x;
  g.viewport_y = y;
  g.viewport_w = width;
  g.viewport_h = height;
  ApplyClip(g);
}

void GetViewport(int& x, int& y, int& width, int& height) {
  if (Current() == nullptr) {
    x = y = width = height = 0;
    return;
  }
  x = Current()->viewport_x;
  y = Current()->viewport_y;
  width = Current()->viewport_w;
  height = Current()->viewport_h;
}

// ---------------------------------------------------------------------------
// Primitives.

// Filled rectangle. With the identity transform and integer arguments:
//
//   DrawRect(2, 1, 4, 2)   columns 2..5, rows 1..2
//     . . . . . . .
//     . . # # # # .
//     . . # # # # .
//     . . . . . . .
void DrawRect(float x, float y, float width, float height) {
  if (Current() == nullptr || !Current()->_driver) return;
  TGraphics& g = *Current();
  const float ax = x + g.origin_x;
  const float ay = y + g.origin_y;
  const float hx = g.handle_x;
  const float hy = g.handle_y;
  const Point corners[4] = {Map(g, hx, hy), Map(g, hx + width, hy),
                            Map(g, hx + width, hy + height), Map(g, hx, hy + height)};
  const GLVertex paint = Paint(g);
  if (FillByClear(g, paint, ax + corners[0].x, ay + corners[0].y, ax + corners[2].x,
                  ay + corners[2].y)) {
    return;
  }
  GLVertex v[4];
  for (int i = 0; i < 4; ++i) {
    v[i] = paint;
    v[i].x = ax + corners[i].x;
    v[i].y = ay + corners[i].y;
  }
  g._driver->Quad(v, 0);
}

// One-pixel line through pixel centres; the end pixel only with `last`.
//
//   DrawLine(1, 1, 5, 1, 1)   DrawLine(1, 1, 5, 1, 0)
//     . # # # # # .             . # # # # . .
//
// Axis-aligned runs between pixel centres become exact pixel quads; any
// other segment is a GL line (diamond-exit rule, end pixel left out) plus,
// with `last`, the pixel holding the end point.
void DrawLine(float x1, float y1, float x2, float y2, int last_pixel) {
  if (Current() == nullptr || !Current()->_driver) return;
  TGraphics& g = *Current();
  const float ax = x1 + g.origin_x + 0.5f;
  const float ay = y1 + g.origin_y + 0.5f;
  const Point s = Map(g, g.handle_x, g.handle_y);
  const Point e = Map(g, g.handle_x + x2 - x1, g.handle_y + y2 - y1);
  const float sx = ax + s.x, sy = ay + s.y;
  const float ex = ax + e.x, ey = ay + e.y;
  const GLVertex paint = Paint(g);
  const float last = last_pixel != 0 ? 1.0f : 0.0f;

  if (sy == ey && IsPixelCentre(sx) && IsPixelCentre(sy) && IsPixelCentre(ex)) {
    const float row = std::floor(sy);
    const float from = std::floor(sx), to = std::floor(ex);
    float lo = 0, hi = 0;  // columns lo .. hi - 1
    if (from < to) {
      lo = from, hi = to + last;
    } else if (from > to) {
      lo = to + 1.0f - last, hi = from + 1.0f;
    } else {
      lo = from, hi = from + last;
    }
    if (hi > lo) PixelRun(g, paint, lo, row, hi, row + 1.0f);
    return;
  }
  if (sx == ex && IsPixelCentre(sx) && IsPixelCentre(sy) && IsPixelCentre(ey)) {
    const float column = std::floor(sx);
    const float from = std::floor(sy), to = std::floor(ey);
    float lo = 0, hi = 0;  // rows lo .. hi - 1
    if (from < to) {
      lo = from, hi = to + last;
    } else {
      lo = to + 1.0f - last, hi = from + 1.0f;
    }
    if (hi > lo) PixelRun(g, paint, column, lo, column + 1.0f, hi);
    return;
  }
  GLVertex a = paint, b = paint;
  a.x = sx, a.y = sy;
  b.x = ex, b.y = ey;
  if (sx != ex || sy != ey) g._driver->Line(a, b);
  if (last_pixel != 0) {
    // A one-pixel point at the end: the pixel whose square holds it.
    const float px = std::floor(ex), py = std::floor(ey);
    PixelRun(g, paint, px, py, px + 1.0f, py + 1.0f);
  }
}

// Text in the built-in font, the cell's top-left corner at (x, y); codes
// outside 32..127 are skipped without moving the pen.
void DrawText(const std::string& text, float x, float y) {
  if (Current() == nullptr || !Current()->_driver) return;
  TGraphics& g = *Current();
  const float hx = g.handle_x, hy = g.handle_y;
  float pen_x = x + g.origin_x + hx * g.tform_ix + hy * g.tform_iy;
  float pen_y = y + g.origin_y + hx * g.tform_jx + hy * g.tform_jy;
  const float gw = static_cast<float>(kFontGlyphWidth);
  const float gh = static_cast<float>(kFontGlyphHeight);
  const Point corners[4] = {Map(g, 0, 0), Map(g, gw, 0), Map(g, gw, gh), Map(g, 0, gh)};
  const float step_x = kFontAdvance * g.tform_ix;
  const float step_y = kFontAdvance * g.tform_jx;
  const GLVertex paint = Paint(g);
  const unsigned texture = g._driver->FontTexture();
  constexpr float kAtlasW = static_cast<float>(GLRenderer::kAtlasWidth);
  for (const char ch : text) {
    const int code = static_cast<unsigned char>(ch);
    if (code < kFontFirstCode || code >= kFontFirstCode + kFontGlyphCount) continue;
    const int glyph = code - kFontFirstCode;
    const float u0 = static_cast<float>(glyph * GLRenderer::kCellWidth + 1) / kAtlasW;
    const float u1 = static_cast<float>(glyph * GLRenderer::kCellWidth + 1 + kFontGlyphWidth) / kAtlasW;
    GLVertex v[4] = {paint, paint, paint, paint};
    const float us[4] = {u0, u1, u1, u0};
    const float vs[4] = {0.0f, 0.0f, 1.0f, 1.0f};
    for (int i = 0; i < 4; ++i) {
      v[i].x = pen_x + corners[i].x;
      v[i].y = pen_y + corners[i].y;
      v[i].u = us[i];
      v[i].v = vs[i];
    }
    g._driver->Quad(v, texture, /*binary_alpha=*/true);
    pen_x += step_x;
    pen_y += step_y;
  }
}

namespace {

// Frame textures of one image are kept to this many bytes, the frames
// drawn least recently let go first. The image keeps its decoded pixels
// (a texture that goes is made again from them, never decoded again), and a
// software renderer keeps textures in the same memory: a sheet played
// through its thousands of frames would be held twice. An eighth of the
// picture (a few MiB at least, which takes every frame of a small sheet)
// keeps that second copy small, and room for a few frames at the least
// keeps a sheet of big frames from making a texture at every step.
std::size_t TextureBudget(const TImage& image, std::size_t frame_bytes) {
  constexpr std::size_t kMinBudget = std::size_t{8} << 20;
  return std::max({kMinBudget, image.pixmaps.PictureBytes() / 8, 4 * frame_bytes});
}

std::size_t PlanBytes(const TexturePlan& plan) {
  std::size_t bytes = 0;
  for (const TPixmap& level : plan.levels) bytes += level.pixels.size();
  return bytes;
}

// The texture of frame `frame`, made at its first draw (and again when the
// contexts it was made in have all gone, or the cache let it go).
const TFrameTexture* FrameTexture(TGraphics& g, TImage& image, int frame) {
  const auto index = static_cast<std::size_t>(frame);
  TFrameTextures& frames = ImageTextures(image, *g._driver);
  TFrameTexture& ft = frames[index];
  if (ft.name != 0 && ft.seq == CurrentTextureGeneration()) {
    frames.Touch(index);
    return &ft;
  }
  const PixmapPtr pixels = image.pixmaps.Pixels(index);
  if (!pixels) return nullptr;
  const TexturePlan plan =
      PrepareFrameTexture(*pixels, image.flags, g._driver->MaxTextureSize());
  if (plan.levels.empty()) throw DrawingFailure(DrawingError::kNoTextureSize);
  const unsigned name = g._driver->MakeTexture(plan, image.flags);
  if (name == 0) throw DrawingFailure(DrawingError::kTextureRefused);
  // An image's first frame is likely drawn with a state the driver has not
  // compiled shaders for yet.
  if (frames.bytes == 0) TrimAfterNextPresentation();
  ft.name = name;
  ft.seq = CurrentTextureGeneration();
  ft.u = plan.u;
  ft.v = plan.v;
  ft.full_size = plan.full_size;
  ft.binary_alpha = plan.binary_alpha;
  frames.Made(index, PlanBytes(plan));
  // Over the budget: the frames drawn longest ago give their textures back.
  const std::size_t budget = TextureBudget(image, PlanBytes(plan));
  const std::size_t held = frames.bytes;
  std::size_t oldest = 0;
  while (frames.bytes > budget && frames.Oldest(&oldest) && oldest != index) {
    const TFrameTexture old = frames[oldest];
    if (old.name != 0 && old.seq == CurrentTextureGeneration()) {
      g._driver->DeleteTexture(old.name);
    }
    frames.Erase(oldest);
  }
  // The driver's small textures, made and deleted frame after frame, leave
  // their memory in holes of the heap that the allocator keeps: each time an
  // eighth of the budget has gone, those pages go back to the system.
  static std::size_t let_go = 0;
  let_go += held - frames.bytes;
  if (let_go >= budget / 8) {
    let_go = 0;
    ReleaseFreedMemory();
  }
  return &frames[index];
}

}  // namespace

// Frame `frame` with the image's own handle at (x, y): the corners (-hx,-hy),
// (w-hx,-hy), (w-hx,h-hy), (-hx,h-hy) mapped by the transform, the frame's
// w x h texels spread over them, top-left texel at the first corner.
//
//   64 x 32, handle (32,16), at (100,100): columns 68..131, rows 84..115
void DrawImage(TImage* image, float x, float y, int frame) {
  if (Current() == nullptr || !Current()->_driver || image == nullptr) return;
  if (frame < 0 || static_cast<std::size_t>(frame) >= image->pixmaps.size()) return;
  if (!image->pixmaps.Has(static_cast<std::size_t>(frame))) return;
  TGraphics& g = *Current();
  const TFrameTexture* made = FrameTexture(g, *image, frame);
  if (made == nullptr) return;
  const TFrameTexture ft = *made;
  const float w = static_cast<float>(image->width);
  const float h = static_cast<float>(image->height);
  const float hx = image->handle_x, hy = image->handle_y;
  const float ax = x + g.origin_x, ay = y + g.origin_y;
  const Point corners[4] = {Map(g, -hx, -hy), Map(g, w - hx, -hy), Map(g, w - hx, h - hy),
                            Map(g, -hx, h - hy)};
  const float us[4] = {0.0f, ft.u, ft.u, 0.0f};
  const float vs[4] = {0.0f, 0.0f, ft.v, ft.v};
  const GLVertex paint = Paint(g);
  GLVertex v[4];
  for (int i = 0; i < 4; ++i) {
    v[i] = paint;
    v[i].x = ax + corners[i].x;
    v[i].y = ay + corners[i].y;
    v[i].u = us[i];
    v[i].v = vs[i];
  }
  // Unscaled, unrotated and on whole pixels, every pixel's centre falls on
  // a texel's centre: any filter gives that texel, and the nearest costs a
  // software rasteriser least. Its alpha is then a texel's own, so a frame
  // whose texels are opaque or clear draws as the font does.
  const bool on_texels = ft.full_size && g.tform_ix == 1.0f && g.tform_iy == 0.0f &&
                         g.tform_jx == 0.0f && g.tform_jy == 1.0f &&
                         std::floor(v[0].x) == v[0].x && std::floor(v[0].y) == v[0].y &&
                         std::floor(w) == w && std::floor(h) == h;
  g._driver->Quad(v, ft.name, on_texels && ft.binary_alpha, on_texels);
}

// ---------------------------------------------------------------------------
// Clear and flip.

// Every pixel inside the clip (all of them with clipping off) becomes the
// clear colour, fully opaque.
void Cls() {
  if (Current() == nullptr || !Current()->_driver) return;
  TGraphics& g = *Current();
  g._driver->Clear(std::clamp(g.clscolor_red, 0, 255), std::clamp(g.clscolor_green, 0, 255),
                    std::clamp(g.clscolor_blue, 0, 255));
}

// Presents the canvas; with sync the swap waits for the vertical refresh.
// Where the canvas keeps a picture only what changed since the last
// presentation is drawn (and copied); a repaint that would show exactly what
// is on screen already is neither drawn nor presented, unless the presenter
// says otherwise (presenter.h).
namespace {

// Everything of a drawing context that drawing reads, besides the renderer.
struct DrawingState {
  int color_red, color_green, color_blue;
  float color_alpha;
  int clscolor_red, clscolor_green, clscolor_blue;
  float line_width, tform_rot, tform_scale_x, tform_scale_y;
  float tform_ix, tform_iy, tform_jx, tform_jy;
  int viewport_x, viewport_y, viewport_w, viewport_h;
  float origin_x, origin_y, handle_x, handle_y;
  const TFont* image_font;
  int blend_mode, width, height;
  int canvas_x, canvas_y, canvas_w, canvas_h, drawable_w, drawable_h;
  bool operator==(const DrawingState&) const = default;
};

DrawingState StateOf(const TGraphics& g) {
  const auto& s = g._graphics;
  return {g.color_red,     g.color_green,    g.color_blue,     g.color_alpha,
          g.clscolor_red,  g.clscolor_green, g.clscolor_blue,
          g.line_width,    g.tform_rot,      g.tform_scale_x,  g.tform_scale_y,
          g.tform_ix,      g.tform_iy,       g.tform_jx,       g.tform_jy,
          g.viewport_x,    g.viewport_y,     g.viewport_w,     g.viewport_h,
          g.origin_x,      g.origin_y,       g.handle_x,       g.handle_y,
          g.image_font,    g.blend_mode,     g.width,          g.height,
          s.canvas_x,      s.canvas_y,       s.canvas_w,       s.canvas_h,
          s.drawable_w,    s.drawable_h};
}

}  // namespace

struct TDrawingPiece::Kept {
  const TGraphics* graphics = nullptr;  // null: nothing kept
  DrawingState state{};
  std::string key;
  drawing_internal::RecordPiece record;
};

TDrawingPiece::TDrawingPiece() : kept_(std::make_unique<Kept>()) {}
TDrawingPiece::~TDrawingPiece() = default;

bool DrawPieceAgain(TDrawingPiece& piece, const std::string& key) {
  TGraphics* g = Current();
  const TDrawingPiece::Kept& kept = piece.kept();
  if (g == nullptr || !g->_driver || kept.graphics != g || kept.key != key ||
      !(kept.state == StateOf(*g))) {
    return false;
  }
  return g->_driver->AppendPiece(kept.record);
}

void BeginDrawingPiece(TDrawingPiece& piece) {
  TDrawingPiece::Kept& kept = piece.kept();
  kept.graphics = nullptr;
  TGraphics* g = Current();
  if (g == nullptr || !g->_driver) return;
  kept.state = StateOf(*g);
  g->_driver->BeginPiece();
  kept.graphics = g;
}

void EndDrawingPiece(TDrawingPiece& piece, const std::string& key) {
  TDrawingPiece::Kept& kept = piece.kept();
  TGraphics* g = Current();
  // Kept only where the drawing left the state as it found it: appended
  // again, it changes nothing else either.
  if (kept.graphics == nullptr || kept.graphics != g || !g->_driver ||
      !(kept.state == StateOf(*g)) || !g->_driver->EndPiece(&kept.record)) {
    kept.graphics = nullptr;
    return;
  }
  kept.key = key;
}

void Flip(int sync) {
  TGraphics* g = Current();
  if (g == nullptr || !g->_driver) return;
  ReleaseGoneImageTextures(*g->_driver);
  PresentCanvas(*g, sync);
}

int TextWidth(const std::string& text) {
  int width = 0;
  for (const char ch : text) {
    const int code = static_cast<unsigned char>(ch);
    if (code >= kFontFirstCode && code < kFontFirstCode + kFontGlyphCount) width += 8;
  }
  return width;
}

int TextHeight(const std::string&) { return kFontGlyphHeight; }

int CheckGLErrors() { return CollectGLErrors(); }
