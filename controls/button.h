// The push button: drawn on every repaint, it records whether the pointer is
// over it; clicks are decided afterwards by whoever reads IsMouseOver.
#pragma once

#include <memory>
#include <string>

#include "controls/anchor.h"
#include "platform/drawing/graphics.h"

struct TEvent;

class TButton {
 public:
  int posx = 0;
  int posy = 0;
  std::unique_ptr<TAnchor> anchor;
  int height = 0;
  int width = 0;
  std::string text = "button";
  int intTextPosX = 0;
  int intTextPosY = 0;
  bool IsMouseOver = false;  // as of the last Draw or MouseOver
  bool Enabled = true;       // a disabled button never reports the pointer
  TDrawingPiece piece;  // its drawing, kept for the next repaints

  // Flags in the order left, top, right, bottom; PrevWidth x PrevHeight is
  // the client size the rectangle was designed for.
  static std::unique_ptr<TButton> CreateButton(int x, int y, int width, int height,
                                               const std::string& text, bool blnLeft,
                                               bool blnTop, bool blnRight, bool blnBottom,
                                               int PrevWidth, int PrevHeight);

  // Refreshes IsMouseOver from Mouse and draws face, edges and caption.
  int Draw();
  // Inclusive hover test of the pointer against (x1, y1)-(x2, y2).
  bool MouseOver(int x1, int y1, int x2, int y2);
  // New caption, re-centred horizontally.
  int SetText(const std::string& text);
  // Hook-function form: data is a TEvent, context the button. Returns null.
  static void* EventHook(int id, void* data, void* context);
  int OnEvent(TEvent* event);
  // Re-places the button for a client area of width x height.
  int Resize(int width, int height);

  // Caption position from the fixed 8 x 12 text estimate.
  void UpdateTextPosX();
  void UpdateTextPosY();
};
