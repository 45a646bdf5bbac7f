// The file chooser as a modal dialog of the program's window under a real
// window manager: placed over the window with the focus and within the
// screen; pointer input to the window behind it does nothing; the window
// answers the window manager's pings and keeps its own picture on screen
// while the chooser is open; a close request made meanwhile ends the
// program once the chooser closes.

#include <gtest/gtest.h>
#include <poll.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "support/e2e_driver.h"
#include "support/window_manager.h"

// Last: its macros (None, Bool) clash with the test framework's names.
#include <X11/Xlib.h>

namespace {

constexpr char kTitle[] = "Select graphic file to open";
constexpr int kScreenW = 1280, kScreenH = 800;
// Client-area positions of the panel's buttons and of empty panel.
constexpr int kLoadX = 740, kLoadY = 308;
constexpr int kPauseX = 60, kPauseY = 76;
constexpr int kQuitX = 740, kQuitY = 574;
constexpr int kEmptyX = 60, kEmptyY = 500;

std::string Trim(std::string s) {
  while (!s.empty() && (s.back() == '\n' || s.back() == ' ')) s.pop_back();
  return s;
}

std::string WaitForChooser(const RunningApp& app) { return WaitForWindowOf(app.pid(), kTitle, 15); }

bool ChooserOpen(const RunningApp& app) { return !Trim(WindowsOf(app.pid(), kTitle)).empty(); }

// The screen's pixels of a rectangle, row by row.
std::vector<Rgb> Capture(const Area& a) {
  const std::string bytes =
      Shell("import -window root -crop " + std::to_string(a.w) + "x" + std::to_string(a.h) + "+" +
            std::to_string(a.x) + "+" + std::to_string(a.y) + " -depth 8 rgb:- 2>/dev/null");
  std::vector<Rgb> px;
  for (size_t i = 0; i + 2 < bytes.size(); i += 3) {
    px.push_back({static_cast<unsigned char>(bytes[i]), static_cast<unsigned char>(bytes[i + 1]),
                  static_cast<unsigned char>(bytes[i + 2])});
  }
  return px;
}

bool Inside(int x, int y, const Area& r) {
  return x >= r.x && x < r.x + r.w && y >= r.y && y < r.y + r.h;
}

// Pixels of the window's picture (client area `a`) that differ from
// `want` among those `counts` (client coordinates) selects; -1 when the
// captures do not match in size.
template <typename Counts>
long Mismatches(const std::vector<Rgb>& got, const std::vector<Rgb>& want, const Area& a,
                Counts counts) {
  const size_t size = static_cast<size_t>(a.w) * static_cast<size_t>(a.h);
  if (got.size() != size || want.size() != size) return -1;
  long n = 0;
  for (int y = 0; y < a.h; ++y) {
    for (int x = 0; x < a.w; ++x) {
      const size_t i = static_cast<size_t>(y) * static_cast<size_t>(a.w) + static_cast<size_t>(x);
      if (counts(x, y) && !(got[i] == want[i])) ++n;
    }
  }
  return n;
}

// Sends the window the window manager's _NET_WM_PING; ms until its answer
// reaches the root window, or -1 when none came within 3 s.
long PingReplyMs(unsigned long window) {
  Display* d = XOpenDisplay(nullptr);
  if (!d) return -1;
  const Window root = DefaultRootWindow(d);
  XSelectInput(d, root, SubstructureNotifyMask);
  const Atom protocols = XInternAtom(d, "WM_PROTOCOLS", False);
  const Atom ping = XInternAtom(d, "_NET_WM_PING", False);
  XEvent ev{};
  ev.xclient.type = ClientMessage;
  ev.xclient.window = window;
  ev.xclient.message_type = protocols;
  ev.xclient.format = 32;
  ev.xclient.data.l[0] = static_cast<long>(ping);
  ev.xclient.data.l[1] = 4242;  // the timestamp, echoed back
  ev.xclient.data.l[2] = static_cast<long>(window);
  const auto start = std::chrono::steady_clock::now();
  XSendEvent(d, window, False, NoEventMask, &ev);
  XFlush(d);
  long got = -1;
  for (;;) {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - start)
                        .count();
    if (ms > 3000) break;
    while (XPending(d) > 0) {
      XEvent e;
      XNextEvent(d, &e);
      if (e.type == ClientMessage && e.xclient.message_type == protocols &&
          static_cast<Atom>(e.xclient.data.l[0]) == ping && e.xclient.data.l[1] == 4242 &&
          static_cast<unsigned long>(e.xclient.data.l[2]) == window) {
        got = ms;
      }
    }
    if (got >= 0) break;
    pollfd p{ConnectionNumber(d), POLLIN, 0};
    poll(&p, 1, 20);
  }
  XCloseDisplay(d);
  return got;
}

class ChooserUnderWindowManager : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    wm_ = std::make_unique<WindowManager>(GetParam());
    ASSERT_TRUE(wm_->running()) << GetParam() << " did not start";
  }
  void TearDown() override { wm_.reset(); }

  // Opens the chooser with "Load" and checks where it is; its window id.
  std::string OpenChooser(RunningApp& app, const Area& main) {
    app.Click(kLoadX, kLoadY);
    const std::string chooser = WaitForChooser(app);
    if (chooser.empty()) return "";
    Sleep(800);
    const Area c = ClientArea(chooser);
    const int dx = (c.x + c.w / 2) - (main.x + main.w / 2);
    const int dy = (c.y + c.h / 2) - (main.y + main.h / 2);
    std::printf("%s: chooser %dx%d+%d+%d, centre offset (%d, %d)\n", GetParam().c_str(), c.w,
                c.h, c.x, c.y, dx, dy);
    EXPECT_LE(std::abs(dx), 40);
    EXPECT_LE(std::abs(dy), 40);
    // Whole on screen, its frame's title bar included.
    EXPECT_GE(c.x, 0);
    EXPECT_GE(c.y, 16);
    EXPECT_LE(c.x + c.w, kScreenW);
    EXPECT_LE(c.y + c.h, kScreenH);
    // The window manager's active window, and the keyboard focus in it.
    const std::string active = Trim(Shell("xdotool getactivewindow 2>/dev/null"));
    EXPECT_EQ(std::strtoul(active.c_str(), nullptr, 0), std::strtoul(chooser.c_str(), nullptr, 0))
        << "the chooser is not the active window";
    const std::string focus = Trim(Shell("xdotool getwindowfocus -f 2>/dev/null"));
    EXPECT_NE(std::strtoul(focus.c_str(), nullptr, 0), std::strtoul(app.window_id().c_str(), nullptr, 0))
        << "the keyboard focus is on the window behind the chooser";
    return chooser;
  }

  std::unique_ptr<WindowManager> wm_;
};

TEST_P(ChooserUnderWindowManager, IsAModalDialogOfTheWindow) {
  RunningApp app;
  ASSERT_TRUE(app.started());
  const std::string& win = app.window_id();
  const Area main = ClientArea(win);
  ASSERT_GT(main.w, 0);
  app.origin_x = main.x;
  app.origin_y = main.y;
  app.Click(kEmptyX, kEmptyY);  // arms the click handshake
  Sleep(300);

  // The picture with the pointer resting on "Load", before the chooser.
  app.Move(kLoadX, kLoadY);
  Sleep(1500);
  const std::vector<Rgb> before = Capture(main);

  std::string chooser = OpenChooser(app, main);
  ASSERT_FALSE(chooser.empty()) << "the chooser did not open";

  // The chooser moved aside: the window shows its own picture where the
  // chooser was (the "Load" button itself may show it pressed).
  Shell("xdotool windowmove " + chooser + " 700 300");
  Sleep(1000);
  const Area moved = ClientArea(chooser);
  // Its frame, and the shadow a compositing window manager draws around it.
  const Area frame{moved.x - 60, moved.y - 80, moved.w + 120, moved.h + 140};
  const Area load{kLoadX - 60, kLoadY - 20, 120, 40};
  EXPECT_EQ(Mismatches(Capture(main), before, main,
                       [&](int x, int y) {
                         return !Inside(main.x + x, main.y + y, frame) && !Inside(x, y, load);
                       }),
            0)
      << "the window does not show its own picture beside the chooser";

  // Clicks on the window behind the modal chooser do nothing.
  app.Click(kPauseX, kPauseY);
  Sleep(200);
  app.Click(kQuitX, kQuitY);
  Sleep(500);
  Shell("xdotool windowfocus --sync " + chooser + " 2>/dev/null; xdotool key Escape");
  for (int i = 0; i < 60 && ChooserOpen(app); ++i) Sleep(50);
  ASSERT_FALSE(ChooserOpen(app)) << "Escape did not close the chooser";
  EXPECT_EQ(app.WaitExit(1500), -1) << "a click on Quit behind the chooser ended the program";
  app.Move(kEmptyX, kEmptyY);
  Sleep(1500);
  const Area pause{kPauseX - 50, kPauseY - 15, 100, 30};
  EXPECT_EQ(Mismatches(Capture(main), before, main, [&](int x, int y) { return Inside(x, y, pause); }),
            0)
      << "a click on Pause behind the chooser was acted on";

  // As a hand clicks: the button is still down when the chooser opens and
  // comes up over it. After Escape the very next click acts.
  app.Move(kLoadX, kLoadY);
  Shell("xdotool mousedown 1");
  ASSERT_FALSE(WaitForChooser(app).empty()) << "the chooser did not open on a held press";
  Shell("xdotool mouseup 1");
  Sleep(300);
  Shell("xdotool key Escape");
  for (int i = 0; i < 60 && ChooserOpen(app); ++i) Sleep(50);
  ASSERT_FALSE(ChooserOpen(app)) << "Escape did not close the chooser";
  app.Click(kPauseX, kPauseY);
  app.Move(kEmptyX, kEmptyY);
  Sleep(500);
  EXPECT_GT(Mismatches(Capture(main), before, main, [&](int x, int y) { return !Inside(x, y, pause); }),
            0)
      << "the first click after the chooser was lost";

  // A second chooser has the focus too. A close request while it is open:
  // the window still answers pings, and the program ends once the chooser
  // closes.
  chooser = OpenChooser(app, main);
  ASSERT_FALSE(chooser.empty()) << "the chooser did not open again";
  Shell("wmctrl -i -c " + win);
  Sleep(300);
  const long ping_ms = PingReplyMs(std::strtoul(win.c_str(), nullptr, 0));
  std::printf("%s: ping answered after %ld ms\n", GetParam().c_str(), ping_ms);
  EXPECT_GE(ping_ms, 0) << "no answer to _NET_WM_PING";
  EXPECT_LT(ping_ms, 1000);
  EXPECT_EQ(app.WaitExit(500), -1) << "the program ended with the chooser open";
  Shell("xdotool windowfocus --sync " + chooser + " 2>/dev/null; xdotool key Escape");
  EXPECT_EQ(app.WaitExit(5000), 0);
}

INSTANTIATE_TEST_SUITE_P(WindowManagers, ChooserUnderWindowManager,
                         ::testing::Values("openbox", "mutter"));

}  // namespace
