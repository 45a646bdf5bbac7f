// The window layer's clock, its repeating timers and the wait that the
// event loop blocks in, which dispatches SDL's events and fires the timers.

#include "platform/window/gui_wait.h"

#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>

#include "platform/window/gui_internal.h"

using namespace gui_internal;

namespace {

// The longest one platform wait blocks: termination signals are noticed
// within this bound even with no timer.
constexpr double kLongestWaitMs = 100;

// Fires every timer whose time has come; returns ms until the next one is
// due (or -1 with no timer).
double FireDueTimers() {
  const double now = NowMs();
  double next = -1;
  for (auto& t : g_gui.timers) {
    const double period = 1000.0 / t->hz;
    double due = t->next_due;
    if (now >= due) {
      ++t->_ticks;
      if (t->_event) {
        EmitEvent(*t->_event);
      } else {
        TEvent e;
        e.id = TimerTick;
        e.source = t.get();
        e.data = t->_ticks;
        EmitEvent(e);
      }
      // Missed firings are not replayed: the schedule restarts from now
      // when the loop was away for longer than one period.
      due += period;
      if (due <= now) due = now + period;
      t->next_due = due;
      t->_wticks = t->_ticks;
    }
    const double wait = std::max(0.0, t->next_due - now);
    if (next < 0 || wait < next) next = wait;
  }
  return next;
}

// Dispatches the platform events pending now, without blocking. While the
// queue is nearly full the rest stay with SDL for the next wait: a burst of
// pointer motion (after a long load, say) would otherwise push the user's
// clicks out of a full queue, where they are dropped.
void DispatchPending() {
  SDL_PumpEvents();
  SDL_Event ev;
  while (GlobalEventQueue().Size() < EventQueue::kCapacity - kRoomPerPlatformEvent &&
         SDL_PeepEvents(&ev, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0) {
    HandleSDLEvent(ev);
  }
}

// One platform wait: blocks until an SDL event arrives or the next timer is
// due (at most `limit_ms`), then dispatches everything pending. A tick that
// is already due ends the wait at once but never takes the place of the
// window events: however long the last repaint or swap took, whatever the
// user did meanwhile comes out of the same wait as the tick.
void PlatformWait(double limit_ms) {
  const double timer_wait = FireDueTimers();
  if (GlobalEventQueue().Empty()) {
    double wait = limit_ms;
    if (timer_wait >= 0 && (wait < 0 || timer_wait < wait)) wait = timer_wait;
    if (wait < 0 || wait > kLongestWaitMs) wait = kLongestWaitMs;
    if (g_gui.sdl_up) {
      SDL_Event ev;
      g_gui.waiting = true;
      const int got = SDL_WaitEventTimeout(&ev, static_cast<int>(std::ceil(wait)));
      g_gui.waiting = false;
      if (got) HandleSDLEvent(ev);
    } else {
      usleep(static_cast<useconds_t>(wait * 1000));
    }
    // The tick the wait was for. A tick fired before the wait began is the
    // only one of this wait: one per wait, as fast as the loop takes them.
    FireDueTimers();
  }
  if (g_gui.sdl_up) DispatchPending();
  DeliverTermination();
}

}  // namespace

namespace gui_internal {

double NowMs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) * 1000.0 + static_cast<double>(ts.tv_nsec) / 1.0e6;
}

void RestartTimers() {
  const double now = NowMs();
  for (auto& t : g_gui.timers) t->next_due = now + 1000.0 / t->hz;
}

void DeliverTermination() {
  if (!g_gui.terminate) return;
  g_gui.terminate = 0;
  for (TGadget* w : g_gui.windows) EmitFor(WindowClose, w, 0, 0, 0);
}

int WaitEventWithin(double timeout_ms) {
  DeliverTermination();
  const double end = NowMs() + timeout_ms;
  while (GlobalEventQueue().Empty()) {
    double left = -1;
    if (timeout_ms >= 0) {
      left = end - NowMs();
      if (left <= 0) return 0;
    }
    PlatformWait(left);
  }
  SetCurrentEvent(GlobalEventQueue().Take());
  return EventID();
}

void* WakeHook(int, void* data, void*) {
  if (g_gui.waiting && g_gui.wake_event != 0) {
    SDL_Event wake{};
    wake.type = g_gui.wake_event;
    SDL_PushEvent(&wake);
  }
  return data;
}

}  // namespace gui_internal

int32_t MilliSecs() {
  if (g_gui.clock != nullptr) return g_gui.clock();
  // Milliseconds since the system started, wrapped into 32 bits.
  const auto ms = static_cast<int64_t>(NowMs());
  return static_cast<int32_t>(static_cast<uint32_t>(ms));
}

TTimer* CreateTimer(double hz, TEvent* event) {
  if (!(hz > 0.0) || !std::isfinite(hz)) return nullptr;
  auto t = std::make_unique<TTimer>();
  t->hz = hz;
  t->_event = event;
  t->_cycle = t.get();
  t->_handle = static_cast<int>(g_gui.timers.size()) + 1;
  t->next_due = NowMs() + 1000.0 / hz;
  g_gui.timers.push_back(std::move(t));
  return g_gui.timers.back().get();
}

int WaitEvent() { return gui_internal::WaitEventWithin(-1); }
