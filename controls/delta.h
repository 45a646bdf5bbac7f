// Repaint rhythm: seconds between two repaints and the number of repaints in
// the last window of just over one second. Type-wide state only.
#pragma once

class TDelta {
 public:
  static double FPSTime;       // clock (ms) at which the counting window began
  static double DeltaTime;     // seconds between the last two measurements
  static int TimeDelay;        // clock (ms) at the last Start or Update
  static int FramesPerSecond;  // calls counted in the last completed window
  static int Frames;           // calls counted so far in the current window

  static int Start();
  static double Time();
  static int FPS();
  // One measurement; call once per repaint.
  static int Update();
  // Back to the program-start state (all zero).
  static void Reset();

  TDelta() = delete;
};
