/* What the simulated display (tests/tools/sim_display.c, preloaded into the
 * program) and the tests that drive it share through one mapped file: the
 * display the test asks for, and what the display saw of the program.
 *
 * Clock: CLOCK_MONOTONIC in nanoseconds, the same in every process. */
#ifndef CELLREEL_SIM_DISPLAY_H
#define CELLREEL_SIM_DISPLAY_H

#include <stdint.h>

#define SIM_FRAMES 256 /* the ring of recent frames */
#define SIM_PROBES 2

struct SimFrame {
  int64_t end_ns;      /* when the swap returned: the frame is on screen */
  int64_t own_late_ns; /* sim_display.own_late_ns once this frame ended */
  /* Per probe rectangle: pixels darker than (64, 64, 64), and the colour
   * of its top-left pixel as 0xRRGGBB. */
  uint32_t dark[SIM_PROBES];
  uint32_t rgb[SIM_PROBES];
};

struct SimDisplay {
  /* Odd while the program writes; a reader copies until it reads the same
   * even value before and after. */
  uint32_t seq;

  /* Set by the test, read at every swap. */
  int64_t refresh_ns; /* a swap returns at the display's next refresh; 0: none */
  int64_t extra_ns;   /* every swap takes this much longer */
  int32_t probe[SIM_PROBES][4]; /* x, y, width, height in the client area */

  /* Written by the program's side. */
  uint64_t swaps;
  int64_t elapsed_ns;   /* from the first swap's end to the last one's */
  /* Of elapsed_ns, display time that passed beyond one refresh (or one
   * slow swap) per frame because the program itself was busy: drawing,
   * or not given the CPU. */
  int64_t own_late_ns;
  /* Of elapsed_ns, display time lost because the program was blocked in a
   * wait for events while it could have drawn. */
  int64_t wait_late_ns;
  /* Frames before which the program did not look at the window system's
   * events even once since the previous swap. */
  uint64_t starved;
  uint64_t pumps; /* calls that read window-system events */
  struct SimFrame frames[SIM_FRAMES]; /* frame n at frames[n % SIM_FRAMES] */
};

#endif
