// The preview: border, background, the current frame centred, scaled and
// rotated, and the frame stepping by the millisecond clock.

#include <cstdint>
#include <cstdlib>

#include "app/globals.h"
#include "platform/drawing/graphics.h"

namespace {

// A sheet that yields no frames (smaller than one tile) plays like no sheet
// at all: no index is drawn and the index does not count up without end.
bool HasFrames() { return imgAnimation && !imgAnimation->pixmaps.empty(); }

}  // namespace

void DrawAnimation() {
  const int x = objViewport.x;
  const int y = objViewport.y;
  const int W = objViewport.Width;
  const int H = objViewport.Height;
  // A client area smaller than the margins leaves no preview area: nothing
  // is drawn into it, but the border around it is, the clip is still set
  // (the drawing layer lets nothing through a negative rectangle) and the
  // clock still runs.
  const bool has_area = W > 0 && H > 0;

  SetColor(245, 245, 245);
  DrawLine(static_cast<float>(x - 1), static_cast<float>(y - 1), static_cast<float>(x + W),
           static_cast<float>(y - 1), 1);
  DrawLine(static_cast<float>(x - 1), static_cast<float>(y - 1), static_cast<float>(x - 1),
           static_cast<float>(y + H), 1);
  DrawLine(static_cast<float>(x + W), static_cast<float>(y - 1), static_cast<float>(x + W),
           static_cast<float>(y + H), 1);
  DrawLine(static_cast<float>(x - 1), static_cast<float>(y + H), static_cast<float>(x + W),
           static_cast<float>(y + H), 1);
  SetViewport(x, y, W, H);
  SetColor(intRed, intGreen, intBlue);
  if (has_area) {
    DrawRect(static_cast<float>(x), static_cast<float>(y), static_cast<float>(W),
             static_cast<float>(H));
  }
  SetColor(255, 255, 255);
  SetScale(static_cast<float>(intScale), static_cast<float>(intScale));
  SetRotation(static_cast<float>(intRotation));

  if (HasFrames()) {
    if (intEndFrame > 0 && intCurrentFrame < intStartFrame) intCurrentFrame = intStartFrame;
    const int frames = static_cast<int>(imgAnimation->pixmaps.size());
    if (has_area && intCurrentFrame >= 0 && intCurrentFrame < frames) {
      DrawImage(imgAnimation, static_cast<float>(intScreenCenterX),
                static_cast<float>(intScreenCenterY), intCurrentFrame);
    }
    if (StartTimeDelay == 0) StartTimeDelay = MilliSecs();
    const int last = StartTimeDelay;
    const int now = MilliSecs();
    // 32-bit difference: the clock may wrap between the two readings.
    const auto diff = static_cast<int32_t>(static_cast<uint32_t>(last) - static_cast<uint32_t>(now));
    const int64_t elapsed = std::llabs(static_cast<int64_t>(diff));
    if (elapsed > intFrameDelay) {
      if (!blnPauseFrame) ++intCurrentFrame;
      if (intEndFrame > 0 && intCurrentFrame > intEndFrame) intCurrentFrame = intStartFrame;
      if (intCurrentFrame == intFrameCount) intCurrentFrame = 0;
      StartTimeDelay = MilliSecs();
    }
  }
  objCurrentFrame->SetValue(intCurrentFrame);
  SetRotation(0.0f);
  SetScale(1.0f, 1.0f);
}
