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
