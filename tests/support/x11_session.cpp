#include "support/x11_session.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

XSession::XSession() {
  display_ = XOpenDisplay(nullptr);
  if (!display_) return;
  int event_base = 0, error_base = 0, major = 0, minor = 0;
  if (!XTestQueryExtension(display_, &event_base, &error_base, &major, &minor)) {
    XCloseDisplay(display_);
    display_ = nullptr;
  }
}

XSession::~XSession() {
  if (display_) XCloseDisplay(display_);
}

void XSession::Move(int x, int y) {
  if (display_) XTestFakeMotionEvent(display_, -1, x, y, CurrentTime);
}

void XSession::Button(int button, bool down) {
  if (display_) XTestFakeButtonEvent(display_, static_cast<unsigned>(button), down, CurrentTime);
}

void XSession::Resize(unsigned long window, int width, int height) {
  if (display_) XResizeWindow(display_, window, static_cast<unsigned>(width), static_cast<unsigned>(height));
}

void XSession::Focus(unsigned long window) {
  if (display_) XSetInputFocus(display_, window ? window : None, RevertToNone, CurrentTime);
}

unsigned long XSession::FindWindow(const std::string& name) {
  if (!display_) return 0;
  Window root = 0, parent = 0;
  Window* kids = nullptr;
  unsigned count = 0;
  unsigned long found = 0;
  if (!XQueryTree(display_, DefaultRootWindow(display_), &root, &parent, &kids, &count)) return 0;
  for (unsigned i = 0; i < count && !found; ++i) {
    char* title = nullptr;
    if (XFetchName(display_, kids[i], &title) && title) {
      if (name == title) found = kids[i];
      XFree(title);
    }
  }
  if (kids) XFree(kids);
  return found;
}

void XSession::Blacken(unsigned long window, int x, int y, int width, int height) {
  if (!display_ || !window) return;
  const GC gc = XCreateGC(display_, window, 0, nullptr);
  XSetForeground(display_, gc, BlackPixel(display_, DefaultScreen(display_)));
  XFillRectangle(display_, window, gc, x, y, static_cast<unsigned>(width),
                 static_cast<unsigned>(height));
  XFreeGC(display_, gc);
}

uint32_t XSession::Pixel(int x, int y) {
  if (!display_) return 0;
  XImage* image = XGetImage(display_, DefaultRootWindow(display_), x, y, 1, 1, AllPlanes, ZPixmap);
  if (!image) return 0;
  const unsigned long p = XGetPixel(image, 0, 0);
  XDestroyImage(image);
  return static_cast<uint32_t>(p & 0xFFFFFF);  // 24-bit TrueColor, 0xRRGGBB
}

void XSession::Flush() {
  if (display_) XFlush(display_);
}

void XSession::Sync() {
  if (display_) XSync(display_, False);
}
