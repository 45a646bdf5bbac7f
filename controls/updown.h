// The numeric spinner: a framed value label between "<" and ">" buttons
// (small step), plus a second row of "<<" and ">>" (big step) when the big
// step is larger than the small one.
#pragma once

#include <memory>
#include <string>

#include "controls/anchor.h"
#include "controls/button.h"
#include "controls/label.h"

class TUpDown {
 public:
  int posx = 0;
  int posy = 0;
  std::unique_ptr<TAnchor> anchor;
  int height = 32;
  int width = 100;
  std::unique_ptr<TButton> btnUp;       // ">", first row, right end
  std::unique_ptr<TButton> btnDown;     // "<", first row, left end
  std::unique_ptr<TButton> btnUpBig;    // ">>", second row; null in two-button layout
  std::unique_ptr<TButton> btnDownBig;  // "<<", second row; null in two-button layout
  std::unique_ptr<TLabel> lblText;
  int intMaxValue = 512;
  int intMinValue = 2;
  int intChangeByValue = 2;
  int intChangeByValueBig = 0;
  int intValue = 2;
  bool wrap = false;  // a step past one bound lands on the other

  // text is the initial value in decimal (anything else reads as 0); align is
  // the value label's alignment; flags in the order left, top, right, bottom.
  static std::unique_ptr<TUpDown> CreateUpDown(int x, int y, int width, int height,
                                               const std::string& text, int align,
                                               int intMaxValue, int intMinValue,
                                               int intChangeByValue, int intChangeByValueBig,
                                               bool wrap, bool blnLeft, bool blnTop,
                                               bool blnRight, bool blnBottom, int PrevWidth,
                                               int PrevHeight);

  // Draws the parts, which refreshes every button's hover state.
  int Draw();
  // Applies the steps of the hovered buttons: 0 none, 1 last applied was a
  // step down, 2 a step up.
  int Click();
  int SetMaxValue(int value);
  int SetMinValue(int value);
  // Stores and shows value without a range check.
  int SetValue(int value);
  // Enables or disables every step button; the label is unaffected.
  int Enabled(bool flag);
  // Re-places the spinner and its parts for a client area of width x height.
  int Resize(int width, int height);

 private:
  bool HasBigRow() const { return intChangeByValue < intChangeByValueBig; }
  // One step down or up from intValue, clamped or wrapped at the bound.
  void Step(int step, bool up);
  void Show();
};

// The integer a decimal text spells: optional blanks and sign, then digits;
// the digits that follow stop at the first other character. Text without
// digits, or a number outside the 32-bit range, gives 0.
int ParseDecimal(const std::string& text);
