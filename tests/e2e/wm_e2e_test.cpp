// The real program under real window managers, started as a user starts it:
// a compositing one (mutter in its X11 mode, as on a GNOME desktop) and a
// plain one (openbox), each in turn inside the test's Xvfb. After every
// change a window manager makes (a start, maximise and restore, cover and
// uncover, minimise and restore), once the picture has settled, the screen
// must show what a fresh full repaint of the same state shows. The reference
// is the window's picture after the pointer has crossed a button and left
// it: two changed repaints presented in a quiet window.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "support/app_sheets.h"
#include "support/e2e_driver.h"
#include "support/window_manager.h"

namespace {

constexpr int kStarts = 20;
constexpr int kCycles = 20;
// Longer than the time the program keeps presenting after a change of its
// window, so that what is on screen now stays there.
constexpr int kSettleMs = 1300;
// Where the pointer waits between steps: empty panel of any layout, or the
// desktop.
constexpr int kParkX = 4, kParkY = 796;

// What the screen shows of a window's client area.
struct Picture {
  Area area;
  std::vector<Rgb> px;
};

Picture Capture(const std::string& window) {
  Picture p;
  p.area = ClientArea(window);
  if (p.area.w <= 0 || p.area.h <= 0) return p;
  // Raw RGB of just that rectangle: no image file to write and read.
  const std::string bytes =
      Shell("import -window root -crop " + std::to_string(p.area.w) + "x" +
            std::to_string(p.area.h) + "+" + std::to_string(p.area.x) + "+" +
            std::to_string(p.area.y) + " -depth 8 rgb:- 2>/dev/null");
  if (bytes.size() != static_cast<size_t>(p.area.w) * static_cast<size_t>(p.area.h) * 3) return p;
  p.px.reserve(bytes.size() / 3);
  for (size_t i = 0; i + 2 < bytes.size(); i += 3) {
    p.px.push_back({static_cast<unsigned char>(bytes[i]), static_cast<unsigned char>(bytes[i + 1]),
                    static_cast<unsigned char>(bytes[i + 2])});
  }
  return p;
}

// Pixels of `got` that differ from `want` outside `moving` (pixels that
// change by themselves, such as a playing preview); a size mismatch counts
// every pixel.
long Mismatches(const Picture& got, const Picture& want, const std::vector<bool>* moving = nullptr) {
  if (got.area.w != want.area.w || got.area.h != want.area.h || got.px.size() != want.px.size()) {
    return static_cast<long>(std::max(got.px.size(), want.px.size())) + 1;
  }
  long n = 0;
  for (size_t i = 0; i < got.px.size(); ++i) {
    if (moving && (*moving)[i]) continue;
    if (!(got.px[i] == want.px[i])) ++n;
  }
  return n;
}

void Park() { Shell("xdotool mousemove " + std::to_string(kParkX) + " " + std::to_string(kParkY)); }

// The reference: the pointer crosses the "Quit" button and leaves it, which
// presents two changed repaints of the same state.
Picture Reference(const std::string& window) {
  const Area a = ClientArea(window);
  Shell("xdotool mousemove " + std::to_string(a.x + a.w - 60) + " " + std::to_string(a.y + a.h - 38));
  Sleep(300);
  // Off the button inside the window: a pointer that leaves the window
  // keeps its last position inside.
  Shell("xdotool mousemove " + std::to_string(a.x + 4) + " " + std::to_string(a.y + a.h - 4));
  Sleep(300);
  Park();
  Sleep(kSettleMs);
  return Capture(window);
}

void WaitForSize(const std::string& window, bool bigger, int w0, int h0) {
  for (int i = 0; i < 100; ++i) {
    const Area a = ClientArea(window);
    if (bigger ? (a.w > w0 || a.h > h0) : (a.w == w0 && a.h == h0)) return;
    Sleep(50);
  }
}

class UnderWindowManager : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    wm_ = std::make_unique<WindowManager>(GetParam());
    ASSERT_TRUE(wm_->running()) << GetParam() << " did not start";
    Park();
  }
  void TearDown() override { wm_.reset(); }

  // Maximises and restores n times; the mismatching steps.
  int MaximiseCycles(RunningApp& app, int n, const std::vector<bool>* moving_small,
                     const std::vector<bool>* moving_big, Picture& small, Picture& big) {
    const std::string& w = app.window_id();
    const Area a0 = ClientArea(w);
    int bad = 0;
    for (int i = 0; i < n; ++i) {
      Shell("wmctrl -i -r " + w + " -b add,maximized_vert,maximized_horz");
      WaitForSize(w, true, a0.w, a0.h);
      Sleep(kSettleMs);
      Picture got = Capture(w);
      if (big.px.empty()) big = Reference(w);
      const long m = Mismatches(got, big, moving_big);
      if (m != 0) {
        ++bad;
        ADD_FAILURE() << "maximised, cycle " << i << ": " << m << " pixels differ";
      }
      Shell("wmctrl -i -r " + w + " -b remove,maximized_vert,maximized_horz");
      WaitForSize(w, false, a0.w, a0.h);
      Sleep(kSettleMs);
      const long m2 = Mismatches(Capture(w), small, moving_small);
      if (m2 != 0) {
        ++bad;
        ADD_FAILURE() << "restored, cycle " << i << ": " << m2 << " pixels differ";
      }
    }
    return bad;
  }

  // Covers the window with another and takes it away; then minimises and
  // restores it. The mismatching steps.
  int CoverAndMinimise(RunningApp& app, const Picture& want, const std::vector<bool>* moving) {
    const std::string& w = app.window_id();
    int bad = 0;
    Shell("(xmessage -center -geometry 1000x700 cover >/dev/null 2>&1 &)");
    Sleep(kSettleMs);
    Shell("pkill -x xmessage");
    Sleep(kSettleMs);
    if (const long m = Mismatches(Capture(w), want, moving); m != 0) {
      ++bad;
      ADD_FAILURE() << "uncovered: " << m << " pixels differ";
    }
    Shell("xdotool windowminimize " + w);
    Sleep(kSettleMs);
    Shell("wmctrl -i -a " + w);
    Sleep(kSettleMs);
    Park();
    Sleep(300);
    if (const long m = Mismatches(Capture(w), want, moving); m != 0) {
      ++bad;
      ADD_FAILURE() << "restored from minimised: " << m << " pixels differ";
    }
    return bad;
  }

  std::unique_ptr<WindowManager> wm_;
};

TEST_P(UnderWindowManager, EveryStartShowsTheFullRepaint) {
  Picture want;
  int bad = 0;
  for (int i = 0; i < kStarts; ++i) {
    RunningApp app;
    ASSERT_TRUE(app.started());
    Sleep(kSettleMs);
    Picture got = Capture(app.window_id());
    if (want.px.empty()) want = Reference(app.window_id());
    const long m = Mismatches(got, want);
    if (m != 0) {
      ++bad;
      ADD_FAILURE() << "start " << i << ": " << m << " pixels differ";
    }
  }
  EXPECT_EQ(bad, 0) << "of " << kStarts << " starts under " << GetParam();
}

TEST_P(UnderWindowManager, IdleWindowShowsTheFullRepaintAfterEveryChange) {
  RunningApp app;
  ASSERT_TRUE(app.started());
  Picture small = Reference(app.window_id());
  Picture big;
  int bad = MaximiseCycles(app, kCycles, nullptr, nullptr, small, big);
  bad += CoverAndMinimise(app, small, nullptr);
  EXPECT_EQ(bad, 0) << "under " << GetParam();
  EXPECT_EQ(app.WaitExit(0), -1) << "the program ended";
}

// Which pixels of the window change by themselves over a few frames, with
// a margin of a glyph around each, since a few samples need not catch every
// digit a counter shows.
std::vector<bool> MovingPixels(const std::string& window) {
  Picture first = Capture(window);
  const int w = first.area.w, h = first.area.h;
  std::vector<bool> seen(first.px.size(), false);
  for (int i = 0; i < 6; ++i) {
    Sleep(110);
    Picture p = Capture(window);
    for (size_t k = 0; k < p.px.size() && k < seen.size(); ++k) {
      if (!(p.px[k] == first.px[k])) seen[k] = true;
    }
  }
  constexpr int kMargin = 10;
  std::vector<bool> moving(seen.size(), false);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      if (!seen[static_cast<size_t>(y * w + x)]) continue;
      for (int yy = std::max(0, y - kMargin); yy < std::min(h, y + kMargin + 1); ++yy) {
        for (int xx = std::max(0, x - kMargin); xx < std::min(w, x + kMargin + 1); ++xx) {
          moving[static_cast<size_t>(yy * w + xx)] = true;
        }
      }
    }
  }
  return moving;
}

TEST_P(UnderWindowManager, PlayingWindowShowsTheFullRepaintAfterEveryChange) {
  const std::string sheet = WriteSheetBmp("wm-sheet.bmp", 256, 64, [](int x, int) {
    return TileColour(x, 0, 256);
  });
  RunningApp app;
  ASSERT_TRUE(app.started());
  const Area a = ClientArea(app.window_id());
  app.origin_x = a.x;
  app.origin_y = a.y;
  app.Click(4, 596);    // a first press only arms the click handshake
  app.Click(740, 308);  // "Load"
  ASSERT_EQ(ChooseInFileChooser(app, sheet), "");
  Park();
  Sleep(kSettleMs);
  const std::vector<bool> moving_small = MovingPixels(app.window_id());
  Picture small = Reference(app.window_id());
  Shell("wmctrl -i -r " + app.window_id() + " -b add,maximized_vert,maximized_horz");
  WaitForSize(app.window_id(), true, a.w, a.h);
  Sleep(kSettleMs);
  const std::vector<bool> moving_big = MovingPixels(app.window_id());
  Picture big = Reference(app.window_id());
  Shell("wmctrl -i -r " + app.window_id() + " -b remove,maximized_vert,maximized_horz");
  WaitForSize(app.window_id(), false, a.w, a.h);
  Sleep(kSettleMs);
  int bad = MaximiseCycles(app, kCycles / 4, &moving_small, &moving_big, small, big);
  bad += CoverAndMinimise(app, small, &moving_small);
  EXPECT_EQ(bad, 0) << "under " << GetParam();
}

INSTANTIATE_TEST_SUITE_P(WindowManagers, UnderWindowManager,
                         ::testing::Values("mutter", "openbox"),
                         [](const ::testing::TestParamInfo<std::string>& p) { return p.param; });

}  // namespace
