#include "controls/canvas_panel.h"

#include "controls/color_saver.h"
#include "controls/int32.h"
#include "platform/graphics.h"

std::unique_ptr<TCanvas> TCanvas::Create(int x, int y, int width, int height,
                                         const std::string& path, bool border, bool blnLeft,
                                         bool blnTop, bool blnRight, bool blnBottom,
                                         int PrevWidth, int PrevHeight) {
  const TRect rect = TRect::FromSize(x, y, width, height);

  auto panel = std::make_unique<TCanvas>();
  panel->anchor =
      TAnchor::Create(blnLeft, blnTop, blnRight, blnBottom, rect, PrevWidth, PrevHeight);
  panel->posx = x;
  panel->posy = y;
  panel->width = width;
  panel->height = height;
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
  if (!anchor) return 0;
  const TRect& r = anchor->Resize(new_width, new_height);
  posx = r.x;
  posy = r.y;
  width = r.Width;
  height = r.Height;
  return 0;
}
