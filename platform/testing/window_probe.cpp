#include "platform/testing/window_probe.h"

#include <algorithm>

#include "platform/testing/drawing_probe.h"
#include "platform/window/gui_internal.h"

using gui_internal::g_gui;

int WaitEventTimeout(int timeout_ms) {
  return gui_internal::WaitEventWithin(std::max(0, timeout_ms));
}

void StopTimer(TTimer* timer) {
  std::erase_if(g_gui.timers,
                [timer](const std::unique_ptr<TTimer>& t) { return t.get() == timer; });
}

void SetClockForTesting(std::function<int32_t()> clock) {
  g_gui.test_clock = std::move(clock);
  if (g_gui.test_clock) {
    SetGraphicsClockForTesting([] { return static_cast<uint32_t>(g_gui.test_clock()); });
  } else {
    SetGraphicsClockForTesting(nullptr);
  }
}
