// The small types under every control: an integer rectangle, stateless
// geometry tests and the record of the pointer with its pending click.
#pragma once

class TRect {
 public:
  int x = 0;
  int y = 0;
  int Right = 0;   // x + Width
  int Bottom = 0;  // y + Height
  int Width = 0;
  int Height = 0;

  // An independent rectangle with the same six fields.
  TRect Copy() const;
  // The rectangle at (x, y) of the given size, Right and Bottom filled in.
  static TRect FromSize(int x, int y, int width, int height);
};

class TCollision {
 public:
  // Inclusive on every edge: a box from x1 to x2 spans x2 - x1 + 1 columns.
  static bool PointToBox(int x, int y, int x1, int y1, int x2, int y2);
  // Boxes given by left, top, right, bottom; touching edges count as overlap.
  static bool BoundingBox(float ax1, float ay1, float ax2, float ay2, float bx1, float by1,
                          float bx2, float by2);
  // Euclidean distance, summed and rooted in double precision.
  static float Dist(float x1, float y1, float x2, float y2);
  // Gap between two boxes given by position and size: 0 when they overlap on
  // both axes, otherwise the horizontal gap plus the vertical gap.
  static float BoxDist(float x1, float y1, float w1, float h1, float x2, float y2, float w2,
                       float h2);
};

class TMouse {
 public:
  float x = 0.0f;
  float y = 0.0f;
  bool LeftButton = false;      // an accepted left click waits for the panel
  bool RightButton = false;
  bool CenterButton = false;
  bool ReleasedButton = false;  // a release was seen since the last accepted click
};

// The one pointer record: the event loop writes it, the controls read it.
extern TMouse Mouse;

// The pointer position truncated toward zero, as the hover tests use it.
int MouseX();
int MouseY();

// The hover test of the controls: the pointer inside the inclusive box
// (x1, y1)-(x2, y2); never for a disabled control.
bool PointerOver(bool enabled, int x1, int y1, int x2, int y2);
