// The application's loader (LoadTileset) on hostile and odd files, and on a
// valid 16384 x 16384 all-zero PNG.
//
// Time: Google Benchmark wall time per load. Memory: each input is also
// loaded once in a fresh copy of this program (re-executed with
// --peak=NAME), which reports how far its peak resident size rose during
// the load (getrusage ru_maxrss after minus before): peak_MiB, and how long
// that first load took: first_ms. Goal for the hostile inputs: declined or
// loaded within 0.2 s and 64 MiB. The JPEG whose scan ends after 200 bytes
// loads: the rows its data reaches, the rest zero.
//
// "oom" is the valid big PNG loaded with the address space limited to
// 64 MiB above the process's size: an allocation failure must end as a
// failed load. It runs in the fresh process only (a limit cannot be
// lifted), so its figures are the counters.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/globals.h"
#include "platform/images/image.h"
#include "support/hostile_files.h"

namespace {

const std::string kDir = "/tmp/cellreel_bench_hostile";

struct Input {
  const char* name;
  const char* file;
  bool loads;  // whether a sheet is expected
};

// One per kind of hostile file, then the honest big picture.
const Input kInputs[] = {
    {"fifo", "fifo.png", false},
    {"socket", "socket.png", false},
    {"huge_png_header", "huge.png", false},
    {"wide_png_header_2^28x1_16bit", "wide.png", false},
    {"jpeg_short_scan", "short.jpg", true},
    {"jpeg_progressive_250_scans", "progressive.jpg", false},
    {"bmp_rle_sparse_16384", "sparse.bmp", false},
    {"junk_1000MB", "junk.png", false},
    {"bmp_rle_past_width", "padding.bmp", true},
    {"png_named_a::b", "a::b.png", true},
    {"oom", "zero16384.png", false},
    {"valid_zero_png_16384", "zero16384.png", true},
};

bool Write(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

bool Exists(const std::string& path) {
  struct stat st{};
  return lstat(path.c_str(), &st) == 0;
}

// Makes the inputs once; the big PNG takes a few seconds to compress.
void MakeInputs() {
  mkdir(kDir.c_str(), 0700);
  auto make = [](const char* file, auto bytes) {
    const std::string p = kDir + "/" + file;
    if (!Exists(p) && !Write(p, bytes())) std::abort();
  };
  if (!Exists(kDir + "/fifo.png") && mkfifo((kDir + "/fifo.png").c_str(), 0600) != 0) std::abort();
  if (!Exists(kDir + "/socket.png")) {
    const int s = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s/socket.png", kDir.c_str());
    if (bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) std::abort();
    close(s);
  }
  make("huge.png", [] { return hostile::HugePngHeader(); });
  make("wide.png", [] { return hostile::HugePngHeader(1u << 28, 1, 16); });
  make("short.jpg", [] { return hostile::JpegShortScan(200, 16384); });
  make("progressive.jpg", [] { return hostile::ProgressiveJpeg(16, 16384); });
  make("sparse.bmp", [] { return hostile::SparseRleBmp(16384, 16384); });
  make("padding.bmp", hostile::RleRunPastWidth);
  make("a::b.png", [] { return hostile::ZeroPng(64); });
  make("zero16384.png", [] { return hostile::ZeroPng(16384); });
  if (!Exists(kDir + "/junk.png") &&
      !hostile::MakeJunkFile(kDir + "/junk.png", std::int64_t{1000} << 20))
    std::abort();
}

void Ready() {
  static bool done = false;
  if (done) return;
  MakeInputs();
  InitGlobals();
  intTileWidth = intTileHeight = 64;
  done = true;
}

// The load the application does; whether it left a sheet.
bool Load(const Input& in) {
  strFilename = kDir + "/" + in.file;
  LoadTileset();
  const bool sheet = imgUnanimated != nullptr;
  imgAnimation = nullptr;
  imgUnanimated = nullptr;
  return sheet;
}

long MaxRssKiB() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

// Loads one input in a fresh process: its peak RSS rise in bytes and the
// load's time in ms; peak -1 when the outcome was wrong.
void InFreshProcess(const char* name, double* peak, double* ms) {
  *peak = *ms = -1;
  char self[4096];
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return;
  self[n] = 0;
  const std::string cmd = std::string(self) + " '--peak=" + name + "'";
  std::FILE* p = popen(cmd.c_str(), "r");
  if (!p) return;
  long kib = -1;
  if (std::fscanf(p, "%ld %lf", &kib, ms) != 2) kib = -1;
  pclose(p);
  *peak = kib < 0 ? -1 : static_cast<double>(kib) * 1024.0;
}

void BM_Load(benchmark::State& state, const Input* in) {
  Ready();
  const bool oom = std::strcmp(in->name, "oom") == 0;
  bool sheet = in->loads;
  for (auto _ : state)
    if (!oom) sheet = Load(*in);
  double peak, ms;
  InFreshProcess(in->name, &peak, &ms);
  if (sheet != in->loads || peak < 0) {
    state.SkipWithError(sheet ? "loaded, expected declined" : "declined, expected loaded");
    return;
  }
  state.counters["peak_MiB"] = peak / (1024.0 * 1024.0);
  state.counters["first_ms"] = ms;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strncmp(argv[1], "--peak=", 7) == 0) {
    Ready();
    for (const Input& in : kInputs) {
      if (std::strcmp(in.name, argv[1] + 7) != 0) continue;
      const bool oom = std::strcmp(in.name, "oom") == 0;
      if (oom) hostile::LimitAddressSpace(64);
      const long before = MaxRssKiB();
      const auto t0 = std::chrono::steady_clock::now();
      const bool sheet = Load(in);
      const std::chrono::duration<double, std::milli> ms = std::chrono::steady_clock::now() - t0;
      const long rise = MaxRssKiB() - before;
      std::printf("%ld %.3f\n", sheet == in.loads ? rise : -1, ms.count());
      return 0;
    }
    return 1;
  }
  for (const Input& in : kInputs) {
    auto* b = benchmark::RegisterBenchmark((std::string("BM_LoadTileset/") + in.name).c_str(),
                                           BM_Load, &in);
    b->Unit(benchmark::kMillisecond);
    if (std::strcmp(in.name, "valid_zero_png_16384") == 0 || std::strcmp(in.name, "oom") == 0)
      b->Iterations(1);
    else
      b->MinTime(0.5);
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
