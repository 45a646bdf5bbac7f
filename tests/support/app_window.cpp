#include "support/app_window.h"

#include "app/globals.h"
#include "platform/drawing/graphics.h"

bool OpenAppWindow(const std::string& title, int x, int y) {
  objWindow = CreateWindow(title, x, y, intScreenX, intScreenY, nullptr,
                           WINDOW_TITLEBAR | WINDOW_RESIZABLE | WINDOW_CLIENTCOORDS);
  if (!objWindow) return false;
  objCanvas = CreateCanvas(0, 0, ClientWidth(objWindow), ClientHeight(objWindow), objWindow, 0);
  if (!objCanvas) return false;
  AutoMidHandle(1);
  return true;
}
