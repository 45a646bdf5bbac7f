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
