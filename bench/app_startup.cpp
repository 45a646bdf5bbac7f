// The whole program's start and its steady repaint rate, measured on the
// real procedures in a fresh child process each time (needs a display: run
// through tests/with-display.sh).
//
//   start_to_first_frame  process start (spawn) to the first presented
//                         repaint: dynamic loading, start-up, window, GL
//                         context, logo texture, the first Draw.
//   repaint_rate          repaints per second of the running event loop.

#include <benchmark/benchmark.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

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

// Runs `program` (this one by default) with `args`; its standard output.
std::string RunChild(const std::vector<std::string>& args, std::string program = "") {
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
  pid_t pid = -1;
  const int rc = posix_spawn(&pid, program.c_str(), &fa, nullptr, argv.data(), environ);
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
