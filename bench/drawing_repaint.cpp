// One repaint of a control-panel-shaped scene (32 controls: about 300
// rectangles and lines, 300 glyphs, a 120 x 100 logo, and a 64 x 64 frame at
// scale 3 turned 30 degrees in a clipped preview), against a bare Cls +
// Flip(0) of the same canvas. Both wait for GL to finish, so the GPU's (here
// llvmpipe's) work is counted; the same scene in which only the preview's
// frame changed, as while a sheet plays (only that part is drawn again); and
// the same scene repeated unchanged, which is not presented. Each with the
// picture kept as the display allows (the back buffer, where presentations
// copy from it: label "back buffer kept"), kept apart as on a scaled output,
// and kept nowhere (every presentation a swap). The canvases are hidden
// windows: what the window system does with a presentation is not counted.
// Run under tests/with-display.sh.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <map>
#include <tuple>
#include <memory>
#include <string>
#include <utility>

#include "platform/drawing/graphics.h"
#include "platform/images/image.h"
#include "platform/testing/offscreen.h"
#include "platform/testing/drawing_probe.h"
#include "support/image_builder.h"

namespace {

// Where a canvas keeps its picture between presentations.
enum Keeping {
  kAsTheDisplayAllows = 0,  // the back buffer, where presentations copy from it
  kApart = 1,               // a picture of its own, as on a scaled output
  kNothing = 2,             // nothing: every presentation swaps
};

// The drawing layer's clock: 16 ms pass at each repaint, as at 60 Hz, so
// that a canvas settles after it is made and presents again every 3 s
// while nothing changes, as a window does, whatever the speed of the run.
std::uint32_t g_now = 1000;

OffscreenCanvas* Canvas(int w, int h, int keeping = kAsTheDisplayAllows) {
  static std::map<std::tuple<int, int, int>, std::unique_ptr<OffscreenCanvas>> canvases;
  auto& slot = canvases[{w, h, keeping}];
  if (!slot) {
    // The way of presenting is chosen when the canvas's GL context is made.
    SetGraphicsClockForTesting([] { return g_now; });
    SwapAlwaysForTesting(keeping == kNothing);
    slot = std::make_unique<OffscreenCanvas>(w, h);
    if (slot->ok()) SetGraphics(slot->graphics());
    SwapAlwaysForTesting(false);
    g_now += 2000;  // settled
  }
  return slot->ok() ? slot.get() : nullptr;
}

// Colour ramps under an 8-pixel checkerboard of alpha.
ImagePtr MakeImage(int w, int h, float hx, float hy, int flags) {
  return MakeTestImage(w, h, hx, hy, flags, [](int x, int y) {
    return Rgba((x * 3) & 0xff, (y * 5) & 0xff, 140, ((x / 8 + y / 8) % 2) ? 255 : 0);
  });
}

struct Scene {
  ImagePtr logo = MakeImage(120, 100, 0, 0, 3);
  ImagePtr frame = MakeImage(64, 64, 32, 32, 3);
  ImagePtr next_frame = MakeImage(64, 64, 32, 32, 3);
};

// Shaped like the application's repaint: a clear, controls, then the
// preview. `shade` tints the clear: a new one each time makes the repaint a
// full one. (The application clears for the next repaint right after a
// presentation; here the clear comes first, so that waiting for GL after
// the presentation sends nothing of the next repaint early, which would
// make it a full one.)
void DrawPanel(const Scene& scene, int w, int h, bool next_frame = false, int shade = 0) {
  SetBlend(3);
  SetClsColor(60 + shade, 60, 60);
  SetViewport(0, 0, w, h);
  Cls();
  static const char* const kCaptions[] = {"Load", "Reload", "Quit", "Delay", "Start",
                                          "End", "Frame", "Pause", "Scale", "Rotate"};
  for (int i = 0; i < 32; ++i) {
    const float x = 8.0f + static_cast<float>((i % 4) * 96);
    const float y = 8.0f + static_cast<float>((i / 4) * 30);
    SetColor(220, 220, 220);
    DrawRect(x, y, 90, 24);
    SetColor(245, 245, 245);
    DrawLine(x, y, x + 89, y, 1);
    DrawLine(x, y, x, y + 23, 1);
    SetColor(120, 120, 120);
    DrawLine(x + 89, y + 1, x + 89, y + 23, 1);
    DrawLine(x + 1, y + 23, x + 89, y + 23, 1);
    SetColor(200, 200, 200);
    DrawRect(x + 70, y + 2, 17, 9);
    DrawRect(x + 70, y + 13, 17, 9);
    DrawLine(x + 70, y + 12, x + 86, y + 12, 1);
    DrawLine(x + 69, y + 2, x + 69, y + 21, 1);
    SetColor(0, 0, 0);
    DrawText(std::string(kCaptions[i % 10]) + "  " + std::to_string(i), x + 4, y + 6);
  }
  SetColor(255, 255, 255);
  DrawImage(scene.logo, static_cast<float>(w - 130), static_cast<float>(h - 110));
  // The preview: border, background, the turned frame, clipped.
  const int px = 400, py = 20, pw = w - 420, ph = h - 160;
  SetColor(245, 245, 245);
  const float left = px - 1, top = py - 1;
  const float right = static_cast<float>(px + pw), bottom = static_cast<float>(py + ph);
  DrawLine(left, top, right, top, 1);
  DrawLine(left, top, left, bottom, 1);
  DrawLine(right, top, right, bottom, 1);
  DrawLine(left, bottom, right, bottom, 1);
  SetViewport(px, py, pw, ph);
  SetColor(30, 90, 160);
  DrawRect(px, py, static_cast<float>(pw), static_cast<float>(ph));
  SetColor(255, 255, 255);
  SetScale(3, 3);
  SetRotation(30);
  DrawImage(next_frame ? scene.next_frame : scene.frame, static_cast<float>(px + pw / 2),
            static_cast<float>(py + ph / 2));
  SetRotation(0);
  SetScale(1, 1);
  SetAlpha(1.0f);
  g_now += 16;
  Flip(0);
}

// The canvas of range(0) x range(1) pixels, keeping its picture as
// range(2) says (Keeping); null (the benchmark skipped) without a GL window.
OffscreenCanvas* CanvasKeeping(benchmark::State& state) {
  const int keeping = static_cast<int>(state.range(2));
  RetainPictureForTesting(keeping == kApart);
  OffscreenCanvas* canvas =
      Canvas(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), keeping);
  if (canvas == nullptr) state.SkipWithError("no GL window");
  if (canvas != nullptr && keeping == kAsTheDisplayAllows) {
    SetGraphics(canvas->graphics());
    state.SetLabel(PresentsByCopy() ? "back buffer kept" : "swapped");
  }
  return canvas;
}

// Draw calls per repaint; the canvas draws straight to the window again.
void EndKeeping(benchmark::State& state) {
  state.counters["draw_calls"] =
      static_cast<double>(DrawCallCount()) / static_cast<double>(state.iterations());
  RetainPictureForTesting(false);
  if (GLErrorCount() != 0) state.SkipWithError("GL errors");
}

void BM_ClearAndPresent(benchmark::State& state) {
  OffscreenCanvas* canvas = CanvasKeeping(state);
  if (canvas == nullptr) return;
  SetGraphics(canvas->graphics());
  ResetDrawCallCount();
  int shade = 0;
  for (auto _ : state) {
    // A different colour each time: an unchanged picture would not be
    // presented at all.
    shade ^= 1;
    SetClsColor(60 + shade, 60, 60);
    Cls();
    g_now += 16;
    Flip(0);
    FinishGraphics();
  }
  state.counters["draw_calls"] =
      static_cast<double>(DrawCallCount()) / static_cast<double>(state.iterations());
}

// A full repaint: every repaint clears in a colour other than the last one.
// The third argument says where the picture is kept (Keeping).
void BM_Repaint(benchmark::State& state) {
  const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  OffscreenCanvas* canvas = CanvasKeeping(state);
  if (canvas == nullptr) return;
  const Scene scene;
  SetGraphics(canvas->graphics());
  DrawPanel(scene, w, h);  // textures made outside the timing
  FinishGraphics();
  ResetDrawCallCount();
  int shade = 0;
  for (auto _ : state) {
    SetGraphics(canvas->graphics());
    DrawPanel(scene, w, h, false, shade ^= 1);
    FinishGraphics();
  }
  EndKeeping(state);
}

// The same scene again and again, as the 60 Hz repaint draws it while
// nothing changes: recorded and compared, never sent or presented.
void BM_RepaintUnchanged(benchmark::State& state) {
  const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  OffscreenCanvas* canvas = Canvas(w, h);
  if (canvas == nullptr) {
    state.SkipWithError("no GL window");
    return;
  }
  const Scene scene;
  SetGraphics(canvas->graphics());
  DrawPanel(scene, w, h);
  SetGraphics(canvas->graphics());
  DrawPanel(scene, w, h);
  const long presents = PresentCount();
  for (auto _ : state) {
    SetGraphics(canvas->graphics());
    DrawPanel(scene, w, h);
  }
  state.counters["presents"] =
      static_cast<double>(PresentCount() - presents) / static_cast<double>(state.iterations());
}

// The preview's frame alternates between two frames; nothing else changes.
// The third argument says where the picture is kept (Keeping): where it is,
// only the changed part is drawn again.
void BM_RepaintFrameChanged(benchmark::State& state) {
  const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  OffscreenCanvas* canvas = CanvasKeeping(state);
  if (canvas == nullptr) return;
  const Scene scene;
  bool next = false;
  for (int i = 0; i < 3; ++i) {  // textures made outside the timing
    SetGraphics(canvas->graphics());
    DrawPanel(scene, w, h, next = !next);
  }
  FinishGraphics();
  ResetDrawCallCount();
  const long presents = PresentCount();
  for (auto _ : state) {
    SetGraphics(canvas->graphics());
    DrawPanel(scene, w, h, next = !next);
    FinishGraphics();
  }
  state.counters["presents"] =
      static_cast<double>(PresentCount() - presents) / static_cast<double>(state.iterations());
  EndKeeping(state);
}

void EveryKeeping(benchmark::internal::Benchmark* b) {
  for (const int keeping : {kAsTheDisplayAllows, kApart, kNothing}) {
    b->Args({800, 600, keeping})->Args({1920, 1080, keeping});
  }
  // A software renderer's own threads draw too: CPU is the whole process's.
  b->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
}

BENCHMARK(BM_ClearAndPresent)
    ->Args({800, 600, kAsTheDisplayAllows})
    ->Args({1920, 1080, kAsTheDisplayAllows})
    ->Args({800, 600, kNothing})
    ->Args({1920, 1080, kNothing})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Repaint)->Apply(EveryKeeping);
BENCHMARK(BM_RepaintFrameChanged)->Apply(EveryKeeping);
BENCHMARK(BM_RepaintUnchanged)->Args({800, 600})->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
