// The window-icon hook: the window keeps the icon the platform gives it.
#pragma once

#include <string>

class TWinIcon {
 public:
  // Takes the path of the program's own file; has no effect.
  static int SetIcon(const std::string& path);

  TWinIcon() = delete;
};
