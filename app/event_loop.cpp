// The event loop: opens the window and its canvas, then waits for one event
// at a time and dispatches it until blnRun goes false.

#include "app/globals.h"
#include "controls/delta.h"
#include "controls/winicon.h"
#include "platform/drawing/graphics.h"

int Main() {
  TGadget* desktop = Desktop();
  // 32-bit arithmetic, halves truncated toward zero: a desktop smaller than
  // the window gives a negative position.
  const int x = (desktop->width - intScreenX) / 2;
  const int y = (Desktop()->height - intScreenY) / 2;
  objWindow = CreateWindow(AppTitle, x, y, intScreenX, intScreenY, nullptr,
                           WINDOW_TITLEBAR | WINDOW_RESIZABLE | WINDOW_CLIENTCOORDS);
  // No window, no canvas: the failure path below reports it.
  objCanvas = objWindow ? CreateCanvas(0, 0, ClientWidth(objWindow), ClientHeight(objWindow),
                                       objWindow, 0)
                        : nullptr;
  TWinIcon::SetIcon(AppFile);
  AutoMidHandle(1);
  intScreenCenterX = intScreenX / 2;
  intScreenCenterY = intScreenY / 2;
  StartTimeDelay = 0;

  if (objWindow && objCanvas) {
    ActivateWindow(objWindow);
    ActivateGadget(objCanvas);
    blnRun = true;
    Resize();
  } else {
    blnRun = false;
  }

  if (blnRun) {
    TDelta::Start();
    while (blnRun) {
      WaitEvent();
      CheckEvents();
    }
    FreeGadget(objCanvas);
    objCanvas = nullptr;
    FreeGadget(objWindow);
    objWindow = nullptr;
  } else {
    if (objWindow) FreeGadget(objWindow);
    objWindow = nullptr;
    Notify("Unable to initialize!", 0);
  }
  return 0;
}

void CheckEvents() {
  switch (EventID()) {
    case MouseEnter:
      ActivateGadget(objCanvas);
      break;
    case MouseLeave:
      break;
    case TimerTick:
      RedrawGadget(objCanvas);
      break;
    case GadgetPaint:
      Draw();
      break;
    case MouseDown:
      // A press counts only after a release: the press-after-release
      // handshake keeps one physical click from acting twice.
      if (Mouse.ReleasedButton) {
        if (EventData() == MOUSE_LEFT) {
          Mouse.LeftButton = true;
          Mouse.ReleasedButton = false;
        }
      }
      break;
    case MouseUp:
      Mouse.ReleasedButton = true;
      break;
    case MouseMove:
      Mouse.x = static_cast<float>(EventX());
      Mouse.y = static_cast<float>(EventY());
      break;
    case KeyUp:
      break;
    case WindowClose:
      blnRun = false;
      break;
    case WindowSize:
      Resize();
      break;
    default:
      break;
  }
}
