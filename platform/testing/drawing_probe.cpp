#include "platform/testing/drawing_probe.h"

#include "platform/drawing/graphics_context.h"
#include "platform/drawing/graphics_window.h"
#include "platform/drawing/image_textures.h"

std::vector<std::uint8_t> ReadPixels(int x, int y, int w, int h) {
  TGraphics* g = CurrentGraphics();
  if (g == nullptr || !g->renderer || w <= 0 || h <= 0) return {};
  std::vector<std::uint8_t> out =
      g->renderer->ReadPixels(g->canvas_x + x, g->drawable_h - (g->canvas_y + y + h), w, h);
  CheckGLErrors();
  return out;
}

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
