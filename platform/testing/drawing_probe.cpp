#include "platform/testing/drawing_probe.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xutil.h>

#include "platform/drawing/graphics_context.h"
#include "platform/drawing/graphics_window.h"
#include "platform/drawing/image_textures.h"

using namespace drawing_internal;

namespace {

// The canvas rectangle (x, y, w, h) read from the picture: as drawn so far,
// or as last presented.
std::vector<std::uint8_t> ReadCanvas(bool presented, int x, int y, int w, int h) {
  TGraphics* g = CurrentGraphics();
  if (g == nullptr || !g->renderer || w <= 0 || h <= 0) return {};
  const int gx = g->canvas_x + x, gy = g->drawable_h - (g->canvas_y + y + h);
  std::vector<std::uint8_t> out = presented ? g->renderer->ReadPresented(gx, gy, w, h)
                                            : g->renderer->ReadPixels(gx, gy, w, h);
  CheckGLErrors();
  return out;
}

}  // namespace

std::vector<std::uint8_t> ReadPixels(int x, int y, int w, int h) {
  return ReadCanvas(false, x, y, w, h);
}

std::vector<std::uint8_t> ReadPresentedPixels(int x, int y, int w, int h) {
  return ReadCanvas(true, x, y, w, h);
}

bool RedrawLastPresented() {
  TGraphics* g = CurrentGraphics();
  return g != nullptr && g->renderer && g->renderer->RedrawPresented(/*reuse=*/false);
}

bool PresentsByCopy() {
  TGraphics* g = CurrentGraphics();
  return g != nullptr && g->copy_sub_buffer != nullptr;
}

void SwapAlwaysForTesting(bool on) { DrawingProbe().swap_always = on; }

std::vector<std::uint8_t> ReadWindowPixels(int x, int y, int w, int h) {
  TGraphics* g = CurrentGraphics();
  if (g == nullptr || w <= 0 || h <= 0) return {};
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(g->window, &info) || info.subsystem != SDL_SYSWM_X11) return {};
  const int scale = g->scale;
  XImage* image = XGetImage(info.info.x11.display, info.info.x11.window, (g->canvas_x + x) * scale,
                            (g->canvas_y + y) * scale, static_cast<unsigned>(w * scale),
                            static_cast<unsigned>(h * scale), AllPlanes, ZPixmap);
  if (image == nullptr) return {};
  std::vector<std::uint8_t> out;
  out.reserve(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 4);
  for (int row = 0; row < h; ++row) {
    for (int col = 0; col < w; ++col) {
      const unsigned long p = XGetPixel(image, col * scale, row * scale);
      out.insert(out.end(), {static_cast<std::uint8_t>(p >> 16), static_cast<std::uint8_t>(p >> 8),
                             static_cast<std::uint8_t>(p), 255});
    }
  }
  XDestroyImage(image);
  return out;
}

void RetainPictureForTesting(bool on) { DrawingProbe().retain_picture = on; }

int GLErrorCount() { return DrawingProbe().gl_errors; }

TFrameTexture FrameTextureOf(const TImage& image, std::size_t frame) {
  const TFrameTextures* frames = FindImageTextures(image);
  const TFrameTexture* ft = frames != nullptr ? frames->Find(frame) : nullptr;
  return ft != nullptr ? *ft : TFrameTexture{};
}

std::size_t FrameTextureBytes(const TImage& image) {
  const TFrameTextures* frames = FindImageTextures(image);
  return frames != nullptr ? frames->bytes : 0;
}

long HeldFrameTextureCount() {
  const unsigned generation = CurrentTextureGeneration();
  long n = 0;
  ForEachImageTextures([&](const TFrameTextures& textures) {
    textures.ForEach([&](const TFrameTexture& ft) {
      if (ft.name != 0 && ft.seq == generation) ++n;
    });
  });
  return n;
}

void SetGraphicsClockForTesting(std::function<std::uint32_t()> clock) {
  DrawingProbe().clock = std::move(clock);
}

long DrawCallCount() { return DrawCallCountInternal(); }
void ResetDrawCallCount() { ResetDrawCallCountInternal(); }
long PresentCount() { return DrawingProbe().presents; }

void FinishGraphics() {
  TGraphics* g = CurrentGraphics();
  if (g != nullptr && g->renderer) g->renderer->Finish();
}

std::string GLContextDescription() {
  if (!OwnGLContextIsCurrent()) return {};
  return GLRenderer::ContextDescription();
}

bool GLContextIsCore33() { return OwnGLContextIsCurrent() && GLRenderer::ContextIsCore33(); }
