// A real window manager inside the test's X server, and where windows are
// on its screen.
#pragma once

#include <sys/types.h>

#include <string>

// Starts `name` ("mutter" in its X11 mode, as a GNOME desktop runs it, or a
// plain one such as "openbox") and waits until it manages the screen; stops
// it when it goes.
class WindowManager {
 public:
  explicit WindowManager(const std::string& name);
  ~WindowManager();
  WindowManager(const WindowManager&) = delete;
  WindowManager& operator=(const WindowManager&) = delete;
  bool running() const;

 private:
  pid_t pid_ = -1;
};

// A window's client area on the screen (all 0 when the window is unknown).
struct Area {
  int x = 0, y = 0, w = 0, h = 0;
};
Area ClientArea(const std::string& window);
