// The controls drawn by the real drawing layer on a hidden 800 x 600 canvas
// and read back: face, edge, frame and caption colours at their pixels, and
// the caller's drawing state left as it was.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "controls/button.h"
#include "controls/canvas_panel.h"
#include "controls/label.h"
#include "controls/updown.h"
#include "platform/drawing/graphics.h"
#include "platform/testing/offscreen.h"
#include "support/controls_support.h"
#include "support/drawing_support.h"

namespace {

constexpr Rgb kClear{120, 120, 170};
constexpr Rgb kIdle{220, 220, 220};
constexpr Rgb kHover{155, 155, 155};
constexpr Rgb kLight{245, 245, 245};
constexpr Rgb kDark{150, 150, 150};
constexpr Rgb kBlack{0, 0, 0};

const std::string kLogoFile = std::string(CELLREEL_SOURCE_DIR) + "/Images/quillmark.png";

// The drawing state a control must not disturb.
struct DrawState {
  int r, g, b;
  float alpha;
  int blend;
  float sx, sy;
  float rotation;
  int vx, vy, vw, vh;

  static DrawState Now() {
    DrawState s{};
    GetColor(s.r, s.g, s.b);
    s.alpha = GetAlpha();
    s.blend = GetBlend();
    GetScale(s.sx, s.sy);
    s.rotation = GetRotation();
    GetViewport(s.vx, s.vy, s.vw, s.vh);
    return s;
  }
};

void ExpectSameState(const DrawState& before, const DrawState& after) {
  EXPECT_EQ(after.r, before.r);
  EXPECT_EQ(after.g, before.g);
  EXPECT_EQ(after.b, before.b);
  EXPECT_EQ(after.alpha, before.alpha);
  EXPECT_EQ(after.blend, before.blend);
  EXPECT_EQ(after.sx, before.sx);
  EXPECT_EQ(after.sy, before.sy);
  EXPECT_EQ(after.rotation, before.rotation);
  EXPECT_EQ(after.vx, before.vx);
  EXPECT_EQ(after.vy, before.vy);
  EXPECT_EQ(after.vw, before.vw);
  EXPECT_EQ(after.vh, before.vh);
}

// Counts pixels of one colour in the inclusive box.
int CountIn(const Snapshot& s, Rgb c, int x1, int y1, int x2, int y2) {
  int n = 0;
  for (int y = y1; y <= y2; ++y) {
    for (int x = x1; x <= x2; ++x) n += s.At(x, y) == c;
  }
  return n;
}

class ControlsGlTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    canvas_ = std::make_unique<OffscreenCanvas>(800, 600);
  }
  static void TearDownTestSuite() { canvas_.reset(); }

  // The state the repaint sets up before the panel is drawn, with an odd
  // colour current so that a missing restore shows.
  void SetUp() override {
    ASSERT_TRUE(canvas_->ok()) << "no display for the offscreen canvas";
    SetGraphics(canvas_->graphics());
    SetViewport(0, 0, 800, 600);
    SetScale(1, 1);
    SetRotation(0);
    SetAlpha(1);
    SetBlend(3);
    SetClsColor(kClear.r, kClear.g, kClear.b);
    Cls();
    SetColor(12, 34, 56);
    Mouse = TMouse{};
  }
  void TearDown() override {
    EXPECT_EQ(CheckGLErrors(), 0);
    Mouse = TMouse{};
  }

  // Draws through f and checks the drawing state survived it.
  template <typename F>
  Snapshot DrawAndGrab(F f) {
    const DrawState before = DrawState::Now();
    f();
    ExpectSameState(before, DrawState::Now());
    return Grab(800, 600);
  }

  static std::unique_ptr<OffscreenCanvas> canvas_;
};

std::unique_ptr<OffscreenCanvas> ControlsGlTest::canvas_;

// Button at (100, 100), 100 x 32: face 100..199 x 100..131, outline at
// columns 100 and 200, rows 100 and 132.
std::unique_ptr<TButton> LoadButton() {
  return TButton::CreateButton(100, 100, 100, 32, "Load", false, true, true, false, 800, 600);
}

void ExpectButtonFrame(const Snapshot& s, Rgb face) {
  EXPECT_EQ(s.At(105, 105), face);
  EXPECT_EQ(s.At(198, 129), face);
  EXPECT_EQ(s.At(150, 100), kLight) << "top edge";
  EXPECT_EQ(s.At(100, 116), kLight) << "left edge";
  EXPECT_EQ(s.At(100, 100), kLight) << "top-left corner";
  EXPECT_EQ(s.At(200, 100), kLight) << "top-right corner belongs to the top edge";
  EXPECT_EQ(s.At(100, 132), kLight) << "bottom-left corner belongs to the left edge";
  EXPECT_EQ(s.At(200, 101), kDark) << "right edge";
  EXPECT_EQ(s.At(200, 116), kDark) << "right edge";
  EXPECT_EQ(s.At(101, 132), kDark) << "bottom edge";
  EXPECT_EQ(s.At(200, 132), kDark) << "bottom-right corner";
  EXPECT_EQ(s.At(201, 116), kClear);
  EXPECT_EQ(s.At(150, 133), kClear);
  EXPECT_EQ(s.At(99, 116), kClear);
  EXPECT_EQ(s.At(150, 99), kClear);
}

}  // namespace

TEST_F(ControlsGlTest, ButtonIdleFaceEdgesAndCaption) {
  auto b = LoadButton();
  PointAt(10, 10);
  const Snapshot s = DrawAndGrab([&] { EXPECT_EQ(b->Draw(), 0); });
  EXPECT_FALSE(b->IsMouseOver);
  ExpectButtonFrame(s, kIdle);
  // The caption is black and starts at (134, 110) in 8 x 16 cells.
  EXPECT_GT(CountIn(s, kBlack, 134, 110, 165, 125), 10);
  EXPECT_EQ(CountIn(s, kBlack, 101, 101, 199, 131), CountIn(s, kBlack, 134, 110, 165, 125))
      << "black pixels outside the caption cells";
}

TEST_F(ControlsGlTest, ButtonHoveredOnTheInclusiveCorner) {
  auto b = LoadButton();
  PointAt(200, 132);
  const Snapshot s = DrawAndGrab([&] { b->Draw(); });
  EXPECT_TRUE(b->IsMouseOver);
  ExpectButtonFrame(s, kHover);
}

TEST_F(ControlsGlTest, ButtonOnePixelOutsideStaysIdle) {
  auto b = LoadButton();
  PointAt(201, 132);
  const Snapshot s = DrawAndGrab([&] { b->Draw(); });
  EXPECT_FALSE(b->IsMouseOver);
  EXPECT_EQ(s.At(105, 105), kIdle);
}

TEST_F(ControlsGlTest, DisabledButtonDrawsIdleUnderThePointer) {
  auto b = LoadButton();
  b->Enabled = false;
  PointAt(150, 116);
  const Snapshot s = DrawAndGrab([&] { b->Draw(); });
  EXPECT_FALSE(b->IsMouseOver);
  ExpectButtonFrame(s, kIdle);
}

TEST_F(ControlsGlTest, DrawLeavesAnyCallerStateAlone) {
  // Half alpha and a different colour: still put back exactly.
  SetAlpha(0.5f);
  SetColor(1, 2, 3);
  auto b = LoadButton();
  auto l = TLabel::CreateLabel(300, 100, 100, 20, "Speed", 1, true, true, true, false, false, 800,
                               600);
  auto s = TUpDown::CreateUpDown(500, 100, 100, 40, "200", 1, 500, 0, 1, 10, false, true, true,
                                 false, false, 800, 600);
  auto p = TCanvas::Create(10, 300, 120, 100, kLogoFile, true, true, true, false, false, 800, 600);
  DrawAndGrab([&] {
    b->Draw();
    l->Draw();
    s->Draw();
    p->Draw();
  });
}

TEST_F(ControlsGlTest, BorderedLabelFrameAndText) {
  auto l = TLabel::CreateLabel(300, 100, 100, 20, "Speed", 1, true, true, true, false, false, 800,
                               600);
  const Snapshot s = DrawAndGrab([&] { EXPECT_EQ(l->Draw(), 0); });
  EXPECT_EQ(s.At(300, 100), kLight);
  EXPECT_EQ(s.At(350, 100), kLight);
  EXPECT_EQ(s.At(400, 100), kLight);
  EXPECT_EQ(s.At(300, 110), kLight);
  EXPECT_EQ(s.At(400, 110), kLight) << "right line at posx + width";
  EXPECT_EQ(s.At(350, 120), kLight) << "bottom line at posy + height";
  EXPECT_EQ(s.At(400, 120), kLight);
  EXPECT_EQ(s.At(401, 110), kClear);
  EXPECT_EQ(s.At(350, 121), kClear);
  // No background: the clear colour shows inside the frame.
  EXPECT_EQ(s.At(305, 105), kClear);
  EXPECT_EQ(s.At(395, 115), kClear);
  // Text in the frame colour, in the cells from (330, 104).
  const int text = CountIn(s, kLight, 330, 104, 369, 119);
  EXPECT_GT(text, 10);
  EXPECT_EQ(CountIn(s, kLight, 301, 101, 399, 119), text) << "light pixels outside the text";
}

TEST_F(ControlsGlTest, LabelWithoutBorderDrawsOnlyText) {
  auto l = TLabel::CreateLabel(300, 100, 100, 20, "Speed", 1, false, true, true, false, false, 800,
                               600);
  const Snapshot s = DrawAndGrab([&] { l->Draw(); });
  EXPECT_EQ(s.At(300, 100), kClear);
  EXPECT_EQ(s.At(400, 110), kClear);
  EXPECT_EQ(s.At(350, 120), kClear);
  const Snapshot::Box ink = s.InkBox(kClear);
  EXPECT_GE(ink.left, 330) << ink;
  EXPECT_LE(ink.right, 369) << ink;
  EXPECT_GE(ink.top, 104) << ink;
  EXPECT_LE(ink.bottom, 119) << ink;
}

// Four-button spinner at (500, 100), 100 x 40. Parts are drawn "<", "<<",
// label, ">>", ">": where outlines meet, the later part wins.
TEST_F(ControlsGlTest, FourButtonSpinnerParts) {
  auto sp = TUpDown::CreateUpDown(500, 100, 100, 40, "200", 1, 500, 0, 1, 10, false, true, true,
                                  false, false, 800, 600);
  PointAt(10, 10);
  const Snapshot s = DrawAndGrab([&] { EXPECT_EQ(sp->Draw(), 0); });
  EXPECT_EQ(s.At(502, 102), kIdle) << "<";
  EXPECT_EQ(s.At(582, 102), kIdle) << ">";
  EXPECT_EQ(s.At(502, 122), kIdle) << "<<";
  EXPECT_EQ(s.At(582, 122), kIdle) << ">>";
  EXPECT_EQ(s.At(525, 105), kClear) << "label has no background";
  EXPECT_EQ(s.At(550, 100), kLight) << "label frame top";
  EXPECT_EQ(s.At(550, 140), kLight) << "label frame bottom";
  EXPECT_EQ(s.At(520, 110), kLight) << "label frame covers the right edge of <";
  EXPECT_EQ(s.At(510, 120), kLight) << "top edge of << drawn over the bottom of <";
  EXPECT_EQ(s.At(590, 120), kDark) << "bottom of > drawn over the top of >>";
  EXPECT_EQ(s.At(600, 110), kDark) << "> right edge";
  EXPECT_EQ(s.At(600, 130), kDark) << ">> right edge";
  EXPECT_EQ(s.At(550, 141), kClear);
  EXPECT_EQ(s.At(601, 110), kClear);
  // Value text "200" at (538, 114).
  EXPECT_GT(CountIn(s, kLight, 538, 114, 561, 129), 10);
}

TEST_F(ControlsGlTest, SpinnerSharedRowHoversBothButtons) {
  auto sp = TUpDown::CreateUpDown(500, 100, 100, 40, "200", 1, 500, 0, 1, 10, false, true, true,
                                  false, false, 800, 600);
  PointAt(590, 120);
  const Snapshot s = DrawAndGrab([&] { sp->Draw(); });
  EXPECT_EQ(s.At(582, 102), kHover);
  EXPECT_EQ(s.At(582, 122), kHover);
  EXPECT_EQ(s.At(502, 102), kIdle);
  EXPECT_EQ(sp->Click(), 2);
  EXPECT_EQ(sp->intValue, 211);
}

TEST_F(ControlsGlTest, DisabledSpinnerNeverHovers) {
  auto sp = TUpDown::CreateUpDown(500, 100, 100, 20, "64", 1, 512, 2, 2, 0, false, true, true,
                                  false, false, 800, 600);
  sp->Enabled(false);
  PointAt(590, 110);
  const Snapshot s = DrawAndGrab([&] { sp->Draw(); });
  EXPECT_EQ(s.At(582, 102), kIdle);
  EXPECT_FALSE(sp->btnUp->IsMouseOver);
  EXPECT_EQ(sp->Click(), 0);
  EXPECT_EQ(sp->intValue, 64);
}

TEST_F(ControlsGlTest, ImagePanelDrawsThePictureAtItsCorner) {
  auto p = TCanvas::Create(10, 20, 120, 100, kLogoFile, true, true, true, false, false, 800, 600);
  ASSERT_NE(p->image, nullptr);
  const Snapshot s = DrawAndGrab([&] { EXPECT_EQ(p->Draw(), 0); });
  // Border lines beyond the picture: column 130 and row 120.
  EXPECT_EQ(s.At(130, 70), kLight);
  EXPECT_EQ(s.At(70, 120), kLight);
  EXPECT_EQ(s.At(131, 70), kClear);
  EXPECT_EQ(s.At(70, 121), kClear);
  // Opaque texels of the picture land unchanged on (10 + x, 20 + y).
  const TPixmap& pm = *p->image->pixmaps.at(0);
  ASSERT_EQ(pm.format, PF_RGBA8888);
  int checked = 0;
  for (int y = 0; y < pm.height; y += 7) {
    for (int x = 0; x < pm.width; x += 7) {
      const std::uint8_t* t = pm.Row(y) + x * 4;
      if (t[3] != 255) continue;
      EXPECT_EQ(s.At(10 + x, 20 + y), (Rgb{t[0], t[1], t[2]})) << x << "," << y;
      ++checked;
    }
  }
  EXPECT_GT(checked, 20);
}

TEST_F(ControlsGlTest, ImagePanelWithoutPictureDrawsOnlyItsBorder) {
  auto p = TCanvas::Create(10, 20, 120, 100, "/nonexistent.png", true, true, true, false, false,
                           800, 600);
  const Snapshot s = DrawAndGrab([&] { p->Draw(); });
  EXPECT_EQ(s.At(10, 70), kLight);
  EXPECT_EQ(s.At(130, 70), kLight);
  EXPECT_EQ(s.At(70, 20), kLight);
  EXPECT_EQ(s.At(70, 120), kLight);
  EXPECT_EQ(s.At(70, 70), kClear);
}

// Every control kind at its panel size, side by side, written as a PNG when
// CELLREEL_CONTROLS_SHOT names a file; for looking at, not for asserting.
TEST_F(ControlsGlTest, Screenshot) {
  const char* path = std::getenv("CELLREEL_CONTROLS_SHOT");
  if (path == nullptr) GTEST_SKIP() << "set CELLREEL_CONTROLS_SHOT=/tmp/x.png to write one";
  auto idle = TButton::CreateButton(10, 60, 100, 32, "Pause", true, true, false, false, 800, 600);
  auto hover = TButton::CreateButton(120, 60, 100, 32, "Load", true, true, false, false, 800, 600);
  auto wide = TButton::CreateButton(230, 60, 99, 32, "Refresh it no", true, true, false, false,
                                    800, 600);
  auto banner = TLabel::CreateLabel(10, 10, 780, 20, "Cellreel v1.1.1 - control toolkit", 1,
                                    false, true, true, true, false, 800, 600);
  auto caption = TLabel::CreateLabel(10, 102, 100, 20, "Speed", 1, true, true, true, false, false,
                                     800, 600);
  auto left = TLabel::CreateLabel(120, 102, 100, 20, "Left", 0, true, true, true, false, false,
                                  800, 600);
  auto right = TLabel::CreateLabel(230, 102, 100, 20, "Right", 2, true, true, true, false, false,
                                   800, 600);
  auto four = TUpDown::CreateUpDown(10, 122, 100, 40, "200", 1, 500, 0, 1, 10, false, true, true,
                                    false, false, 800, 600);
  auto two = TUpDown::CreateUpDown(120, 122, 100, 20, "15", 1, 0, 0, 1, 0, true, true, true,
                                   false, false, 800, 600);
  auto off = TUpDown::CreateUpDown(230, 122, 100, 40, "64", 1, 512, 2, 2, 10, false, true, true,
                                   false, false, 800, 600);
  off->Enabled(false);
  auto logo = TCanvas::Create(680, 380, 120, 100, kLogoFile, false, false, false, true, true, 800,
                              600);
  auto framed = TCanvas::Create(400, 60, 120, 100, kLogoFile, true, true, true, false, false, 800,
                                600);
  PointAt(170, 76);
  const Snapshot s = DrawAndGrab([&] {
    banner->Draw();
    idle->Draw();
    hover->Draw();
    wide->Draw();
    caption->Draw();
    left->Draw();
    right->Draw();
    four->Draw();
    two->Draw();
    off->Draw();
    logo->Draw();
    framed->Draw();
  });
  ASSERT_TRUE(WritePng(path, s.width, s.height, s.rgba));
}
