// How a control's rectangle follows the window size, per axis: near edge,
// far edge, both edges (stretch) or neither (keep the offset from the
// centre), always computed afresh from the design rectangle.
#pragma once

#include <memory>

#include "controls/rect.h"

class TAnchor {
 public:
  bool blnTop = false;
  bool blnBottom = false;
  bool blnLeft = false;
  bool blnRight = false;
  TRect OrigRect;  // the design rectangle, never changed after creation
  TRect Rect;      // the latest result of Resize
  int PrevWidth = 0;   // the client size the design rectangle was made for
  int PrevHeight = 0;

  // Flags in the order left, top, right, bottom.
  static std::unique_ptr<TAnchor> Create(bool blnLeft, bool blnTop, bool blnRight,
                                         bool blnBottom, const TRect& rect, int PrevWidth,
                                         int PrevHeight);

  // The rectangle for a client area of width x height, written into Rect;
  // returns Rect itself, the same object on every call.
  TRect& Resize(int width, int height);
};

// What every control does with its anchor. The controls share no base
// class, only the names of these fields: posx, posy, width, height, anchor.

// Gives a new control its design rectangle and the anchor made from it
// (flags in the order left, top, right, bottom).
template <class Control>
void PlaceAtDesign(Control& control, int x, int y, int width, int height, bool blnLeft,
                   bool blnTop, bool blnRight, bool blnBottom, int PrevWidth, int PrevHeight) {
  control.anchor = TAnchor::Create(blnLeft, blnTop, blnRight, blnBottom,
                                   TRect::FromSize(x, y, width, height), PrevWidth, PrevHeight);
  control.posx = x;
  control.posy = y;
  control.width = width;
  control.height = height;
}

// Re-places a control by its anchor for a client area of width x height.
// Returns the anchor's new rectangle, or null for a control without one
// (which then stays where it is).
template <class Control>
const TRect* ResizeByAnchor(Control& control, int width, int height) {
  if (!control.anchor) return nullptr;
  const TRect& r = control.anchor->Resize(width, height);
  control.posx = r.x;
  control.posy = r.y;
  control.width = r.Width;
  control.height = r.Height;
  return &r;
}
