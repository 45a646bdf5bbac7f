// Sprite-sheet loading: the sheet measured whole, cut into tiles, the frame
// range reset and the panel brought up to date.

#include <string>

#include "app/globals.h"

void LoadTileset() {
  if (strFilename.empty()) return;
  SetBusyCursor(true);
  // Both images are replaced whatever happens below: let the old sheet go
  // first, so a reload never holds two sheets at once.
  imgAnimation = nullptr;
  imgUnanimated = nullptr;
  // One decode serves both images: the whole sheet and the sheet cut into
  // frames are built from the same picture.
  const PixmapPtr sheet = LoadPixmap(strFilename);
  imgUnanimated = sheet ? LoadImage(sheet, -1) : nullptr;
  // A sheet that cannot be read counts as an empty one.
  intFrameCount = imgUnanimated ? (imgUnanimated->width / intTileWidth) *
                                      (imgUnanimated->height / intTileHeight)
                                : 0;
  imgAnimation =
      sheet ? LoadAnimImage(sheet, intTileWidth, intTileHeight, 0, intFrameCount, -1) : nullptr;
  intCurrentFrame = 0;
  intStartFrame = 0;
  intEndFrame = intFrameCount - 1;
  objStartFrame->SetValue(0);
  objStartFrame->SetMaxValue(intEndFrame);
  objEndFrame->SetValue(intEndFrame);
  objEndFrame->SetMaxValue(intEndFrame);
  objCurrentFrame->SetValue(0);
  objCurrentFrame->SetMaxValue(intEndFrame);
  lblFilename->Value(StripDir(strFilename));
  objFrameCount->Value(std::to_string(intFrameCount));
  objTileWidth->Enabled(false);
  objTileHeight->Enabled(false);
  // The sheet this load replaced, and the decoder's working memory.
  ReleaseFreedMemory();
  SetBusyCursor(false);
}
