#include "platform/testing/drawing_probe.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xutil.h>
#include <epoxy/gl.h>

#include <utility>

#include "platform/drawing/drawing_host.h"
#include "platform/drawing/graphics_canvas.h"
#include "platform/drawing/graphics_context.h"
#include "platform/drawing/graphics_window.h"
#include "platform/drawing/image_textures.h"

using namespace drawing_internal;

namespace {

// The drawing layer's host while a test or benchmark runs: the system's
// clock unless one of the test's own is set, the display's abilities as
// the test wants them, and counts of what the layer did.
class ProbeHost final : public DrawingHost {
 public:
  std::uint32_t Now() override {
    return clock ? clock() : static_cast<std::uint32_t>(SDL_GetTicks64());
  }
  DisplayAbilities Use(const DisplayAbilities& found) override {
    DisplayAbilities used = found;
    if (retain_picture) used.keep_apart = true;
    if (swap_always) used.copies = false;
    return used;
  }
  void Presented() override { ++presents; }
  void ErrorsFound(int count) override { gl_errors += count; }

  std::function<std::uint32_t()> clock;
  bool retain_picture = false;
  bool swap_always = false;
  long presents = 0;
  int gl_errors = 0;
};

ProbeHost& Probe() {
  static auto& host = *new ProbeHost;
  return host;
}

// Installed before any test runs, so that every presentation and error is
// counted.
const bool g_installed = [] {
  SetHost(&Probe());
  return true;
}();

// Draw calls, counted by standing in for libepoxy's entry point. That
// starts as a stub that resolves the driver's function, writes it into the
// entry point and calls it: the stand-in lets it do so once, then keeps
// what it resolved and takes the entry point back.
long g_draw_calls = 0;
PFNGLDRAWARRAYSPROC g_draw_arrays = nullptr;
bool g_resolved = false;

void CountingDrawArrays(GLenum mode, GLint first, GLsizei count) {
  ++g_draw_calls;
  if (g_resolved) {
    g_draw_arrays(mode, first, count);
    return;
  }
  epoxy_glDrawArrays = g_draw_arrays;
  g_draw_arrays(mode, first, count);
  g_resolved = epoxy_glDrawArrays != g_draw_arrays;
  g_draw_arrays = epoxy_glDrawArrays;
  epoxy_glDrawArrays = &CountingDrawArrays;
}

const bool g_counting = [] {
  g_draw_arrays = epoxy_glDrawArrays;
  epoxy_glDrawArrays = &CountingDrawArrays;
  return true;
}();

// The canvas rectangle (x, y, w, h) read from the picture: as drawn so far,
// or as last presented.
std::vector<std::uint8_t> ReadCanvas(bool presented, int x, int y, int w, int h) {
  TGraphics* g = CurrentGraphics();
  if (g == nullptr || !g->_driver || w <= 0 || h <= 0) return {};
  const WindowSurface& s = g->_graphics;
  const int gx = s.canvas_x + x, gy = s.drawable_h - (s.canvas_y + y + h);
  std::vector<std::uint8_t> out = presented ? g->_driver->ReadPresented(gx, gy, w, h)
                                            : g->_driver->ReadPixels(gx, gy, w, h);
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
  return g != nullptr && g->_driver && g->_driver->RedrawPresented(/*reuse=*/false);
}

bool PresentsByCopy() {
  TGraphics* g = CurrentGraphics();
  return g != nullptr && g->_graphics.gl != nullptr && g->_graphics.presenter.Copies();
}

void SwapAlwaysForTesting(bool on) { Probe().swap_always = on; }

std::vector<std::uint8_t> ReadWindowPixels(int x, int y, int w, int h) {
  TGraphics* g = CurrentGraphics();
  if (g == nullptr || w <= 0 || h <= 0) return {};
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  const WindowSurface& s = g->_graphics;
  if (!SDL_GetWindowWMInfo(s.window, &info) || info.subsystem != SDL_SYSWM_X11) return {};
  const int scale = s.scale;
  XImage* image = XGetImage(info.info.x11.display, info.info.x11.window, (s.canvas_x + x) * scale,
                            (s.canvas_y + y) * scale, static_cast<unsigned>(w * scale),
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

void RetainPictureForTesting(bool on) { Probe().retain_picture = on; }

int GLErrorCount() { return Probe().gl_errors; }

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
  Probe().clock = std::move(clock);
}

long DrawCallCount() { return g_draw_calls; }
void ResetDrawCallCount() { g_draw_calls = 0; }
long PresentCount() { return Probe().presents; }

void FinishGraphics() {
  TGraphics* g = CurrentGraphics();
  if (g != nullptr && g->_driver) g->_driver->Finish();
}

std::string GLContextDescription() {
  if (!OwnGLContextIsCurrent()) return {};
  return GLRenderer::ContextDescription();
}

bool GLContextIsCore33() { return OwnGLContextIsCurrent() && GLRenderer::ContextIsCore33(); }
