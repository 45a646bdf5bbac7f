// A line of text with an optional one-pixel frame; no background, no hover
// look. Its first eight fields match the button's.
#pragma once

#include <memory>
#include <string>

#include "controls/anchor.h"
#include "platform/drawing/graphics.h"

struct TEvent;

class TLabel {
 public:
  int posx = 0;
  int posy = 0;
  std::unique_ptr<TAnchor> anchor;
  int height = 0;
  int width = 0;
  std::string text;
  int intTextPosX = 0;
  int intTextPosY = 0;
  std::string tmptext;
  int align = 1;  // 0 left, 1 centre, 2 right; other values keep intTextPosX
  bool border = false;
  bool IsMouseOver = false;
  bool Enabled = true;
  bool HasFocus = false;
  TDrawingPiece piece;  // its drawing, kept for the next repaints

  // Flags in the order left, top, right, bottom.
  static std::unique_ptr<TLabel> CreateLabel(int x, int y, int width, int height,
                                             const std::string& text, int align, bool border,
                                             bool blnLeft, bool blnTop, bool blnRight,
                                             bool blnBottom, int PrevWidth, int PrevHeight);

  int Draw();
  // New text, re-aligned horizontally.
  int Value(const std::string& text);
  // Inclusive hover test of the pointer against (x1, y1)-(x2, y2).
  bool MouseOver(int x1, int y1, int x2, int y2);
  int OnEvent(TEvent* event);
  // Hook-function form: data is a TEvent, context the label. Returns null.
  static void* EventHook(int id, void* data, void* context);
  // Re-places the label for a client area of width x height.
  int Resize(int width, int height);

  // Text position from the alignment and the fixed 8 x 12 text estimate.
  void UpdateTextPosX();
  void UpdateTextPosY();
};
