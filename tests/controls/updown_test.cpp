#include <gtest/gtest.h>

#include "controls/updown.h"
#include "support/controls_support.h"

namespace {

void ExpectButton(const TButton* b, int x, int y, int w, int h, int tx, int ty) {
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->posx, x);
  EXPECT_EQ(b->posy, y);
  EXPECT_EQ(b->width, w);
  EXPECT_EQ(b->height, h);
  EXPECT_EQ(b->intTextPosX, tx);
  EXPECT_EQ(b->intTextPosY, ty);
}

// The frame-delay spinner of the panel: four buttons.
std::unique_ptr<TUpDown> FrameSpeed() {
  return TUpDown::CreateUpDown(10, 122, 100, 40, "200", 1, 500, 0, 1, 10, false, true, true,
                               false, false, 800, 600);
}

std::unique_ptr<TUpDown> Spinner(const char* text, int max, int min, int step, int big,
                                 bool wrap) {
  return TUpDown::CreateUpDown(10, 192, 100, big > step ? 40 : 20, text, 1, max, min, step, big,
                               wrap, true, true, false, false, 800, 600);
}

// Centres of the parts of a spinner at (10, 192).
constexpr float kDownX = 15, kUpX = 105, kRow1Y = 195, kRow2Y = 225;

}  // namespace

TEST(TUpDownCreate, NewSpinnerDefaults) {
  TUpDown s;
  EXPECT_EQ(s.height, 32);
  EXPECT_EQ(s.width, 100);
  EXPECT_EQ(s.intMaxValue, 512);
  EXPECT_EQ(s.intMinValue, 2);
  EXPECT_EQ(s.intChangeByValue, 2);
  EXPECT_EQ(s.intChangeByValueBig, 0);
  EXPECT_EQ(s.intValue, 2);
  EXPECT_FALSE(s.wrap);
  EXPECT_EQ(s.btnUp, nullptr);
  EXPECT_EQ(s.lblText, nullptr);
  EXPECT_EQ(s.Click(), 0);  // a bare spinner has nothing to click
}

TEST(TUpDownLayout, FourButtonGeometry) {
  auto s = FrameSpeed();
  EXPECT_EQ(s->intValue, 200);
  EXPECT_EQ(s->intMaxValue, 500);
  EXPECT_EQ(s->intMinValue, 0);
  ASSERT_NE(s->lblText, nullptr);
  EXPECT_EQ(s->lblText->text, "200");
  EXPECT_EQ(s->lblText->posx, 30);
  EXPECT_EQ(s->lblText->posy, 122);
  EXPECT_EQ(s->lblText->width, 60);
  EXPECT_EQ(s->lblText->height, 40);
  EXPECT_EQ(s->lblText->intTextPosX, 48);
  EXPECT_EQ(s->lblText->intTextPosY, 136);
  EXPECT_TRUE(s->lblText->border);
  ExpectButton(s->btnDown.get(), 10, 122, 20, 20, 16, 126);
  ExpectButton(s->btnUp.get(), 90, 122, 20, 20, 96, 126);
  ExpectButton(s->btnDownBig.get(), 10, 142, 20, 20, 12, 146);
  ExpectButton(s->btnUpBig.get(), 90, 142, 20, 20, 92, 146);
  EXPECT_EQ(s->btnDown->text, "<");
  EXPECT_EQ(s->btnUp->text, ">");
  EXPECT_EQ(s->btnDownBig->text, "<<");
  EXPECT_EQ(s->btnUpBig->text, ">>");
}

TEST(TUpDownLayout, TwoButtonGeometry) {
  auto s = TUpDown::CreateUpDown(10, 192, 100, 20, "0", 1, 0, 0, 1, 0, true, true, true, false,
                                 false, 800, 600);
  ExpectButton(s->btnDown.get(), 10, 192, 20, 20, 16, 196);
  ExpectButton(s->btnUp.get(), 90, 192, 20, 20, 96, 196);
  EXPECT_EQ(s->btnDownBig, nullptr);
  EXPECT_EQ(s->btnUpBig, nullptr);
  EXPECT_EQ(s->lblText->posx, 30);
  EXPECT_EQ(s->lblText->posy, 192);
  EXPECT_EQ(s->lblText->width, 60);
  EXPECT_EQ(s->lblText->height, 20);
}

TEST(TUpDownLayout, EqualStepsGiveTwoButtons) {
  auto s = Spinner("0", 255, 0, 5, 5, true);
  EXPECT_EQ(s->btnDownBig, nullptr);
  EXPECT_EQ(s->btnUpBig, nullptr);
}

TEST(TUpDownLayout, SecondRowStartsTwentyBelowTheTopWhateverTheHeight) {
  auto s = TUpDown::CreateUpDown(0, 0, 100, 60, "0", 1, 9, 0, 1, 3, false, true, true, false,
                                 false, 800, 600);
  EXPECT_EQ(s->btnDownBig->posy, 20);
  EXPECT_EQ(s->btnDownBig->height, 30);
  EXPECT_EQ(s->btnDown->height, 30);
}

TEST(TUpDownValue, InitialTextParsing) {
  EXPECT_EQ(Spinner("200", 500, 0, 1, 0, false)->intValue, 200);
  EXPECT_EQ(Spinner("-15", 500, 0, 1, 0, false)->intValue, -15);
  EXPECT_EQ(Spinner("abc", 500, 0, 1, 0, false)->intValue, 0);
  EXPECT_EQ(Spinner("", 500, 0, 1, 0, false)->intValue, 0);
  EXPECT_EQ(Spinner("99999999999", 500, 0, 1, 0, false)->intValue, 0);
  auto s = Spinner("abc", 500, 0, 1, 0, false);
  EXPECT_EQ(s->lblText->text, "abc");  // the label shows the text as passed
}

TEST(TUpDownClick, NothingHoveredReturnsZero) {
  auto s = Spinner("7", 500, 0, 1, 0, false);
  EXPECT_EQ(ClickAt(*s, 60, kRow1Y), 0);  // over the label
  EXPECT_EQ(s->intValue, 7);
}

TEST(TUpDownClick, ClampsAtBothBounds) {
  auto s = Spinner("500", 500, 0, 1, 0, false);
  EXPECT_EQ(ClickAt(*s, kUpX, kRow1Y), 2);
  EXPECT_EQ(s->intValue, 500);
  EXPECT_EQ(s->lblText->text, "500");
  s->SetValue(0);
  EXPECT_EQ(ClickAt(*s, kDownX, kRow1Y), 1);
  EXPECT_EQ(s->intValue, 0);
  EXPECT_EQ(ClickAt(*s, kUpX, kRow1Y), 2);
  EXPECT_EQ(s->intValue, 1);
  EXPECT_EQ(s->lblText->text, "1");
}

TEST(TUpDownClick, WrapsWithoutCarryingTheRemainder) {
  auto s = Spinner("250", 255, 0, 5, 0, true);
  EXPECT_EQ(ClickAt(*s, kUpX, kRow1Y), 2);
  EXPECT_EQ(s->intValue, 255);  // landing on the bound is allowed
  EXPECT_EQ(ClickAt(*s, kUpX, kRow1Y), 2);
  EXPECT_EQ(s->intValue, 0);
  s->SetValue(253);
  ClickAt(*s, kUpX, kRow1Y);
  EXPECT_EQ(s->intValue, 0);
  s->SetValue(3);
  EXPECT_EQ(ClickAt(*s, kDownX, kRow1Y), 1);
  EXPECT_EQ(s->intValue, 255);
  EXPECT_EQ(s->lblText->text, "255");
}

TEST(TUpDownClick, BigStepClampsAndWraps) {
  auto s = TUpDown::CreateUpDown(690, 122, 100, 40, "508", 1, 512, 2, 2, 10, false, false, true,
                                 true, false, 800, 600);
  EXPECT_EQ(ClickAt(*s, 780, 150), 2);  // ">>"
  EXPECT_EQ(s->intValue, 512);
  EXPECT_EQ(ClickAt(*s, 695, 150), 1);  // "<<"
  EXPECT_EQ(s->intValue, 502);
  s->SetValue(5);
  ClickAt(*s, 695, 150);
  EXPECT_EQ(s->intValue, 2);
  auto w = Spinner("5", 360, 0, 1, 15, true);
  EXPECT_EQ(ClickAt(*w, kDownX, kRow2Y), 1);
  EXPECT_EQ(w->intValue, 360);
  EXPECT_EQ(ClickAt(*w, kUpX, kRow2Y), 2);
  EXPECT_EQ(w->intValue, 0);
}

TEST(TUpDownClick, SharedRowAppliesSmallThenBigStep) {
  // Row posy + 20 belongs to both the small and the big button.
  auto s = Spinner("100", 500, 0, 1, 10, false);
  EXPECT_EQ(ClickAt(*s, kUpX, 192 + 20), 2);
  EXPECT_EQ(s->intValue, 111);
  EXPECT_EQ(ClickAt(*s, kDownX, 192 + 20), 1);
  EXPECT_EQ(s->intValue, 100);
  // Clamped by the small step first, then the big step stays on the bound.
  s->SetValue(495);
  ClickAt(*s, kUpX, 192 + 20);
  EXPECT_EQ(s->intValue, 500);
}

TEST(TUpDownClick, StepsAboveTheMaximumComeBackOnlyUpward) {
  auto s = Spinner("20", 500, 0, 1, 0, false);
  s->SetValue(600);
  EXPECT_EQ(s->intValue, 600);
  EXPECT_EQ(s->lblText->text, "600");
  EXPECT_EQ(ClickAt(*s, kUpX, kRow1Y), 2);
  EXPECT_EQ(s->intValue, 500);
}

TEST(TUpDownClick, ValueOutsideAnEmptyRange) {
  auto make = [] {
    return TUpDown::CreateUpDown(10, 242, 100, 20, "15", 1, 0, 0, 1, 0, true, true, true, false,
                                 false, 800, 600);
  };
  auto s = make();
  EXPECT_EQ(s->intValue, 15);
  EXPECT_EQ(s->lblText->text, "15");
  EXPECT_EQ(ClickAt(*s, kUpX, 245), 2);
  EXPECT_EQ(s->intValue, 0);
  auto d = make();
  EXPECT_EQ(ClickAt(*d, kDownX, 245), 1);
  EXPECT_EQ(d->intValue, 14);  // a step down checks only the minimum
}

TEST(TUpDownClick, ExtremeStepsDoNotOverflow) {
  auto s = Spinner("2147483640", 2147483647, -2147483647 - 1, 100, 0, false);
  ClickAt(*s, kUpX, kRow1Y);
  EXPECT_EQ(s->intValue, 2147483647);
  s->SetValue(-2147483647);
  ClickAt(*s, kDownX, kRow1Y);
  EXPECT_EQ(s->intValue, -2147483647 - 1);
}

TEST(TUpDownRange, SetMaxValue) {
  auto s = Spinner("200", 500, 0, 1, 0, false);
  s->SetMaxValue(300);
  EXPECT_EQ(s->intMaxValue, 300);
  EXPECT_EQ(s->intValue, 200);
  EXPECT_EQ(s->lblText->text, "200");
  s->SetMaxValue(150);
  EXPECT_EQ(s->intValue, 150);
  EXPECT_EQ(s->lblText->text, "150");
  EXPECT_EQ(s->lblText->intTextPosX, 30 + (60 - 24) / 2);
}

TEST(TUpDownRange, SetMinValue) {
  auto s = Spinner("20", 500, 0, 1, 0, false);
  s->SetMinValue(10);
  EXPECT_EQ(s->intMinValue, 10);
  EXPECT_EQ(s->intValue, 20);
  s->SetMinValue(-5);
  EXPECT_EQ(s->intValue, 20);
  s->SetMinValue(40);
  EXPECT_EQ(s->intValue, 40);
  EXPECT_EQ(s->lblText->text, "40");
}

TEST(TUpDownRange, NegativeValuesShowASign) {
  auto s = Spinner("0", 500, -50, 1, 0, false);
  s->SetValue(-7);
  EXPECT_EQ(s->lblText->text, "-7");
}

TEST(TUpDownEnabled, DisabledSpinnerIgnoresClicksButTakesValues) {
  auto s = FrameSpeed();
  s->Enabled(false);
  for (TButton* b : {s->btnUp.get(), s->btnDown.get(), s->btnUpBig.get(), s->btnDownBig.get()}) {
    EXPECT_FALSE(b->Enabled);
  }
  EXPECT_TRUE(s->lblText->Enabled);
  EXPECT_EQ(ClickAt(*s, 15, 125), 0);
  EXPECT_EQ(ClickAt(*s, 95, 150), 0);
  EXPECT_EQ(s->intValue, 200);
  s->SetValue(42);
  EXPECT_EQ(s->intValue, 42);
  s->Enabled(true);
  EXPECT_EQ(ClickAt(*s, 95, 125), 2);
  EXPECT_EQ(s->intValue, 43);
}

TEST(TUpDownEnabled, TwoButtonSpinnerTouchesOnlyItsButtons) {
  auto s = Spinner("64", 512, 2, 2, 0, false);
  EXPECT_EQ(s->Enabled(false), 0);
  EXPECT_FALSE(s->btnUp->Enabled);
  EXPECT_FALSE(s->btnDown->Enabled);
  EXPECT_EQ(s->btnUpBig, nullptr);
  EXPECT_TRUE(s->lblText->Enabled);
}

TEST(TUpDownResize, PlacesItsOwnParts) {
  auto s = TUpDown::CreateUpDown(690, 192, 100, 40, "64", 1, 512, 2, 2, 10, false, false, true,
                                 true, false, 800, 600);
  s->Resize(1000, 700);
  EXPECT_EQ(s->posx, 890);
  EXPECT_EQ(s->posy, 192);
  EXPECT_EQ(s->lblText->posx, 910);
  EXPECT_EQ(s->lblText->width, 60);
  EXPECT_EQ(s->lblText->intTextPosX, 910 + 22);
  EXPECT_EQ(s->lblText->intTextPosY, 192 + 14);
  ExpectButton(s->btnDown.get(), 890, 192, 20, 20, 896, 196);
  ExpectButton(s->btnUp.get(), 970, 192, 20, 20, 976, 196);
  ExpectButton(s->btnDownBig.get(), 890, 212, 20, 20, 892, 216);
  ExpectButton(s->btnUpBig.get(), 970, 212, 20, 20, 972, 216);
  s->Resize(800, 600);
  ExpectButton(s->btnUp.get(), 770, 192, 20, 20, 776, 196);
  EXPECT_EQ(s->lblText->posx, 710);
}

TEST(TUpDownResize, StretchingSpinnerWidensItsLabelOnly) {
  auto s = TUpDown::CreateUpDown(10, 570, 100, 20, "0", 1, 255, 0, 5, 0, true, true, false, true,
                                 true, 800, 600);
  s->Resize(900, 700);
  EXPECT_EQ(s->width, 200);
  EXPECT_EQ(s->lblText->width, 160);
  EXPECT_EQ(s->btnUp->posx, 190);
  EXPECT_EQ(s->btnUp->width, 20);
  EXPECT_EQ(s->btnUp->posy, 670);
}
