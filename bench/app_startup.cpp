// The whole program's start and its steady repaint rate, measured on the
// real procedures in a fresh child process each time (needs a display: run
// through tests/with-display.sh).
//
//   start_to_first_frame  process start (spawn) to the first presented
//                         repaint: dynamic loading, start-up, window, GL
//                         context, logo texture, the first Draw.
//   repaint_rate          repaints per second of the running event loop.
//   startup_ratio         the program itself (build/cellreel) and the bare
//                         SDL2 + GL window, started in turn for a number of
//                         rounds, each timed from its spawn to its first
//                         picture on screen by a preloaded probe
//                         (floor/first_picture.c): medians (and that of
//                         the processor time used until then), the ratio
//                         to the bare window's, the quartiles as the
//                         noise. With
//                         CELLREEL_BASELINE=/path/to/an/older/cellreel that
//                         program takes its turn in every round too
//                         (baseline_*), so that before and after are
//                         measured in one run; CELLREEL_STARTUP_ROUNDS sets
//                         the rounds (default 15).

#include <benchmark/benchmark.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "app/globals.h"
#include "controls/delta.h"
#include "support/app_window.h"

extern char** environ;

namespace {

long long NowNs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

// Child: start-up and the opening steps of the event loop up to the end of
// the first repaint; prints the nanoseconds since `t0`.
int FirstFrameChild(long long t0) {
  StartUp();
  TGadget* desk = Desktop();
  if (!OpenAppWindow(AppTitle, (desk->width - intScreenX) / 2, (desk->height - intScreenY) / 2))
    return 1;
  intScreenCenterX = intScreenX / 2;
  intScreenCenterY = intScreenY / 2;
  ActivateWindow(objWindow);
  Resize();
  TDelta::Start();
  for (;;) {
    WaitEvent();
    const int id = EventID();
    CheckEvents();
    if (id == GadgetPaint) break;
  }
  std::printf("%lld\n", NowNs() - t0);
  return 0;
}

int g_paints = 0;
void* CountPaints(int, void* data, void*) {
  if (data && static_cast<TEvent*>(data)->id == GadgetPaint) ++g_paints;
  return data;
}

// Child: the real Main for `seconds`, ended by a termination signal; prints
// repaints per second.
int RepaintRateChild(double seconds) {
  InstallTerminationHandlers();
  StartUp();
  AddHook(EmitEventHook(), CountPaints, nullptr, 0);
  std::thread stopper([seconds] {
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    kill(getpid(), SIGTERM);
  });
  const long long t0 = NowNs();
  Main();
  const double elapsed = static_cast<double>(NowNs() - t0) / 1e9;
  stopper.join();
  std::printf("%f %d\n", g_paints / elapsed, TDelta::FPS());
  return 0;
}

std::string g_self;

// Runs `program` (this one by default) with `args` and, added to this
// process's environment, `env`; its standard output.
std::string RunChild(const std::vector<std::string>& args, std::string program = "",
                     const std::vector<std::string>& env = {}) {
  if (program.empty()) program = g_self;
  int fds[2];
  if (pipe(fds) != 0) return "";
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_adddup2(&fa, fds[1], 1);
  posix_spawn_file_actions_addclose(&fa, fds[0]);
  std::vector<char*> argv;
  argv.push_back(program.data());
  std::vector<std::string> copy = args;
  for (auto& a : copy) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<std::string> env_copy = env;
  std::vector<char*> envp;
  for (auto& e : env_copy) envp.push_back(e.data());
  for (char** e = environ; *e; ++e) envp.push_back(*e);
  envp.push_back(nullptr);
  pid_t pid = -1;
  const int rc = posix_spawn(&pid, program.c_str(), &fa, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&fa);
  close(fds[1]);
  std::string out;
  if (rc == 0) {
    char buf[256];
    ssize_t n;
    while ((n = read(fds[0], buf, sizeof buf)) > 0) out.append(buf, static_cast<size_t>(n));
    waitpid(pid, nullptr, 0);
  }
  close(fds[0]);
  return out;
}

void BM_StartToFirstFrame(benchmark::State& state) {
  for (auto _ : state) {
    const long long t0 = NowNs();
    const std::string out = RunChild({"--first-frame", std::to_string(t0)});
    const long long ns = std::atoll(out.c_str());
    if (ns <= 0) {
      state.SkipWithError("the child drew no frame (no display?)");
      return;
    }
    state.SetIterationTime(static_cast<double>(ns) / 1e9);
  }
}
BENCHMARK(BM_StartToFirstFrame)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

// The floor: a bare SDL2 + GL window's start to its first presented clear.
void BM_BareWindowStartToFirstFrame(benchmark::State& state) {
  for (auto _ : state) {
    const long long t0 = NowNs();
    const std::string out = RunChild({"--first-frame", std::to_string(t0)}, BARE_WINDOW);
    const long long ns = std::atoll(out.c_str());
    if (ns <= 0) {
      state.SkipWithError("the bare window drew no frame (no display?)");
      return;
    }
    state.SetIterationTime(static_cast<double>(ns) / 1e9);
  }
}
BENCHMARK(BM_BareWindowStartToFirstFrame)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

// Spawn to first picture of `program` in milliseconds, through the probe,
// and the processor time it used until then; false when it showed none.
bool FirstPictureMs(const std::string& program, const std::vector<std::string>& args,
                    double* wall_ms, double* cpu_ms) {
  const std::string out = RunChild(args, program,
                                   {std::string("LD_PRELOAD=") + FIRST_PICTURE_PROBE,
                                    "CELLREEL_T0=" + std::to_string(NowNs())});
  long long wall = 0, cpu = 0;
  if (std::sscanf(out.c_str(), "%lld %lld", &wall, &cpu) != 2 || wall <= 0) return false;
  *wall_ms = static_cast<double>(wall) / 1e6;
  *cpu_ms = static_cast<double>(cpu) / 1e6;
  return true;
}

double Quantile(std::vector<double> v, double q) {
  std::sort(v.begin(), v.end());
  const double at = q * static_cast<double>(v.size() - 1);
  const auto lo = static_cast<std::size_t>(at);
  const std::size_t hi = std::min(lo + 1, v.size() - 1);
  return v[lo] + (v[hi] - v[lo]) * (at - static_cast<double>(lo));
}

void BM_StartupRatio(benchmark::State& state) {
  struct Contender {
    const char* name;
    std::string program;
    std::vector<std::string> args;
    std::vector<double> ms, cpu_ms;
  };
  std::vector<Contender> runs = {{"bare", BARE_WINDOW, {"--first-frame", "0"}, {}, {}},
                                 {"program", PROGRAM, {}, {}, {}}};
  if (const char* baseline = std::getenv("CELLREEL_BASELINE")) {
    runs.push_back({"baseline", baseline, {}, {}, {}});
  }
  const char* rounds_env = std::getenv("CELLREEL_STARTUP_ROUNDS");
  const int rounds = rounds_env ? std::max(1, std::atoi(rounds_env)) : 15;
  for (auto _ : state) {
    for (int round = 0; round < rounds; ++round) {
      // Each round starts with another contender, so that none is always
      // the one that follows a particular other.
      for (std::size_t i = 0; i < runs.size(); ++i) {
        Contender& c = runs[(i + static_cast<std::size_t>(round)) % runs.size()];
        double ms = 0, cpu = 0;
        if (!FirstPictureMs(c.program, c.args, &ms, &cpu)) {
          state.SkipWithError((std::string(c.name) + " showed no picture (no display?)").c_str());
          return;
        }
        c.ms.push_back(ms);
        c.cpu_ms.push_back(cpu);
      }
    }
  }
  // The ratio is taken within each round, whose runs follow one another
  // within a second or two, and its median over the rounds: a load that
  // comes and goes on the machine shifts a round's runs together.
  for (const Contender& c : runs) {
    const std::string n = c.name;
    state.counters[n + "_ms"] = Quantile(c.ms, 0.5);
    state.counters[n + "_q1_ms"] = Quantile(c.ms, 0.25);
    state.counters[n + "_q3_ms"] = Quantile(c.ms, 0.75);
    state.counters[n + "_cpu_ms"] = Quantile(c.cpu_ms, 0.5);
    if (n == "bare") continue;
    std::vector<double> ratios;
    for (std::size_t r = 0; r < c.ms.size(); ++r) ratios.push_back(c.ms[r] / runs[0].ms[r]);
    state.counters[n + "_ratio"] = Quantile(ratios, 0.5);
    state.counters[n + "_ratio_q1"] = Quantile(ratios, 0.25);
    state.counters[n + "_ratio_q3"] = Quantile(ratios, 0.75);
  }
}
BENCHMARK(BM_StartupRatio)->Iterations(1)->Unit(benchmark::kSecond);

void BM_RepaintRate(benchmark::State& state) {
  double rate = 0;
  int fps = 0;
  for (auto _ : state) {
    const std::string out = RunChild({"--repaint-rate", "3"});
    if (std::sscanf(out.c_str(), "%lf %d", &rate, &fps) != 2) {
      state.SkipWithError("the child did not run (no display?)");
      return;
    }
  }
  state.counters["repaints_per_s"] = rate;
  state.counters["TDelta_FPS"] = fps;
}
BENCHMARK(BM_RepaintRate)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--first-frame") == 0) {
    return FirstFrameChild(std::atoll(argv[2]));
  }
  if (argc == 3 && std::strcmp(argv[1], "--repaint-rate") == 0) {
    return RepaintRateChild(std::atof(argv[2]));
  }
  char self[4096] = {};
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  g_self = n > 0 ? std::string(self, static_cast<size_t>(n)) : argv[0];
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
