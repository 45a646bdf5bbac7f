#include "controls/delta.h"

#include "platform/window/gui.h"

double TDelta::FPSTime = 0.0;
double TDelta::DeltaTime = 0.0;
int TDelta::TimeDelay = 0;
int TDelta::FramesPerSecond = 0;
int TDelta::Frames = 0;

namespace {

// Milliseconds to seconds with the single-precision 0.001, widened: 17 ms
// reads as 0.017000000807456672 s, not 0.017.
constexpr double kSecondsPerMilli = static_cast<double>(0.001f);

}  // namespace

int TDelta::Start() {
  TimeDelay = MilliSecs();
  return 0;
}

double TDelta::Time() { return DeltaTime; }

int TDelta::FPS() { return FramesPerSecond; }

int TDelta::Update() {
  const int now = MilliSecs();
  DeltaTime = static_cast<double>(now) - static_cast<double>(TimeDelay);
  ++Frames;
  // A window closes at the first call strictly more than 1000 ms after it
  // opened; that call is counted in it.
  if (static_cast<double>(now) > FPSTime + 1000.0) {
    FramesPerSecond = Frames;
    Frames = 0;
    FPSTime = now;
  }
  DeltaTime *= kSecondsPerMilli;
  TimeDelay = now;
  return 0;
}

void TDelta::Reset() {
  FPSTime = 0.0;
  DeltaTime = 0.0;
  TimeDelay = 0;
  FramesPerSecond = 0;
  Frames = 0;
}
