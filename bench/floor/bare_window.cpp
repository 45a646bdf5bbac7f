// The floors the program's costs are measured against: a bare SDL2 window
// with an OpenGL 3.3 core context, 800 x 600, and nothing else linked in.
//
//   bare_window --cpu idle|clear SECONDS   a 60 Hz timer; "clear" also
//       clears and swaps at each tick. Prints the CPU seconds per second of
//       the SECONDS after a 2 s settling time, then the resident size in KiB.
//   bare_window --first-frame T0           prints the nanoseconds from T0
//       (CLOCK_MONOTONIC) to its first presented frame.
#include <SDL.h>
#include <epoxy/gl.h>
#include <sys/resource.h>
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

long long NowNs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

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
  return resident * 4;
}

Uint32 g_tick_event = 0;

Uint32 Tick(Uint32 interval, void*) {
  SDL_Event e{};
  e.type = g_tick_event;
  SDL_PushEvent(&e);
  return interval;
}

SDL_Window* OpenWindow(SDL_GLContext* gl) {
  if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_TIMER) != 0) return nullptr;
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_Window* w = SDL_CreateWindow("floor", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, 800,
                                   600, SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN);
  if (!w) return nullptr;
  *gl = SDL_GL_CreateContext(w);
  if (!*gl) return nullptr;
  SDL_GL_SetSwapInterval(1);
  return w;
}

int Cpu(bool clear, double seconds) {
  SDL_GLContext gl = nullptr;
  SDL_Window* w = OpenWindow(&gl);
  if (!w) return 1;
  g_tick_event = SDL_RegisterEvents(1);
  SDL_AddTimer(16, Tick, nullptr);
  const long long start = NowNs();
  const long long settle = start + 2000000000LL;
  const long long end = settle + static_cast<long long>(seconds * 1e9);
  double cpu0 = -1;
  SDL_Event e;
  while (SDL_WaitEvent(&e)) {
    if (e.type == SDL_QUIT) break;
    if (e.type != g_tick_event) continue;
    if (clear) {
      glClearColor(0.47f, 0.47f, 0.67f, 1.0f);
      glClear(GL_COLOR_BUFFER_BIT);
      SDL_GL_SwapWindow(w);
    }
    const long long now = NowNs();
    if (cpu0 < 0 && now >= settle) cpu0 = CpuSeconds();
    if (now >= end) break;
  }
  const double used = CpuSeconds() - cpu0;
  std::printf("%f %ld\n", used / seconds, RssKiB());
  return 0;
}

int FirstFrame(long long t0) {
  SDL_GLContext gl = nullptr;
  SDL_Window* w = OpenWindow(&gl);
  if (!w) return 1;
  glClearColor(0.47f, 0.47f, 0.67f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  SDL_GL_SwapWindow(w);
  std::printf("%lld\n", NowNs() - t0);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "--cpu") == 0) {
    return Cpu(std::strcmp(argv[2], "clear") == 0, std::atof(argv[3]));
  }
  if (argc == 3 && std::strcmp(argv[1], "--first-frame") == 0) {
    return FirstFrame(std::atoll(argv[2]));
  }
  std::fprintf(stderr, "usage: %s --cpu idle|clear SECONDS | --first-frame T0\n", argv[0]);
  return 2;
}
