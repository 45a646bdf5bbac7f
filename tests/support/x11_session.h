// The test's X server driven from inside the test process: pointer moves
// and button presses through the XTest extension, window size and focus
// through Xlib. No helper program is started, so a thousand moves cost
// milliseconds, and Sync() says when the server has handled them.
#pragma once

#include <cstdint>
#include <string>

struct _XDisplay;

class XSession {
 public:
  XSession();  // on $DISPLAY
  ~XSession();
  XSession(const XSession&) = delete;
  XSession& operator=(const XSession&) = delete;

  bool ok() const { return display_ != nullptr; }

  // Screen coordinates.
  void Move(int x, int y);
  void Button(int button, bool down);
  void Click(int button = 1) {
    Button(button, true);
    Button(button, false);
  }
  void Resize(unsigned long window, int width, int height);
  // Gives the keyboard focus to the window; 0 leaves it with no window.
  void Focus(unsigned long window);
  // A top-level window with exactly this name; 0 if there is none.
  unsigned long FindWindow(const std::string& name);
  // Paints the window's rectangle black behind its owner's back, as a
  // window system that lost the window's contents would show it.
  void Blacken(unsigned long window, int x, int y, int width, int height);
  // The colour of one screen pixel as 0xRRGGBB.
  uint32_t Pixel(int x, int y);

  void Flush();
  // Returns once the server has handled every request sent so far.
  void Sync();

 private:
  _XDisplay* display_ = nullptr;
};
