// When and how repaints are presented, and what a repaint must draw again,
// decided without a display: sequences of what happens to a window, with
// the decision expected at each step.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/drawing/presenter.h"
#include "platform/drawing/repaint_record.h"

using namespace drawing_internal;

namespace {

using P = Presentation;
using M = PresentMethod;

enum class Event { kNone, kFirstUse, kWindow, kMeasure, kMeasureScaled, kCanvasMoved, kOtherContext };

struct Step {
  std::uint32_t at;  // ms
  Event event;
  WindowChange change;  // for kWindow
  bool repaint_changed;  // whether the repaint differs from the one on screen
  P how;                 // what Next must say
  bool presents;
  M method;  // how, when it presents
};

constexpr auto kAny = WindowChange::kShown;

// Runs the steps on a presenter of a display that copies (or swaps
// always), as the drawing layer drives it: the event, then a repaint.
void RunSteps(const std::string& name, bool copies, const std::vector<Step>& steps) {
  Presenter p;
  DisplayAbilities abilities;
  abilities.copies = copies;
  p.ContextMade(abilities);
  for (std::size_t i = 0; i < steps.size(); ++i) {
    const Step& s = steps[i];
    SCOPED_TRACE(name + ", step " + std::to_string(i) + " at " + std::to_string(s.at) + " ms");
    switch (s.event) {
      case Event::kNone: break;
      case Event::kFirstUse: p.FirstUse(s.at); break;
      case Event::kWindow: p.WindowChanged(s.change, s.at); break;
      case Event::kMeasure: p.DrawableMeasured(true, false, true, s.at); break;
      case Event::kMeasureScaled: p.DrawableMeasured(true, true, true, s.at); break;
      case Event::kCanvasMoved: p.CanvasMoved(s.at); break;
      case Event::kOtherContext: p.OtherContextDrew(); break;
    }
    const P how = p.Next(s.at);
    EXPECT_EQ(how, s.how);
    // The renderer drops an unchanged repaint only when it may.
    const bool presents = s.repaint_changed || how != P::kIfChanged;
    EXPECT_EQ(presents, s.presents);
    if (presents) {
      EXPECT_EQ(p.Method(how), s.method);
      p.Presented(s.at);
    }
  }
}

TEST(Presenter, SequencesOfWindowChangesGiveTheExpectedPresentations) {
  // A new window: both buffers are presented in full, then every repaint
  // for a second (the window manager's map effect), then only changes.
  RunSteps("map", true,
      {{0, Event::kFirstUse, kAny, false, P::kRedrawAll, true, M::kSwap},
       {0, Event::kNone, kAny, false, P::kRedrawAll, true, M::kSwap},
       {16, Event::kWindow, WindowChange::kShown, false, P::kAlways, true, M::kSwap},
       {1015, Event::kNone, kAny, false, P::kAlways, true, M::kSwap},
       {1016, Event::kNone, kAny, false, P::kIfChanged, false, M::kSwap},
       {1032, Event::kNone, kAny, true, P::kIfChanged, true, M::kCopyDamage}});
  // An expose redraws everything once; focus and moves only settle.
  RunSteps("expose", true,
      {{0, Event::kFirstUse, kAny, false, P::kRedrawAll, true, M::kSwap},
       {0, Event::kNone, kAny, false, P::kRedrawAll, true, M::kSwap},
       {2000, Event::kWindow, WindowChange::kExposed, false, P::kRedrawAll, true, M::kSwap},
       {2016, Event::kNone, kAny, false, P::kAlways, true, M::kSwap},
       {3100, Event::kNone, kAny, false, P::kIfChanged, false, M::kSwap},
       {3200, Event::kWindow, WindowChange::kFocus, false, P::kAlways, true, M::kSwap},
       {4300, Event::kNone, kAny, true, P::kIfChanged, true, M::kCopyDamage}});
  // Maximising: the window event settles, the new size measured at the
  // next activation redraws everything.
  RunSteps("maximise", true,
      {{0, Event::kFirstUse, kAny, false, P::kRedrawAll, true, M::kSwap},
       {0, Event::kNone, kAny, false, P::kRedrawAll, true, M::kSwap},
       {2000, Event::kWindow, WindowChange::kMaximised, false, P::kAlways, true, M::kSwap},
       {2016, Event::kMeasure, kAny, false, P::kRedrawAll, true, M::kSwap},
       {2032, Event::kNone, kAny, true, P::kAlways, true, M::kSwap},
       {3016, Event::kNone, kAny, false, P::kIfChanged, false, M::kSwap}});
  // Idle: the last picture is copied up again every 3 s, and a picture
  // another context may have drawn over is drawn again.
  RunSteps("idle", true,
      {{0, Event::kFirstUse, kAny, false, P::kRedrawAll, true, M::kSwap},
       {0, Event::kNone, kAny, false, P::kRedrawAll, true, M::kSwap},
       {2999, Event::kNone, kAny, false, P::kIfChanged, false, M::kSwap},
       {3000, Event::kNone, kAny, false, P::kAlways, true, M::kCopyDamage},
       {3016, Event::kNone, kAny, false, P::kIfChanged, false, M::kSwap},
       {6000, Event::kNone, kAny, false, P::kAlways, true, M::kCopyDamage},
       {6016, Event::kOtherContext, kAny, false, P::kRedrawAll, true, M::kSwap},
       {6032, Event::kNone, kAny, false, P::kIfChanged, false, M::kSwap}});
  // A modal dialog blocks repaints: what the window system does meanwhile
  // (expose, a resize, a move) is answered by the one repaint after it.
  RunSteps("modal dialog", false,
      {{0, Event::kFirstUse, kAny, false, P::kRedrawAll, true, M::kSwap},
       {0, Event::kNone, kAny, false, P::kRedrawAll, true, M::kSwap},
       {5000, Event::kWindow, WindowChange::kExposed, true, P::kRedrawAll, true, M::kSwap},
       {9000, Event::kCanvasMoved, kAny, false, P::kRedrawAll, true, M::kSwap},
       {9016, Event::kNone, kAny, true, P::kAlways, true, M::kSwap},
       {10016, Event::kNone, kAny, true, P::kIfChanged, true, M::kSwap}});
}

TEST(Presenter, ThePictureLivesApartOnAScaledOutputAndInACopiedBackBuffer) {
  Presenter copying;
  DisplayAbilities copies;
  copies.copies = true;
  copying.ContextMade(copies);
  EXPECT_EQ(copying.Home(), PictureHome::kKeptBackBuffer);
  copying.DrawableMeasured(true, true, true, 0);  // moved to a 200 % output
  EXPECT_EQ(copying.Home(), PictureHome::kApart);
  copying.DrawableMeasured(true, false, true, 0);  // and back
  EXPECT_EQ(copying.Home(), PictureHome::kKeptBackBuffer);

  Presenter waiting;
  DisplayAbilities vsync;
  vsync.swaps_wait = true;
  vsync.copies = true;  // never used where swaps wait
  waiting.ContextMade(vsync);
  EXPECT_EQ(waiting.Home(), PictureHome::kBackBuffer);
  EXPECT_EQ(waiting.Method(P::kIfChanged), M::kSwap);
  vsync.keep_apart = true;
  waiting.ContextMade(vsync);
  EXPECT_EQ(waiting.Home(), PictureHome::kApart);
}

TEST(Presenter, AKeptBackBufferIsCopiedInPartsAndANewSizeSwapsOnceFirst) {
  Presenter p;
  DisplayAbilities copies;
  copies.copies = true;
  p.ContextMade(copies);
  Damage drawn;
  drawn.rects = {GLClip{false, true, 10, 20, 30, 40}};
  const Damage copied = p.Region(M::kCopyDamage, drawn);
  EXPECT_FALSE(copied.full);
  ASSERT_EQ(copied.rects.size(), 1u);
  EXPECT_EQ(copied.rects[0], drawn.rects[0]);
  // Rectangles near enough go up as one copy of their bounding box; far
  // apart, each alone.
  drawn.rects.push_back(GLClip{false, true, 300, 20, 30, 40});
  ASSERT_EQ(p.Region(M::kCopyDamage, drawn).rects.size(), 1u);
  EXPECT_EQ(p.Region(M::kCopyDamage, drawn).rects[0], (GLClip{false, true, 10, 20, 320, 40}));
  drawn.rects.back().y = 1000;
  EXPECT_EQ(p.Region(M::kCopyDamage, drawn).rects.size(), 2u);
  drawn.rects.pop_back();
  // A refresh copies all of the picture, whatever changed in it.
  ASSERT_EQ(p.Next(kPresentRefreshMs), Presentation::kAlways);
  EXPECT_TRUE(p.Region(M::kCopyDamage, drawn).full);
  p.Presented(kPresentRefreshMs);
  ASSERT_EQ(p.Next(kPresentRefreshMs + 16), Presentation::kIfChanged);
  // A swap, an unchanged picture presented again, or a picture apart goes
  // up whole.
  EXPECT_TRUE(p.Region(M::kSwap, drawn).full);
  EXPECT_TRUE(p.Region(M::kCopyDamage, Damage{}).full);
  EXPECT_FALSE(p.TakeSwapToFollowSize());
  p.DrawableMeasured(true, false, true, 0);
  EXPECT_TRUE(p.TakeSwapToFollowSize());
  EXPECT_FALSE(p.TakeSwapToFollowSize()) << "once per size change";
  p.DrawableMeasured(true, true, true, 0);
  EXPECT_TRUE(p.Region(M::kCopyDamage, drawn).full) << "apart";
}

// --- what a repaint must draw again ---

std::uint64_t Unchanged(unsigned) { return 1; }
std::uint64_t Changed(unsigned) { return 2; }

struct Record {
  std::vector<RecordOp> ops;
  std::vector<GLVertex> vertices;
  RepaintRecord View() const { return {ops, vertices, RecordView{0, 0, 100, 100, 100, 100}}; }

  Record& Clear(bool whole = true) {
    RecordOp op;
    op.type = RecordOp::Type::Clear;
    op.whole = whole;
    ops.push_back(op);
    return *this;
  }
  // A filled square of side `size` at (x, y), canvas pixels.
  Record& Square(float x, float y, float size, unsigned texture = 0) {
    RecordOp op;
    op.state.texture = texture;
    op.content = 1;
    op.first = vertices.size();
    op.count = 6;
    const float corners[6][2] = {{x, y},        {x + size, y},        {x + size, y + size},
                                 {x, y},        {x + size, y + size}, {x, y + size}};
    for (const auto& c : corners) {
      GLVertex v{};
      v.x = c[0], v.y = c[1];
      vertices.push_back(v);
    }
    ops.push_back(op);
    return *this;
  }
};

bool Covers(const Damage& d, int x, int y) {
  if (d.full) return true;
  for (const GLClip& r : d.rects) {
    if (x >= r.x && x < r.x + r.w && y >= r.y && y < r.y + r.h) return true;
  }
  return false;
}

Damage ToDraw(const Record& now, const Record& shown, Presentation how = P::kIfChanged,
              bool retained = true, std::uint64_t (*content)(unsigned) = Unchanged) {
  const RepaintRecord s = shown.View();
  return DamageToDraw(now.View(), &s, false, retained, how, 100, 100, content);
}

TEST(RepaintRecord, OnlyWhatDiffersIsDrawnAgainAndWhatCannotBeBoundedIsDrawnWhole) {
  Record shown;
  shown.Clear().Square(10, 10, 10).Square(70, 10, 10);
  Record same = shown;
  EXPECT_TRUE(ToDraw(same, shown).Empty());
  EXPECT_TRUE(ToDraw(same, shown, P::kAlways).Empty()) << "presented again, nothing drawn";

  // The first square moved: where it was and where it is (window pixels,
  // y up), not the square that stayed.
  Record moved;
  moved.Clear().Square(40, 60, 10).Square(70, 10, 10);
  const Damage d = ToDraw(moved, shown);
  ASSERT_FALSE(d.full);
  EXPECT_TRUE(Covers(d, 15, 85));
  EXPECT_TRUE(Covers(d, 45, 35));
  EXPECT_FALSE(Covers(d, 75, 85));
  for (const GLClip& r : d.rects) {
    EXPECT_TRUE(r.enabled);
    EXPECT_GE(r.x, 0);
    EXPECT_GE(r.y, 0);
    EXPECT_LE(r.x + r.w, 100);
    EXPECT_LE(r.y + r.h, 100);
  }

  // Drawn whole: a forced presentation, no retained picture, a record that
  // does not start from a whole clear, a texture whose content changed.
  EXPECT_TRUE(ToDraw(moved, shown, P::kRedrawAll).full);
  EXPECT_TRUE(ToDraw(moved, shown, P::kIfChanged, false).full);
  EXPECT_TRUE(ToDraw(same, shown, P::kIfChanged, false).Empty()) << "dropped unsent";
  Record partial;
  partial.Clear(false).Square(10, 10, 10).Square(70, 10, 10);
  EXPECT_TRUE(ToDraw(partial, shown).full);
  Record textured;
  textured.Clear().Square(10, 10, 10, 7);
  EXPECT_TRUE(ToDraw(textured, textured, P::kIfChanged, true, Changed).full);
  Record lost;
  lost.Clear().Square(10, 10, 10);
  lost.vertices[0].x = INFINITY;
  EXPECT_TRUE(ToDraw(lost, shown).full);
}

// A quad stands in for the clear under a rectangle only where its two
// triangles tile an upright rectangle holding every pixel centre there.
TEST(RepaintRecord, AQuadFillsARectangleItsTrianglesTileAndWhosePixelCentresItHolds) {
  const RecordView view{0, 0, 100, 100, 100, 100};
  const GLClip rect{false, true, 10, 80, 10, 10};  // canvas (10, 10) to (20, 20)
  const auto square = [](float at) {
    Record r;
    r.Square(at, at, 10);
    return r.vertices;
  };
  EXPECT_TRUE(QuadFills(square(10).data(), view, rect));
  // Its damage is those pixels alone: a triangle touches only the pixels
  // whose centres it holds.
  Record shown, moved;
  shown.Clear().Square(10, 10, 10);
  moved.Clear().Square(10, 10, 10, 7);
  const Damage d = ToDraw(moved, shown);
  ASSERT_EQ(d.rects.size(), 1u);
  EXPECT_EQ(d.rects[0], rect);
  EXPECT_TRUE(QuadFills(square(10.25f).data(), view, GLClip{false, true, 10, 80, 10, 10}));
  EXPECT_FALSE(QuadFills(square(10.5f).data(), view, rect)) << "pixel centres on the edges";
  EXPECT_FALSE(QuadFills(square(10).data(), view, GLClip{false, true, 10, 80, 11, 10}));
  std::vector<GLVertex> halves = square(10);
  halves[4] = halves[1];  // both triangles lack a corner on the same side
  EXPECT_FALSE(QuadFills(halves.data(), view, rect));
}

}  // namespace
