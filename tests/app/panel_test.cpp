// The control panel as start-up builds it, sheet loading and the re-layout
// for a new client size. No display needed.

#include <gtest/gtest.h>

#include "app/globals.h"
#include "support/app_sheets.h"

namespace {

class Panel : public ::testing::Test {
 protected:
  void SetUp() override {
    InitGlobals();
    window.kind = GadgetKind::Window;
    canvas.kind = GadgetKind::Canvas;
    canvas.parent = &window;
    objWindow = &window;
    objCanvas = &canvas;
  }
  void TearDown() override {
    objWindow = nullptr;
    objCanvas = nullptr;
  }
  void ResizeTo(int w, int h) {
    window.width = w;
    window.height = h;
    Resize();
  }
  TGadget window;
  TGadget canvas;
};

struct Place {
  int x, y, w, h;
};

void ExpectAt(const char* what, int x, int y, int w, int h, Place want) {
  EXPECT_EQ(x, want.x) << what;
  EXPECT_EQ(y, want.y) << what;
  EXPECT_EQ(w, want.w) << what;
  EXPECT_EQ(h, want.h) << what;
}

template <class T>
void ExpectAnchors(const char* what, const T& control, bool l, bool t, bool r, bool b) {
  ASSERT_NE(control.anchor, nullptr) << what;
  EXPECT_EQ(control.anchor->blnLeft, l) << what;
  EXPECT_EQ(control.anchor->blnTop, t) << what;
  EXPECT_EQ(control.anchor->blnRight, r) << what;
  EXPECT_EQ(control.anchor->blnBottom, b) << what;
  EXPECT_EQ(control.anchor->PrevWidth, 800) << what;
  EXPECT_EQ(control.anchor->PrevHeight, 600) << what;
}

TEST_F(Panel, InitialValuesBeforeAnySheet) {
  EXPECT_EQ(intFrameCount, 16);
  EXPECT_EQ(intEndFrame, 15);
  EXPECT_EQ(intFrameDelay, 200);
  EXPECT_EQ(intTileWidth, 64);
  EXPECT_EQ(strFileFilter, "Image Files:png,jpg,bmp");
  EXPECT_EQ(objFrameCount->text, "16");
  EXPECT_EQ(objEndFrame->lblText->text, "15");
  EXPECT_EQ(objEndFrame->intValue, 15);
  EXPECT_EQ(objStartFrame->lblText->text, "0");
  EXPECT_EQ(objCurrentFrame->lblText->text, "0");
  EXPECT_EQ(objFrameSpeed->lblText->text, "200");
  EXPECT_EQ(objTileWidth->lblText->text, "64");
  // The three frame spinners start with the range 0..0 despite their values.
  for (auto* s : {objStartFrame.get(), objEndFrame.get(), objCurrentFrame.get()}) {
    EXPECT_EQ(s->intMinValue, 0);
    EXPECT_EQ(s->intMaxValue, 0);
    EXPECT_TRUE(s->wrap);
  }
  EXPECT_EQ(lblAuthor->text.rfind("Cellreel v1.1.1", 0), 0u);
  EXPECT_LE(static_cast<int>(lblAuthor->text.size()) * 8, 780);  // one line in the label
}

TEST_F(Panel, EveryControlAtItsDesignPlaceWithItsAnchors) {
  ExpectAt("author", lblAuthor->posx, lblAuthor->posy, lblAuthor->width, lblAuthor->height, {10, 10, 780, 20});
  ExpectAnchors("author", *lblAuthor, true, true, true, false);
  ExpectAnchors("filename", *lblFilename, true, true, true, false);
  ExpectAt("pause", btnPauseFrame->posx, btnPauseFrame->posy, btnPauseFrame->width, btnPauseFrame->height, {10, 60, 100, 32});
  EXPECT_EQ(btnPauseFrame->text, "Pause");
  ExpectAnchors("pause", *btnPauseFrame, true, true, false, false);
  ExpectAt("speed", objFrameSpeed->posx, objFrameSpeed->posy, objFrameSpeed->width, objFrameSpeed->height, {10, 122, 100, 40});
  ExpectAt("rotation", objRotation->posx, objRotation->posy, objRotation->width, objRotation->height, {10, 392, 100, 40});
  ExpectAt("red", objRed->posx, objRed->posy, objRed->width, objRed->height, {240, 570, 100, 20});
  ExpectAnchors("red", *objRed, false, false, false, true);
  ExpectAnchors("green label", *lblGreen, false, false, false, true);
  ExpectAt("unload", btnUnLoad->posx, btnUnLoad->posy, btnUnLoad->width, btnUnLoad->height, {690, 60, 100, 32});
  ExpectAnchors("unload", *btnUnLoad, false, true, true, false);
  ExpectAnchors("tile width", *objTileWidth, false, true, true, false);
  ExpectAt("frame count", objFrameCount->posx, objFrameCount->posy, objFrameCount->width, objFrameCount->height, {690, 262, 100, 20});
  EXPECT_TRUE(objFrameCount->border);
  ExpectAt("load", btnLoad->posx, btnLoad->posy, btnLoad->width, btnLoad->height, {690, 292, 100, 32});
  ExpectAt("refresh", btnRefresh->posx, btnRefresh->posy, btnRefresh->width, btnRefresh->height, {690, 334, 100, 32});
  ExpectAt("logo", objLogo->posx, objLogo->posy, objLogo->width, objLogo->height, {680, 380, 120, 100});
  ExpectAnchors("logo", *objLogo, false, false, true, true);
  ExpectAt("quit", btnQuit->posx, btnQuit->posy, btnQuit->width, btnQuit->height, {690, 558, 100, 32});
  ExpectAnchors("quit", *btnQuit, false, false, true, true);
  EXPECT_FALSE(lblAuthor->border);
  EXPECT_TRUE(lblFrameSpeed->border);
}

TEST_F(Panel, SpinnerRangesStepsAndWrap) {
  struct Want {
    const char* name;
    TUpDown* s;
    int max, min, step, big;
    bool wrap;
  };
  const Want wants[] = {
      {"speed", objFrameSpeed.get(), 500, 0, 1, 10, false},
      {"scale", objScale.get(), 20, 1, 1, 0, true},
      {"rotation", objRotation.get(), 360, 0, 1, 15, true},
      {"red", objRed.get(), 255, 0, 5, 0, true},
      {"green", objGreen.get(), 255, 0, 5, 0, true},
      {"blue", objBlue.get(), 255, 0, 5, 0, true},
      {"tile width", objTileWidth.get(), 512, 2, 2, 10, false},
      {"tile height", objTileHeight.get(), 512, 2, 2, 10, false},
  };
  for (const Want& w : wants) {
    EXPECT_EQ(w.s->intMaxValue, w.max) << w.name;
    EXPECT_EQ(w.s->intMinValue, w.min) << w.name;
    EXPECT_EQ(w.s->intChangeByValue, w.step) << w.name;
    EXPECT_EQ(w.s->intChangeByValueBig, w.big) << w.name;
    EXPECT_EQ(w.s->wrap, w.wrap) << w.name;
    // Big-step buttons exactly where the big step exceeds the small one.
    EXPECT_EQ(w.s->btnUpBig != nullptr, w.big > w.step) << w.name;
  }
}

TEST_F(Panel, ResizeAtTheDesignSizeKeepsEverythingInPlace) {
  ResizeTo(800, 600);
  EXPECT_EQ(intScreenCenterX, 400);
  EXPECT_EQ(intScreenCenterY, 300);
  EXPECT_EQ(objViewport.x, 120);
  EXPECT_EQ(objViewport.y, 60);
  EXPECT_EQ(objViewport.Width, 560);
  EXPECT_EQ(objViewport.Height, 480);
  EXPECT_EQ(canvas.width, 800);
  EXPECT_EQ(canvas.height, 600);
  EXPECT_EQ(btnQuit->posx, 690);
  EXPECT_EQ(btnQuit->posy, 558);
  EXPECT_EQ(objLogo->posx, 680);
  EXPECT_EQ(objLogo->posy, 380);
  EXPECT_EQ(objRed->posx, 240);
}

TEST_F(Panel, ResizeTo1024x768ReanchorsEveryControl) {
  ResizeTo(1024, 768);
  EXPECT_EQ(intScreenX, 1024);
  EXPECT_EQ(intScreenCenterX, 512);
  EXPECT_EQ(intScreenCenterY, 384);
  EXPECT_EQ(objViewport.Width, 784);
  EXPECT_EQ(objViewport.Height, 648);
  EXPECT_EQ(canvas.width, 1024);
  EXPECT_EQ(canvas.height, 768);
  EXPECT_EQ(lblAuthor->width, 1004);               // stretched
  EXPECT_EQ(btnPauseFrame->posx, 10);              // top-left
  EXPECT_EQ(btnUnLoad->posx, 914);                 // top-right
  EXPECT_EQ(btnUnLoad->posy, 60);
  EXPECT_EQ(objTileWidth->btnUp->posx, 914 + 80);  // the spinner moved its parts
  EXPECT_EQ(btnQuit->posx, 914);                   // bottom-right
  EXPECT_EQ(btnQuit->posy, 726);
  EXPECT_EQ(objLogo->posx, 904);
  EXPECT_EQ(objLogo->posy, 548);
  EXPECT_EQ(objRed->posx, 352);                    // keeps its offset from the centre
  EXPECT_EQ(objRed->posy, 738);
  ResizeTo(800, 600);
  EXPECT_EQ(objRed->posx, 240);
  EXPECT_EQ(btnQuit->posy, 558);
  EXPECT_EQ(lblAuthor->width, 780);
}

TEST_F(Panel, ResizeToOddSizesTruncatesHalves) {
  ResizeTo(801, 601);
  EXPECT_EQ(intScreenCenterX, 400);
  EXPECT_EQ(intScreenCenterY, 300);
  EXPECT_EQ(objViewport.Width, 561);
  EXPECT_EQ(objViewport.Height, 481);
  EXPECT_EQ(objRed->posx, 240);
}

TEST_F(Panel, ResizeBelowTheMarginsGivesAnEmptyPreviewAreaWithoutCrashing) {
  ResizeTo(100, 50);
  EXPECT_LT(objViewport.Width, 0);
  EXPECT_LT(objViewport.Height, 0);
  ResizeTo(1, 1);
  EXPECT_EQ(intScreenCenterX, 0);
}

TEST_F(Panel, LoadTilesetCountsWholeTilesAndResetsTheRange) {
  const std::string path = WriteSheetBmp("sheet256.bmp", 256, 128,
                                         [](int x, int y) { return TileColour(x, y, 256); });
  ASSERT_FALSE(path.empty());
  intStartFrame = 4;
  intCurrentFrame = 6;
  strFilename = path;
  LoadTileset();
  EXPECT_EQ(intFrameCount, 8);
  EXPECT_EQ(intEndFrame, 7);
  EXPECT_EQ(intStartFrame, 0);
  EXPECT_EQ(intCurrentFrame, 0);
  ASSERT_NE(imgAnimation, nullptr);
  ASSERT_NE(imgUnanimated, nullptr);
  EXPECT_EQ(imgUnanimated->width, 256);
  EXPECT_EQ(imgAnimation->width, 64);
  EXPECT_EQ(imgAnimation->pixmaps.size(), 8u);
  // Frames across then down: frame 5 is column 1 of the second row.
  const TPixmap& f5 = *imgAnimation->pixmaps[5];
  const uint8_t* px = f5.Row(10) + 10 * BytesPerPixel(f5.format);
  EXPECT_EQ(px[0], static_cast<uint8_t>((TileColour(64 + 10, 64 + 10, 256) >> 16) & 0xFF));
  EXPECT_EQ(objFrameCount->text, "8");
  EXPECT_EQ(objEndFrame->intValue, 7);
  EXPECT_EQ(objEndFrame->intMaxValue, 7);
  EXPECT_EQ(objStartFrame->intMaxValue, 7);
  EXPECT_EQ(objCurrentFrame->intMaxValue, 7);
  EXPECT_EQ(objStartFrame->intValue, 0);
  EXPECT_EQ(lblFilename->text, "cellreel-test-sheet256.bmp");
  // The tile size is locked while a sheet is loaded.
  EXPECT_FALSE(objTileWidth->btnUp->Enabled);
  EXPECT_FALSE(objTileHeight->btnDownBig->Enabled);
  // Centre handle as the preview needs it (switched on by Main).
}

TEST_F(Panel, LoadTilesetIgnoresPartialTiles) {
  const std::string path = WriteSheetBmp("sheet200.bmp", 200, 100,
                                         [](int x, int y) { return TileColour(x, y, 200); });
  strFilename = path;
  LoadTileset();
  EXPECT_EQ(intFrameCount, 3);
  EXPECT_EQ(intEndFrame, 2);
  ASSERT_NE(imgAnimation, nullptr);
  EXPECT_EQ(imgAnimation->pixmaps.size(), 3u);
  EXPECT_EQ(objFrameCount->text, "3");
}

TEST_F(Panel, AMissingFileDropsTheSheetButShowsItsName) {
  const std::string path = WriteSheetBmp("sheet-ok.bmp", 128, 64,
                                         [](int x, int y) { return TileColour(x, y, 128); });
  strFilename = path;
  LoadTileset();
  ASSERT_NE(imgAnimation, nullptr);
  strFilename = "/no/such/dir/walk.png";
  LoadTileset();
  EXPECT_EQ(imgAnimation, nullptr);
  EXPECT_EQ(imgUnanimated, nullptr);
  EXPECT_EQ(intFrameCount, 0);
  EXPECT_EQ(intEndFrame, -1);
  EXPECT_EQ(lblFilename->text, "walk.png");
  EXPECT_EQ(objFrameCount->text, "0");
  EXPECT_FALSE(objTileWidth->btnUp->Enabled);
}

TEST_F(Panel, ASheetSmallerThanOneTileHasNoFrames) {
  const std::string path = WriteSheetBmp("tiny.bmp", 40, 40, [](int, int) { return 0x808080u; });
  strFilename = path;
  LoadTileset();
  EXPECT_EQ(intFrameCount, 0);
  EXPECT_EQ(intEndFrame, -1);
  ASSERT_NE(imgAnimation, nullptr);
  EXPECT_TRUE(imgAnimation->pixmaps.empty());
  // The spinners show what the program holds: start 0, end -1.
  EXPECT_EQ(objStartFrame->lblText->text, "0");
  EXPECT_EQ(objEndFrame->lblText->text, "-1");
  EXPECT_EQ(objCurrentFrame->intValue, 0);
}

TEST_F(Panel, ALoadFitsTheWholeRangeOfEveryFrameSpinnerToTheSheet) {
  // Bounds a click on an earlier sheet left behind.
  for (TUpDown* s : {objStartFrame.get(), objEndFrame.get(), objCurrentFrame.get()}) {
    s->SetMinValue(10);
    s->SetMaxValue(15);
  }
  strFilename =
      WriteSheetBmp("three.bmp", 192, 64, [](int x, int y) { return TileColour(x, y, 192); });
  LoadTileset();
  ASSERT_EQ(intFrameCount, 3);
  for (TUpDown* s : {objStartFrame.get(), objEndFrame.get(), objCurrentFrame.get()}) {
    EXPECT_EQ(s->intMinValue, 0);
    EXPECT_EQ(s->intMaxValue, 2);
  }
  EXPECT_EQ(objEndFrame->intValue, 2);
}

TEST_F(Panel, AnEmptyFileNameChangesNothing) {
  strFilename = "";
  intFrameCount = 16;
  LoadTileset();
  EXPECT_EQ(intFrameCount, 16);
  EXPECT_EQ(lblFilename->text, "");
  EXPECT_TRUE(objTileWidth->btnUp->Enabled);
}

}  // namespace
