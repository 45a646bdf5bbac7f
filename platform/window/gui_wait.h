// The window layer's clock, its repeating timers and the wait that the
// event loop blocks in.
#pragma once

#include <cstdint>

#include "platform/window/events.h"

struct TTimer {
  int _ticks = 0;
  int _wticks = 0;
  TTimer* _cycle = nullptr;
  TEvent* _event = nullptr;
  int _handle = 0;
  double hz = 0;
  double next_due = 0;  // monotonic clock reading (ms) of the next firing
};

// Blocks until an event is queued; the event taken becomes the current one.
int WaitEvent();

TTimer* CreateTimer(double hz, TEvent* event);

int32_t MilliSecs();

namespace gui_internal {

// For the layer's own files.
double NowMs();
// Restarts every timer's schedule from now: ticks missed while a modal
// dialog was open are not replayed.
void RestartTimers();
// Waits for the next event as WaitEvent does, giving up with 0 after
// timeout_ms (never when it is negative).
int WaitEventWithin(double timeout_ms);
// Posts WindowClose for every window once a termination signal has come.
void DeliverTermination();
// Ends a blocked platform wait when an event is emitted meanwhile.
void* WakeHook(int hook, void* data, void* context);

}  // namespace gui_internal
