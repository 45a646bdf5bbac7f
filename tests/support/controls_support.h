// Helpers for the control tests: place the pointer and refresh hover state
// the way a control's Draw does, without needing a drawing context.
#pragma once

#include "controls/button.h"
#include "controls/rect.h"
#include "controls/updown.h"

inline void PointAt(float x, float y) {
  Mouse = TMouse{};
  Mouse.x = x;
  Mouse.y = y;
}

// The hover test Draw performs: the inclusive box from the corner to
// (posx + width, posy + height).
inline bool RefreshHover(TButton& b) {
  return b.MouseOver(b.posx, b.posy, b.posx + b.width, b.posy + b.height);
}

inline void RefreshHover(TUpDown& s) {
  for (TButton* b : {s.btnDown.get(), s.btnDownBig.get(), s.btnUpBig.get(), s.btnUp.get()}) {
    if (b) RefreshHover(*b);
  }
}

// Points at (x, y), refreshes the spinner's buttons and clicks it.
inline int ClickAt(TUpDown& s, float x, float y) {
  PointAt(x, y);
  RefreshHover(s);
  return s.Click();
}
