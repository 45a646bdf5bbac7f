#include <gtest/gtest.h>

#include <string>

#include "controls/caption_estimate.h"
#include "controls/int32.h"
#include "controls/label.h"
#include "platform/window/events.h"
#include "support/controls_support.h"

namespace {

std::unique_ptr<TLabel> Speed(int align) {
  return TLabel::CreateLabel(10, 102, 100, 20, "Speed", align, true, true, true, false, false,
                             800, 600);
}

}  // namespace

TEST(TLabelCreate, NewLabelDefaults) {
  TLabel l;
  EXPECT_EQ(l.align, 1);
  EXPECT_FALSE(l.border);
  EXPECT_TRUE(l.Enabled);
  EXPECT_FALSE(l.HasFocus);
  EXPECT_TRUE(l.text.empty());
  EXPECT_TRUE(l.tmptext.empty());
}

TEST(TLabelCreate, RecordsArguments) {
  auto l = TLabel::CreateLabel(690, 262, 100, 20, "16", 1, true, false, true, true, false, 800,
                               600);
  EXPECT_EQ(l->posx, 690);
  EXPECT_EQ(l->posy, 262);
  EXPECT_EQ(l->width, 100);
  EXPECT_EQ(l->height, 20);
  EXPECT_EQ(l->text, "16");
  EXPECT_TRUE(l->border);
  ASSERT_NE(l->anchor, nullptr);
  EXPECT_TRUE(l->anchor->blnRight);
  EXPECT_FALSE(l->anchor->blnLeft);
}

TEST(TLabelAlignment, CentreLeftRight) {
  auto centre = Speed(1);
  EXPECT_EQ(centre->intTextPosX, 40);
  EXPECT_EQ(centre->intTextPosY, 106);
  EXPECT_EQ(Speed(0)->intTextPosX, 12);
  EXPECT_EQ(Speed(2)->intTextPosX, 68);
  EXPECT_EQ(Speed(0)->intTextPosY, 106);
  EXPECT_EQ(Speed(2)->intTextPosY, 106);
}

TEST(TLabelAlignment, EmptyTextCentresOnTheMiddle) {
  auto l = TLabel::CreateLabel(10, 30, 780, 20, "", 1, false, true, true, true, false, 800, 600);
  EXPECT_EQ(l->intTextPosX, 10 + 390);
}

TEST(TLabelAlignment, WideTextStartsLeftOfTheLabel) {
  auto l = TLabel::CreateLabel(10, 10, 780, 20, std::string(100, 'x'), 1, false, true, true,
                               true, false, 800, 600);
  EXPECT_EQ(l->intTextPosX, 0);  // posx - 10
}

TEST(TLabelAlignment, UnknownAlignmentKeepsPositionThroughValueAndResize) {
  auto l = TLabel::CreateLabel(10, 102, 100, 20, "Speed", 3, false, false, false, true, true, 800,
                               600);
  EXPECT_EQ(l->intTextPosX, 0);
  l->Value("Something else");
  EXPECT_EQ(l->intTextPosX, 0);
  l->Resize(1000, 700);
  EXPECT_EQ(l->posx, 210);
  EXPECT_EQ(l->intTextPosX, 0);
  EXPECT_EQ(l->intTextPosY, 206);  // the vertical rule still applies
  auto neg = TLabel::CreateLabel(10, 102, 100, 20, "Speed", -1, false, true, true, false, false,
                                 800, 600);
  EXPECT_EQ(neg->intTextPosX, 0);
}

TEST(TLabelAlignment, LeftStaysLeftAfterValueAndResize) {
  auto l = TLabel::CreateLabel(690, 102, 100, 20, "Speed", 0, true, false, true, true, false, 800,
                               600);
  l->Value("A much longer text");
  EXPECT_EQ(l->intTextPosX, 692);
  l->Resize(1000, 600);
  EXPECT_EQ(l->intTextPosX, 892);
}

TEST(TLabelValue, RealignsButKeepsVertical) {
  auto l = Speed(2);
  l->posy = 300;
  EXPECT_EQ(l->Value("Hi"), 0);
  EXPECT_EQ(l->text, "Hi");
  EXPECT_EQ(l->intTextPosX, 10 + 100 - 16 - 2);
  EXPECT_EQ(l->intTextPosY, 106);
}

TEST(TLabelValue, CountsCharactersNotBytes) {
  // The file-name label: "café.png" is 8 characters in 9 bytes.
  auto name = TLabel::CreateLabel(10, 30, 780, 20, "", 1, false, true, true, true, false, 800, 600);
  name->Value("caf\xC3\xA9.png");
  EXPECT_EQ(name->intTextPosX, 368);
  // Three- and four-byte sequences are one character each.
  name->Value("\xE2\x82\xAC\xF0\x9F\x98\x80");  // euro sign, an emoji
  EXPECT_EQ(name->intTextPosX, 10 + (780 - 16) / 2);
  // A byte that starts no well-formed sequence counts on its own: a lone
  // continuation byte, a cut-off sequence, an overlong form, a surrogate.
  EXPECT_EQ(CharacterCount("\x80"), 1u);
  EXPECT_EQ(CharacterCount("a\xE2\x82"), 3u);
  EXPECT_EQ(CharacterCount("\xC0\xAF"), 2u);
  EXPECT_EQ(CharacterCount("\xED\xA0\x80"), 3u);
  EXPECT_EQ(CharacterCount("\xF4\x90\x80\x80"), 4u);
  EXPECT_EQ(CharacterCount("\xC3\xA9\xC3"), 2u);
}

TEST(TLabelResize, RecomputesBothPositions) {
  auto l = TLabel::CreateLabel(240, 550, 100, 20, "BG Red", 1, true, false, false, false, true,
                               800, 600);
  l->Resize(1000, 700);
  EXPECT_EQ(l->posx, 340);
  EXPECT_EQ(l->posy, 650);
  EXPECT_EQ(l->intTextPosX, 340 + 26);
  EXPECT_EQ(l->intTextPosY, 654);
  l->Resize(800, 600);
  EXPECT_EQ(l->posx, 240);
  EXPECT_EQ(l->intTextPosX, 266);
  EXPECT_EQ(l->intTextPosY, 554);
}

TEST(TLabelHover, InclusiveAndDisabled) {
  auto l = Speed(1);
  PointAt(110, 122);
  EXPECT_TRUE(l->MouseOver(10, 102, 110, 122));
  PointAt(111, 122);
  EXPECT_FALSE(l->MouseOver(10, 102, 110, 122));
  PointAt(50, 110);
  l->Enabled = false;
  EXPECT_FALSE(l->MouseOver(10, 102, 110, 122));
  EXPECT_FALSE(l->IsMouseOver);
}

TEST(TLabelHook, EventHookReturnsNullAndChangesNothing) {
  auto l = Speed(1);
  TEvent ev;
  EXPECT_EQ(TLabel::EventHook(0x401, &ev, l.get()), nullptr);
  EXPECT_EQ(TLabel::EventHook(0, nullptr, nullptr), nullptr);
  EXPECT_EQ(l->OnEvent(&ev), 0);
  EXPECT_EQ(l->text, "Speed");
  EXPECT_EQ(l->intTextPosX, 40);
}
