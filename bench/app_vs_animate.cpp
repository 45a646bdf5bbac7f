// The same 8 frames of 64 x 64 played side by side, one contender after
// another in one run: the program (at Speed 0, that is 60 frames a second,
// and at 200 ms, and idle without a sheet), ImageMagick's animate at
// 60 frames a second (the frames as 8 files, -delay 1x60), the bare
// SDL2 + GL window with its 60 Hz timer (bench/floor/bare_window.cpp), and
// that window drawing the same frames as one textured quad, presenting
// only its pixels: the least any GL program pays to show them.
// Each is watched from outside over the same time after it settled, once
// in each of three rounds; the figures are the medians over the rounds:
//
//   cpu_percent      its own processor time, every thread included
//   xserver_percent  the X server's processor time meanwhile
//   total_percent    the two together
//   fps_on_screen    changes of the pixel at the centre of its window, read
//                    from the screen at each damage the X server reports
//   rss_MiB, pss_MiB resident size at the end (PSS: shared pages divided)
//   x_animate, x_bare, x_quad  total_percent against the contender named
//                    in the same round
//
// Needs a display with the DAMAGE extension: run through
// tests/with-display.sh. ImageMagick's animate is skipped when missing.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xdamage.h>
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "bmp_writer.h"

extern char** environ;

// The program playing `strip` (or idle without it), until a termination
// signal: bench/app_vs_animate_child.cpp, apart from the X headers.
int PlayChild(const char* mode, const char* strip);

namespace {

constexpr double kSettleSeconds = 2.0;
constexpr double kMeasureSeconds = 8.0;
constexpr int kFrames = 8;
constexpr int kTile = 64;

double Now() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

// Frame t is one flat colour, so its centre tells which frame is shown.
std::uint32_t FrameColor(int t) {
  return 0xff000000u | (40u + 25u * static_cast<std::uint32_t>(t)) << 16 | 0x8000u | 90u;
}

std::string g_dir;

std::string StripPath() { return g_dir + "/strip.bmp"; }
std::string FramePath(int t) { return g_dir + "/frame" + std::to_string(t) + ".bmp"; }

void WriteFrames() {
  WriteBmp(StripPath(), kFrames * kTile, kTile, [](int x, int) { return FrameColor(x / kTile); });
  for (int t = 0; t < kFrames; ++t) {
    WriteBmp(FramePath(t), kTile, kTile, [t](int, int) { return FrameColor(t); });
  }
}

// --- watching a contender -------------------------------------------------

// The processor time of every thread of `pid`, in seconds, from the
// scheduler's own account in nanoseconds: clock ticks would count a load of
// 1 % over 8 s in a few dozen units, too coarse to compare two such loads.
// Negative when the process is gone.
double CpuSeconds(pid_t pid) {
  const std::string dir = "/proc/" + std::to_string(pid) + "/task";
  DIR* tasks = opendir(dir.c_str());
  if (!tasks) return -1;
  unsigned long long ns = 0;
  while (const dirent* e = readdir(tasks)) {
    if (e->d_name[0] == '.') continue;
    std::FILE* f = std::fopen((dir + "/" + e->d_name + "/schedstat").c_str(), "r");
    if (!f) continue;  // a thread that ended meanwhile
    unsigned long long run = 0;
    if (std::fscanf(f, "%llu", &run) == 1) ns += run;
    std::fclose(f);
  }
  closedir(tasks);
  return static_cast<double>(ns) / 1e9;
}

// A "Key: N kB" line of a /proc file, in KiB.
long ProcKiB(pid_t pid, const char* file, const char* key) {
  const std::string path = "/proc/" + std::to_string(pid) + "/" + file;
  std::FILE* f = std::fopen(path.c_str(), "r");
  if (!f) return -1;
  char line[256];
  long kib = -1;
  const std::size_t klen = std::strlen(key);
  while (std::fgets(line, sizeof line, f)) {
    if (std::strncmp(line, key, klen) == 0) {
      kib = std::atol(line + klen);
      break;
    }
  }
  std::fclose(f);
  return kib;
}

struct Watch {
  bool ok = false;
  double cpu = 0, server = 0, fps = 0;
  long rss_kib = 0, pss_kib = 0;
};

class Screen {
 public:
  Screen() {
    display_ = XOpenDisplay(nullptr);
    if (!display_) return;
    int error_base = 0;
    if (!XDamageQueryExtension(display_, &damage_event_, &error_base)) {
      XCloseDisplay(display_);
      display_ = nullptr;
      return;
    }
    // The server's process, from the other end of our connection.
    ucred cred{};
    socklen_t len = sizeof cred;
    if (getsockopt(ConnectionNumber(display_), SOL_SOCKET, SO_PEERCRED, &cred, &len) == 0) {
      server_ = cred.pid;
    }
  }
  ~Screen() {
    if (display_) XCloseDisplay(display_);
  }
  bool Ok() const { return display_ != nullptr && server_ > 0; }
  pid_t Server() const { return server_; }

  std::set<Window> TopLevels() {
    std::set<Window> out;
    Window root = 0, parent = 0, *kids = nullptr;
    unsigned n = 0;
    if (XQueryTree(display_, DefaultRootWindow(display_), &root, &parent, &kids, &n)) {
      for (unsigned i = 0; i < n; ++i) out.insert(kids[i]);
      if (kids) XFree(kids);
    }
    return out;
  }

  // The largest viewable top-level window that is not in `before`: its
  // centre on the screen.
  bool FindNew(const std::set<Window>& before, int* cx, int* cy) {
    long best = 0;
    for (const Window w : TopLevels()) {
      if (before.count(w)) continue;
      XWindowAttributes a{};
      if (!XGetWindowAttributes(display_, w, &a) || a.map_state != IsViewable) continue;
      const long area = static_cast<long>(a.width) * a.height;
      if (area <= best) continue;
      best = area;
      *cx = a.x + a.width / 2;
      *cy = a.y + a.height / 2;
    }
    return best > 0;
  }

  // How often the pixel at (x, y) changed in `seconds`, looked at each time
  // the server reports damage.
  double CountChanges(int x, int y, double seconds) {
    const Window root = DefaultRootWindow(display_);
    const Damage damage = XDamageCreate(display_, root, XDamageReportNonEmpty);
    XSync(display_, False);
    long last = -1;
    long changes = 0;
    const double end = Now() + seconds;
    for (double now = Now(); now < end; now = Now()) {
      if (XPending(display_) == 0) {
        pollfd p{ConnectionNumber(display_), POLLIN, 0};
        poll(&p, 1, static_cast<int>((end - now) * 1000) + 1);
        continue;
      }
      XEvent e;
      XNextEvent(display_, &e);
      if (e.type != damage_event_ + XDamageNotify) continue;
      XDamageSubtract(display_, damage, None, None);
      XImage* image = XGetImage(display_, root, x, y, 1, 1, AllPlanes, ZPixmap);
      if (!image) continue;
      const long pixel = static_cast<long>(XGetPixel(image, 0, 0));
      XDestroyImage(image);
      if (last >= 0 && pixel != last) ++changes;
      last = pixel;
    }
    XDamageDestroy(display_, damage);
    XSync(display_, False);
    return static_cast<double>(changes) / seconds;
  }

 private:
  Display* display_ = nullptr;
  int damage_event_ = 0;
  pid_t server_ = 0;
};

Screen& TheScreen() {
  static Screen screen;
  return screen;
}

pid_t Spawn(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

void Stop(pid_t pid) {
  kill(pid, SIGTERM);
  for (int i = 0; i < 100; ++i) {
    if (waitpid(pid, nullptr, WNOHANG) == pid) return;
    usleep(20000);
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
}

Watch WatchContender(const std::vector<std::string>& args, bool frames) {
  Watch w;
  Screen& screen = TheScreen();
  if (!screen.Ok()) return w;
  const std::set<Window> before = screen.TopLevels();
  const pid_t pid = Spawn(args);
  if (pid <= 0) return w;
  int cx = 0, cy = 0;
  bool found = false;
  for (int i = 0; i < 200 && !found; ++i) {
    usleep(25000);
    found = screen.FindNew(before, &cx, &cy);
    if (waitpid(pid, nullptr, WNOHANG) == pid) return w;
  }
  if (!found) {
    Stop(pid);
    return w;
  }
  usleep(static_cast<useconds_t>(kSettleSeconds * 1e6));
  const double own0 = CpuSeconds(pid), server0 = CpuSeconds(screen.Server());
  const double t0 = Now();
  if (frames) {
    w.fps = screen.CountChanges(cx, cy, kMeasureSeconds);
  } else {
    usleep(static_cast<useconds_t>(kMeasureSeconds * 1e6));
  }
  const double seconds = Now() - t0;
  const double own1 = CpuSeconds(pid), server1 = CpuSeconds(screen.Server());
  w.rss_kib = ProcKiB(pid, "status", "VmRSS:");
  w.pss_kib = ProcKiB(pid, "smaps_rollup", "Pss:");
  Stop(pid);
  if (own0 < 0 || own1 < 0 || server0 < 0 || server1 < 0) return w;
  w.cpu = (own1 - own0) / seconds;
  w.server = (server1 - server0) / seconds;
  w.ok = true;
  return w;
}

std::string g_self;

// Each contender once per round, the rounds one after another: a machine
// whose load comes and goes then weighs on every contender alike.
constexpr int kRounds = 3;

struct Contender {
  std::string name;
  std::vector<std::string> args;
  bool frames;
};

std::vector<Contender> Contenders() {
  std::vector<std::string> animate = {"animate", "-delay", "1x60"};
  for (int t = 0; t < kFrames; ++t) animate.push_back(FramePath(t));
  const auto program = [](const char* mode) {
    return Contender{mode, {g_self, "--play", mode, StripPath()}, std::strcmp(mode, "idle") != 0};
  };
  return {{"bare", {BARE_WINDOW, "--cpu", "idle", "100000"}, false},
          {"quad", {BARE_WINDOW, "--cpu", "quad", "100000"}, true},
          {"animate", animate, true},
          program("play0"),
          program("play200"),
          program("idle")};
}

// Every contender's watch in each round, watched at the first report.
std::map<std::string, std::vector<Watch>>& Rounds() {
  static std::map<std::string, std::vector<Watch>> rounds = [] {
    std::map<std::string, std::vector<Watch>> r;
    const std::vector<Contender> contenders = Contenders();
    for (int round = 0; round < kRounds; ++round) {
      for (const Contender& c : contenders) r[c.name].push_back(WatchContender(c.args, c.frames));
    }
    return r;
  }();
  return rounds;
}

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// The median of `field` over the rounds.
template <class Field>
double MedianOf(const std::vector<Watch>& rounds, Field field) {
  std::vector<double> v;
  for (const Watch& w : rounds) v.push_back(field(w));
  return Median(v);
}

double Total(const Watch& w) { return w.cpu + w.server; }

void Report(benchmark::State& state, const std::string& name) {
  for (auto _ : state) {
  }
  const std::vector<Watch>& mine = Rounds()[name];
  for (const Watch& w : mine) {
    if (!w.ok) {
      state.SkipWithError("the contender did not run (no display, no DAMAGE, not installed?)");
      return;
    }
  }
  state.counters["cpu_percent"] = 100.0 * MedianOf(mine, [](const Watch& w) { return w.cpu; });
  state.counters["xserver_percent"] =
      100.0 * MedianOf(mine, [](const Watch& w) { return w.server; });
  state.counters["total_percent"] = 100.0 * MedianOf(mine, Total);
  state.counters["fps_on_screen"] = MedianOf(mine, [](const Watch& w) { return w.fps; });
  state.counters["rss_MiB"] =
      MedianOf(mine, [](const Watch& w) { return static_cast<double>(w.rss_kib); }) / 1024.0;
  state.counters["pss_MiB"] =
      MedianOf(mine, [](const Watch& w) { return static_cast<double>(w.pss_kib); }) / 1024.0;
  // Against another contender: the median of the ratios within a round.
  for (const char* other : {"animate", "bare", "quad"}) {
    if (name == other) continue;
    const std::vector<Watch>& theirs = Rounds()[other];
    std::vector<double> ratios;
    for (std::size_t r = 0; r < mine.size() && r < theirs.size(); ++r) {
      if (theirs[r].ok && Total(theirs[r]) > 0) ratios.push_back(Total(mine[r]) / Total(theirs[r]));
    }
    if (!ratios.empty()) state.counters[std::string("x_") + other] = Median(ratios);
  }
}

void BM_BareWindow(benchmark::State& state) { Report(state, "bare"); }
void BM_BareQuad60(benchmark::State& state) { Report(state, "quad"); }
void BM_Animate60(benchmark::State& state) { Report(state, "animate"); }
void BM_Cellreel(benchmark::State& state, const char* mode) { Report(state, mode); }

// The references first, so that the program's figures carry their ratios.
BENCHMARK(BM_BareWindow)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_BareQuad60)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_Animate60)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(BM_Cellreel, playing_0ms, "play0")->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(BM_Cellreel, playing_200ms, "play200")->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(BM_Cellreel, idle_no_sheet, "idle")->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "--play") == 0) return PlayChild(argv[2], argv[3]);
  char self[4096] = {};
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  g_self = n > 0 ? std::string(self, static_cast<std::size_t>(n)) : argv[0];
  char dir[] = "/tmp/cellreel_vs_animate_XXXXXX";
  if (!mkdtemp(dir)) return 1;
  g_dir = dir;
  WriteFrames();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::remove(StripPath().c_str());
  for (int t = 0; t < kFrames; ++t) std::remove(FramePath(t).c_str());
  rmdir(dir);
  return 0;
}
