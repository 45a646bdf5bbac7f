// What the running program costs while an artist leaves it open: CPU per
// second of the real event loop and repaint, against a bare SDL2 + GL window
// (bench/floor/bare_window.cpp) with a 60 Hz timer, with and without a clear
// and swap at each tick; and the resident size around loading, reloading and
// unloading a 4096 x 4096 RGBA sheet. Every figure comes from a fresh child
// process, all in the same run. Needs a display: run through
// tests/with-display.sh.
//
//   cpu_x_floor   CPU of the case / CPU of the bare window without drawing
//   rss_*_MiB     resident size at each step of the memory case, and its peak
//   played_above_before_x_picture  what playing the big sheet holds above
//                 the start, against its decoded picture (64 MiB)
#include <benchmark/benchmark.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "app/globals.h"
#include "bmp_writer.h"

namespace {

constexpr double kSettleSeconds = 2.0;
constexpr double kMeasureSeconds = 6.0;

double CpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

long RssKiB() {
  long pages = 0, resident = 0;
  if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// The sheet at path, written once: later runs load the same file.
template <typename F>
std::string CachedBmp(const char* path, int w, int h, F pixel) {
  if (std::FILE* f = std::fopen(path, "rb")) {
    std::fclose(f);
    return path;
  }
  WriteBmp(path, w, h, pixel);
  return path;
}

// 256 x 128 in 64 x 64 tiles: 8 frames, each its own colour.
std::string SmallSheet() {
  return CachedBmp("/tmp/cellreel_bench_sheet_256.bmp", 256, 128, [](int x, int y) {
    const std::uint32_t tile = static_cast<std::uint32_t>((y / 64) * 4 + x / 64);
    return 0xff000000u | (40u + 25u * tile) << 16 | static_cast<std::uint32_t>(x) << 8 | 90u;
  });
}

std::string BigSheet() {
  return CachedBmp("/tmp/cellreel_bench_sheet_4096.bmp", 4096, 4096, [](int x, int y) {
    return 0xff000000u | static_cast<std::uint32_t>(x & 255) << 16 |
           static_cast<std::uint32_t>(y & 255) << 8 | static_cast<std::uint32_t>((x ^ y) & 255);
  });
}

// --- children -------------------------------------------------------------

// The real program for the settling time plus the measured time; prints its
// CPU seconds per second over the measured part and its resident size.
int CpuChild(const std::string& mode) {
  InstallTerminationHandlers();
  StartUp();
  if (mode != "idle") {
    strFilename = SmallSheet();
    LoadTileset();
  }
  if (mode == "paused") {
    blnPauseFrame = true;
    btnPauseFrame->SetText("Run");
  }
  if (mode == "play0") {
    intFrameDelay = 0;
    objFrameSpeed->SetValue(0);
  }
  std::atomic<double> used{-1};
  std::atomic<long> rss{0};
  std::thread stopper([&] {
    std::this_thread::sleep_for(std::chrono::duration<double>(kSettleSeconds));
    const double cpu0 = CpuSeconds();
    std::this_thread::sleep_for(std::chrono::duration<double>(kMeasureSeconds));
    used = (CpuSeconds() - cpu0) / kMeasureSeconds;
    rss = RssKiB();
    kill(getpid(), SIGTERM);
  });
  Main();
  stopper.join();
  std::printf("%f %ld\n", used.load(), rss.load());
  return 0;
}

// The real program: its resident size before a load, with a 4096 x 4096
// sheet loaded and played through all its 4,096 frames (seven frames a
// repaint), after "Refresh" replaced it, and after "Unload"; and the peak.
int g_paints = 0;
long g_rss[5] = {0, 0, 0, 0, 0};
constexpr int kPlayPaints = 600;

void Click(const TButton& b) {
  Mouse.x = static_cast<float>(b.posx + b.width / 2);
  Mouse.y = static_cast<float>(b.posy + b.height / 2);
  Mouse.LeftButton = true;
}

long PeakKiB() {
  long kib = 0;
  if (std::FILE* f = std::fopen("/proc/self/status", "r")) {
    char line[256];
    while (std::fgets(line, sizeof line, f)) {
      if (std::strncmp(line, "VmHWM:", 6) == 0) kib = std::atol(line + 6);
    }
    std::fclose(f);
  }
  return kib;
}

void* MemoryStep(int, void* data, void*) {
  if (!data || static_cast<TEvent*>(data)->id != GadgetPaint) return data;
  ++g_paints;
  if (g_paints > 30 && g_paints < 30 + kPlayPaints && intFrameCount > 0) {
    intCurrentFrame = (intCurrentFrame + 7) % intFrameCount;
  }
  switch (g_paints) {
    case 30:
      g_rss[0] = RssKiB();
      strFilename = BigSheet();
      LoadTileset();
      break;
    case 30 + kPlayPaints:
      g_rss[1] = RssKiB();
      g_rss[4] = PeakKiB();
      Click(*btnRefresh);
      break;
    case 60 + kPlayPaints:
      g_rss[2] = RssKiB();
      Click(*btnUnLoad);
      break;
    case 90 + kPlayPaints:
      g_rss[3] = RssKiB();
      kill(getpid(), SIGTERM);
      break;
    default:
      break;
  }
  return data;
}

int MemoryChild() {
  BigSheet();
  InstallTerminationHandlers();
  StartUp();
  AddHook(EmitEventHook(), MemoryStep, nullptr, 0);
  Main();
  std::printf("%ld %ld %ld %ld %ld\n", g_rss[0], g_rss[1], g_rss[2], g_rss[3], g_rss[4]);
  return 0;
}

// --- parent ---------------------------------------------------------------

std::string g_self;

std::string Run(const std::string& cmd) {
  std::string out;
  if (std::FILE* p = popen(cmd.c_str(), "r")) {
    char buf[256];
    while (std::fgets(buf, sizeof buf, p)) out += buf;
    pclose(p);
  }
  return out;
}

struct Cpu {
  double per_s = -1;
  long rss_kib = 0;
};

Cpu Measure(const std::string& cmd) {
  Cpu c;
  if (std::sscanf(Run(cmd).c_str(), "%lf %ld", &c.per_s, &c.rss_kib) != 2) c.per_s = -1;
  return c;
}

// The no-drawing floor, measured once per run.
double Floor() {
  static const double floor = Measure(std::string(BARE_WINDOW) + " --cpu idle " +
                                      std::to_string(kMeasureSeconds)).per_s;
  return floor;
}

void Report(benchmark::State& state, const Cpu& c) {
  if (c.per_s < 0 || Floor() <= 0) {
    state.SkipWithError("the child did not run (no display?)");
    return;
  }
  state.counters["cpu_percent"] = 100.0 * c.per_s;
  state.counters["cpu_x_floor"] = c.per_s / Floor();
  state.counters["rss_MiB"] = static_cast<double>(c.rss_kib) / 1024.0;
}

void BM_FloorIdle(benchmark::State& state) {
  for (auto _ : state) {
  }
  Report(state, Measure(std::string(BARE_WINDOW) + " --cpu idle " +
                        std::to_string(kMeasureSeconds)));
}

void BM_FloorClearAndSwap(benchmark::State& state) {
  for (auto _ : state) {
  }
  Report(state, Measure(std::string(BARE_WINDOW) + " --cpu clear " +
                        std::to_string(kMeasureSeconds)));
}

void BM_Program(benchmark::State& state, const char* mode) {
  for (auto _ : state) {
  }
  Report(state, Measure(g_self + " --cpu " + mode));
}

void BM_UnloadGivesMemoryBack(benchmark::State& state) {
  for (auto _ : state) {
  }
  long rss[5] = {0, 0, 0, 0, 0};
  if (std::sscanf(Run(g_self + " --memory").c_str(), "%ld %ld %ld %ld %ld", &rss[0], &rss[1],
                  &rss[2], &rss[3], &rss[4]) != 5 ||
      rss[0] <= 0) {
    state.SkipWithError("the child did not run (no display?)");
    return;
  }
  constexpr double kPictureKiB = 4096.0 * 4096.0 * 4.0 / 1024.0;
  state.counters["rss_before_MiB"] = static_cast<double>(rss[0]) / 1024.0;
  state.counters["rss_played_MiB"] = static_cast<double>(rss[1]) / 1024.0;
  state.counters["rss_refreshed_MiB"] = static_cast<double>(rss[2]) / 1024.0;
  state.counters["rss_unloaded_MiB"] = static_cast<double>(rss[3]) / 1024.0;
  state.counters["rss_peak_MiB"] = static_cast<double>(rss[4]) / 1024.0;
  state.counters["played_above_before_x_picture"] =
      static_cast<double>(rss[1] - rss[0]) / kPictureKiB;
  state.counters["unloaded_x_before"] = static_cast<double>(rss[3]) / static_cast<double>(rss[0]);
}

BENCHMARK(BM_FloorIdle)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_FloorClearAndSwap)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(BM_Program, idle_no_sheet, "idle")->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(BM_Program, paused_with_sheet, "paused")->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(BM_Program, playing_200ms, "play200")->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(BM_Program, playing_0ms, "play0")->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_UnloadGivesMemoryBack)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--cpu") == 0) return CpuChild(argv[2]);
  if (argc == 2 && std::strcmp(argv[1], "--memory") == 0) return MemoryChild();
  char self[4096] = {};
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  g_self = n > 0 ? std::string(self, static_cast<size_t>(n)) : argv[0];
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
