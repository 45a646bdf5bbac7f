// Hooks for tests and benchmarks: the program itself never calls them.
#pragma once

#include <cstdint>
#include <functional>

struct TTimer;

// Like WaitEvent but gives up after timeout_ms with 0.
int WaitEventTimeout(int timeout_ms);

// Stops a timer and frees it (the program's timer runs for the whole run).
void StopTimer(TTimer* timer);

// Replaces the clock MilliSecs reads; nullptr restores the real one.
void SetClockForTesting(std::function<int32_t()> clock);

// GL textures the drawing layer holds for images' frames, those of images
// that have gone but are not yet let go included.
long HeldFrameTextureCount();
