// The window layer against a real X server (a private Xvfb, 1280 x 800):
// window geometry, paint requests, the timer, resizing and the mouse as
// xdotool drives it.

#include <gtest/gtest.h>

#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/drawing/graphics.h"
#include "platform/window/gui.h"
#include "platform/testing/window_probe.h"
#include "support/x11_session.h"

// After the layer's headers: its GadgetKind::Window would shadow X's.
#include <X11/Xlib.h>

namespace {

void Xdo(const std::string& args) {
  const std::string cmd = "xdotool " + args + " >/dev/null 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
}

// Collects the events of the next `ms` milliseconds.
std::vector<TEvent> Drain(int ms) {
  std::vector<TEvent> out;
  const int32_t end = MilliSecs() + ms;
  while (MilliSecs() < end) {
    if (WaitEventTimeout(end - MilliSecs()) != 0) out.push_back(CurrentEvent());
  }
  return out;
}

// What one platform wait brings: the event WaitEvent returns and every
// event queued with it, taken without waiting again.
std::vector<TEvent> OneWait() {
  std::vector<TEvent> out;
  WaitEvent();
  out.push_back(CurrentEvent());
  while (!GlobalEventQueue().Empty()) {
    WaitEvent();
    out.push_back(CurrentEvent());
  }
  return out;
}

// The layer's timer clock, in milliseconds.
double MonotonicMs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) * 1000.0 + static_cast<double>(ts.tv_nsec) / 1.0e6;
}

// Busy until the timer's next tick is overdue.
void UntilOverdue(const TTimer* timer) {
  while (MonotonicMs() <= timer->next_due + 0.05) {
  }
}

std::vector<TEvent> Only(const std::vector<TEvent>& events, int id, const void* source = nullptr) {
  std::vector<TEvent> out;
  for (const TEvent& e : events) {
    if (e.id == id && (!source || e.source == source)) out.push_back(e);
  }
  return out;
}

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(InitGui());
    GlobalEventQueue().Clear();
    TGadget* desk = Desktop();
    ASSERT_EQ(desk->width, 1280);
    ASSERT_EQ(desk->height, 800);
    window = CreateWindow("Cellreel test", (desk->width - 800) / 2, (desk->height - 600) / 2, 800,
                          600, nullptr, WINDOW_TITLEBAR | WINDOW_RESIZABLE | WINDOW_CLIENTCOORDS);
    ASSERT_NE(window, nullptr);
    canvas = CreateCanvas(0, 0, ClientWidth(window), ClientHeight(window), window, 0);
    ASSERT_NE(canvas, nullptr);
    ActivateWindow(window);
    Drain(300);  // let the window map and settle
  }
  void TearDown() override {
    if (canvas) FreeGadget(canvas);
    if (window) FreeGadget(window);
    GlobalEventQueue().Clear();
  }
  TGadget* window = nullptr;
  TGadget* canvas = nullptr;
};

// An event sent to a window that is gone is no error that ends the
// program (SDL's wake-ups race a window's end so); any other X error still
// goes where it went, here to Xlib's handler, which ends the process.
TEST_F(WindowTest, OnlyAnEventSentToAWindowThatIsGoneIsNoFatalXError) {
  // The requests go on a connection of the test's own, as SDL's wake-ups
  // go on one of SDL's.
  Display* other = XOpenDisplay(nullptr);
  ASSERT_NE(other, nullptr);
  const ::Window gone = XCreateSimpleWindow(other, DefaultRootWindow(other), 0, 0, 8, 8, 0, 0, 0);
  XDestroyWindow(other, gone);
  XEvent wake{};
  wake.xclient.type = ClientMessage;
  wake.xclient.window = gone;
  wake.xclient.format = 32;
  XSendEvent(other, gone, False, NoEventMask, &wake);
  XSync(other, False);
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        XMapWindow(other, gone);
        XSync(other, False);
      },
      ::testing::ExitedWithCode(1), "BadWindow");
  XCloseDisplay(other);
}

TEST_F(WindowTest, ClientAreaIs800x600CentredOnTheDesktop) {
  EXPECT_EQ(ClientWidth(window), 800);
  EXPECT_EQ(ClientHeight(window), 600);
  EXPECT_EQ(window->width, 800);
  EXPECT_EQ(window->height, 600);
  EXPECT_EQ(canvas->width, 800);
  EXPECT_EQ(canvas->height, 600);
  EXPECT_EQ(CanvasGraphics(canvas), CanvasGraphics(canvas));
  EXPECT_NE(CanvasGraphics(canvas), nullptr);
  // Where X puts the client area (no window manager under Xvfb).
  FILE* p = popen("xdotool search --name '^Cellreel test$' getwindowgeometry", "r");
  ASSERT_NE(p, nullptr);
  char buf[512] = {};
  std::string out;
  while (fgets(buf, sizeof buf, p)) out += buf;
  pclose(p);
  EXPECT_NE(out.find("Position: 240,100"), std::string::npos) << out;
  EXPECT_NE(out.find("Geometry: 800x600"), std::string::npos) << out;
}

TEST_F(WindowTest, RedrawGadgetQueuesExactlyOnePaintBeforeReturning) {
  GlobalEventQueue().Clear();
  RedrawGadget(canvas);
  ASSERT_EQ(GlobalEventQueue().Size(), 1);
  EXPECT_EQ(WaitEvent(), GadgetPaint);
  EXPECT_EQ(EventSource(), canvas);
  EXPECT_EQ(EventData(), 0);
}

TEST_F(WindowTest, TimerTicksCountUpAndCoalesceWhileTheLoopIsBusy) {
  TTimer* timer = CreateTimer(60.0, nullptr);
  ASSERT_NE(timer, nullptr);
  auto ticks = Only(Drain(200), TimerTick);
  ASSERT_GE(ticks.size(), 5u);
  EXPECT_LE(ticks.size(), 14u);
  for (size_t i = 1; i < ticks.size(); ++i) EXPECT_EQ(ticks[i].data, ticks[i - 1].data + 1);
  EXPECT_EQ(ticks.front().source, timer);

  // Busy for 100 ms: no tick fires outside the wait, and what fires when
  // the wait resumes is a single tick, not a replay of the missed ones.
  const int before = timer->_ticks;
  const int32_t busy_until = MilliSecs() + 100;
  while (MilliSecs() < busy_until) {
  }
  EXPECT_EQ(timer->_ticks, before);
  auto after = Only(Drain(20), TimerTick);
  StopTimer(timer);
  ASSERT_FALSE(after.empty());
  EXPECT_EQ(after.front().data, before + 1);
}

TEST_F(WindowTest, ResizeStoresTheClientSizeBeforeWindowSizeArrives) {
  window->SetShape(window->xpos, window->ypos, 1000, 700);
  auto events = Drain(300);
  auto sizes = Only(events, WindowSize);
  ASSERT_FALSE(sizes.empty());
  EXPECT_EQ(sizes.back().x, 1000);
  EXPECT_EQ(sizes.back().y, 700);
  EXPECT_EQ(sizes.back().source, window);
  EXPECT_EQ(window->width, 1000);
  EXPECT_EQ(window->height, 700);
  EXPECT_EQ(ClientWidth(window), 1000);
  EXPECT_FALSE(Only(events, GadgetPaint).empty());
}

TEST_F(WindowTest, MousePressesCarryButtonAndCanvasPosition) {
  Xdo("mousemove 250 120");
  Drain(100);
  Xdo("mousedown 1");
  Xdo("mouseup 1");
  Xdo("click 3");
  Xdo("click 2");
  auto events = Drain(300);
  auto downs = Only(events, MouseDown);
  auto ups = Only(events, MouseUp);
  ASSERT_EQ(downs.size(), 3u);
  ASSERT_EQ(ups.size(), 3u);
  EXPECT_EQ(downs[0].data, 1);
  EXPECT_EQ(downs[0].x, 10);
  EXPECT_EQ(downs[0].y, 20);
  EXPECT_EQ(downs[1].data, 2);  // right
  EXPECT_EQ(downs[2].data, 3);  // middle
  EXPECT_EQ(downs[0].source, canvas);
}

TEST_F(WindowTest, EnterComesBeforeTheFirstMoveAndLeaveAfterExit) {
  Xdo("mousemove 5 5");
  Drain(100);
  Xdo("mousemove 300 300");
  auto events = Drain(200);
  int enter = -1, move = -1;
  for (size_t i = 0; i < events.size(); ++i) {
    if (events[i].id == MouseEnter && enter < 0) enter = static_cast<int>(i);
    if (events[i].id == MouseMove && move < 0) move = static_cast<int>(i);
  }
  ASSERT_GE(enter, 0);
  ASSERT_GE(move, 0);
  EXPECT_LT(enter, move);
  EXPECT_EQ(events[move].x, 60);
  EXPECT_EQ(events[move].y, 200);
  EXPECT_EQ(events[move].data, 0);
  Xdo("mousemove 5 5");
  EXPECT_FALSE(Only(Drain(200), MouseLeave).empty());
}

TEST_F(WindowTest, DragOutsideReportsNegativePositionsAndTheReleaseOutside) {
  Xdo("mousemove 300 300");
  Drain(100);
  Xdo("mousedown 1");
  Xdo("mousemove 100 300");  // left of the window
  Xdo("mouseup 1");
  auto events = Drain(300);
  auto moves = Only(events, MouseMove);
  bool negative_drag = false;
  for (const TEvent& m : moves) {
    if (m.data == 1 && m.x < 0) negative_drag = true;
  }
  EXPECT_TRUE(negative_drag);
  // The release outside is still reported while the canvas holds the
  // capture, so the click handshake is not left disarmed.
  auto ups = Only(events, MouseUp);
  ASSERT_EQ(ups.size(), 1u);
  EXPECT_EQ(ups[0].x, -140);
}

// A window event that reaches SDL while the program draws must come out of
// the next wait even when a tick is overdue by then: ticks never starve the
// user's input, however long a repaint or a swap takes.
TEST_F(WindowTest, AnOverdueTickAndAQueuedPressComeOutOfOneWait) {
  XSession x;
  ASSERT_TRUE(x.ok());
  x.Move(250, 120);
  x.Sync();
  Drain(100);
  TTimer* timer = CreateTimer(60.0, nullptr);
  Drain(50);
  // "Drawing": the press arrives and the tick falls due meanwhile.
  x.Button(1, true);
  x.Button(1, false);
  x.Sync();
  usleep(30000);
  ASSERT_GT(MonotonicMs(), timer->next_due);
  const auto events = OneWait();
  StopTimer(timer);
  auto ticks = Only(events, TimerTick, timer);
  auto downs = Only(events, MouseDown);
  ASSERT_EQ(ticks.size(), 1u);
  ASSERT_EQ(downs.size(), 1u);
  EXPECT_EQ(downs[0].data, 1);
  EXPECT_EQ(downs[0].x, 10);
  EXPECT_EQ(downs[0].y, 20);
  EXPECT_EQ(Only(events, MouseUp).size(), 1u);
}

TEST_F(WindowTest, AThousandOverdueTicksInARowLetEveryWindowEventThrough) {
  XSession x;
  ASSERT_TRUE(x.ok());
  x.Move(300, 300);
  x.Sync();
  Drain(100);
  // A timer due every millisecond: each wait below starts with its tick
  // overdue, as after every repaint on a display slower than the timer.
  TTimer* timer = CreateTimer(1000.0, nullptr);
  std::vector<int> xs;
  int waits_with_tick = 0;
  int last_tick = 0;
  bool ticks_count_up = true;
  const auto take = [&](const std::vector<TEvent>& events) {
    auto ticks = Only(events, TimerTick, timer);
    if (ticks.size() == 1) ++waits_with_tick;
    for (const TEvent& t : ticks) {
      if (last_tick && t.data != last_tick + 1) ticks_count_up = false;
      last_tick = t.data;
    }
    for (const TEvent& m : Only(events, MouseMove)) xs.push_back(m.x);
  };
  const int kMoves = 1000;
  for (int i = 0; i < kMoves; ++i) {
    x.Move(240 + 100 + i % 500, 100 + 100 + i / 500);
    x.Flush();
    UntilOverdue(timer);
    take(OneWait());
  }
  // The last moves may still be on their way from the server.
  x.Sync();
  for (int i = 0; i < 200 && static_cast<int>(xs.size()) < kMoves; ++i) {
    UntilOverdue(timer);
    take(OneWait());
  }
  StopTimer(timer);
  EXPECT_GE(waits_with_tick, kMoves);
  EXPECT_TRUE(ticks_count_up);
  ASSERT_EQ(xs.size(), static_cast<size_t>(kMoves));
  for (int i = 0; i < kMoves; ++i) ASSERT_EQ(xs[i], 100 + i % 500) << "move " << i;
}

TEST_F(WindowTest, AfterA250msStallOneTickAndOneWindowSizeWait) {
  XSession x;
  ASSERT_TRUE(x.ok());
  const unsigned long xid = x.FindWindow("Cellreel test");
  ASSERT_NE(xid, 0u);
  TTimer* timer = CreateTimer(60.0, nullptr);
  Drain(50);
  const int before = timer->_ticks;
  // A repaint that takes 250 ms while the user resizes the window twice.
  const double stall_end = MonotonicMs() + 250;
  x.Resize(xid, 900, 650);
  x.Sync();
  usleep(50000);
  x.Resize(xid, 1000, 700);
  x.Sync();
  while (MonotonicMs() < stall_end) {
  }
  const auto events = OneWait();
  StopTimer(timer);
  auto ticks = Only(events, TimerTick, timer);
  auto sizes = Only(events, WindowSize);
  ASSERT_EQ(ticks.size(), 1u);
  EXPECT_EQ(ticks[0].data, before + 1);  // missed ticks are not replayed
  ASSERT_EQ(sizes.size(), 1u);
  EXPECT_EQ(sizes[0].x, 1000);
  EXPECT_EQ(sizes[0].y, 700);
  EXPECT_EQ(window->width, 1000);
  EXPECT_EQ(window->height, 700);
}

// After a long load the window system may hold more events than the queue
// has slots; they come out over several waits, and none is dropped.
TEST_F(WindowTest, ABurstOfMovesDuringALongRepaintLosesNoPress) {
  XSession x;
  ASSERT_TRUE(x.ok());
  x.Move(300, 300);
  x.Sync();
  Drain(100);
  const int kMoves = 600;
  for (int i = 0; i < kMoves; ++i) x.Move(240 + 100 + i % 400, 100 + 100 + i / 400);
  x.Button(1, true);
  x.Button(1, false);
  x.Sync();
  usleep(50000);
  auto events = Drain(500);
  EXPECT_EQ(Only(events, MouseMove).size(), static_cast<size_t>(kMoves));
  ASSERT_EQ(Only(events, MouseDown).size(), 1u);
  EXPECT_EQ(Only(events, MouseUp).size(), 1u);
  EXPECT_EQ(events[events.size() - 2].id, MouseDown);
}

TEST_F(WindowTest, LeavingTheWindowReportsNoEdgePositionAsAMove) {
  Xdo("mousemove 300 300");
  Drain(100);
  Xdo("mousemove 1100 300");  // 860 pixels right of the canvas's corner
  auto events = Drain(200);
  EXPECT_TRUE(Only(events, MouseMove).empty());
  auto leaves = Only(events, MouseLeave);
  ASSERT_EQ(leaves.size(), 1u);
  EXPECT_EQ(leaves[0].x, 860);
  EXPECT_EQ(leaves[0].y, 200);
  EXPECT_EQ(leaves[0].source, canvas);
}

TEST_F(WindowTest, TheCaptureLastsUntilTheLastHeldButtonIsReleased) {
  Xdo("mousemove 300 300");
  Drain(100);
  Xdo("mousedown 1");
  Xdo("mousedown 3");
  Xdo("mouseup 1");
  Xdo("mousemove 100 300");  // left of the window, right button still held
  Xdo("mouseup 3");
  auto events = Drain(300);
  auto downs = Only(events, MouseDown);
  ASSERT_EQ(downs.size(), 2u);
  EXPECT_EQ(downs[1].data, 2);
  auto moves = Only(events, MouseMove);
  ASSERT_FALSE(moves.empty());
  EXPECT_EQ(moves.back().data, 2);  // the drag names the button still held
  EXPECT_EQ(moves.back().x, -140);
  auto ups = Only(events, MouseUp);
  ASSERT_EQ(ups.size(), 2u);
  EXPECT_EQ(ups[0].data, 1);
  EXPECT_EQ(ups[1].data, 2);
  EXPECT_EQ(ups[1].x, -140);  // the last release, outside, still reported
  // With no button held, movement outside is plain movement again: none.
  Xdo("mousemove 120 300");
  EXPECT_TRUE(Only(Drain(100), MouseMove).empty());
}

TEST_F(WindowTest, LosingAndRegainingTheFocusSuspendsAndResumes) {
  XSession x;
  ASSERT_TRUE(x.ok());
  const unsigned long xid = x.FindWindow("Cellreel test");
  ASSERT_NE(xid, 0u);
  x.Focus(xid);
  x.Sync();
  Drain(100);
  x.Focus(0);
  x.Sync();
  auto lost = Drain(200);
  auto suspends = Only(lost, AppSuspend);
  ASSERT_EQ(suspends.size(), 1u);
  EXPECT_EQ(suspends[0].source, nullptr);
  EXPECT_EQ(suspends[0].data, 0);
  EXPECT_TRUE(Only(lost, AppResume).empty());
  x.Focus(xid);
  x.Sync();
  auto regained = Drain(200);
  EXPECT_EQ(Only(regained, AppResume).size(), 1u);
  EXPECT_TRUE(Only(regained, AppSuspend).empty());
}

TEST_F(WindowTest, TheCloseBoxRaisesWindowCloseAndNothingElse) {
  // The request a window manager's close box sends, to the only window.
  ASSERT_EQ(std::system((std::string(X11_CLOSE) +
                         " $(xdotool search --name '^Cellreel test$' | head -n1) >/dev/null 2>&1")
                            .c_str()),
            0);
  auto events = Drain(300);
  EXPECT_EQ(Only(events, WindowClose, window).size(), 1u);
  EXPECT_TRUE(Only(events, AppTerminate).empty());
}

// Runs `keys` (xdotool arguments) against the chooser titled `title` once it
// is up, in the background.
void AnswerChooser(const std::string& title, const std::string& keys) {
  const std::string cmd = "(id=$(timeout 20 xdotool search --sync --onlyvisible --name '^" + title +
                          "$' | head -n1); sleep 0.5; xdotool windowfocus --sync $id; " + keys +
                          ") >/dev/null 2>&1 &";
  EXPECT_EQ(std::system(cmd.c_str()), 0);
}

TEST_F(WindowTest, RequestFileReturnsTheTypedPathAndEmptyOnCancel) {
  InstallTerminationHandlers();
  // A safety net: a stuck chooser is cancelled by the termination signal
  // after 30 s instead of hanging the test.
  const std::string pid = std::to_string(getpid());
  const std::string guard = "(sleep 30; grep -q window_gl_test /proc/" + pid + "/cmdline && kill -TERM " +
                            pid + ") >/dev/null 2>&1 &";
  ASSERT_EQ(std::system(guard.c_str()), 0);

  AnswerChooser("Pick", "xdotool key Escape");
  EXPECT_EQ(RequestFile("Pick", "Image Files:png,jpg,bmp", 0, ""), "");

  const std::string file = "/tmp/cellreel-chooser-test.PNG";
  ASSERT_EQ(std::system(("cp " CELLREEL_SOURCE_DIR "/Images/quillmark.png " + file).c_str()), 0);
  AnswerChooser("Pick again", "xdotool key ctrl+l; sleep 0.7; xdotool type --delay 40 " + file +
                                  "; sleep 0.5; xdotool key Return");
  EXPECT_EQ(RequestFile("Pick again", "Image Files:png,jpg,bmp", 0, ""), file);
}

TEST_F(WindowTest, ATerminationSignalCancelsAnOpenChooser) {
  InstallTerminationHandlers();
  const std::string cmd = "(timeout 20 xdotool search --sync --onlyvisible --name '^Stuck$'; kill -TERM " +
                          std::to_string(getpid()) + ") >/dev/null 2>&1 &";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  EXPECT_EQ(RequestFile("Stuck", "", 0, ""), "");
  // The signal is then delivered to the loop as a close of the window.
  auto closes = Only(Drain(300), WindowClose);
  ASSERT_EQ(closes.size(), 1u);
  EXPECT_EQ(closes[0].source, window);
}

}  // namespace
