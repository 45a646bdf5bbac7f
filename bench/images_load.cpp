// Loading a large sprite sheet: a 4096 x 4096 RGBA PNG decoded and cut into
// 64 x 64 cells, against a bare libpng decode of the same file; and a long
// strip, 100,000 x 16 RGBA, loaded by the application as 6,250 frames of
// 16 x 16, against its bare decode.
//
// Time: Google Benchmark wall time per load. Memory: every benchmark also
// runs its work once in a fresh copy of this program (re-executed with
// --peak=NAME) and reports how far the process's peak resident size rose
// (getrusage ru_maxrss after minus before), as a multiple of the decoded
// picture (64 MiB). Counting in a fresh process catches libpng's and zlib's
// own allocations too, and no earlier run's freed memory hides the peak.
#include <benchmark/benchmark.h>
#include <png.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/globals.h"
#include "platform/images/image.h"

namespace {

constexpr int kSide = 4096;
constexpr int kCell = 64;
constexpr double kPictureBytes = 4.0 * kSide * kSide;
const char* const kSheet = "/tmp/cellreel_bench_sheet_4096.png";

// Writes the test sheet once: 64 x 64 cells, each a soft disc on a gradient
// with a per-cell tint and a translucent border, so that rows differ and the
// file compresses like a real sheet rather than like a flat colour.
void MakeSheet() {
  if (std::FILE* f = std::fopen(kSheet, "rb")) {
    std::fclose(f);
    return;
  }
  std::FILE* f = std::fopen(kSheet, "wb");
  if (!f) std::abort();
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_init_io(png, f);
  png_set_IHDR(png, info, kSide, kSide, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  std::vector<png_byte> row(kSide * 4);
  unsigned noise = 12345;
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) {
      const int cx = x % kCell, cy = y % kCell, cell = (y / kCell) * 64 + x / kCell;
      const double d = std::hypot(cx - 31.5 - 8 * std::sin(cell * 0.3), cy - 31.5);
      const double disc = std::clamp(24.0 - d, 0.0, 1.0);
      noise = noise * 1103515245u + 12345u;
      const int grain = static_cast<int>((noise >> 16) & 7);
      png_byte* p = &row[x * 4];
      p[0] = static_cast<png_byte>(disc * (200 + cell % 56) + (1 - disc) * (x >> 4) + grain);
      p[1] = static_cast<png_byte>(disc * (90 + (cell * 7) % 120) + (1 - disc) * (y >> 4));
      p[2] = static_cast<png_byte>(disc * 60 + (1 - disc) * ((x + y) >> 5));
      p[3] = static_cast<png_byte>(cx == 0 || cy == 0 ? 128 : (disc > 0 ? 255 : 200));
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::fclose(f);
}

constexpr int kStripWidth = 100000;
constexpr int kStripHeight = 16;
const char* const kStrip = "/tmp/cellreel_bench_strip_100000.png";

// A strip of 16 x 16 frames, each a square whose place and colour move from
// frame to frame over a gradient.
void MakeStrip() {
  if (std::FILE* f = std::fopen(kStrip, "rb")) {
    std::fclose(f);
    return;
  }
  std::FILE* f = std::fopen(kStrip, "wb");
  if (!f) std::abort();
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_init_io(png, f);
  png_set_IHDR(png, info, kStripWidth, kStripHeight, 8, PNG_COLOR_TYPE_RGB_ALPHA,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  std::vector<png_byte> row(kStripWidth * 4);
  for (int y = 0; y < kStripHeight; ++y) {
    for (int x = 0; x < kStripWidth; ++x) {
      const int frame = x / kStripHeight, cx = x % kStripHeight;
      const int at = frame % 10;
      const bool square = cx >= at && cx < at + 6 && y >= 4 && y < 10;
      png_byte* p = &row[x * 4];
      p[0] = static_cast<png_byte>(square ? 200 + frame % 50 : cx * 8);
      p[1] = static_cast<png_byte>(square ? (frame * 7) % 256 : y * 8);
      p[2] = static_cast<png_byte>(square ? 40 : 100);
      p[3] = 255;
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::fclose(f);
}

// The reference: libpng reading the file straight into one buffer.
std::vector<png_byte> BareDecode(const char* path = kSheet) {
  std::vector<png_byte> pixels;
  std::FILE* f = std::fopen(path, "rb");
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_init_io(png, f);
  png_read_info(png, info);
  const png_uint_32 w = png_get_image_width(png, info), h = png_get_image_height(png, info);
  pixels.resize(static_cast<std::size_t>(w) * h * 4);
  std::vector<png_bytep> rows(h);
  for (png_uint_32 y = 0; y < h; ++y) rows[y] = pixels.data() + static_cast<std::size_t>(y) * w * 4;
  png_read_image(png, rows.data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  std::fclose(f);
  return pixels;
}

std::size_t CutFromUrl() {
  ImagePtr img = LoadAnimImage(kSheet, kCell, kCell, 0, (kSide / kCell) * (kSide / kCell), -1);
  if (!img) std::abort();
  return img->pixmaps.size();
}

// What the application does with a sheet: one decode, the whole picture and
// the cut one built from it.
std::size_t AppPath() {
  PixmapPtr sheet = LoadPixmap(kSheet);
  if (!sheet) std::abort();
  ImagePtr whole = LoadImage(sheet, -1);
  ImagePtr cut = LoadAnimImage(sheet, kCell, kCell, 0,
                               (sheet->width / kCell) * (sheet->height / kCell), -1);
  if (!whole || !cut) std::abort();
  return cut->pixmaps.size() + whole->pixmaps.size();
}

// The application's own loader, twice: a load and a "Refresh" of the sheet.
std::size_t TilesetTwice() {
  static bool ready = false;
  if (!ready) {
    InitGlobals();
    ready = true;
  }
  strFilename = kSheet;
  LoadTileset();
  LoadTileset();
  if (intFrameCount != (kSide / kCell) * (kSide / kCell) || !imgAnimation) std::abort();
  return imgAnimation->pixmaps.size();
}

// The application's loader on the sheet cut into 2 x 2 tiles: 4,194,304
// frames, which cost no more than the picture they are views into.
std::size_t Tileset2x2() {
  static bool ready = false;
  if (!ready) {
    InitGlobals();
    ready = true;
  }
  intTileWidth = intTileHeight = 2;
  strFilename = kSheet;
  LoadTileset();
  if (intFrameCount != (kSide / 2) * (kSide / 2) || !imgAnimation) std::abort();
  return imgAnimation->pixmaps.size();
}

// The application's loader on the strip, 16 x 16 tiles.
std::size_t TilesetStrip() {
  static bool ready = false;
  if (!ready) {
    InitGlobals();
    ready = true;
  }
  intTileWidth = intTileHeight = kStripHeight;
  strFilename = kStrip;
  LoadTileset();
  if (intFrameCount != kStripWidth / kStripHeight || !imgAnimation) std::abort();
  return imgAnimation->pixmaps.size();
}

long MaxRssKiB() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

// Runs one kind of work once in a fresh process; its peak RSS rise in bytes.
double PeakInFreshProcess(const char* name) {
  char self[4096];
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return -1;
  self[n] = 0;
  const std::string cmd = std::string(self) + " --peak=" + name;
  std::FILE* p = popen(cmd.c_str(), "r");
  if (!p) return -1;
  long kib = -1;
  if (std::fscanf(p, "%ld", &kib) != 1) kib = -1;
  pclose(p);
  return static_cast<double>(kib) * 1024.0;
}

void Report(benchmark::State& state, const char* name, double picture_bytes = kPictureBytes) {
  const double peak = PeakInFreshProcess(name);
  state.counters["peak_MiB"] = peak / (1024.0 * 1024.0);
  state.counters["peak_x_picture"] = peak / picture_bytes;
}

constexpr double kStripBytes = 4.0 * kStripWidth * kStripHeight;

void BM_BareLibpngDecode(benchmark::State& state) {
  MakeSheet();
  for (auto _ : state) benchmark::DoNotOptimize(BareDecode().data());
  Report(state, "bare");
}

void BM_LoadAnimImageFromUrl(benchmark::State& state) {
  MakeSheet();
  for (auto _ : state) benchmark::DoNotOptimize(CutFromUrl());
  Report(state, "url");
}

void BM_AppPathPixmapThenWholeAndCut(benchmark::State& state) {
  MakeSheet();
  for (auto _ : state) benchmark::DoNotOptimize(AppPath());
  Report(state, "app");
}

// Per iteration two loads (load and reload); compare half its time with the
// bare decode.
void BM_LoadTilesetLoadAndRefresh(benchmark::State& state) {
  MakeSheet();
  for (auto _ : state) benchmark::DoNotOptimize(TilesetTwice());
  Report(state, "tileset");
}

void BM_LoadTileset2x2(benchmark::State& state) {
  MakeSheet();
  for (auto _ : state) benchmark::DoNotOptimize(Tileset2x2());
  Report(state, "tileset2x2");
}

// The strip: libpng alone into a buffer the heap has warm, the program's own
// decode (into fresh pages, which a picture's memory always is), and the
// application's load, whose time is that decode's.
void BM_StripBareLibpngDecode(benchmark::State& state) {
  MakeStrip();
  for (auto _ : state) benchmark::DoNotOptimize(BareDecode(kStrip).data());
  Report(state, "strip_bare", kStripBytes);
}

void BM_StripLoadPixmap(benchmark::State& state) {
  MakeStrip();
  for (auto _ : state) benchmark::DoNotOptimize(LoadPixmap(kStrip));
  Report(state, "strip_pixmap", kStripBytes);
}

void BM_StripLoadTileset16x16(benchmark::State& state) {
  MakeStrip();
  for (auto _ : state) benchmark::DoNotOptimize(TilesetStrip());
  Report(state, "strip_tileset", kStripBytes);
}

BENCHMARK(BM_BareLibpngDecode)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_LoadAnimImageFromUrl)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_AppPathPixmapThenWholeAndCut)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_LoadTilesetLoadAndRefresh)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_LoadTileset2x2)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_StripBareLibpngDecode)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_StripLoadPixmap)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_StripLoadTileset16x16)->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strncmp(argv[1], "--peak=", 7) == 0) {
    MakeSheet();
    MakeStrip();
    const std::string mode = argv[1] + 7;
    const long before = MaxRssKiB();
    if (mode == "bare") benchmark::DoNotOptimize(BareDecode().data());
    if (mode == "url") benchmark::DoNotOptimize(CutFromUrl());
    if (mode == "app") benchmark::DoNotOptimize(AppPath());
    if (mode == "tileset") benchmark::DoNotOptimize(TilesetTwice());
    if (mode == "tileset2x2") benchmark::DoNotOptimize(Tileset2x2());
    if (mode == "strip_bare") benchmark::DoNotOptimize(BareDecode(kStrip).data());
    if (mode == "strip_pixmap") benchmark::DoNotOptimize(LoadPixmap(kStrip));
    if (mode == "strip_tileset") benchmark::DoNotOptimize(TilesetStrip());
    std::printf("%ld\n", MaxRssKiB() - before);
    return 0;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
