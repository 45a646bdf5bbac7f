// Sprite-sheet loading: the sheet measured whole, cut into tiles, the frame
// range reset and the panel brought up to date.

#include <algorithm>
#include <string>

#include "app/globals.h"

namespace {

// A frame spinner's value and both of its bounds (the value lies within them).
void SetFrameRange(TUpDown& spinner, int value, int min, int max) {
  spinner.SetValue(value);
  spinner.SetMinValue(min);
  spinner.SetMaxValue(max);
}

}  // namespace

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
  // The whole range of each frame spinner fits the new sheet: a bound left
  // by a click on the earlier sheet would let the index leave this one.
  // Without frames the start and current frames are 0 and the end frame is
  // -1; each spinner shows what it holds.
  const int last = std::max(intEndFrame, 0);
  SetFrameRange(*objStartFrame, 0, 0, last);
  SetFrameRange(*objEndFrame, intEndFrame, std::min(intEndFrame, 0), intEndFrame);
  SetFrameRange(*objCurrentFrame, 0, 0, last);
  lblFilename->Value(StripDir(strFilename));
  objFrameCount->Value(std::to_string(intFrameCount));
  objTileWidth->Enabled(false);
  objTileHeight->Enabled(false);
  // The sheet this load replaced, and the decoder's working memory.
  ReleaseFreedMemory();
  SetBusyCursor(false);
}
