// The image panel: one picture drawn at the panel's corner at its own size,
// with an optional light border, anchored like every other control.
#pragma once

#include <memory>
#include <string>

#include "controls/anchor.h"
#include "platform/images/image.h"

class TCanvas {
 public:
  int posx = 0;
  int posy = 0;
  std::unique_ptr<TAnchor> anchor;
  int height = 0;
  int width = 0;
  bool border = false;
  ImagePtr image;  // null when the picture could not be loaded

  // Loads the picture at path (a file or "incbin::name") at once; needs no
  // window or drawing context. Flags in the order left, top, right, bottom.
  static std::unique_ptr<TCanvas> Create(int x, int y, int width, int height,
                                         const std::string& path, bool border, bool blnLeft,
                                         bool blnTop, bool blnRight, bool blnBottom,
                                         int PrevWidth, int PrevHeight);

  // Border (if any), then frame 0 of the picture placed by its handle at
  // (posx, posy), neither fitted nor clipped to the panel.
  int Draw();
  // Re-places the panel for a client area of width x height.
  int Resize(int width, int height);
};
