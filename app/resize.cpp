// Re-layout for the current client size: centre point, canvas shape,
// preview area and every control by its anchors.

#include "app/globals.h"

void ResizeViewport(int x, int y, int width, int height) {
  objViewport.x = x;
  objViewport.y = y;
  objViewport.Width = width;
  objViewport.Height = height;
}

void Resize() {
  intScreenX = objWindow->width;
  intScreenY = objWindow->height;
  intScreenCenterX = intScreenX / 2;
  intScreenCenterY = intScreenY / 2;
  objCanvas->SetShape(0, 0, intScreenX, intScreenY);
  // Margins of 120 pixels left and right, 60 top and bottom.
  ResizeViewport(120, 60, intScreenX - 240, intScreenY - 120);

  ResizePanel(intScreenX, intScreenY);
}
