// A monkey on the real program: sheets of three formats loaded through the
// file chooser, bursts of random clicks over the whole window (every button
// and spinner but "Load" and "Quit"), random window sizes down to 1 x 1 in
// between. The program must stay up throughout and end with status 0; in
// the sanitized tree it is the sanitized program, so a memory fault or
// undefined behaviour anywhere in it fails this test.

#include <gtest/gtest.h>

#include <iterator>
#include <random>
#include <string>

#include "support/app_sheets.h"
#include "support/e2e_driver.h"

namespace {

struct Size {
  int w, h;
};

// Where the right-anchored "Load" and the corner-anchored "Quit" are in a
// window of at least the design size (800 x 600), with a margin.
bool OnLoadOrQuit(const Size& s, int x, int y) {
  const bool column = x >= s.w - 114 && x <= s.w - 6;
  return column && ((y >= 288 && y <= 328) || (y >= s.h - 46 && y <= s.h - 6));
}

void SetSize(RunningApp& app, const Size& s) {
  Shell("xdotool windowsize " + app.window_id() + " " + std::to_string(s.w) + " " +
        std::to_string(s.h));
  Sleep(150);
}

// n random clicks, about 30 a second, in one xdotool command.
void Burst(RunningApp& app, const Size& s, std::mt19937& rng, int n) {
  std::uniform_int_distribution<int> rx(0, s.w - 1), ry(0, s.h - 1);
  std::string cmd = "xdotool";
  for (int i = 0; i < n;) {
    const int x = rx(rng), y = ry(rng);
    if (OnLoadOrQuit(s, x, y)) continue;
    cmd += " mousemove " + std::to_string(app.origin_x + x) + " " +
           std::to_string(app.origin_y + y) + " click 1 sleep 0.03";
    ++i;
  }
  Shell(cmd);
}

TEST(EndToEnd, MonkeyClicksResizesAndLoads) {
  const std::string sheets[] = {
      WriteSheetBmp("e2e-monkey.bmp", 512, 256, [](int x, int y) { return TileColour(x, y, 512); }),
      std::string(CELLREEL_TESTDATA) + "/pngsuite/basn6a08.png",
      std::string(CELLREEL_TESTDATA) + "/jpeg/testorig.jpg",
  };
  RunningApp app;
  ASSERT_TRUE(app.started());
  app.Click(60, 500);  // arms the press-after-release handshake
  const unsigned seed = std::random_device{}();
  std::mt19937 rng(seed);
  SCOPED_TRACE("seed " + std::to_string(seed));
  const Size clickable[] = {{800, 600}, {1000, 700}, {1280, 800}, {860, 640}};
  const Size odd[] = {{1, 1}, {37, 23}, {300, 200}, {799, 599}, {1600, 200}, {120, 900}};
  std::uniform_int_distribution<std::size_t> pick_clickable(0, std::size(clickable) - 1),
      pick_odd(0, std::size(odd) - 1);
  for (const std::string& sheet : sheets) {
    SetSize(app, {800, 600});
    app.Click(740, 308);  // Load
    ASSERT_EQ(ChooseInFileChooser(app, sheet), "") << sheet;
    for (int round = 0; round < 4; ++round) {
      SetSize(app, odd[pick_odd(rng)]);
      const Size s = clickable[pick_clickable(rng)];
      SetSize(app, s);
      Burst(app, s, rng, 40);
      ASSERT_EQ(app.WaitExit(0), -1) << "the program ended during the clicks on " << sheet;
    }
  }
  SetSize(app, {800, 600});
  Sleep(200);
  app.Click(740, 574);  // Quit
  EXPECT_EQ(app.WaitExit(10000), 0);
}

}  // namespace
