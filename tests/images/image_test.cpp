// Building images: embedded resources and URLs, cells, the mask colour, the
// centre handle and file names.
#include <gtest/gtest.h>

#include <unistd.h>

#include "platform/images/image.h"
#include "platform/images/stream.h"
#include "platform/images/incbin.h"
#include "support/images_support.h"

using namespace images_internal;

extern const unsigned char kLogoPng[];
extern const std::size_t kLogoPng_size;

namespace {

// A sheet whose pixel (x, y) encodes its position: r = x, g = y, b = 7.
std::vector<std::uint32_t> PositionSheet(int w, int h) {
  std::vector<std::uint32_t> px(static_cast<std::size_t>(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) px[static_cast<std::size_t>(y) * w + x] = RGBA(x & 255, y & 255, 7);
  return px;
}

// Registers bytes under a fresh name and returns the URL; the bytes live in
// the fixture so the registration stays valid.
class ImageLoading : public ::testing::Test {
 protected:
  std::string Register(std::vector<std::uint8_t> bytes) {
    owned_.push_back(std::move(bytes));
    std::string name = "test/" + std::to_string(counter_++) + "_" +
                       ::testing::UnitTest::GetInstance()->current_test_info()->name();
    EXPECT_EQ(IncbinAdd(name, owned_.back().data(), owned_.back().size()), 1);
    names_.push_back(name);
    return "incbin::" + name;
  }
  void TearDown() override {
    for (const std::string& n : names_) IncbinRemove(n);
    AutoMidHandle(0);
  }

  std::vector<std::vector<std::uint8_t>> owned_;
  std::vector<std::string> names_;
  static inline int counter_ = 0;
};

TEST_F(ImageLoading, SheetCutsIntoCellsAcrossThenDown) {
  for (auto [w, h] : {std::pair{256, 128}, std::pair{300, 150}}) {
    SCOPED_TRACE(w);
    const std::string url = Register(MakeBmp(w, h, PositionSheet(w, h)));
    ImagePtr img = LoadAnimImage(url, 64, 64, 0, 8, -1);
    ASSERT_TRUE(img);
    EXPECT_EQ(img->width, 64);
    EXPECT_EQ(img->height, 64);
    ASSERT_EQ(img->pixmaps.size(), 8u);
    for (int i = 0; i < 8; ++i) {
      const TPixmap& f = *img->pixmaps[i];
      EXPECT_EQ(f.width, 64);
      EXPECT_EQ(f.height, 64);
      const int x0 = (i % 4) * 64, y0 = (i / 4) * 64;
      EXPECT_EQ(PixelRGBA(f, 0, 0), RGBA(x0, y0, 7)) << i;
      EXPECT_EQ(PixelRGBA(f, 63, 63), RGBA(x0 + 63, y0 + 63, 7)) << i;
    }
    EXPECT_FALSE(LoadAnimImage(url, 64, 64, 0, 9, -1));
    EXPECT_FALSE(LoadAnimImage(url, 64, 64, 5, 4, -1));
    ImagePtr tail = LoadAnimImage(url, 64, 64, 5, 3, -1);
    ASSERT_TRUE(tail);
    EXPECT_EQ(PixelRGBA(*tail->pixmaps[0], 0, 0), RGBA(64, 64, 7));
  }
}

TEST_F(ImageLoading, DegenerateCellRequests) {
  const std::string url = Register(MakeBmp(8, 8, PositionSheet(8, 8)));
  ImagePtr none = LoadAnimImage(url, 4, 4, 0, 0, -1);
  ASSERT_TRUE(none);
  EXPECT_TRUE(none->pixmaps.empty());
  EXPECT_FALSE(LoadAnimImage(url, 0, 4, 0, 1, -1));
  EXPECT_FALSE(LoadAnimImage(url, 4, -1, 0, 1, -1));
  EXPECT_FALSE(LoadAnimImage(url, 4, 4, -1, 1, -1));
  EXPECT_FALSE(LoadAnimImage(url, 4, 4, 0, -1, -1));
  EXPECT_FALSE(LoadAnimImage(url, 9, 4, 0, 1, -1));  // no whole cell
  EXPECT_FALSE(LoadAnimImage("incbin::nothing", 4, 4, 0, 1, -1));
}

TEST_F(ImageLoading, BlackIsMaskedButNearBlackIsKept) {
  // 3 x 3: black centre among coloured pixels, (1, 0, 0) in a corner.
  const std::vector<std::uint32_t> px = {
      RGBA(1, 0, 0),   RGBA(10, 20, 30), RGBA(40, 50, 60),
      RGBA(70, 80, 90), RGBA(0, 0, 0),   RGBA(100, 110, 120),
      RGBA(0, 0, 0),   RGBA(130, 140, 150), RGBA(160, 170, 180),
  };
  for (const std::string& url :
       {Register(MakeBmp(3, 3, px)), Register(MakePng(3, 3, px, false))}) {
    ImagePtr img = LoadImage(url, -1);
    ASSERT_TRUE(img);
    EXPECT_EQ(img->flags, MASKEDIMAGE | FILTEREDIMAGE);
    const TPixmap& pm = *img->pixmaps[0];
    ASSERT_EQ(pm.format, PF_RGBA8888);
    EXPECT_EQ(PixelRGBA(pm, 0, 0), RGBA(1, 0, 0, 255));
    EXPECT_EQ(PixelRGBA(pm, 1, 0), RGBA(10, 20, 30, 255));
    // Centre: the seven non-black neighbours, integer averages.
    const int r = (1 + 10 + 40 + 70 + 100 + 130 + 160) / 7;
    const int g = (0 + 20 + 50 + 80 + 110 + 140 + 170) / 7;
    const int b = (0 + 30 + 60 + 90 + 120 + 150 + 180) / 7;
    EXPECT_EQ(PixelRGBA(pm, 1, 1), RGBA(r, g, b, 0));
    // Corner (0, 2): neighbours (0,1), (1,1) black, (1,2).
    EXPECT_EQ(PixelRGBA(pm, 0, 2), RGBA((70 + 130) / 2, (80 + 140) / 2, (90 + 150) / 2, 0));
  }
  // Without flag 1 nothing is masked and the format stays.
  ImagePtr plain = LoadImage(Register(MakeBmp(3, 3, px)), FILTEREDIMAGE);
  ASSERT_TRUE(plain);
  EXPECT_EQ(plain->pixmaps[0]->format, PF_BGR888);
}

TEST_F(ImageLoading, MaskedPixelWithOnlyMaskedNeighboursIsBlack) {
  const std::vector<std::uint32_t> px(4, RGBA(0, 0, 0));
  ImagePtr img = LoadImage(Register(MakeBmp(2, 2, px)), -1);
  ASSERT_TRUE(img);
  EXPECT_EQ(PixelRGBA(*img->pixmaps[0], 1, 1), RGBA(0, 0, 0, 0));
}

TEST_F(ImageLoading, CellsAreMaskedWithinThemselves) {
  // 4 x 2 in 2 x 2 cells; the black pixel at (2, 0) starts cell 1. Its
  // neighbour (1, 0) belongs to cell 0 and must not count.
  const std::vector<std::uint32_t> px = {
      RGBA(200, 200, 200), RGBA(200, 200, 200), RGBA(0, 0, 0),  RGBA(10, 10, 10),
      RGBA(200, 200, 200), RGBA(200, 200, 200), RGBA(20, 20, 20), RGBA(30, 30, 30),
  };
  ImagePtr img = LoadAnimImage(Register(MakeBmp(4, 2, px)), 2, 2, 0, 2, -1);
  ASSERT_TRUE(img);
  EXPECT_EQ(PixelRGBA(*img->pixmaps[1], 0, 0), RGBA(20, 20, 20, 0));
}

TEST_F(ImageLoading, AlphaPicturesAreNotMasked) {
  const std::vector<std::uint32_t> px = {RGBA(0, 0, 0, 255), RGBA(0, 0, 0, 128)};
  ImagePtr img = LoadImage(Register(MakePng(2, 1, px, true)), -1);
  ASSERT_TRUE(img);
  EXPECT_EQ(PixelRGBA(*img->pixmaps[0], 0, 0), RGBA(0, 0, 0, 255));
  EXPECT_EQ(PixelRGBA(*img->pixmaps[0], 1, 0), RGBA(0, 0, 0, 128));
}

TEST_F(ImageLoading, PixmapOverloadsLeaveTheCallersPictureAlone) {
  PixmapPtr sheet = LoadPixmap(Register(MakeBmp(4, 2, PositionSheet(4, 2))));
  ASSERT_TRUE(sheet);
  // Make (0, 0) black so the mask has something to do.
  std::fill(sheet->Row(0), sheet->Row(0) + 3, 0);
  const TPixelBuffer before = sheet->pixels;
  const int format = sheet->format;

  ImagePtr whole = LoadImage(sheet, -1);
  ImagePtr cells = LoadAnimImage(sheet, 2, 2, 0, 2, -1);
  ASSERT_TRUE(whole && cells);
  EXPECT_EQ(sheet->pixels, before);
  EXPECT_EQ(sheet->format, format);
  EXPECT_EQ(whole->pixmaps[0]->format, PF_RGBA8888);
  EXPECT_EQ(PixelRGBA(*whole->pixmaps[0], 0, 0) & 255, 0u);
  EXPECT_EQ(PixelRGBA(*cells->pixmaps[1], 0, 0), RGBA(2, 0, 7));

  // Nothing to convert: the picture is shared, not copied.
  ImagePtr unmasked = LoadImage(sheet, FILTEREDIMAGE);
  ASSERT_TRUE(unmasked);
  EXPECT_EQ(unmasked->pixmaps[0], sheet);
  ImagePtr cut = LoadAnimImage(sheet, 2, 2, 0, 1, FILTEREDIMAGE);
  ASSERT_TRUE(cut);
  EXPECT_NE(cut->pixmaps[0], sheet);
  cut->pixmaps[0]->Row(0)[0] = 99;
  EXPECT_EQ(sheet->pixels, before);
  EXPECT_FALSE(LoadImage(PixmapPtr{}, -1));
  EXPECT_FALSE(LoadAnimImage(PixmapPtr{}, 2, 2, 0, 1, -1));
}

TEST_F(ImageLoading, CentreHandleOnlyWhileAutoMidHandleIsOn) {
  const std::string url = Register(MakeBmp(65, 33, PositionSheet(65, 33)));
  ImagePtr off = LoadImage(url, -1);
  ASSERT_TRUE(off);
  EXPECT_EQ(off->handle_x, 0.0f);
  EXPECT_EQ(off->handle_y, 0.0f);
  AutoMidHandle(1);
  EXPECT_TRUE(AutoMidHandleEnabled());
  ImagePtr on = LoadImage(url, -1);
  ASSERT_TRUE(on);
  EXPECT_EQ(on->handle_x, 32.5f);
  EXPECT_EQ(on->handle_y, 16.5f);
  ImagePtr anim = LoadAnimImage(url, 5, 3, 0, 2, -1);
  ASSERT_TRUE(anim);
  EXPECT_EQ(anim->handle_x, 2.5f);
  EXPECT_EQ(anim->handle_y, 1.5f);
  // The handle is fixed at load time.
  AutoMidHandle(0);
  EXPECT_EQ(on->handle_x, 32.5f);
}

TEST_F(ImageLoading, EmbeddedNamesAreExactAndTheFirstRegistrationStays) {
  static const std::uint8_t a[] = {1, 2, 3};
  static const std::uint8_t b[] = {4, 5};
  EXPECT_EQ(IncbinAdd("Case/Name.bin", a, sizeof a), 1);
  EXPECT_EQ(IncbinAdd("Case/Name.bin", b, sizeof b), 0);
  names_.push_back("Case/Name.bin");
  const std::string sheet = Register(MakeBmp(2, 2, PositionSheet(2, 2)));
  const std::string name = sheet.substr(8);
  EXPECT_TRUE(LoadImage("incbin::" + name, -1));
  EXPECT_TRUE(LoadImage("InCbIn::" + name, -1));  // the protocol ignores case
  std::string upper = name;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  EXPECT_FALSE(LoadImage("incbin::" + upper, -1));
  EXPECT_FALSE(LoadImage("other::" + name, -1));
  EXPECT_FALSE(LoadImage("incbin::", -1));
}

TEST_F(ImageLoading, LogoLoadsFromTheRegistry) {
  IncbinAdd("Images/quillmark.png", kLogoPng, kLogoPng_size);
  ImagePtr logo = LoadImage("incbin::Images/quillmark.png", -1);
  ASSERT_TRUE(logo);
  EXPECT_EQ(logo->width, 120);
  EXPECT_EQ(logo->height, 100);
  EXPECT_EQ(logo->pixmaps[0]->format, PF_RGBA8888);
  EXPECT_EQ(logo->handle_x, 0.0f);
  EXPECT_FALSE(LoadImage("incbin::images/quillmark.png", -1));
  // Transparent around the mark, opaque in it.
  const TPixmap& pm = *logo->pixmaps[0];
  EXPECT_EQ(PixelRGBA(pm, 0, 99) & 255, 0u);
  EXPECT_EQ(PixelRGBA(pm, 60, 70) & 255, 255u);
}

TEST_F(ImageLoading, RelativeFilePathsStartAtTheCurrentDirectory) {
  const std::string dir = std::string(CELLREEL_BINARY_DIR);
  const std::string file = "images_test_relative.bmp";
  ASSERT_TRUE(WriteFileBytes(dir + "/" + file, MakeBmp(3, 2, PositionSheet(3, 2))));
  char old[4096];
  ASSERT_TRUE(getcwd(old, sizeof old));
  ASSERT_EQ(chdir(dir.c_str()), 0);
  ImagePtr img = LoadImage(file, 0);
  ASSERT_EQ(chdir(old), 0);
  std::remove((dir + "/" + file).c_str());
  ASSERT_TRUE(img);
  EXPECT_EQ(img->width, 3);
  EXPECT_EQ(img->height, 2);
}

TEST(FileStream, SeeksAndReadsAcrossItsBuffer) {
  // Large reads bypass the stream's buffer; seeks land back inside it or
  // on the file; either way the bytes are the file's.
  std::vector<std::uint8_t> bytes(300000);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
  const std::string path = std::string(CELLREEL_BINARY_DIR) + "/images_test_stream.bin";
  ASSERT_TRUE(WriteFileBytes(path, bytes));
  StreamPtr s = OpenStream(path);
  std::remove(path.c_str());
  ASSERT_TRUE(s);
  EXPECT_EQ(s->Size(), 300000);
  std::vector<std::uint8_t> got(200000);
  auto read_at = [&](std::int64_t pos, std::size_t n) {
    EXPECT_TRUE(s->Seek(pos));
    got.assign(n, 0);
    EXPECT_EQ(s->Read(got.data(), n), std::min<std::size_t>(n, bytes.size() - pos));
    EXPECT_EQ(s->Pos(), pos + static_cast<std::int64_t>(std::min<std::size_t>(n, bytes.size() - pos)));
    return std::equal(got.begin(), got.begin() + std::min<std::size_t>(n, bytes.size() - pos),
                      bytes.begin() + pos);
  };
  EXPECT_TRUE(read_at(0, 10));
  EXPECT_TRUE(read_at(5, 100));
  EXPECT_TRUE(read_at(100, 200000));  // through the buffer and past it
  EXPECT_TRUE(read_at(150000, 8));
  EXPECT_TRUE(read_at(150, 8));
  EXPECT_TRUE(read_at(250000, 100000));  // short at the end
  EXPECT_TRUE(read_at(3, 3));
}

TEST(StripDir, KeepsTheTextAfterTheLastSlash) {
  EXPECT_EQ(StripDir("/home/ann/sheets/walk.png"), "walk.png");
  // A backslash is an ordinary character of a file name.
  EXPECT_EQ(StripDir("/home/ann/left\\right.png"), "left\\right.png");
  EXPECT_EQ(StripDir("mixed/dir\\jump.jpg"), "dir\\jump.jpg");
  EXPECT_EQ(StripDir("walk.png"), "walk.png");
  EXPECT_EQ(StripDir("/home/ann/"), "");
  EXPECT_EQ(StripDir(""), "");
}

}  // namespace
