#include "platform/window/x_errors.h"

#include <X11/Xlib.h>
#include <X11/Xproto.h>

namespace {

XErrorHandler g_previous = nullptr;

int FilterXError(Display* display, XErrorEvent* error) {
  if (error->request_code == X_SendEvent && error->error_code == BadWindow) return 0;
  return g_previous != nullptr ? g_previous(display, error) : 0;
}

}  // namespace

void gui_internal::InstallXErrorFilter() {
  const XErrorHandler previous = XSetErrorHandler(FilterXError);
  if (previous != FilterXError) g_previous = previous;
}
