/* A simulated display for the program, preloaded with LD_PRELOAD. It wraps
 * the buffer swap the way a real desktop does it:
 *
 *   refresh   the swap returns at the next refresh of a display of the
 *             given period (a swap that waits for the vertical blank), and
 *             the frame appears then;
 *   extra     every swap takes this much longer (a slow GPU), the frame
 *             appearing when it returns.
 *
 * Its swaps wait, so it takes every swap interval the program asks for.
 *
 * It also counts, on its own clock, what the display sees: frames, the
 * display time lost to the program's own work and to its waits for events,
 * and frames before which the program never read the window system's
 * events. Optional probe rectangles are read back from each frame before
 * it is shown, so a test can tell on which frame a change appeared.
 *
 * Environment: CELLREEL_SIM_DISPLAY names a file holding one struct
 * SimDisplay, shared with the test (which may change the display while the
 * program runs). Without it, CELLREEL_SIM_REFRESH_HZ and
 * CELLREEL_SIM_SWAP_EXTRA_MS set the display, and a summary goes to
 * standard error at exit. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <time.h>
#include <unistd.h>

#include "support/sim_display.h"

typedef struct SDL_Window SDL_Window;
typedef void (*SwapFn)(SDL_Window*);
typedef int (*WaitTimeoutFn)(void*, int);
typedef int (*WaitFn)(void*);
typedef int (*PollFn)(void*);
typedef void (*PumpFn)(void);
typedef void* (*ProcFn)(const char*);
typedef void (*DrawableSizeFn)(SDL_Window*, int*, int*);
typedef void (*ReadPixelsFn)(int, int, int, int, unsigned, unsigned, void*);
typedef void (*GetIntegervFn)(unsigned, int*);

static struct SimDisplay* sim;
static struct SimDisplay private_sim;
static int report_at_exit;
static int64_t origin_ns;      /* refreshes happen at origin + k * period */
static int64_t refresh_ns;     /* the display in use: sim->refresh_ns ... */
static int64_t extra_ns;       /* ... and sim->extra_ns as last seen */
static int64_t last_end_ns;    /* when the previous swap returned (0: none yet) */
static int64_t waited_ns;      /* blocked in waits since then */
static uint64_t pumps_since;   /* event reads since then */

static SwapFn real_swap;
static WaitTimeoutFn real_wait_timeout;
static WaitFn real_wait;
static PollFn real_poll;
static PumpFn real_pump;
static DrawableSizeFn drawable_size;
static ReadPixelsFn read_pixels;
static GetIntegervFn get_integerv;

static int64_t now_ns(void) {
  struct timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return (int64_t)ts.tv_sec * 1000000000 + ts.tv_nsec;
}

static void sleep_until(int64_t t) {
  struct timespec ts = {(time_t)(t / 1000000000), (long)(t % 1000000000)};
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, NULL) == EINTR) {
  }
}

static void report(void) {
  const double s = (double)sim->elapsed_ns / 1e9;
  fprintf(stderr, "sim display: %llu swaps, %.2f per second, %.0f ms waited away, %llu starved\n",
          (unsigned long long)sim->swaps, s > 0 ? (double)(sim->swaps - 1) / s : 0.0,
          (double)sim->wait_late_ns / 1e6, (unsigned long long)sim->starved);
}

static void init(void) {
  if (sim) return;
  real_swap = (SwapFn)dlsym(RTLD_NEXT, "SDL_GL_SwapWindow");
  real_wait_timeout = (WaitTimeoutFn)dlsym(RTLD_NEXT, "SDL_WaitEventTimeout");
  real_wait = (WaitFn)dlsym(RTLD_NEXT, "SDL_WaitEvent");
  real_poll = (PollFn)dlsym(RTLD_NEXT, "SDL_PollEvent");
  real_pump = (PumpFn)dlsym(RTLD_NEXT, "SDL_PumpEvents");
  drawable_size = (DrawableSizeFn)dlsym(RTLD_NEXT, "SDL_GL_GetDrawableSize");
  const char* path = getenv("CELLREEL_SIM_DISPLAY");
  if (path && *path) {
    const int fd = open(path, O_RDWR);
    if (fd >= 0) {
      void* p = mmap(NULL, sizeof(struct SimDisplay), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
      close(fd);
      if (p != MAP_FAILED) sim = (struct SimDisplay*)p;
    }
  }
  if (!sim) {
    sim = &private_sim;
    const char* hz = getenv("CELLREEL_SIM_REFRESH_HZ");
    const char* extra = getenv("CELLREEL_SIM_SWAP_EXTRA_MS");
    if (hz && atof(hz) > 0) sim->refresh_ns = (int64_t)(1e9 / atof(hz));
    if (extra) sim->extra_ns = (int64_t)(atof(extra) * 1e6);
    report_at_exit = 1;
    atexit(report);
  }
}

/* When a swap asked for at time t returns: t plus the extra time, then the
 * next refresh after that. */
static int64_t swap_end(int64_t t) {
  t += extra_ns;
  const int64_t period = refresh_ns;
  if (period > 0) t = origin_ns + ((t - origin_ns) / period + 1) * period;
  return t;
}

/* Reads the probe rectangles back from the frame about to be shown. */
static void probe(SDL_Window* window, struct SimFrame* frame) {
  if (!read_pixels) {
    ProcFn proc = (ProcFn)dlsym(RTLD_NEXT, "SDL_GL_GetProcAddress");
    if (!proc) return;
    read_pixels = (ReadPixelsFn)proc("glReadPixels");
    get_integerv = (GetIntegervFn)proc("glGetIntegerv");
    if (!read_pixels || !get_integerv || !drawable_size) {
      read_pixels = NULL;
      return;
    }
  }
  int read_fb = 0, pack_buffer = 0;
  get_integerv(0x8CAA /* GL_READ_FRAMEBUFFER_BINDING */, &read_fb);
  get_integerv(0x88ED /* GL_PIXEL_PACK_BUFFER_BINDING */, &pack_buffer);
  if (read_fb != 0 || pack_buffer != 0) return;
  int w = 0, h = 0;
  drawable_size(window, &w, &h);
  static uint8_t pixels[64 * 64 * 4];
  for (int i = 0; i < SIM_PROBES; ++i) {
    const int32_t* r = sim->probe[i];
    if (r[2] <= 0 || r[3] <= 0 || r[2] * r[3] > 64 * 64) continue;
    if (r[0] < 0 || r[1] < 0 || r[0] + r[2] > w || r[1] + r[3] > h) continue;
    /* Rows come bottom-up; the top-left pixel is in the last row read. */
    read_pixels(r[0], h - r[1] - r[3], r[2], r[3], 0x1908 /* GL_RGBA */,
                0x1401 /* GL_UNSIGNED_BYTE */, pixels);
    uint32_t dark = 0;
    for (int k = 0; k < r[2] * r[3]; ++k) {
      const uint8_t* p = pixels + 4 * k;
      if (p[0] < 64 && p[1] < 64 && p[2] < 64) ++dark;
    }
    const uint8_t* tl = pixels + 4 * (r[3] - 1) * r[2];
    frame->dark[i] = dark;
    frame->rgb[i] = ((uint32_t)tl[0] << 16) | ((uint32_t)tl[1] << 8) | tl[2];
  }
}

void SDL_GL_SwapWindow(SDL_Window* window) {
  init();
  if (!real_swap) return;
  struct SimFrame frame;
  memset(&frame, 0, sizeof frame);
  probe(window, &frame);
  const int64_t call = now_ns();
  if (sim->refresh_ns != refresh_ns || sim->extra_ns != extra_ns || origin_ns == 0) {
    /* Another display: its refreshes start from the first frame it is
     * given. For a timer a little faster than the display (60 Hz on
     * 59.94 Hz) that is the phase at which the tick is already due
     * whenever a swap returns. The frame that changes the display counts
     * for nothing. */
    refresh_ns = sim->refresh_ns;
    extra_ns = sim->extra_ns;
    origin_ns = call;
    last_end_ns = 0;
  }
  const int64_t end = swap_end(call);
  const int starved = last_end_ns != 0 && pumps_since == 0;
  sleep_until(end);
  real_swap(window);

  __atomic_add_fetch(&sim->seq, 1, __ATOMIC_SEQ_CST);
  if (last_end_ns != 0) {
    /* Had the program spent no time at all, the display would have shown
     * its next frame at swap_end(last_end_ns); had it not waited, at
     * swap_end(call - waited_ns). */
    const int64_t busy_end = swap_end(call - waited_ns);
    const int64_t display_end = swap_end(last_end_ns);
    sim->elapsed_ns += end - last_end_ns;
    sim->own_late_ns += busy_end - display_end;
    sim->wait_late_ns += end - busy_end;
  }
  sim->starved += (uint64_t)starved;
  frame.end_ns = end;
  frame.own_late_ns = sim->own_late_ns;
  sim->frames[sim->swaps % SIM_FRAMES] = frame;
  ++sim->swaps;
  __atomic_add_fetch(&sim->seq, 1, __ATOMIC_SEQ_CST);

  last_end_ns = end;
  waited_ns = 0;
  pumps_since = 0;
}

static void pumped(void) {
  ++pumps_since;
  __atomic_add_fetch(&sim->pumps, 1, __ATOMIC_SEQ_CST);
}

int SDL_WaitEventTimeout(void* event, int timeout) {
  init();
  const int64_t start = now_ns();
  const int r = real_wait_timeout ? real_wait_timeout(event, timeout) : 0;
  waited_ns += now_ns() - start;
  pumped();
  return r;
}

int SDL_WaitEvent(void* event) {
  init();
  const int64_t start = now_ns();
  const int r = real_wait ? real_wait(event) : 0;
  waited_ns += now_ns() - start;
  pumped();
  return r;
}

int SDL_PollEvent(void* event) {
  init();
  pumped();
  return real_poll ? real_poll(event) : 0;
}

void SDL_PumpEvents(void) {
  init();
  pumped();
  if (real_pump) real_pump();
}

/* The simulated display paces the swaps itself, as a display with a swap
 * interval does: the program is told its interval is taken, so that it
 * presents by swapping, as it does on such a display. */
int SDL_GL_SetSwapInterval(int interval) {
  (void)interval;
  return 0;
}
