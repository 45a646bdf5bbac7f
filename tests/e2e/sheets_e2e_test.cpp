// Real sheets and real habits in the real program: long strips, a damaged
// JPEG, a frame range left over from an earlier sheet, a cancelled chooser,
// and the terminal kept free of GTK's complaints.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "support/app_sheets.h"
#include "support/e2e_driver.h"

namespace {

// Frame i of a strip is (200, i mod 256, 60) all over.
uint32_t StripColour(int i) { return (200u << 16) | (static_cast<uint32_t>(i % 256) << 8) | 60u; }

// The frames the preview centre shows during `ms`, told apart by green.
std::set<int> FramesSeen(RunningApp& app, int ms) {
  std::set<int> seen;
  for (int t = 0; t < ms; t += 150) {
    const Rgb c = Client(app, 400, 300);
    if (c.r == 200 && c.b == 60) seen.insert(c.g);
    Sleep(100);
  }
  return seen;
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(EndToEnd, LongStripsAndADamagedJpegPlayAndTheTerminalStaysQuiet) {
  const std::string across = WriteSheetBmp("strip-across.bmp", 20480, 64,
                                           [](int x, int) { return StripColour(x / 64); });
  const std::string down = WriteSheetBmp("strip-down.bmp", 64, 20480,
                                         [](int, int y) { return StripColour(y / 64); });
  // 227 x 149, six frames of 64 x 64: six bytes late in the scan damaged.
  const std::string jpeg =
      (std::filesystem::temp_directory_path() / "cellreel-e2e-damaged.jpg").string();
  {
    std::ifstream in(std::string(CELLREEL_TESTDATA) + "/jpeg/testorig.jpg", std::ios::binary);
    std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    ASSERT_GT(bytes.size(), 1000u);
    for (std::size_t i = bytes.size() - 1000; i < bytes.size() - 994; ++i) bytes[i] ^= 0x5a;
    std::ofstream(jpeg, std::ios::binary) << bytes;
  }
  const std::string log = (std::filesystem::temp_directory_path() / "cellreel-e2e-stderr").string();
  RunningApp app(log);
  ASSERT_TRUE(app.started());
  app.Click(60, 500);  // arms the handshake

  for (const std::string& strip : {across, down}) {
    ASSERT_TRUE(Choose(app, strip)) << strip;
    // 320 frames at 200 ms: several different ones in 1.5 s.
    EXPECT_GE(FramesSeen(app, 1500).size(), 3u) << strip << " does not play";
  }

  ASSERT_TRUE(Choose(app, jpeg));
  // The picture shows: most of some frame's middle is not the black
  // background (the rows after the damage are black, and so transparent).
  int lit = 0;
  for (int i = 0; i < 6; ++i, Sleep(150)) {
    PixmapPtr shot = Screenshot();
    ASSERT_TRUE(shot);
    int n = 0;
    for (int y = -20; y <= 20; y += 10)
      for (int x = -20; x <= 20; x += 10)
        n += PixelAt(*shot, app.origin_x + 400 + x, app.origin_y + 300 + y) == Rgb{0, 0, 0} ? 0 : 1;
    lit = std::max(lit, n);
  }
  EXPECT_GT(lit, 12) << "the damaged JPEG shows no picture";

  app.Click(740, 574);  // Quit
  EXPECT_EQ(app.WaitExit(5000), 0);
  // Every load above was confirmed with Return in the chooser.
  const std::string said = ReadText(log);
  EXPECT_EQ(said.find("Gtk-"), std::string::npos) << said;
  std::filesystem::remove(log);
}

TEST(EndToEnd, TheFrameIndexStaysOnTheSheetAndACancelChangesNothing) {
  const std::string sixteen = WriteSheetBmp("sixteen.bmp", 1024, 64,
                                            [](int x, int) { return StripColour(x / 64); });
  const Rgb kOne{30, 180, 90};
  const std::string one =
      WriteSheetBmp("one.bmp", 64, 64, [](int, int) { return (30u << 16) | (180u << 8) | 90u; });
  RunningApp app;
  ASSERT_TRUE(app.started());
  app.Click(60, 500);

  ASSERT_TRUE(Choose(app, sixteen));
  for (int i = 0; i < 10; ++i) app.Click(100, 202);  // "Start Frame" >
  ASSERT_TRUE(Choose(app, one));
  app.Click(60, 76);    // Pause
  app.Click(100, 302);  // "Cur Frame" >: stays on the one frame there is
  Sleep(200);
  EXPECT_EQ(Client(app, 400, 300), kOne);
  app.Click(60, 76);  // Run
  Sleep(1000);
  EXPECT_EQ(Client(app, 400, 300), kOne);

  // A cancelled chooser keeps the file: after Unload, Refresh reloads it
  // without asking.
  app.Click(740, 308);
  ASSERT_EQ(CancelFileChooser(app), "");
  app.Click(740, 76);  // Unload
  Sleep(200);
  EXPECT_EQ(Client(app, 400, 300), (Rgb{0, 0, 0}));
  app.Click(740, 350);  // Refresh
  Sleep(500);
  EXPECT_TRUE(WindowsOf(app.pid(), "Select graphic file to open").empty());
  EXPECT_EQ(Client(app, 400, 300), kOne);

  app.Click(740, 574);
  EXPECT_EQ(app.WaitExit(5000), 0);
}

}  // namespace
