#include "platform/testing/window_probe.h"

#include <algorithm>
#include <functional>
#include <utility>

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

namespace {

std::function<int32_t()>& TestClock() {
  static auto& clock = *new std::function<int32_t()>;
  return clock;
}

int32_t ReadTestClock() { return TestClock()(); }

}  // namespace

void SetClockForTesting(std::function<int32_t()> clock) {
  TestClock() = std::move(clock);
  if (TestClock()) {
    g_gui.clock = ReadTestClock;
    SetGraphicsClockForTesting([] { return static_cast<uint32_t>(TestClock()()); });
  } else {
    g_gui.clock = nullptr;
    SetGraphicsClockForTesting(nullptr);
  }
}
