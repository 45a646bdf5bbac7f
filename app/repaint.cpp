// One repaint: the control panel, the action of a waiting click, the
// preview, the presentation, and the clear for the next repaint.

#include <string>
#include <utility>

#include "app/globals.h"
#include "controls/delta.h"
#include "platform/drawing/graphics.h"

void Draw() {
  SetGraphics(CanvasGraphics(objCanvas));
  SetClsColor(120, 120, 170);
  TDelta::Update();
  SetBlend(BLEND_ALPHA);
  const int action = DisplayMenu();
  switch (action) {
    case ACTION_LOAD: {
      // A cancelled requester changes nothing: the sheet on screen keeps
      // its name, and "Refresh" still reloads it.
      std::string chosen = RequestFile("Select graphic file to open", strFileFilter, 0, "");
      if (!chosen.empty()) {
        strFilename = std::move(chosen);
        LoadTileset();
      }
      break;
    }
    case ACTION_RELOAD:
      LoadTileset();
      break;
    case ACTION_QUIT:
      blnRun = false;
      break;
    default:
      break;
  }
  DrawAnimation();
  SetAlpha(1.0f);
  Flip(1);
  // The clip of the preview covers the whole canvas again before the clear,
  // which fills only the clip rectangle.
  SetViewport(0, 0, intScreenX, intScreenY);
  Cls();
}

namespace {

// A spinner's click copied into its global; true when it reported one.
bool ClickInto(TUpDown& spinner, int& global) {
  if (spinner.Click() > 0) {
    global = spinner.intValue;
    return true;
  }
  return false;
}

}  // namespace

int DisplayMenu() {
  int action = ACTION_NONE;

  DrawPanel();

  if (Mouse.LeftButton) {
    // Every test runs whatever the earlier ones found: overlapping controls
    // all act, and the last action code set wins.
    if (btnLoad->IsMouseOver) action = ACTION_LOAD;
    if (btnRefresh->IsMouseOver) action = strFilename.empty() ? ACTION_LOAD : ACTION_RELOAD;
    if (btnQuit->IsMouseOver) action = ACTION_QUIT;
    if (btnUnLoad->IsMouseOver) {
      imgAnimation = nullptr;
      imgUnanimated = nullptr;
      ReleaseFreedMemory();
      objTileWidth->Enabled(true);
      objTileHeight->Enabled(true);
    }
    if (btnPauseFrame->IsMouseOver) {
      if (blnPauseFrame) {
        blnPauseFrame = false;
        btnPauseFrame->SetText("Pause");
      } else {
        blnPauseFrame = true;
        btnPauseFrame->SetText("Run");
      }
    }
    ClickInto(*objFrameSpeed, intFrameDelay);
    ClickInto(*objTileWidth, intTileWidth);
    ClickInto(*objTileHeight, intTileHeight);
    ClickInto(*objScale, intScale);
    ClickInto(*objRotation, intRotation);
    ClickInto(*objRed, intRed);
    ClickInto(*objGreen, intGreen);
    ClickInto(*objBlue, intBlue);
    if (ClickInto(*objStartFrame, intStartFrame)) objCurrentFrame->SetMinValue(intStartFrame);
    if (ClickInto(*objEndFrame, intEndFrame)) objCurrentFrame->SetMaxValue(intEndFrame);
    // Always asked, so its value shows the step; copied only while paused,
    // since a running preview writes the current frame back every repaint.
    if (objCurrentFrame->Click() > 0 && blnPauseFrame) {
      intCurrentFrame = objCurrentFrame->intValue;
    }
    Mouse.LeftButton = false;
  }
  return action;
}
