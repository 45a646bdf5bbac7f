// Hours of use in one run: the real program and its event loop, driven from
// its own repaints, loads a rotation of sheets (64 x 64 to 4096 x 4096, PNG,
// JPEG, BMP and TGA, some of them hostile) through "Refresh", plays each at
// Speed 0 and then 200, refreshes it, unloads it, and now and then resizes
// the window. A sheet of large, non-power-of-two tiles walks the texture
// cache through more frames than it holds; one of tiny tiles plays through
// hundreds of thousands.
//
// The resident size, the frame textures held, the open descriptors and the
// CPU are printed at the start and once a minute, each time just after an
// "Unload", so that every sample sees the program in the same state. At the
// end the resident size must lie within 5 % of the first minute's and the
// textures and descriptors must equal it; otherwise the run fails.
//
// Needs a display: run through tests/with-display.sh. The run lasts
// CELLREEL_SOAK_MINUTES (default 10, at least 2); the soak itself runs in a
// fresh copy of this program (--soak), so nothing of the benchmark library
// counts.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <jpeglib.h>
#include <png.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "app/globals.h"
#include "platform/drawing/graphics.h"
#include "platform/testing/drawing_probe.h"
#include "support/hostile_files.h"

namespace {

using Clock = std::chrono::steady_clock;

double MinutesFromEnv() {
  const char* v = std::getenv("CELLREEL_SOAK_MINUTES");
  const double m = v ? std::atof(v) : 10.0;
  return m >= 2.0 ? m : 2.0;
}

// --- the sheets -------------------------------------------------------------

// Pixel (x, y) of a sheet cut into tile x tile cells: each cell its own tint,
// a gradient inside it, so that frames differ and files compress like
// drawings rather than like flat colour.
std::uint32_t SheetPixel(int x, int y, int tile) {
  const auto cell = static_cast<std::uint32_t>((y / tile) * 97 + x / tile);
  const auto r = (40u + 37u * cell) & 255u;
  const auto g = static_cast<std::uint32_t>(x % tile) * 255u / static_cast<std::uint32_t>(tile);
  const auto b = static_cast<std::uint32_t>(y % tile) * 255u / static_cast<std::uint32_t>(tile);
  return 0xff000000u | r << 16 | g << 8 | b;  // 0xAARRGGBB
}

void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// channels: 1 grey, 3 RGB, 4 RGBA.
void WritePng(const std::string& path, int w, int h, int channels, int tile) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) std::abort();
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_init_io(png, f);
  png_set_compression_level(png, 1);
  const int type = channels == 1   ? PNG_COLOR_TYPE_GRAY
                   : channels == 3 ? PNG_COLOR_TYPE_RGB
                                   : PNG_COLOR_TYPE_RGB_ALPHA;
  png_set_IHDR(png, info, static_cast<png_uint_32>(w), static_cast<png_uint_32>(h), 8, type,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  std::vector<png_byte> row(static_cast<std::size_t>(w) * static_cast<std::size_t>(channels));
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const std::uint32_t c = SheetPixel(x, y, tile);
      png_byte* p = &row[static_cast<std::size_t>(x) * static_cast<std::size_t>(channels)];
      const png_byte rgba[4] = {static_cast<png_byte>(c >> 16), static_cast<png_byte>(c >> 8),
                                static_cast<png_byte>(c), static_cast<png_byte>(x % tile ? 255 : 128)};
      if (channels == 1) p[0] = rgba[1];
      else std::memcpy(p, rgba, static_cast<std::size_t>(channels));
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::fclose(f);
}

void WriteJpeg(const std::string& path, int w, int h, int tile) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) std::abort();
  jpeg_compress_struct c{};
  jpeg_error_mgr err{};
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  jpeg_stdio_dest(&c, f);
  c.image_width = static_cast<JDIMENSION>(w);
  c.image_height = static_cast<JDIMENSION>(h);
  c.input_components = 3;
  c.in_color_space = JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 85, TRUE);
  jpeg_start_compress(&c, TRUE);
  std::vector<JSAMPLE> row(static_cast<std::size_t>(w) * 3);
  while (c.next_scanline < c.image_height) {
    const int y = static_cast<int>(c.next_scanline);
    for (int x = 0; x < w; ++x) {
      const std::uint32_t p = SheetPixel(x, y, tile);
      row[static_cast<std::size_t>(x) * 3] = static_cast<JSAMPLE>(p >> 16);
      row[static_cast<std::size_t>(x) * 3 + 1] = static_cast<JSAMPLE>(p >> 8);
      row[static_cast<std::size_t>(x) * 3 + 2] = static_cast<JSAMPLE>(p);
    }
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&c, rows, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  std::fclose(f);
}

// Uncompressed BMP, 24 or 32 bits, bottom row first.
void WriteBmp(const std::string& path, int w, int h, int bits, int tile) {
  const std::size_t bpp = static_cast<std::size_t>(bits / 8);
  const std::size_t stride = (static_cast<std::size_t>(w) * bpp + 3) / 4 * 4;
  std::vector<std::uint8_t> v = {'B', 'M'};
  using hostile::Put16, hostile::Put32;
  Put32(v, static_cast<std::uint32_t>(54 + stride * static_cast<std::size_t>(h)));
  Put32(v, 0);
  Put32(v, 54);
  Put32(v, 40);
  Put32(v, static_cast<std::uint32_t>(w));
  Put32(v, static_cast<std::uint32_t>(h));
  Put16(v, 1);
  Put16(v, static_cast<unsigned>(bits));
  for (int i = 0; i < 6; ++i) Put32(v, 0);
  v.reserve(v.size() + stride * static_cast<std::size_t>(h));
  for (int y = h - 1; y >= 0; --y) {
    const std::size_t start = v.size();
    for (int x = 0; x < w; ++x) {
      const std::uint32_t p = SheetPixel(x, y, tile);
      v.push_back(static_cast<std::uint8_t>(p));
      v.push_back(static_cast<std::uint8_t>(p >> 8));
      v.push_back(static_cast<std::uint8_t>(p >> 16));
      if (bpp == 4) v.push_back(255);
    }
    v.resize(start + stride, 0);
  }
  WriteFile(path, v);
}

// Uncompressed 32-bit TGA, top row first.
void WriteTga(const std::string& path, int w, int h, int tile) {
  std::vector<std::uint8_t> v = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  hostile::Put16(v, static_cast<unsigned>(w));
  hostile::Put16(v, static_cast<unsigned>(h));
  v.push_back(32);
  v.push_back(0x28);  // 8 alpha bits, top row first
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const std::uint32_t p = SheetPixel(x, y, tile);
      for (int i = 0; i < 4; ++i) v.push_back(static_cast<std::uint8_t>(p >> (8 * i)));
    }
  WriteFile(path, v);
}

struct Sheet {
  std::string path;
  int tile_w, tile_h;
  double play_s;  // at Speed 0 before Speed 200
};

// At least 20 sheets, all formats, 64 x 64 to 4096 x 4096, some hostile.
std::vector<Sheet> MakeSheets(const std::string& dir) {
  std::vector<Sheet> s;
  auto add = [&](const std::string& name, int tw, int th,
                 const std::function<void(const std::string&)>& write, double play_s = 1.5) {
    const std::string path = dir + "/" + name;
    write(path);
    s.push_back({path, tw, th, play_s});
  };
  add("rgba64.png", 16, 16, [](auto& p) { WritePng(p, 64, 64, 4, 16); });
  add("rgb256.png", 32, 32, [](auto& p) { WritePng(p, 256, 256, 3, 32); });
  add("grey2048x512.png", 128, 128, [](auto& p) { WritePng(p, 2048, 512, 1, 128); });
  add("rgba1024.png", 64, 64, [](auto& p) { WritePng(p, 1024, 1024, 4, 64); });
  add("rgba4096.png", 512, 512, [](auto& p) { WritePng(p, 4096, 4096, 4, 512); });
  // 9 x 9 tiles of 257 x 257, each a 512 x 512 texture: 81 MiB, more than
  // the cache holds for this sheet (64 MiB). Played long enough for the
  // cache to let the oldest go.
  add("rgba2313.png", 257, 257, [](auto& p) { WritePng(p, 2313, 2313, 4, 257); }, 10.0);
  add("rgb128.jpg", 32, 32, [](auto& p) { WriteJpeg(p, 128, 128, 32); });
  add("rgb1000x600.jpg", 100, 100, [](auto& p) { WriteJpeg(p, 1000, 600, 100); });
  add("rgb2048.jpg", 256, 256, [](auto& p) { WriteJpeg(p, 2048, 2048, 256); });
  // 13 x 13 tiles, each a 512 x 512 texture: 169 MiB, again more than the
  // cache holds (twice the 48 MiB picture).
  add("rgb4096.jpg", 300, 300, [](auto& p) { WriteJpeg(p, 4096, 4096, 300); }, 10.0);
  add("progressive512.jpg", 64, 64, [](auto& p) { WriteFile(p, hostile::ProgressiveJpeg(512)); });
  add("rgb64.bmp", 8, 8, [](auto& p) { WriteBmp(p, 64, 64, 24, 8); });
  add("argb512.bmp", 16, 16, [](auto& p) { WriteBmp(p, 512, 512, 32, 16); });
  add("rgb3000x2000.bmp", 300, 300, [](auto& p) { WriteBmp(p, 3000, 2000, 24, 300); });
  // 262,144 frames of 8 x 8.
  add("argb4096.bmp", 8, 8, [](auto& p) { WriteBmp(p, 4096, 4096, 32, 8); });
  add("argb256.tga", 32, 32, [](auto& p) { WriteTga(p, 256, 256, 32); });
  add("argb1024.tga", 128, 128, [](auto& p) { WriteTga(p, 1024, 1024, 128); });
  // Hostile: headers claiming far more than the files hold, damaged and
  // empty files.
  add("huge_header.png", 64, 64, [](auto& p) { WriteFile(p, hostile::HugePngHeader()); });
  add("short_scan.jpg", 64, 64, [](auto& p) { WriteFile(p, hostile::JpegShortScan(64, 16384)); });
  add("sparse_rle4096.bmp", 256, 256, [](auto& p) { WriteFile(p, hostile::SparseRleBmp(4096, 4096)); });
  add("rle_past_width.bmp", 2, 2, [](auto& p) { WriteFile(p, hostile::RleRunPastWidth()); });
  add("truncated.png", 64, 64, [&](auto& p) {
    std::ifstream in(dir + "/rgba1024.png", std::ios::binary);
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    bytes.resize(bytes.size() / 2);
    WriteFile(p, bytes);
  });
  add("empty.bmp", 64, 64, [](auto& p) { WriteFile(p, {}); });
  add("junk.jpg", 64, 64, [](auto& p) { hostile::MakeJunkFile(p, 1 << 20); });
  return s;
}

// --- what is measured -------------------------------------------------------

long RssKiB() {
  long pages = 0, resident = 0;
  if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

int OpenDescriptors() {
  int n = 0;
  if (DIR* d = opendir("/proc/self/fd")) {
    while (dirent* e = readdir(d))
      if (e->d_name[0] != '.') ++n;
    closedir(d);
    --n;  // the listing's own
  }
  return n;
}

double CpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

struct Sample {
  double minute = 0;
  long rss_kib = 0;
  long textures = 0;
  int descriptors = 0;
  double cpu_percent = 0;  // since the previous sample
};

// --- the driver -------------------------------------------------------------

// One step per sheet, in seconds from its start: load (through "Refresh"
// with the sheet as the file name) at Speed 0, after the sheet's play_s
// Speed 200, "Refresh", "Unload", then a few repaints so that the textures
// are let go.
constexpr double kRefreshAfter = 0.5;
constexpr double kUnloadAfter = 1.5;
constexpr double kStepEndAfter = 1.9;
constexpr int kResizeEvery = 4;  // steps
constexpr double kResizeSettle = 0.5;
const int kSizes[][2] = {{1024, 768}, {800, 600}, {1280, 720}, {900, 640}};

struct Soak {
  double minutes = 10;
  std::vector<Sheet> sheets;
  Clock::time_point start, step_start;
  std::size_t step = 0;
  int phase = 0;
  double next_sample = 0;  // minutes
  double cpu_at_last = 0;
  Clock::time_point last_sample_time;
  std::vector<Sample> samples;
  long loads = 0, loaded_ok = 0, max_textures = 0, max_frames = 0;
  // Loads during which the texture cache let frames go while the sheet
  // played (frame 0's texture went with the same image shown).
  long cache_walks = 0;
  const TImage* last_image = nullptr;
  bool had_first = false;
  bool walked = false;
  std::string window_id;
};
Soak g_soak;

void Click(const TButton& b) {
  Mouse.x = static_cast<float>(b.posx + b.width / 2);
  Mouse.y = static_cast<float>(b.posy + b.height / 2);
  Mouse.LeftButton = true;
}

double Since(Clock::time_point t) {
  return std::chrono::duration<double>(Clock::now() - t).count();
}

void TakeSample() {
  Soak& s = g_soak;
  const double cpu = CpuSeconds();
  const double wall = Since(s.last_sample_time);
  Sample x;
  x.minute = Since(s.start) / 60.0;
  x.rss_kib = RssKiB();
  x.textures = HeldFrameTextureCount();
  x.descriptors = OpenDescriptors();
  x.cpu_percent = wall > 0 ? 100.0 * (cpu - s.cpu_at_last) / wall : 0;
  s.cpu_at_last = cpu;
  s.last_sample_time = Clock::now();
  s.samples.push_back(x);
  std::fprintf(stderr,
               "soak %5.1f min: RSS %7.1f MiB, frame textures %ld, descriptors %d, CPU %5.1f %%"
               " (loads %ld, %ld decoded; most textures held %ld; cache walks %ld)\n",
               x.minute, static_cast<double>(x.rss_kib) / 1024.0, x.textures, x.descriptors,
               x.cpu_percent, s.loads, s.loaded_ok, s.max_textures, s.cache_walks);
}

void ResizeWindow(int w, int h) {
  Soak& s = g_soak;
  if (s.window_id.empty()) {
    // This process's window and that name both: a window manager may frame
    // it in a window of its own named after it.
    const std::string cmd = "xdotool search --all --pid " + std::to_string(getpid()) +
                            " --name '^" + AppTitle + "$' 2>/dev/null | head -n1";
    if (std::FILE* p = popen(cmd.c_str(), "r")) {
      char buf[64] = {};
      if (std::fgets(buf, sizeof buf, p)) s.window_id = std::strtok(buf, " \n");
      pclose(p);
    }
    if (s.window_id.empty()) return;
  }
  const std::string cmd = "xdotool windowsize " + s.window_id + " " + std::to_string(w) + " " +
                          std::to_string(h) + " >/dev/null 2>&1";
  if (std::system(cmd.c_str()) != 0) std::fprintf(stderr, "soak: resize failed\n");
}

void SetSpeed(int delay) {
  intFrameDelay = delay;
  objFrameSpeed->SetValue(delay);
}

void* SoakStep(int, void* data, void*) {
  if (!data || static_cast<TEvent*>(data)->id != GadgetPaint) return data;
  Soak& s = g_soak;
  const Sheet& sheet = s.sheets[s.step % s.sheets.size()];
  const double t = Since(s.step_start);
  if (imgAnimation) {
    // Frame 0 is drawn first, so the cache lets its texture go first.
    if (imgAnimation.get() != s.last_image) s.had_first = false;
    const bool has_first = FrameTextureOf(*imgAnimation, 0).name != 0;
    if (s.had_first && !has_first) s.walked = true;
    s.had_first = s.had_first || has_first;
    s.last_image = imgAnimation.get();
    s.max_textures = std::max(s.max_textures, HeldFrameTextureCount());
    s.max_frames = std::max(s.max_frames, static_cast<long>(intFrameCount));
  }
  switch (s.phase) {
    case 0:  // unloaded: the tile size, then the load
      intTileWidth = sheet.tile_w;
      intTileHeight = sheet.tile_h;
      objTileWidth->SetValue(sheet.tile_w);
      objTileHeight->SetValue(sheet.tile_h);
      SetSpeed(0);
      strFilename = sheet.path;
      Click(*btnRefresh);
      ++s.loads;
      s.phase = 2;
      break;
    case 2:
      if (t >= sheet.play_s) {
        if (imgAnimation) ++s.loaded_ok;
        SetSpeed(200);
        s.phase = 3;
      }
      break;
    case 3:
      if (t >= sheet.play_s + kRefreshAfter) {
        Click(*btnRefresh);
        ++s.loads;
        s.phase = 4;
      }
      break;
    case 4:
      if (t >= sheet.play_s + kUnloadAfter) {
        if (s.walked) ++s.cache_walks;
        s.walked = false;
        s.last_image = nullptr;
        Click(*btnUnLoad);
        s.phase = 5;
      }
      break;
    case 5:
      if (t < sheet.play_s + kStepEndAfter) break;
      if (Since(s.start) / 60.0 >= s.next_sample) {
        TakeSample();
        s.next_sample += 1.0;
        if (s.next_sample > s.minutes + 0.5) {
          kill(getpid(), SIGTERM);
          s.phase = 6;
          break;
        }
      }
      ++s.step;
      s.step_start = Clock::now();
      s.phase = 0;
      if (s.step % kResizeEvery == 0) {
        const auto& size = kSizes[(s.step / kResizeEvery) % std::size(kSizes)];
        ResizeWindow(size[0], size[1]);
        s.phase = 7;
      }
      break;
    case 7:  // the new size reaches the loop and moves the buttons first
      if (t >= kResizeSettle) {
        s.step_start = Clock::now();
        s.phase = 0;
      }
      break;
    default:
      break;
  }
  return data;
}

// The child: prints the first minute's and the last sample and the loads.
int SoakChild(double minutes) {
  char dir[] = "/tmp/cellreel-soak-XXXXXX";
  if (!mkdtemp(dir)) return 1;
  g_soak.minutes = minutes;
  g_soak.sheets = MakeSheets(dir);
  InstallTerminationHandlers();
  StartUp();
  AddHook(EmitEventHook(), SoakStep, nullptr, 0);
  g_soak.start = g_soak.step_start = g_soak.last_sample_time = Clock::now();
  g_soak.cpu_at_last = CpuSeconds();
  // The start: the window open and painted, nothing loaded yet.
  g_soak.phase = 5;
  g_soak.step = static_cast<std::size_t>(-1);
  g_soak.step_start = Clock::now() - std::chrono::seconds(10);
  Main();
  std::filesystem::remove_all(dir);
  const auto& v = g_soak.samples;
  if (v.size() < 3) return 1;
  const Sample &first = v[1], &last = v.back();
  std::printf("%f %ld %ld %d %ld %ld %d %f %ld %ld %ld %ld %ld %ld\n", last.minute,
              first.rss_kib, first.textures, first.descriptors, last.rss_kib, last.textures,
              last.descriptors, last.cpu_percent, g_soak.loads, g_soak.loaded_ok,
              g_soak.max_textures, g_soak.max_frames, v[0].rss_kib, g_soak.cache_walks);
  return 0;
}

// --- parent -------------------------------------------------------------------

std::string g_self;
bool g_failed = false;

void BM_Soak(benchmark::State& state) {
  for (auto _ : state) {
  }
  const double minutes = MinutesFromEnv();
  std::string out;
  const std::string cmd = g_self + " --soak " + std::to_string(minutes);
  if (std::FILE* p = popen(cmd.c_str(), "r")) {
    char buf[512];
    while (std::fgets(buf, sizeof buf, p)) out += buf;
    pclose(p);
  }
  double ran = 0, cpu = 0;
  long rss1 = 0, tex1 = 0, rss_end = 0, tex_end = 0, loads = 0, ok = 0, max_tex = 0,
       max_frames = 0, rss0 = 0, walks = 0;
  int fd1 = 0, fd_end = 0;
  if (std::sscanf(out.c_str(), "%lf %ld %ld %d %ld %ld %d %lf %ld %ld %ld %ld %ld %ld", &ran,
                  &rss1, &tex1, &fd1, &rss_end, &tex_end, &fd_end, &cpu, &loads, &ok, &max_tex,
                  &max_frames, &rss0, &walks) != 14) {
    g_failed = true;
    state.SkipWithError("the soak did not run (no display?)");
    return;
  }
  state.counters["minutes"] = ran;
  state.counters["loads"] = static_cast<double>(loads);
  state.counters["rss_start_MiB"] = static_cast<double>(rss0) / 1024.0;
  state.counters["rss_1min_MiB"] = static_cast<double>(rss1) / 1024.0;
  state.counters["rss_end_MiB"] = static_cast<double>(rss_end) / 1024.0;
  state.counters["rss_end_x_1min"] = static_cast<double>(rss_end) / static_cast<double>(rss1);
  state.counters["textures_1min"] = static_cast<double>(tex1);
  state.counters["textures_end"] = static_cast<double>(tex_end);
  state.counters["textures_most"] = static_cast<double>(max_tex);
  state.counters["frames_most"] = static_cast<double>(max_frames);
  state.counters["cache_walks"] = static_cast<double>(walks);
  state.counters["fds_1min"] = fd1;
  state.counters["fds_end"] = fd_end;
  state.counters["cpu_last_min_percent"] = cpu;
  std::string why;
  if (rss_end > rss1 * 105 / 100 || rss_end < rss1 * 95 / 100)
    why += "resident size moved more than 5 % after the first minute; ";
  if (tex_end != tex1) why += "frame textures held after Unload changed; ";
  if (fd_end != fd1) why += "open descriptors changed; ";
  if (ok == 0) why += "no sheet loaded; ";
  if (walks == 0) why += "no sheet walked the texture cache past what it holds; ";
  if (!why.empty()) {
    g_failed = true;
    state.SkipWithError(why.c_str());
  }
}

BENCHMARK(BM_Soak)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--soak") == 0) return SoakChild(std::atof(argv[2]));
  char self[4096] = {};
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  g_self = n > 0 ? std::string(self, static_cast<size_t>(n)) : argv[0];
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return g_failed ? 1 : 0;
}
