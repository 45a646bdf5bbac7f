// What tests and benchmarks need of the window layer beyond the program's
// own calls: a bounded wait, stopping a timer, a clock of their own.
#pragma once

#include <cstdint>
#include <functional>

struct TTimer;

// Like WaitEvent but gives up after timeout_ms with 0.
int WaitEventTimeout(int timeout_ms);

// Stops a timer and frees it (the program's timer runs for the whole run).
void StopTimer(TTimer* timer);

// Replaces the clock MilliSecs reads, and the one the drawing layer times
// its presentations by; nullptr restores the real ones.
void SetClockForTesting(std::function<int32_t()> clock);
