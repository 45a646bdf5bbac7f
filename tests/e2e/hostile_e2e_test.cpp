// Odd files chosen as a user chooses them, through the real file chooser:
// the program declines them and goes on repainting and answering clicks.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "support/e2e_driver.h"

namespace {

TEST(EndToEnd, AFifoChosenAsTheSheetIsDeclinedAndTheProgramGoesOn) {
  char dir[] = "/tmp/cellreel-e2e-fifo-XXXXXX";
  ASSERT_TRUE(mkdtemp(dir));
  const std::string fifo = std::string(dir) + "/sheet.png";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  {
    RunningApp app;
    ASSERT_TRUE(app.started());
    app.Click(60, 500);  // arms the handshake
    EXPECT_TRUE(Choose(app, fifo)) << "the chooser did not take the path";
    // Still repainting and acting on clicks: "BG Red" steps the background.
    app.Click(330, 580);
    Sleep(300);
    EXPECT_EQ(Client(app, 400, 300), (Rgb{5, 0, 0}));
    app.Click(740, 574);  // Quit
    EXPECT_EQ(app.WaitExit(5000), 0);
  }
  unlink(fifo.c_str());
  rmdir(dir);
}

}  // namespace
