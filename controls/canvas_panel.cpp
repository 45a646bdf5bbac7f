#include "controls/canvas_panel.h"

#include "controls/color_saver.h"
#include "controls/int32.h"
#include "controls/outline.h"
#include "platform/drawing/graphics.h"

std::unique_ptr<TCanvas> TCanvas::Create(int x, int y, int width, int height,
                                         const std::string& path, bool border, bool blnLeft,
                                         bool blnTop, bool blnRight, bool blnBottom,
                                         int PrevWidth, int PrevHeight) {
  auto panel = std::make_unique<TCanvas>();
  PlaceAtDesign(*panel, x, y, width, height, blnLeft, blnTop, blnRight, blnBottom, PrevWidth,
                PrevHeight);
  panel->border = border;
  panel->image = LoadImage(path, -1);
  return panel;
}

int TCanvas::Draw() {
  ColorSaver saved;
  SetColor(245, 245, 245);
  if (border) DrawOutline(posx, posy, width, height);
  // White leaves the picture's own colours untouched.
  SetColor(255, 255, 255);
  // A panel whose picture failed to load shows only its border.
  if (image) DrawImage(image, static_cast<float>(posx), static_cast<float>(posy), 0);
  return 0;
}

int TCanvas::Resize(int new_width, int new_height) {
  ResizeByAnchor(*this, new_width, new_height);
  return 0;
}
