#include "platform/testing/drawing_probe.h"

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
