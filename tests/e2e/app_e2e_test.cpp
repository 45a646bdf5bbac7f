// The real program under a private X server, driven as a user drives it:
// xdotool moves and clicks, the GTK chooser gets a typed path, and what the
// program shows is read back from screenshots.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "support/app_sheets.h"
#include "support/e2e_driver.h"

namespace {

const Rgb kPanel{120, 120, 170};
const Rgb kFace{220, 220, 220};

// Four 64 x 64 tiles, told apart by their green.
int FrameOf(const Rgb& c) {
  if (c.r != 200 || c.b != 60) return -1;
  for (int i = 0; i < 4; ++i) {
    if (c.g == 40 + 50 * i) return i;
  }
  return -1;
}

std::string MakeSheet() {
  return WriteSheetBmp("e2e-sheet.bmp", 256, 64, [](int x, int) {
    const uint32_t g = static_cast<uint32_t>(40 + 50 * (x / 64));
    return (200u << 16) | (g << 8) | 60u;
  });
}

// Black caption pixels in columns [x0, x1] of the Pause button's text rows.
int CaptionInk(RunningApp& app, int x0, int x1) {
  PixmapPtr shot = Screenshot();
  int ink = 0;
  for (int y = 70; y < 86; ++y) {
    for (int x = x0; x <= x1; ++x) {
      if (PixelAt(*shot, app.origin_x + x, app.origin_y + y) == Rgb{0, 0, 0}) ++ink;
    }
  }
  return ink;
}

// Samples the preview centre for `ms` and returns the frames seen, with the
// time of each change.
std::vector<std::pair<int, int>> WatchFrames(RunningApp& app, int ms) {
  std::vector<std::pair<int, int>> seen;
  const auto start = std::chrono::steady_clock::now();
  for (;;) {
    const int t = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                       std::chrono::steady_clock::now() - start)
                                       .count());
    if (t > ms) break;
    const int f = FrameOf(Client(app, 400, 300));
    if (f >= 0 && (seen.empty() || seen.back().first != f)) seen.emplace_back(f, t);
  }
  return seen;
}

TEST(EndToEnd, FirstClickIsIgnoredThenClicksActOnThePanel) {
  RunningApp app;
  ASSERT_TRUE(app.started());
  EXPECT_EQ(Client(app, 60, 500), kPanel);
  EXPECT_EQ(Client(app, 400, 300), (Rgb{0, 0, 0}));  // preview background
  EXPECT_EQ(Client(app, 119, 300), (Rgb{245, 245, 245}));  // its border

  // The first press after start-up registers no click.
  app.Click(330, 580);  // "BG Red" >
  EXPECT_EQ(Client(app, 400, 300), (Rgb{0, 0, 0}));
  app.Click(330, 580);
  EXPECT_EQ(Client(app, 400, 300), (Rgb{5, 0, 0}));

  // "Pause" becomes "Run": the caption moves right by one character.
  EXPECT_GT(CaptionInk(app, 40, 47), 0);
  app.Click(60, 76);
  app.Move(400, 500);
  Sleep(100);
  EXPECT_EQ(CaptionInk(app, 40, 47), 0);
  EXPECT_GT(CaptionInk(app, 48, 71), 0);

  app.Click(740, 574);  // Quit
  EXPECT_EQ(app.WaitExit(5000), 0);
}

TEST(EndToEnd, LoadPlayUnloadRefreshResizeQuit) {
  const std::string sheet = MakeSheet();
  ASSERT_FALSE(sheet.empty());
  RunningApp app;
  ASSERT_TRUE(app.started());
  app.Click(60, 500);  // arms the handshake

  // "Load" opens the GTK chooser; a typed path picks the sheet.
  app.Click(740, 308);
  ASSERT_EQ(ChooseInFileChooser(app, sheet), "");

  // The sheet plays: frames in order, each for about the 200 ms delay.
  auto seen = WatchFrames(app, 2500);
  ASSERT_GE(seen.size(), 4u) << "the preview did not animate";
  int steps = 0;
  for (size_t i = 1; i < seen.size(); ++i) {
    const int d = (seen[i].first - seen[i - 1].first + 4) % 4;
    EXPECT_GE(d, 1);
    EXPECT_LE(d, 2) << "frames out of order";
    steps += d;
  }
  const double per_frame = static_cast<double>(seen.back().second - seen.front().second) / steps;
  EXPECT_GT(per_frame, 150.0);
  EXPECT_LT(per_frame, 450.0);

  // Unload leaves the background only.
  app.Click(740, 76);
  Sleep(100);
  EXPECT_EQ(Client(app, 400, 300), (Rgb{0, 0, 0}));

  // Refresh reloads the same file without asking.
  app.Click(740, 350);
  Sleep(300);
  EXPECT_TRUE(WindowsOf(app.pid(), "Select graphic file to open").empty());
  EXPECT_GE(WatchFrames(app, 1200).size(), 2u);

  // A bigger window re-anchors the controls: Quit follows the corner.
  Shell("xdotool windowsize " + app.window_id() + " 1000 700");
  Sleep(500);
  app.Move(500, 650);
  Sleep(100);
  EXPECT_EQ(Client(app, 895, 662), kFace);
  EXPECT_EQ(Client(app, 895, 66), kFace);  // Unload followed the right edge
  EXPECT_EQ(Client(app, 30, 600), kPanel);
  app.Click(940, 674);
  EXPECT_EQ(app.WaitExit(5000), 0);
}

// The program keeps nothing between runs: a run that loads a sheet through
// the chooser leaves a fresh home as it found it, but for what the
// platform's libraries keep there of their own (the GL driver's shader
// cache, the chooser's recently used files).
TEST(EndToEnd, WritesNothingOfItsOwnIntoAFreshHome) {
  namespace fs = std::filesystem;
  const std::string sheet = MakeSheet();
  ASSERT_FALSE(sheet.empty());
  const fs::path home = fs::temp_directory_path() / ("cellreel-home-" + std::to_string(getpid()));
  fs::remove_all(home);
  fs::create_directories(home / "cache");
  const char* kVars[] = {"HOME", "XDG_CACHE_HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME",
                         "XDG_STATE_HOME"};
  std::map<std::string, std::string> saved;
  for (const char* v : kVars) {
    if (const char* old = std::getenv(v)) saved[v] = old;
    unsetenv(v);
  }
  setenv("HOME", home.c_str(), 1);
  setenv("XDG_CACHE_HOME", (home / "cache").c_str(), 1);
  {
    RunningApp app;
    ASSERT_TRUE(app.started());
    app.Click(60, 500);  // arms the handshake
    app.Click(740, 308);
    EXPECT_EQ(ChooseInFileChooser(app, sheet), "");
    Sleep(300);
    app.Click(740, 574);  // "Quit"
    EXPECT_EQ(app.WaitExit(5000), 0);
  }
  for (const char* v : kVars) {
    if (saved.count(v) != 0) setenv(v, saved[v].c_str(), 1);
    else unsetenv(v);
  }
  std::vector<std::string> own;
  for (const auto& entry : fs::recursive_directory_iterator(home)) {
    if (!entry.is_regular_file()) continue;
    const std::string rel = fs::relative(entry.path(), home).string();
    const bool platform = rel.starts_with("cache/mesa_shader_cache") ||
                          rel == ".local/share/recently-used.xbel";
    if (!platform) own.push_back(rel);
  }
  fs::remove_all(home);
  EXPECT_TRUE(own.empty()) << "written: " << ::testing::PrintToString(own);
}

// While the chooser is open no repaint runs; a window resized behind it
// still shows the last picture at its top-left corner, with the panel's
// colour where it grew, not black.
TEST(EndToEnd, AWindowResizedBehindTheChooserShowsNoBlack) {
  RunningApp app;
  ASSERT_TRUE(app.started());
  app.Click(60, 500);  // arms the handshake
  app.Click(740, 308);  // "Load"
  Sleep(1500);          // the chooser is open
  Shell("xdotool windowsize " + app.window_id() + " 1000 700");
  Sleep(800);
  EXPECT_EQ(Client(app, 980, 20), kPanel);   // grown to the right
  EXPECT_EQ(Client(app, 20, 680), kPanel);   // grown downward
  EXPECT_EQ(CancelFileChooser(app), "");
  Sleep(300);
  EXPECT_EQ(Client(app, 30, 600), kPanel);
}

TEST(EndToEnd, CloseBoxEndsWithStatusZero) {
  RunningApp app;
  ASSERT_TRUE(app.started());
  Shell(std::string(X11_CLOSE) + " " + app.window_id());
  EXPECT_EQ(app.WaitExit(5000), 0);
}

TEST(EndToEnd, NoUsableOpenGLIsReportedAndEndsWithStatusZero) {
  // Mesa then offers no 3.3 core context: the window opens, the context
  // cannot be made at the first repaint.
  setenv("MESA_GL_VERSION_OVERRIDE", "3.0", 1);
  RunningApp app;
  unsetenv("MESA_GL_VERSION_OVERRIDE");
  ASSERT_TRUE(app.started());
  // The program's window and the message box, both titled "Cellreel".
  std::string ids;
  for (int i = 0; i < 50; ++i) {
    ids = WindowsOf(app.pid(), "^Cellreel$");
    if (std::count(ids.begin(), ids.end(), '\n') >= 2) break;
    Sleep(100);
  }
  ASSERT_GE(std::count(ids.begin(), ids.end(), '\n'), 2) << "no message box";
  EXPECT_EQ(app.WaitExit(300), -1) << "ended before the message was dismissed";
  std::replace(ids.begin(), ids.end(), '\n', ' ');
  Shell("for id in " + ids + "; do "
        "xdotool windowfocus --sync $id key Escape; done 2>/dev/null");
  EXPECT_EQ(app.WaitExit(5000), 0);
}

TEST(EndToEnd, WithoutADisplayItSaysWhyAndEndsWithStatusZero) {
  const std::string out = Shell("env -u DISPLAY -u WAYLAND_DISPLAY XDG_RUNTIME_DIR=/nonexistent '" +
                                std::string(std::getenv("CELLREEL_BIN")) + "' 2>&1; echo \"rc=$?\"");
  EXPECT_NE(out.find("Unable to initialize!"), std::string::npos) << out;
  EXPECT_NE(out.find("rc=0"), std::string::npos) << out;
}

TEST(EndToEnd, TerminationSignalsEndWithStatusZero) {
  for (int sig : {SIGTERM, SIGINT}) {
    RunningApp app;
    ASSERT_TRUE(app.started());
    app.Signal(sig);
    EXPECT_EQ(app.WaitExit(5000), 0) << "signal " << sig;
  }
}

}  // namespace
