#include "controls/outline.h"

#include "platform/drawing/graphics.h"

#include "controls/int32.h"

void DrawOutline(int posx, int posy, int width, int height, int far_r, int far_g, int far_b) {
  const int x2 = Add32(posx, width);
  const int y2 = Add32(posy, height);
  auto f = [](int v) { return static_cast<float>(v); };
  DrawLine(f(posx), f(posy), f(x2), f(posy), 1);
  DrawLine(f(posx), f(posy), f(posx), f(y2), 1);
  if (far_r >= 0) SetColor(far_r, far_g, far_b);
  DrawLine(f(x2), f(Add32(posy, 1)), f(x2), f(y2), 1);
  DrawLine(f(Add32(posx, 1)), f(y2), f(x2), f(y2), 1);
}
