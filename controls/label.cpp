#include "controls/label.h"

#include "controls/caption_estimate.h"
#include "controls/color_saver.h"
#include "controls/draw_key.h"
#include "controls/int32.h"
#include "controls/outline.h"

std::unique_ptr<TLabel> TLabel::CreateLabel(int x, int y, int width, int height,
                                            const std::string& text, int align, bool border,
                                            bool blnLeft, bool blnTop, bool blnRight,
                                            bool blnBottom, int PrevWidth, int PrevHeight) {
  auto label = std::make_unique<TLabel>();
  PlaceAtDesign(*label, x, y, width, height, blnLeft, blnTop, blnRight, blnBottom, PrevWidth,
                PrevHeight);
  label->text = text;
  label->border = border;
  label->align = align;
  label->UpdateTextPosX();
  label->UpdateTextPosY();
  return label;
}

void TLabel::UpdateTextPosX() {
  const int text_width = TextWidthEstimate(CharacterCount(text));
  switch (align) {
    case 0:
      intTextPosX = Add32(posx, 2);
      break;
    case 1:
      intTextPosX = Add32(posx, Half32(Sub32(width, text_width)));
      break;
    case 2:
      intTextPosX = Sub32(Sub32(Add32(posx, width), text_width), 2);
      break;
    default:
      break;  // unknown alignments keep the position they have
  }
}

void TLabel::UpdateTextPosY() {
  intTextPosY = Add32(posy, Half32(Sub32(height, kTextHeightEstimate)));
}

// Frame and text both in (245, 245, 245); the frame is the button's outline,
// its right and bottom lines at posx + width and posy + height. The drawing
// is appended again as it was while nothing it shows has changed.
int TLabel::Draw() {
  const std::string& key =
      DrawKey({border ? 1 : 0, posx, posy, width, height, intTextPosX, intTextPosY}, text);
  if (DrawPieceAgain(piece, key)) return 0;
  BeginDrawingPiece(piece);
  {
    ColorSaver saved;
    SetColor(245, 245, 245);
    if (border) DrawOutline(posx, posy, width, height);
    DrawText(text, static_cast<float>(intTextPosX), static_cast<float>(intTextPosY));
  }
  EndDrawingPiece(piece, key);
  return 0;
}

int TLabel::Value(const std::string& new_text) {
  text = new_text;
  UpdateTextPosX();
  return 0;
}

bool TLabel::MouseOver(int x1, int y1, int x2, int y2) {
  IsMouseOver = PointerOver(Enabled, x1, y1, x2, y2);
  return IsMouseOver;
}

int TLabel::OnEvent(TEvent* /*event*/) { return 0; }

void* TLabel::EventHook(int /*id*/, void* data, void* context) {
  if (context != nullptr) {
    static_cast<TLabel*>(context)->OnEvent(static_cast<TEvent*>(data));
  }
  return nullptr;
}

int TLabel::Resize(int new_width, int new_height) {
  if (ResizeByAnchor(*this, new_width, new_height)) {
    UpdateTextPosX();
    UpdateTextPosY();
  }
  return 0;
}
