#include "controls/button.h"

#include "controls/caption_estimate.h"
#include "controls/color_saver.h"
#include "controls/draw_key.h"
#include "controls/int32.h"
#include "controls/outline.h"
#include "platform/drawing/graphics.h"

std::unique_ptr<TButton> TButton::CreateButton(int x, int y, int width, int height,
                                               const std::string& text, bool blnLeft,
                                               bool blnTop, bool blnRight, bool blnBottom,
                                               int PrevWidth, int PrevHeight) {
  auto button = std::make_unique<TButton>();
  PlaceAtDesign(*button, x, y, width, height, blnLeft, blnTop, blnRight, blnBottom, PrevWidth,
                PrevHeight);
  button->text = text;
  button->UpdateTextPosX();
  button->UpdateTextPosY();
  return button;
}

void TButton::UpdateTextPosX() {
  intTextPosX = Add32(posx, Half32(Sub32(width, TextWidthEstimate(CharacterCount(text)))));
}

void TButton::UpdateTextPosY() {
  intTextPosY = Add32(posy, Half32(Sub32(height, kTextHeightEstimate)));
}

// Face covers width x height from (posx, posy); the edges run one pixel
// beyond it, so outline and hover area both span posx..posx+width:
//
//   L L L L L L      L = light (245), top and left edges, drawn first
//   L f f f f D      D = dark (150), right and bottom edges, starting one
//   L f f f f D          pixel in so they never cover the light corner
//   L D D D D D      f = face (220 idle, 155 hovered)
//
// The hover test runs at every repaint, since clicks read its result; the
// drawing is appended again as it was while nothing it shows has changed.
int TButton::Draw() {
  const bool over = MouseOver(posx, posy, Add32(posx, width), Add32(posy, height));
  const std::string& key =
      DrawKey({over ? 1 : 0, posx, posy, width, height, intTextPosX, intTextPosY}, text);
  if (DrawPieceAgain(piece, key)) return 0;
  BeginDrawingPiece(piece);
  {
    ColorSaver saved;
    if (over) {
      SetColor(155, 155, 155);
    } else {
      SetColor(220, 220, 220);
    }
    DrawRect(static_cast<float>(posx), static_cast<float>(posy), static_cast<float>(width),
             static_cast<float>(height));
    SetColor(245, 245, 245);
    DrawOutline(posx, posy, width, height, 150, 150, 150);
    SetColor(0, 0, 0);
    DrawText(text, static_cast<float>(intTextPosX), static_cast<float>(intTextPosY));
  }
  EndDrawingPiece(piece, key);
  return 0;
}

bool TButton::MouseOver(int x1, int y1, int x2, int y2) {
  IsMouseOver = PointerOver(Enabled, x1, y1, x2, y2);
  return IsMouseOver;
}

int TButton::SetText(const std::string& new_text) {
  text = new_text;
  UpdateTextPosX();
  return 0;
}

void* TButton::EventHook(int /*id*/, void* data, void* context) {
  if (context != nullptr) {
    static_cast<TButton*>(context)->OnEvent(static_cast<TEvent*>(data));
  }
  return nullptr;
}

int TButton::OnEvent(TEvent* /*event*/) { return 0; }

int TButton::Resize(int new_width, int new_height) {
  if (ResizeByAnchor(*this, new_width, new_height)) {
    UpdateTextPosX();
    UpdateTextPosY();
  }
  return 0;
}
