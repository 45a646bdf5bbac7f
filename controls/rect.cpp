#include "controls/rect.h"

#include <cmath>

#include "controls/int32.h"

TMouse Mouse;

TRect TRect::Copy() const { return *this; }

TRect TRect::FromSize(int x, int y, int width, int height) {
  TRect r;
  r.x = x;
  r.y = y;
  r.Right = Add32(x, width);
  r.Bottom = Add32(y, height);
  r.Width = width;
  r.Height = height;
  return r;
}

bool TCollision::PointToBox(int x, int y, int x1, int y1, int x2, int y2) {
  return x1 <= x && x <= x2 && y1 <= y && y <= y2;
}

bool TCollision::BoundingBox(float ax1, float ay1, float ax2, float ay2, float bx1, float by1,
                             float bx2, float by2) {
  return !(ax1 > bx2 || ax2 < bx1 || ay1 > by2 || ay2 < by1);
}

float TCollision::Dist(float x1, float y1, float x2, float y2) {
  const double dx = static_cast<double>(x2) - x1;
  const double dy = static_cast<double>(y2) - y1;
  return static_cast<float>(std::sqrt(dx * dx + dy * dy));
}

float TCollision::BoxDist(float x1, float y1, float w1, float h1, float x2, float y2, float w2,
                          float h2) {
  // Gap along one axis: positive when the second box lies after or before
  // the first, 0 when their spans overlap.
  float gx = 0.0f;
  if (x1 + w1 <= x2) {
    gx = x2 - x1 - w1;
  } else if (x2 + w2 <= x1) {
    gx = x1 - x2 - w2;
  }
  float gy = 0.0f;
  if (y1 + h1 <= y2) {
    gy = y2 - y1 - h1;
  } else if (y2 + h2 <= y1) {
    gy = y1 - y2 - h2;
  }
  return gx + gy;
}

// Truncation toward zero; positions beyond the int range saturate instead of
// overflowing the conversion.
static int TruncateCoord(float v) {
  if (std::isnan(v)) return 0;
  if (v >= 2147483520.0f) return 2147483647;
  if (v <= -2147483648.0f) return -2147483647 - 1;
  return static_cast<int>(v);
}

int MouseX() { return TruncateCoord(Mouse.x); }
int MouseY() { return TruncateCoord(Mouse.y); }

bool PointerOver(bool enabled, int x1, int y1, int x2, int y2) {
  return enabled && TCollision::PointToBox(MouseX(), MouseY(), x1, y1, x2, y2);
}
