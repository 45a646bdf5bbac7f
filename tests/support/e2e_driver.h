// Drives the real program under the test's private X server: start it,
// click and type with xdotool, read the screen back from screenshots.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <ostream>
#include <string>

#include "platform/images/image.h"

struct Rgb {
  int r, g, b;
  bool operator==(const Rgb&) const = default;
};
std::string ToString(const Rgb& c);
// How test failures print a colour.
inline void PrintTo(const Rgb& c, std::ostream* os) { *os << ToString(c); }

class RunningApp {
 public:
  // Starts $CELLREEL_BIN and waits until its window is mapped; its standard
  // error goes to stderr_path when one is given.
  explicit RunningApp(const std::string& stderr_path = "");
  ~RunningApp();  // kills the program if it is still running

  bool started() const { return pid_ > 0 && !window_id_.empty(); }
  const std::string& window_id() const { return window_id_; }
  pid_t pid() const { return pid_; }

  // Client-area coordinates; the window's client area starts at
  // (origin_x, origin_y) on the screen.
  void Move(int x, int y);
  void Click(int x, int y);
  // Waits up to ms for the program to end; its exit status, or -1 if it is
  // still running (or died by a signal: -2).
  int WaitExit(int ms);
  void Signal(int sig);

  int origin_x = 240;
  int origin_y = 100;

 private:
  pid_t pid_ = -1;
  std::string window_id_;
};

// The screen's colour at (x, y) of app's client area.
Rgb Client(RunningApp& app, int x, int y);

// Clicks "Load" and types path into the chooser that opens; whether it
// closed.
bool Choose(RunningApp& app, const std::string& path);

// With app's file chooser opening (after a click on "Load"), types path
// into its location entry and confirms it. "" once the chooser has closed,
// else what went wrong.
std::string ChooseInFileChooser(const RunningApp& app, const std::string& path);
// With app's file chooser opening, cancels it with Escape; "" once it has
// closed, else what went wrong.
std::string CancelFileChooser(const RunningApp& app);

// The visible windows of process pid whose name matches the extended regex
// `name`, one id a line. Both conditions must hold (xdotool joins them with
// "or" unless told otherwise): a window manager may draw its frames as
// windows of a process of its own, named after the window they frame, as
// mutter does.
std::string WindowsOf(pid_t pid, const std::string& name);
// The first of them, waiting up to `seconds` for one to appear; "" if none
// did.
std::string WaitForWindowOf(pid_t pid, const std::string& name, int seconds);

// Runs a shell command; its standard output.
std::string Shell(const std::string& command);
void Sleep(int ms);

// The whole screen as a format-6 pixmap.
PixmapPtr Screenshot();
Rgb PixelAt(const TPixmap& shot, int x, int y);
