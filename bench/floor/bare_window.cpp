// The floors the program's costs are measured against: a bare SDL2 window
// with an OpenGL 3.3 core context, 800 x 600, and nothing else linked in.
//
//   bare_window --cpu idle|clear|quad SECONDS   a 60 Hz timer; "clear"
//       also clears and swaps at each tick; "quad" draws the next of 8 flat
//       64 x 64 frames of one texture at the window's centre and presents
//       those pixels alone, as the program presents its damage (copying
//       them where the display offers GLX_MESA_copy_sub_buffer, otherwise
//       by a swap). Prints the CPU seconds per second of the SECONDS after
//       a 2 s settling time, then the resident size in KiB.
//   bare_window --first-frame T0           prints the nanoseconds from T0
//       (CLOCK_MONOTONIC) to its first presented frame.
#include <SDL.h>
#include <SDL_syswm.h>
#include <epoxy/gl.h>
#include <epoxy/glx.h>
#include <sys/resource.h>
#include <time.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <utility>

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

// One textured quad over a program of two trivial shaders: the least a
// window can draw and present of a sprite's frame.
class Quad {
 public:
  static constexpr int kFrames = 8, kTile = 64;

  bool Open(SDL_Window* w) {
    const char* vs =
        "#version 330 core\nlayout(location=0) in vec2 p;\nuniform float frame;\n"
        "out vec2 uv;\nvoid main(){uv=vec2((frame+p.x)/8.0,p.y);"
        "gl_Position=vec4(p*2.0-1.0,0.0,1.0);}\n";
    const char* fs =
        "#version 330 core\nin vec2 uv;\nuniform sampler2D t;\nout vec4 c;\n"
        "void main(){c=texture(t,uv);}\n";
    const GLuint program = glCreateProgram();
    for (auto [type, src] : {std::pair{GL_VERTEX_SHADER, vs}, std::pair{GL_FRAGMENT_SHADER, fs}}) {
      const GLuint sh = glCreateShader(type);
      glShaderSource(sh, 1, &src, nullptr);
      glCompileShader(sh);
      glAttachShader(program, sh);
    }
    glLinkProgram(program);
    GLint linked = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &linked);
    if (!linked) return false;
    glUseProgram(program);
    frame_uniform_ = glGetUniformLocation(program, "frame");
    // The colours of the side-by-side run's strip (bench/app_vs_animate.cpp),
    // red in the lowest byte as GL_RGBA reads them.
    static std::uint32_t strip[kTile][kFrames * kTile];
    for (auto& row : strip) {
      for (int x = 0; x < kFrames * kTile; ++x) {
        const auto t = static_cast<std::uint32_t>(x / kTile);
        row[x] = 0xff000000u | (90u << 16) | 0x8000u | (40u + 25u * t);
      }
    }
    GLuint tex = 0;
    glGenTextures(1, &tex);
    glBindTexture(GL_TEXTURE_2D, tex);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, kFrames * kTile, kTile, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 strip);
    const float corners[] = {0, 0, 1, 0, 0, 1, 1, 1};
    GLuint vao = 0, vbo = 0;
    glGenVertexArrays(1, &vao);
    glBindVertexArray(vao);
    glGenBuffers(1, &vbo);
    glBindBuffer(GL_ARRAY_BUFFER, vbo);
    glBufferData(GL_ARRAY_BUFFER, sizeof corners, corners, GL_STATIC_DRAW);
    glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 0, nullptr);
    glEnableVertexAttribArray(0);
    int width = 0, height = 0;
    SDL_GL_GetDrawableSize(w, &width, &height);
    x_ = (width - kTile) / 2;
    y_ = (height - kTile) / 2;
    glViewport(x_, y_, kTile, kTile);
    window_ = w;
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWindowWMInfo(w, &info) && info.subsystem == SDL_SYSWM_X11 &&
        epoxy_has_glx_extension(info.info.x11.display, DefaultScreen(info.info.x11.display),
                                "GLX_MESA_copy_sub_buffer")) {
      display_ = info.info.x11.display;
      drawable_ = info.info.x11.window;
    }
    return true;
  }

  void Next() {
    glUniform1f(frame_uniform_, static_cast<float>(frame_));
    frame_ = (frame_ + 1) % kFrames;
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    if (display_ != nullptr) {
      glXCopySubBufferMESA(display_, drawable_, x_, y_, kTile, kTile);
    } else {
      SDL_GL_SwapWindow(window_);
    }
  }

 private:
  GLint frame_uniform_ = -1;
  int frame_ = 0, x_ = 0, y_ = 0;
  SDL_Window* window_ = nullptr;
  Display* display_ = nullptr;
  Window drawable_ = 0;
};

int Cpu(const char* mode, double seconds) {
  const bool clear = std::strcmp(mode, "clear") == 0;
  const bool quads = std::strcmp(mode, "quad") == 0;
  // The quad is drawn as the program draws: on the calling thread, without
  // the software renderer's thread pool.
  if (quads) setenv("LP_NUM_THREADS", "0", 0);
  SDL_GLContext gl = nullptr;
  SDL_Window* w = OpenWindow(&gl);
  if (!w) return 1;
  Quad quad;
  if (quads && !quad.Open(w)) return 1;
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
    if (quads) quad.Next();
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
    return Cpu(argv[2], std::atof(argv[3]));
  }
  if (argc == 3 && std::strcmp(argv[1], "--first-frame") == 0) {
    return FirstFrame(std::atoll(argv[2]));
  }
  std::fprintf(stderr, "usage: %s --cpu idle|clear|quad SECONDS | --first-frame T0\n", argv[0]);
  return 2;
}
