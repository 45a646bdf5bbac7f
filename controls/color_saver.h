// Every control's Draw puts the caller's drawing colour back when it ends
// and changes no other drawing state.
#pragma once

#include "platform/drawing/graphics.h"

class ColorSaver {
 public:
  ColorSaver() { GetColor(r_, g_, b_); }
  ~ColorSaver() { SetColor(r_, g_, b_); }
  ColorSaver(const ColorSaver&) = delete;
  ColorSaver& operator=(const ColorSaver&) = delete;

 private:
  int r_ = 0;
  int g_ = 0;
  int b_ = 0;
};

// The raised outline shared by buttons, framed labels and the image panel:
// top and left lines from the corner, right and bottom lines starting one
// pixel in, each including its end point, all in the current colour unless
// far_r >= 0 gives the right/bottom colour.
void DrawOutline(int posx, int posy, int width, int height, int far_r = -1, int far_g = -1,
                 int far_b = -1);
