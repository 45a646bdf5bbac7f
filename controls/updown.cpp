#include "controls/updown.h"

#include <charconv>
#include <cstdint>

#include "controls/int32.h"

namespace {

constexpr int kButtonWidth = 20;
constexpr int kSecondRowOffset = 20;  // from the top, whatever the height

}  // namespace

int ParseDecimal(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  std::int64_t magnitude = 0;
  const char* first = text.data() + i;
  const char* last = text.data() + text.size();
  auto [end, ec] = std::from_chars(first, last, magnitude);
  if (ec != std::errc() || end == first) return 0;
  const std::int64_t value = negative ? -magnitude : magnitude;
  if (value < INT32_MIN || value > INT32_MAX) return 0;
  return static_cast<int>(value);
}

std::unique_ptr<TUpDown> TUpDown::CreateUpDown(int x, int y, int width, int height,
                                               const std::string& text, int align,
                                               int intMaxValue, int intMinValue,
                                               int intChangeByValue, int intChangeByValueBig,
                                               bool wrap, bool blnLeft, bool blnTop,
                                               bool blnRight, bool blnBottom, int PrevWidth,
                                               int PrevHeight) {
  auto spinner = std::make_unique<TUpDown>();
  spinner->lblText =
      TLabel::CreateLabel(Add32(x, kButtonWidth), y, Sub32(width, 2 * kButtonWidth), height,
                          text, align, true, blnLeft, blnTop, blnRight, blnBottom, PrevWidth,
                          PrevHeight);

  PlaceAtDesign(*spinner, x, y, width, height, blnLeft, blnTop, blnRight, blnBottom, PrevWidth,
                PrevHeight);

  const int right_x = Sub32(Add32(x, width), kButtonWidth);
  auto make = [&](int bx, int by, int bh, const char* caption) {
    return TButton::CreateButton(bx, by, kButtonWidth, bh, caption, blnLeft, blnTop, blnRight,
                                 blnBottom, PrevWidth, PrevHeight);
  };
  if (intChangeByValue < intChangeByValueBig) {
    const int row_height = Half32(height);
    const int second_row = Add32(y, kSecondRowOffset);
    spinner->btnDown = make(x, y, row_height, "<");
    spinner->btnUp = make(right_x, y, row_height, ">");
    spinner->btnDownBig = make(x, second_row, row_height, "<<");
    spinner->btnUpBig = make(right_x, second_row, row_height, ">>");
  } else {
    spinner->btnDown = make(x, y, height, "<");
    spinner->btnUp = make(right_x, y, height, ">");
  }

  spinner->intMaxValue = intMaxValue;
  spinner->intMinValue = intMinValue;
  spinner->intChangeByValue = intChangeByValue;
  spinner->intChangeByValueBig = intChangeByValueBig;
  spinner->intValue = ParseDecimal(text);
  spinner->wrap = wrap;
  return spinner;
}

int TUpDown::Draw() {
  if (btnDown) btnDown->Draw();
  if (btnDownBig) btnDownBig->Draw();
  if (lblText) lblText->Draw();
  if (btnUpBig) btnUpBig->Draw();
  if (btnUp) btnUp->Draw();
  return 0;
}

// A step checks only the bound in its own direction, so a value put outside
// the range by SetValue or the initial text comes back only from that side.
// The sum is formed in 64 bits so that extreme steps clamp or wrap instead
// of overflowing.
void TUpDown::Step(int step, bool up) {
  const std::int64_t v = up ? static_cast<std::int64_t>(intValue) + step
                            : static_cast<std::int64_t>(intValue) - step;
  const int bound = up ? intMaxValue : intMinValue;  // the one this step may pass
  const int other = up ? intMinValue : intMaxValue;  // where a wrap lands
  if (up ? v > bound : v < bound) {
    intValue = wrap ? other : bound;
  } else {
    intValue = static_cast<int>(v);
  }
  Show();
}

int TUpDown::Click() {
  const bool big_row = HasBigRow();
  const struct {
    TButton* button;
    int step;
    bool up;
  } buttons[] = {
      {btnDown.get(), intChangeByValue, false},
      {btnUp.get(), intChangeByValue, true},
      {big_row ? btnDownBig.get() : nullptr, intChangeByValueBig, false},
      {big_row ? btnUpBig.get() : nullptr, intChangeByValueBig, true},
  };
  int result = 0;
  for (const auto& b : buttons) {
    if (!b.button || !b.button->IsMouseOver) continue;
    Step(b.step, b.up);
    result = b.up ? 2 : 1;
  }
  return result;
}

int TUpDown::SetMaxValue(int value) {
  intMaxValue = value;
  if (intValue > value) {
    intValue = value;
    Show();
  }
  return 0;
}

int TUpDown::SetMinValue(int value) {
  intMinValue = value;
  if (intValue < value) {
    intValue = value;
    Show();
  }
  return 0;
}

int TUpDown::SetValue(int value) {
  intValue = value;
  Show();
  return 0;
}

int TUpDown::Enabled(bool flag) {
  for (TButton* b : {btnUp.get(), btnDown.get(), btnUpBig.get(), btnDownBig.get()}) {
    if (b) b->Enabled = flag;
  }
  return 0;
}

int TUpDown::Resize(int new_width, int new_height) {
  const TRect* placed = ResizeByAnchor(*this, new_width, new_height);
  if (!placed) return 0;
  const TRect& r = *placed;

  if (lblText) {
    lblText->posx = Add32(r.x, kButtonWidth);
    lblText->posy = r.y;
    lblText->width = Sub32(r.Width, 2 * kButtonWidth);
    lblText->height = r.Height;
    lblText->UpdateTextPosX();
    lblText->UpdateTextPosY();
  }

  // The buttons keep their width; only position and height follow.
  const int right_x = Sub32(Add32(r.x, r.Width), kButtonWidth);
  const bool big_row = HasBigRow();
  const int row_height = big_row ? Half32(r.Height) : r.Height;
  auto place = [&](TButton* b, int bx, int by) {
    if (!b) return;
    b->posx = bx;
    b->posy = by;
    b->height = row_height;
    b->UpdateTextPosX();
    b->UpdateTextPosY();
  };
  place(btnDown.get(), r.x, r.y);
  place(btnUp.get(), right_x, r.y);
  if (big_row) {
    const int second_row = Add32(r.y, kSecondRowOffset);
    place(btnDownBig.get(), r.x, second_row);
    place(btnUpBig.get(), right_x, second_row);
  }
  return 0;
}

void TUpDown::Show() {
  if (lblText) lblText->Value(std::to_string(intValue));
}
