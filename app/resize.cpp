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

  lblAuthor->Resize(intScreenX, intScreenY);
  lblFilename->Resize(intScreenX, intScreenY);
  btnPauseFrame->Resize(intScreenX, intScreenY);
  lblFrameSpeed->Resize(intScreenX, intScreenY);
  objFrameSpeed->Resize(intScreenX, intScreenY);
  lblStartFrame->Resize(intScreenX, intScreenY);
  objStartFrame->Resize(intScreenX, intScreenY);
  lblEndFrame->Resize(intScreenX, intScreenY);
  objEndFrame->Resize(intScreenX, intScreenY);
  lblCurrentFrame->Resize(intScreenX, intScreenY);
  objCurrentFrame->Resize(intScreenX, intScreenY);
  lblScale->Resize(intScreenX, intScreenY);
  objScale->Resize(intScreenX, intScreenY);
  lblRotation->Resize(intScreenX, intScreenY);
  objRotation->Resize(intScreenX, intScreenY);
  lblRed->Resize(intScreenX, intScreenY);
  objRed->Resize(intScreenX, intScreenY);
  lblGreen->Resize(intScreenX, intScreenY);
  objGreen->Resize(intScreenX, intScreenY);
  lblBlue->Resize(intScreenX, intScreenY);
  objBlue->Resize(intScreenX, intScreenY);
  btnUnLoad->Resize(intScreenX, intScreenY);
  lblTileWidth->Resize(intScreenX, intScreenY);
  objTileWidth->Resize(intScreenX, intScreenY);
  lblTileHeight->Resize(intScreenX, intScreenY);
  objTileHeight->Resize(intScreenX, intScreenY);
  lblFrameCount->Resize(intScreenX, intScreenY);
  objFrameCount->Resize(intScreenX, intScreenY);
  btnLoad->Resize(intScreenX, intScreenY);
  btnRefresh->Resize(intScreenX, intScreenY);
  objLogo->Resize(intScreenX, intScreenY);
  btnQuit->Resize(intScreenX, intScreenY);
}
