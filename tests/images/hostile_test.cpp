// Hostile and odd files: special files are declined without blocking,
// headers that claim more than the file holds are declined, damaged runs
// write nothing out of place, running out of memory is a failed load, and
// "::" inside a file name is part of the name.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "app/globals.h"
#include "platform/images/decode_bmp.h"
#include "platform/images/decode_jpeg.h"
#include "platform/images/decode_png.h"
#include "platform/images/image.h"
#include "support/hostile_files.h"
#include "support/images_support.h"

using namespace images_internal;

namespace fs = std::filesystem;

namespace {

class Hostile : public ::testing::Test {
 protected:
  void SetUp() override {
    char dir[] = "/tmp/cellreel-hostile-XXXXXX";
    ASSERT_TRUE(mkdtemp(dir));
    dir_ = dir;
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Path(const std::string& name) const { return dir_ + "/" + name; }
  std::string Write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    EXPECT_TRUE(WriteFileBytes(Path(name), bytes));
    return Path(name);
  }

  std::string dir_;
};

// Runs body in a child process that is killed after `seconds`; true when
// it ended by itself with status 0.
template <typename F>
bool InChild(unsigned seconds, F body) {
  std::fflush(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    alarm(seconds);
    _exit(body() ? 0 : 1);
  }
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) != pid) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST_F(Hostile, OnlyRegularFilesAreReadAndNoneBlocks) {
  const std::string fifo = Path("sheet.png");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::string sock = Path("socket.png");
  const int s = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", sock.c_str());
  ASSERT_EQ(bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  // A FIFO without a writer blocks a plain open; /dev/zero never ends.
  EXPECT_TRUE(InChild(20, [&] {
    for (const std::string& p : {fifo, sock, dir_, std::string("/dev/zero"),
                                 std::string("/dev/null")})
      if (LoadPixmap(p) || LoadImage(p) || LoadAnimImage(p, 2, 2, 0, 1)) return false;
    return true;
  }));
  close(s);
}

TEST_F(Hostile, HeadersClaimingMoreThanTheFileHoldsAreDeclined) {
  const std::vector<std::uint8_t> png = hostile::HugePngHeader();
  EXPECT_EQ(png.size(), 69u);
  EXPECT_FALSE(DecodePng(png));
  EXPECT_FALSE(LoadPixmap(Write("huge.png", png)));
  // Within the pixel budget but one row of 2^28 16-bit RGBA pixels: libpng
  // would allocate and clear 4 GiB of row buffers before finding no data.
  EXPECT_FALSE(LoadPixmap(Write("wide.png", hostile::HugePngHeader(1u << 28, 1, 16))));


  const std::vector<std::uint8_t> progressive = hostile::ProgressiveJpeg(16, 16384);
  EXPECT_FALSE(DecodeJpeg(progressive));
  EXPECT_FALSE(LoadPixmap(Write("progressive.jpg", progressive)));

  const std::vector<std::uint8_t> rle = hostile::SparseRleBmp(16384, 16384);
  EXPECT_LT(rle.size(), 1100u);
  EXPECT_FALSE(DecodeBmp(rle));
  EXPECT_FALSE(LoadPixmap(Write("sparse.bmp", rle)));

  ASSERT_TRUE(hostile::MakeJunkFile(Path("junk.png"), std::int64_t{1000} << 20));
  EXPECT_FALSE(LoadPixmap(Path("junk.png")));
}

TEST_F(Hostile, TheSameKindsOfFileAtHonestSizesStillLoad) {
  // A scan cut short, by the end marker or by the end of the file, decodes
  // as far as it goes; the rows never reached stay zero, also in a file
  // claiming 16384 x 16384, where decoding them as the library would (grey)
  // costs the whole picture.
  PixmapPtr whole = LoadPixmap(Write("whole.jpg", hostile::Jpeg(64)));
  ASSERT_TRUE(whole);
  EXPECT_EQ(whole->width, 64);
  for (int claim : {0, 16384}) {
    for (bool end_marker : {true, false}) {
      std::vector<std::uint8_t> jpeg = hostile::JpegShortScan(200, claim);
      EXPECT_LT(jpeg.size(), 1000u);
      if (!end_marker) jpeg.resize(jpeg.size() - 2);
      PixmapPtr cut = LoadPixmap(Write("cut.jpg", jpeg));
      ASSERT_TRUE(cut) << claim << " " << end_marker;
      EXPECT_EQ(cut->height, claim ? claim : 64);
      EXPECT_EQ(PixelRGBA(*cut, 0, 0), PixelRGBA(*whole, 0, 0));
      EXPECT_EQ(PixelRGBA(*cut, cut->width - 1, cut->height - 1), RGBA(0, 0, 0));
    }
  }
  // 253 scans stay within the scan cap.
  PixmapPtr progressive = LoadPixmap(Write("progressive.jpg", hostile::ProgressiveJpeg(16)));
  ASSERT_TRUE(progressive);
  EXPECT_EQ(progressive->height, 16);
  // A run-length sheet of 2^24 pixels may have holes: they are transparent.
  PixmapPtr sparse = LoadPixmap(Write("sparse.bmp", hostile::SparseRleBmp(4096, 4096)));
  ASSERT_TRUE(sparse);
  ASSERT_EQ(sparse->format, PF_BGRA8888);
  EXPECT_EQ(PixelRGBA(*sparse, 0, 4095), RGBA(10, 20, 30, 255));  // first stored row
  EXPECT_EQ(PixelRGBA(*sparse, 300, 4095) & 255, 0u);
  EXPECT_EQ(PixelRGBA(*sparse, 0, 0) & 255, 0u);
  // The all-zero PNG of that size.
  PixmapPtr zero = LoadPixmap(Write("zero.png", hostile::ZeroPng(4096)));
  ASSERT_TRUE(zero);
  EXPECT_EQ(zero->width, 4096);
  EXPECT_EQ(PixelRGBA(*zero, 4095, 4095), RGBA(0, 0, 0));
}

TEST_F(Hostile, RleCodesInTheRowPaddingWriteNothing) {
  for (const auto& bytes : {hostile::RleRunPastWidth(), hostile::RleLiteralPastWidth()}) {
    PixmapPtr pm = LoadPixmap(Write("padding.bmp", bytes));
    ASSERT_TRUE(pm);
    EXPECT_EQ(pm->format, PF_BGR888);  // every pixel written
    for (int y = 0; y < pm->height; ++y)
      for (int x = 0; x < pm->width; ++x)
        EXPECT_EQ(PixelRGBA(*pm, x, y), RGBA(10, 20, 30)) << x << "," << y;
  }
}

#if !defined(__SANITIZE_ADDRESS__)  // the sanitizer's shadow memory needs no limit
TEST_F(Hostile, RunningOutOfMemoryIsAFailedLoad) {
  // The application's loader under a tightening address-space limit: each
  // load either leaves a sheet or none, and the program goes on.
  const std::string sheet = Write("zero.png", hostile::ZeroPng(4096));
  InitGlobals();
  int failed = 0, loaded = 0;
  for (int extra_mib : {16, 48, 80, 120, 160, 1000}) {
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
      if (!hostile::LimitAddressSpace(extra_mib)) _exit(2);
      strFilename = sheet;
      LoadTileset();
      // No sheet: nothing counts or draws (a cut of 0 frames may remain).
      const bool none = !imgUnanimated && intFrameCount == 0 &&
                        (!imgAnimation || imgAnimation->pixmaps.empty());
      const bool sheet_loaded = imgUnanimated && imgUnanimated->width == 4096;
      _exit(none ? 10 : sheet_loaded ? 11 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << extra_mib << " MiB: signal " << WTERMSIG(status);
    const int code = WEXITSTATUS(status);
    EXPECT_TRUE(code == 10 || code == 11) << extra_mib << " MiB: exit " << code;
    (code == 10 ? failed : loaded)++;
  }
  EXPECT_GT(failed, 0);
  EXPECT_GT(loaded, 0);
}
#endif

TEST_F(Hostile, DoubleColonsInAFileNameArePartOfTheName) {
  const std::vector<std::uint32_t> px = {RGBA(1, 2, 3), RGBA(4, 5, 6)};
  const std::string path = Write("a::b.png", MakePng(2, 1, px, false));
  PixmapPtr pm = LoadPixmap(path);
  ASSERT_TRUE(pm);
  EXPECT_EQ(PixelRGBA(*pm, 1, 0), RGBA(4, 5, 6));
  EXPECT_TRUE(LoadImage(path));
  // A known protocol still decides: an unknown embedded name is no file.
  EXPECT_FALSE(LoadPixmap("incbin::" + path));
  EXPECT_FALSE(LoadPixmap("INCBIN::Images/none.png"));
}

}  // namespace
