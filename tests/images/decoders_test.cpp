// The decoders against public test suites (PngSuite, BMP Suite, JPEG and
// TGA samples) and against small made-up files for the rules the suites do
// not pin down.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "platform/images/decode_bmp.h"
#include "platform/images/decode_jpeg.h"
#include "platform/images/decode_png.h"
#include "platform/images/decode_tga.h"
#include "platform/images/image.h"
#include "support/hostile_files.h"
#include "support/images_support.h"

using namespace images_internal;

namespace fs = std::filesystem;

namespace {

std::vector<fs::path> FilesIn(const std::string& dir, const std::string& ext) {
  std::vector<fs::path> out;
  for (const auto& e : fs::directory_iterator(TestData(dir)))
    if (e.path().extension() == ext) out.push_back(e.path());
  std::sort(out.begin(), out.end());
  return out;
}

PixmapPtr Rgba(const PixmapPtr& pm) { return pm ? ConvertToRGBA(*pm) : nullptr; }

PixmapPtr Ref(const std::string& name) {
  return ReferencePngRGBA(std::string(CELLREEL_SOURCE_DIR) + "/tests/images/data/" + name);
}

// ---------------------------------------------------------------- PNG

TEST(PngSuite, EveryValidPictureMatchesAnIndependentDecode) {
  int checked = 0;
  for (const fs::path& p : FilesIn("pngsuite", ".png")) {
    const std::string name = p.filename().string();
    if (name[0] == 'x') continue;
    SCOPED_TRACE(name);
    PixmapPtr pm = DecodePng(ReadFileBytes(p.string()));
    ASSERT_TRUE(pm) << "declined";
    PixmapPtr ref = ReferencePngRGBA(p.string());
    ASSERT_TRUE(ref);
    std::string where;
    EXPECT_EQ(MaxDiff(*ConvertToRGBA(*pm), *ref, &where), 0) << where;
    ++checked;
  }
  EXPECT_EQ(checked, 161);
}

TEST(PngSuite, EveryCorruptFileIsDeclinedForItsReason) {
  // A damaged signature (bytes changed, line ends translated) is no PNG;
  // anything libpng rejects after it is damage.
  const std::map<std::string, DecodeError> expected = {
      {"xs1n0g01.png", DecodeError::kNotThisFormat}, {"xs2n0g01.png", DecodeError::kNotThisFormat},
      {"xs4n0g01.png", DecodeError::kNotThisFormat}, {"xs7n0g01.png", DecodeError::kNotThisFormat},
      {"xcrn0g04.png", DecodeError::kNotThisFormat}, {"xlfn0g04.png", DecodeError::kNotThisFormat},
      {"xhdn0g08.png", DecodeError::kDamaged},       {"xc1n0g08.png", DecodeError::kDamaged},
      {"xc9n2c08.png", DecodeError::kDamaged},       {"xd0n2c08.png", DecodeError::kDamaged},
      {"xd3n2c08.png", DecodeError::kDamaged},       {"xd9n2c08.png", DecodeError::kDamaged},
      {"xdtn0g01.png", DecodeError::kDamaged},       {"xcsn0g01.png", DecodeError::kDamaged}};
  int checked = 0;
  for (const fs::path& p : FilesIn("pngsuite", ".png")) {
    const std::string name = p.filename().string();
    if (name[0] != 'x') continue;
    DecodeError why = DecodeError::kNone;
    EXPECT_FALSE(DecodePng(ReadFileBytes(p.string()), &why)) << name;
    ASSERT_EQ(expected.count(name), 1u) << name;
    EXPECT_EQ(why, expected.at(name)) << name << ": " << DecodeErrorText(why);
    EXPECT_FALSE(LoadPixmap(p.string())) << name;
    ++checked;
  }
  EXPECT_EQ(checked, 14);
}

TEST(PngSuite, ColourTypesGiveTheirPixelFormats) {
  const std::map<std::string, int> expected = {
      {"basn0g01.png", PF_I8},       {"basn0g16.png", PF_I8},
      {"basn2c08.png", PF_RGB888},   {"basn2c16.png", PF_RGB888},
      {"basn3p04.png", PF_RGB888},   {"basn4a08.png", PF_RGBA8888},
      {"basn4a16.png", PF_RGBA8888}, {"basn6a08.png", PF_RGBA8888},
      {"tbrn2c08.png", PF_RGBA8888}, {"tbbn0g04.png", PF_RGBA8888},
      {"tbbn3p08.png", PF_RGBA8888}, {"basi6a08.png", PF_RGBA8888},
  };
  for (const auto& [name, format] : expected) {
    PixmapPtr pm = DecodePng(ReadFileBytes(TestData("pngsuite/" + name)));
    ASSERT_TRUE(pm) << name;
    EXPECT_EQ(pm->format, format) << name;
    EXPECT_EQ(pm->pitch % 4, 0) << name;
  }
}

TEST(PngSuite, GreyWithAlphaKeepsGreyInEveryChannel) {
  PixmapPtr pm = DecodePng(ReadFileBytes(TestData("pngsuite/basn4a08.png")));
  ASSERT_TRUE(pm);
  bool some_translucent = false;
  for (int y = 0; y < pm->height; ++y) {
    for (int x = 0; x < pm->width; ++x) {
      const std::uint8_t* p = pm->Row(y) + x * 4;
      ASSERT_TRUE(p[0] == p[1] && p[1] == p[2]) << x << "," << y;
      some_translucent |= p[3] != 255;
    }
  }
  EXPECT_TRUE(some_translucent);
}

TEST(PngDecoder, TruncatedFileIsDeclined) {
  std::vector<std::uint8_t> bytes = ReadFileBytes(TestData("pngsuite/basn6a08.png"));
  ASSERT_GT(bytes.size(), 100u);
  for (std::size_t keep : {std::size_t{8}, std::size_t{40}, bytes.size() / 2, bytes.size() - 13}) {
    std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<long>(keep));
    EXPECT_FALSE(DecodePng(cut)) << keep;
  }
}

TEST(PngDecoder, LongStripsDecodeAndOnlyTheWholeSizeHasALimit) {
  // 20,480 x 64 and 64 x 20,480: no side has a limit of its own.
  for (const auto& [w, h] : {std::pair{20480, 64}, std::pair{64, 20480}}) {
    std::vector<std::uint32_t> px(static_cast<std::size_t>(w) * h, RGBA(9, 8, 7));
    px.back() = RGBA(1, 2, 3);
    PixmapPtr pm = DecodePng(MakePng(w, h, px, false));
    ASSERT_TRUE(pm) << w << " x " << h;
    EXPECT_EQ(pm->width, w);
    EXPECT_EQ(PixelRGBA(*pm, w - 1, h - 1), RGBA(1, 2, 3));
  }
  // A picture over the budget of 2^28 pixels.
  EXPECT_FALSE(DecodePng(hostile::HugePngHeader(1u << 15, (1u << 13) + 1)));
}

TEST(PngDecoder, DamagedChunkLengthAfterTheImageIsDeclined) {
  // A text chunk after the image data claiming 1.8 GB (found by fuzzing;
  // the fuzz target's memory limit checks that it is not allocated).
  std::vector<std::uint8_t> bytes = ReadFileBytes(TestData("pngsuite/basn2c08.png"));
  ASSERT_GT(bytes.size(), 12u);
  const std::vector<std::uint8_t> bogus = {0x70, 0x60, 0x00, 0x00, 't', 'E', 'X', 't', 'a', 'b'};
  bytes.insert(bytes.end() - 12, bogus.begin(), bogus.end());
  EXPECT_FALSE(DecodePng(bytes));
}

// ---------------------------------------------------------------- JPEG

TEST(JpegSamples, DecodeOrDeclineAsTheLibraryAllows) {
  struct Case {
    const char* name;
    int format;  // 0: declined
    DecodeError why = DecodeError::kNone;
  };
  const Case cases[] = {
      {"testorig.jpg", PF_RGB888},
      {"testprog.jpg", PF_RGB888},
      {"testimgari.jpg", PF_RGB888},
      {"hopper.jpg", PF_RGB888},
      {"hopper_gray.jpg", PF_I8},
      {"hopper_16bit_qtables.jpg", PF_RGB888},
      {"hopper_orientation_6.jpg", PF_RGB888},
      {"testorig12.jpg", 0, DecodeError::kUnsupported},          // 12-bit samples
      {"pil_sample_cmyk.jpg", 0, DecodeError::kUnsupported},     // four components
      {"testorig_trunc_header.jpg", 0, DecodeError::kTruncated}, // no SOS
      {"testorig_zero_width.jpg", 0, DecodeError::kDamaged},
      {"testorig_trunc_half.jpg", PF_RGB888},  // ends mid-scan: the rows before the end
      {"truncated_jpeg.jpg", PF_RGB888},       // ends before EOI
  };
  for (const Case& c : cases) {
    DecodeError why = DecodeError::kNone;
    PixmapPtr pm = DecodeJpeg(ReadFileBytes(TestData(std::string("jpeg/") + c.name)), &why);
    EXPECT_EQ(why, c.why) << c.name << ": " << DecodeErrorText(why);
    if (c.format == 0) {
      EXPECT_FALSE(pm) << c.name;
      continue;
    }
    ASSERT_TRUE(pm) << c.name;
    EXPECT_EQ(pm->format, c.format) << c.name;
  }
  PixmapPtr pm = DecodeJpeg(ReadFileBytes(TestData("jpeg/testorig.jpg")));
  ASSERT_TRUE(pm);
  EXPECT_EQ(pm->width, 227);
  EXPECT_EQ(pm->height, 149);
}

TEST(JpegDecoder, DamageIsAWarningAndThePictureIsShownAsDecoded) {
  const std::vector<std::uint8_t> whole = ReadFileBytes(TestData("jpeg/testorig.jpg"));
  PixmapPtr good = DecodeJpeg(whole);
  ASSERT_TRUE(good);
  // Six damaged bytes late in the scan: the rows above the damage decode
  // as in the sound file (the cut-short case is among the hostile files).
  std::vector<std::uint8_t> damaged = whole;
  for (std::size_t i = damaged.size() - 1000; i < damaged.size() - 994; ++i) damaged[i] ^= 0x5a;
  PixmapPtr shown = DecodeJpeg(damaged);
  ASSERT_TRUE(shown);
  ASSERT_EQ(shown->height, good->height);
  for (int y = 0; y < 96; ++y)
    ASSERT_TRUE(std::equal(good->Row(y), good->Row(y) + good->width * 3, shown->Row(y))) << y;
}

TEST(JpegSamples, ProgressiveArithmeticAndBaselineAgree) {
  PixmapPtr base = Rgba(DecodeJpeg(ReadFileBytes(TestData("jpeg/testorig.jpg"))));
  PixmapPtr prog = Rgba(DecodeJpeg(ReadFileBytes(TestData("jpeg/testprog.jpg"))));
  PixmapPtr ari = Rgba(DecodeJpeg(ReadFileBytes(TestData("jpeg/testimgari.jpg"))));
  ASSERT_TRUE(base && prog && ari);
  // Same picture, independently encoded: only small coding differences.
  EXPECT_LE(MaxDiff(*base, *ari), 40);
  EXPECT_LE(MaxDiff(*base, *prog), 40);
}

TEST(JpegSamples, NonJpegInputIsDeclinedWithoutOutput) {
  EXPECT_FALSE(DecodeJpeg(ReadFileBytes(TestData("pngsuite/basn2c08.png"))));
  EXPECT_FALSE(DecodeJpeg(ReadFileBytes(TestData("bmpsuite/g/rgb24.bmp"))));
  EXPECT_FALSE(DecodeJpeg({}));
}

// ---------------------------------------------------------------- BMP

struct BmpCase {
  const char* file;
  const char* reference;  // committed decode made by another program
  int tolerance;
};

// Files of one picture compared with a reference decode. Low bit depths are
// allowed the quantisation step of their narrowest channel.
TEST(BmpSuite, GoodAndSoundQuestionableFilesMatchTheirReference) {
  const BmpCase cases[] = {
      {"g/rgb24.bmp", "bmp_rgb24.png", 0},
      {"g/rgb24pal.bmp", "bmp_rgb24.png", 0},
      {"g/rgb32.bmp", "bmp_rgb24.png", 0},
      {"g/rgb32bf.bmp", "bmp_rgb24.png", 0},
      {"g/rgb32bfdef.bmp", "bmp_rgb24.png", 0},
      {"g/rgb16.bmp", "bmp_rgb24.png", 9},  // 5 bits per channel
      {"g/rgb16bfdef.bmp", "bmp_rgb24.png", 9},
      {"g/rgb16-565.bmp", "bmp_rgb24.png", 9},
      {"g/rgb16-565pal.bmp", "bmp_rgb24.png", 9},
      {"g/pal1.bmp", "bmp_pal1.png", 0},
      {"g/pal1wb.bmp", "bmp_pal1.png", 0},
      {"g/pal4.bmp", "bmp_pal4.png", 0},
      {"g/pal4rle.bmp", "bmp_pal4.png", 0},
      {"g/pal4gs.bmp", "bmp_pal4gs.png", 0},
      {"g/pal8.bmp", "bmp_pal8.png", 0},
      {"g/pal8-0.bmp", "bmp_pal8.png", 0},
      {"g/pal8gs.bmp", "bmp_pal8gs.png", 0},
      {"g/pal8os2.bmp", "bmp_pal8.png", 0},
      {"g/pal8rle.bmp", "bmp_pal8.png", 0},
      {"g/pal8topdown.bmp", "bmp_pal8.png", 0},
      {"g/pal8v4.bmp", "bmp_pal8.png", 0},
      {"g/pal8v5.bmp", "bmp_pal8.png", 0},
      {"g/pal8w124.bmp", "bmp_pal8w124.png", 0},
      {"g/pal8w125.bmp", "bmp_pal8w125.png", 0},
      {"g/pal8w126.bmp", "bmp_pal8w126.png", 0},
      {"g/pal8nonsquare.bmp", "bmp_pal8nonsquare.png", 0},
      {"q/pal8offs.bmp", "bmp_pal8.png", 0},
      {"q/pal8os2-hs.bmp", "bmp_pal8.png", 0},
      {"q/pal8os2-sz.bmp", "bmp_pal8.png", 0},
      {"q/pal8os2sp.bmp", "bmp_pal8.png", 0},
      {"q/pal8os2v2-16.bmp", "bmp_pal8.png", 0},
      {"q/pal8os2v2-40sz.bmp", "bmp_pal8.png", 0},
      {"q/pal8os2v2-sz.bmp", "bmp_pal8.png", 0},
      {"q/pal8os2v2.bmp", "bmp_pal8.png", 0},
      {"q/pal8oversizepal.bmp", "bmp_pal8.png", 0},
      {"q/rgb16faketrns.bmp", "bmp_rgb24.png", 9},
      {"q/rgb16-231.bmp", "bmp_rgb24.png", 255},  // 1 bit of blue
      {"q/rgb16-3103.bmp", "bmp_rgb24.png", 37},  // 3 bits of red and blue
      {"q/rgb24largepal.bmp", "bmp_rgb24.png", 0},
      {"q/rgb24lprof.bmp", "bmp_rgb24.png", 0},
      {"q/rgb24prof.bmp", "bmp_rgb24.png", 0},
      {"q/rgb32-111110.bmp", "bmp_rgb24.png", 1},
      {"q/rgb32-7187.bmp", "bmp_rgb24.png", 2},
      {"q/rgb32-xbgr.bmp", "bmp_rgb24.png", 0},
      {"q/rgb32h52.bmp", "bmp_rgb24.png", 0},
      {"q/rgba32-1.bmp", "bmp_rgba32-1.png", 0},
      {"q/rgba32-2.bmp", "bmp_rgba32-1.png", 0},
      {"q/rgba32h56.bmp", "bmp_rgba32-1.png", 0},
      {"q/rgba32abf.bmp", "bmp_rgba32-1.png", 0},
      {"q/rgba32-1010102.bmp", "bmp_rgba32-1.png", 85},  // 2 bits of alpha
      {"q/rgba32-81284.bmp", "bmp_rgba32-1.png", 17},    // 4 bits of alpha
      {"q/rgba32-61754.bmp", "bmp_rgba32-1.png", 17},
      {"q/rgba16-4444.bmp", "bmp_rgba32-1.png", 17},
      {"q/rgba16-5551.bmp", "bmp_rgba32-1.png", 255},  // 1 bit of alpha
  };
  std::map<std::string, PixmapPtr> refs;
  for (const BmpCase& c : cases) {
    SCOPED_TRACE(c.file);
    PixmapPtr& ref = refs[c.reference];
    if (!ref) ref = Ref(c.reference);
    ASSERT_TRUE(ref) << c.reference;
    PixmapPtr pm = DecodeBmp(ReadFileBytes(TestData(std::string("bmpsuite/") + c.file)));
    ASSERT_TRUE(pm) << "declined";
    std::string where;
    const int diff = MaxDiff(*ConvertToRGBA(*pm), *ref, &where);
    EXPECT_GE(diff, 0) << "size " << pm->width << "x" << pm->height;
    EXPECT_LE(diff, c.tolerance) << where;
  }
}

TEST(BmpSuite, ChannelsScaleToTheFullRange) {
  // Full-scale white in a 5-bit channel is 255, not 248.
  PixmapPtr pm = Rgba(DecodeBmp(ReadFileBytes(TestData("bmpsuite/g/rgb16.bmp"))));
  PixmapPtr ref = Ref("bmp_rgb24.png");
  ASSERT_TRUE(pm && ref);
  int whites = 0;
  for (int y = 0; y < pm->height; ++y)
    for (int x = 0; x < pm->width; ++x)
      if (PixelRGBA(*ref, x, y) == RGBA(255, 255, 255)) {
        ++whites;
        EXPECT_EQ(PixelRGBA(*pm, x, y), RGBA(255, 255, 255)) << x << "," << y;
      }
  EXPECT_GT(whites, 0);
  // 2-3-1 bits: every channel still reaches 0 and 255.
  PixmapPtr low = Rgba(DecodeBmp(ReadFileBytes(TestData("bmpsuite/q/rgb16-231.bmp"))));
  ASSERT_TRUE(low);
  std::uint8_t hi[3] = {0, 0, 0};
  for (int y = 0; y < low->height; ++y)
    for (int x = 0; x < low->width; ++x)
      for (int c = 0; c < 3; ++c) hi[c] = std::max(hi[c], low->Row(y)[x * 4 + c]);
  EXPECT_EQ(hi[0], 255);
  EXPECT_EQ(hi[1], 255);
  EXPECT_EQ(hi[2], 255);
}

TEST(BmpSuite, OpaqueFormatsComeOutWithoutAlpha) {
  for (const char* f : {"g/rgb32.bmp", "g/rgb16.bmp",
                        "q/rgb16faketrns.bmp", "g/pal8.bmp", "g/rgb24.bmp"}) {
    PixmapPtr pm = DecodeBmp(ReadFileBytes(TestData(std::string("bmpsuite/") + f)));
    ASSERT_TRUE(pm) << f;
    EXPECT_EQ(pm->format, PF_BGR888) << f;
  }
  PixmapPtr alpha = DecodeBmp(ReadFileBytes(TestData("bmpsuite/q/rgba32-1.bmp")));
  ASSERT_TRUE(alpha);
  EXPECT_EQ(alpha->format, PF_BGRA8888);
}

TEST(BmpSuite, RleSkippedPixelsAreTransparent) {
  for (const char* f : {"q/pal8rletrns.bmp", "q/pal4rletrns.bmp", "q/pal8rlecut.bmp",
                        "q/pal4rlecut.bmp"}) {
    PixmapPtr pm = DecodeBmp(ReadFileBytes(TestData(std::string("bmpsuite/") + f)));
    ASSERT_TRUE(pm) << f;
    ASSERT_EQ(pm->format, PF_BGRA8888) << f;
    int clear = 0, opaque = 0;
    for (int y = 0; y < pm->height; ++y)
      for (int x = 0; x < pm->width; ++x) (pm->Row(y)[x * 4 + 3] ? opaque : clear)++;
    EXPECT_GT(clear, 0) << f;
    EXPECT_GT(opaque, clear / 4) << f;
  }
  // Written pixels agree with the uncompressed file of the same picture.
  PixmapPtr rle = Rgba(DecodeBmp(ReadFileBytes(TestData("bmpsuite/q/pal8rlecut.bmp"))));
  PixmapPtr ref = Ref("bmp_pal8.png");
  ASSERT_TRUE(rle && ref);
  for (int y = 0; y < rle->height; ++y)
    for (int x = 0; x < rle->width; ++x)
      if (rle->Row(y)[x * 4 + 3]) {
        ASSERT_EQ(PixelRGBA(*rle, x, y), PixelRGBA(*ref, x, y)) << x << "," << y;
      }
}

TEST(BmpSuite, BadFilesAreDeclinedOrDecodedSafely) {
  // Run under AddressSanitizer in the sanitizer build: no file may read
  // outside its buffer, whatever the result.
  std::map<std::string, DecodeError> declined;
  for (const fs::path& p : FilesIn("bmpsuite/b", ".bmp")) {
    std::vector<std::uint8_t> bytes = ReadFileBytes(p.string());
    // An exact-size heap copy so that over-reads hit the redzone.
    std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[bytes.size()]);
    std::copy(bytes.begin(), bytes.end(), copy.get());
    DecodeError why = DecodeError::kNone;
    if (!DecodeBmp({copy.get(), bytes.size()}, &why)) declined[p.filename().string()] = why;
  }
  const std::map<std::string, DecodeError> expected = {
      {"badbitcount.bmp", DecodeError::kDamaged},   {"badheadersize.bmp", DecodeError::kDamaged},
      {"badplanes.bmp", DecodeError::kDamaged},     {"badrle.bmp", DecodeError::kDamaged},
      {"badrlebis.bmp", DecodeError::kDamaged},     {"badrleter.bmp", DecodeError::kDamaged},
      {"badrle4.bmp", DecodeError::kDamaged},       {"badrle4bis.bmp", DecodeError::kDamaged},
      {"badrle4ter.bmp", DecodeError::kDamaged},    {"badwidth.bmp", DecodeError::kDamaged},
      {"reallybig.bmp", DecodeError::kTooLarge},    {"rletopdown.bmp", DecodeError::kDamaged},
      {"shortfile.bmp", DecodeError::kTruncated}};
  for (const auto& [name, why] : declined) {
    ASSERT_EQ(expected.count(name), 1u) << name << " declined: " << DecodeErrorText(why);
    EXPECT_EQ(why, expected.at(name)) << name << ": " << DecodeErrorText(why);
  }
  EXPECT_EQ(declined.size(), expected.size());
}

TEST(BmpSuite, QuestionableFilesNeverCrashAndUnsupportedOnesDecline) {
  for (const fs::path& p : FilesIn("bmpsuite/q", ".bmp")) {
    std::vector<std::uint8_t> bytes = ReadFileBytes(p.string());
    std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[bytes.size()]);
    std::copy(bytes.begin(), bytes.end(), copy.get());
    DecodeBmp({copy.get(), bytes.size()});
  }
  for (const char* f : {"pal1huffmsb.bmp", "rgb24jpeg.bmp", "rgb24png.bmp", "rgb24rle24.bmp",
                        "rgba64.bmp"}) {
    DecodeError why = DecodeError::kNone;
    EXPECT_FALSE(DecodeBmp(ReadFileBytes(TestData(std::string("bmpsuite/q/") + f)), &why)) << f;
    EXPECT_EQ(why, DecodeError::kUnsupported) << f << ": " << DecodeErrorText(why);
  }
}

TEST(BmpDecoder, BottomUpRowsAreStoredBottomFirst) {
  // 2 x 3 picture, rows top first: red, green, blue.
  const std::vector<std::uint32_t> px = {RGBA(255, 0, 0), RGBA(255, 0, 0), RGBA(0, 255, 0),
                                         RGBA(0, 255, 0), RGBA(0, 0, 255), RGBA(0, 0, 255)};
  for (bool top_down : {false, true}) {
    PixmapPtr pm = DecodeBmp(MakeBmp(2, 3, px, 24, top_down));
    ASSERT_TRUE(pm) << top_down;
    EXPECT_EQ(PixelRGBA(*pm, 1, 0), RGBA(255, 0, 0)) << top_down;
    EXPECT_EQ(PixelRGBA(*pm, 0, 2), RGBA(0, 0, 255)) << top_down;
  }
  // The first stored row of a 256-entry 8-bit file is the bottom one.
  std::vector<std::uint32_t> palette(256);
  for (int i = 0; i < 256; ++i) palette[i] = static_cast<std::uint32_t>(i * 0x010101);
  PixmapPtr pm = DecodeBmp(MakeBmp8(1, 2, {10, 200}, palette, 0));
  ASSERT_TRUE(pm);
  EXPECT_EQ(PixelRGBA(*pm, 0, 0), RGBA(10, 10, 10));
  EXPECT_EQ(PixelRGBA(*pm, 0, 1), RGBA(200, 200, 200));
}

TEST(BmpDecoder, ThirtyTwoBitsFourthByteIsAlphaUnlessAllZero) {
  const std::vector<std::uint32_t> px = {RGBA(10, 20, 30, 0), RGBA(0, 0, 0, 0)};
  PixmapPtr pm = DecodeBmp(MakeBmp(2, 1, px, 32));
  ASSERT_TRUE(pm);
  EXPECT_FALSE(FormatHasAlpha(pm->format));
  EXPECT_EQ(PixelRGBA(*pm, 0, 0), RGBA(10, 20, 30, 255));
  // One fourth byte that is not 0 makes them all alpha, the 0s included.
  const std::vector<std::uint32_t> some = {RGBA(10, 20, 30, 0), RGBA(40, 50, 60, 128)};
  pm = DecodeBmp(MakeBmp(2, 1, some, 32));
  ASSERT_TRUE(pm);
  EXPECT_EQ(pm->format, PF_BGRA8888);
  EXPECT_EQ(PixelRGBA(*pm, 0, 0), RGBA(10, 20, 30, 0));
  EXPECT_EQ(PixelRGBA(*pm, 1, 0), RGBA(40, 50, 60, 128));
  // The suite's file whose "unused" bytes are set: its colours, their alpha.
  PixmapPtr fake = DecodeBmp(ReadFileBytes(TestData("bmpsuite/q/rgb32fakealpha.bmp")));
  PixmapPtr ref = Ref("bmp_rgb24.png");
  ASSERT_TRUE(fake && ref);
  EXPECT_EQ(fake->format, PF_BGRA8888);
  int translucent = 0;
  for (int y = 0; y < fake->height; ++y)
    for (int x = 0; x < fake->width; ++x) {
      EXPECT_EQ(PixelRGBA(*fake, x, y) >> 8, PixelRGBA(*ref, x, y) >> 8) << x << "," << y;
      translucent += (PixelRGBA(*fake, x, y) & 255) != 255;
    }
  EXPECT_GT(translucent, 0);
}

TEST(BmpDecoder, IndicesBeyondThePaletteGiveBlack) {
  // Two palette entries, pixels index 1 and 7.
  PixmapPtr pm = DecodeBmp(MakeBmp8(2, 1, {1, 7}, {0x112233, 0x445566}, 2));
  ASSERT_TRUE(pm);
  EXPECT_EQ(PixelRGBA(*pm, 0, 0), RGBA(0x44, 0x55, 0x66));
  EXPECT_EQ(PixelRGBA(*pm, 1, 0), RGBA(0, 0, 0));
}

// An RLE8 file of width 3 whose pixel data is replaced by `rle`.
std::vector<std::uint8_t> Rle8(const std::vector<std::uint8_t>& rle) {
  std::vector<std::uint8_t> f = MakeBmp8(3, 1, {0, 0, 0}, {0x000000, 0x0000ff, 0x00ff00}, 3);
  f[30] = 1;  // BI_RLE8
  f.resize(f.size() - 4);
  f.insert(f.end(), rle.begin(), rle.end());
  return f;
}

TEST(BmpDecoder, RleRunsMayFillThePaddedRowButNoFurther) {
  // Writers such as ImageMagick run each row out to its padded width (4).
  PixmapPtr padded = DecodeBmp(Rle8({0x04, 0x02, 0x00, 0x00, 0x00, 0x01}));
  ASSERT_TRUE(padded);
  EXPECT_EQ(padded->width, 3);
  EXPECT_EQ(PixelRGBA(*padded, 2, 0), RGBA(0, 255, 0));
  EXPECT_FALSE(DecodeBmp(Rle8({0x05, 0x02, 0x00, 0x00, 0x00, 0x01})));
  // Literal run of 3 (padded to 4 bytes) then end of bitmap.
  PixmapPtr lit = DecodeBmp(Rle8({0x00, 0x03, 0x01, 0x02, 0x01, 0x00, 0x00, 0x01}));
  ASSERT_TRUE(lit);
  EXPECT_EQ(PixelRGBA(*lit, 0, 0), RGBA(0, 0, 255));
  EXPECT_EQ(PixelRGBA(*lit, 1, 0), RGBA(0, 255, 0));
  // A run into a second row of a one-row picture, and data cut short.
  EXPECT_FALSE(DecodeBmp(Rle8({0x03, 0x01, 0x00, 0x00, 0x01, 0x01, 0x00, 0x01})));
  EXPECT_FALSE(DecodeBmp(Rle8({0x02, 0x01})));
}

TEST(BmpDecoder, DamagedHeadersAndDataAreDeclined) {
  const std::vector<std::uint32_t> px(4 * 4, RGBA(1, 2, 3));
  const std::vector<std::uint8_t> good = MakeBmp(4, 4, px);
  ASSERT_TRUE(DecodeBmp(good));
  // Every truncation, down to the signature.
  for (std::size_t n = 0; n < good.size(); ++n) {
    std::vector<std::uint8_t> cut(good.begin(), good.begin() + static_cast<long>(n));
    EXPECT_FALSE(DecodeBmp(cut)) << n;
  }
  auto patched = [&](std::size_t at, std::uint32_t v) {
    std::vector<std::uint8_t> b = good;
    for (int i = 0; i < 4; ++i) b[at + i] = (v >> (8 * i)) & 255;
    return b;
  };
  EXPECT_FALSE(DecodeBmp(patched(18, 0)));             // width 0
  EXPECT_FALSE(DecodeBmp(patched(18, 0x80000000u)));   // negative width
  EXPECT_FALSE(DecodeBmp(patched(22, 0)));             // height 0
  EXPECT_FALSE(DecodeBmp(patched(22, 0x80000000u)));   // most negative height
  EXPECT_FALSE(DecodeBmp(patched(18, 16385)));         // wider than the limit
  EXPECT_FALSE(DecodeBmp(patched(10, 0xfffffff0u)));   // pixels past the end
  EXPECT_FALSE(DecodeBmp(patched(10, 20)));            // pixels inside the header
  EXPECT_FALSE(DecodeBmp(patched(30, 5)));             // unknown compression
  EXPECT_FALSE(DecodeBmp(patched(14, 66)));            // unknown header size
}

// ---------------------------------------------------------------- TGA

TEST(TgaSamples, MatchTheirReferencePictures) {
  int checked = 0;
  for (const fs::path& p : FilesIn("tga", ".tga")) {
    const std::string name = p.filename().string();
    if (name.rfind("200x32_", 0) != 0) continue;
    SCOPED_TRACE(name);
    const std::string mode = name.substr(7, name.find('_', 7) - 7);
    PixmapPtr ref = ReferencePngRGBA(TestData("tga/200x32_" + mode + ".png"));
    ASSERT_TRUE(ref);
    PixmapPtr pm = DecodeTga(ReadFileBytes(p.string()));
    ASSERT_TRUE(pm) << "declined";
    std::string where;
    EXPECT_EQ(MaxDiff(*ConvertToRGBA(*pm), *ref, &where), 0) << where;
    ++checked;
  }
  EXPECT_EQ(checked, 13);
}

TEST(TgaSamples, RunsCrossingRowsAndIdFieldsDecode) {
  PixmapPtr cross = Rgba(DecodeTga(ReadFileBytes(TestData("tga/cross_scan_line.tga"))));
  PixmapPtr ref = ReferencePngRGBA(TestData("tga/cross_scan_line.png"));
  ASSERT_TRUE(cross && ref);
  EXPECT_EQ(MaxDiff(*cross, *ref), 0);
  EXPECT_EQ(PixelRGBA(*cross, 0, 0), RGBA(255, 255, 255));
  EXPECT_EQ(PixelRGBA(*cross, 0, 1), RGBA(0, 0, 0));

  PixmapPtr id = DecodeTga(ReadFileBytes(TestData("tga/tga_id_field.tga")));
  ASSERT_TRUE(id);
  EXPECT_EQ(id->width, 100);
  EXPECT_EQ(id->height, 100);
}

TEST(TgaSamples, SixteenBitsFollowTheAttributeBit) {
  PixmapPtr pm = DecodeTga(ReadFileBytes(TestData("tga/rgba16.tga")));
  ASSERT_TRUE(pm);
  ASSERT_EQ(pm->format, PF_RGBA8888);
  // Five bits shifted up: about (172, 0, 255) and (0, 255, 82).
  EXPECT_EQ(PixelRGBA(*pm, 0, 0), RGBA(168, 0, 248, 255));
  EXPECT_EQ(PixelRGBA(*pm, 1, 0), RGBA(0, 248, 80, 0));
}

TEST(TgaSamples, BrokenFilesAreDeclinedForTheirReason) {
  DecodeError why = DecodeError::kNone;
  EXPECT_FALSE(DecodeTga(ReadFileBytes(TestData("tga/cross_scan_line_truncated.tga")), &why));
  EXPECT_EQ(why, DecodeError::kTruncated) << DecodeErrorText(why);
  EXPECT_FALSE(DecodeTga(ReadFileBytes(TestData("tga/p_8.tga")), &why));
  EXPECT_EQ(why, DecodeError::kNotThisFormat) << DecodeErrorText(why);
}

TEST(TgaDecoder, OriginBitDecidesWhichRowIsOnTop) {
  // 1 x 2 grey: stored 10 then 200.
  for (int descriptor : {0x00, 0x20}) {
    std::vector<std::uint8_t> f = MakeTgaHeader(3, 1, 2, 8, descriptor);
    f.push_back(10);
    f.push_back(200);
    PixmapPtr pm = DecodeTga(f);
    ASSERT_TRUE(pm);
    EXPECT_EQ(pm->format, PF_I8);
    EXPECT_EQ(pm->Row(0)[0], descriptor ? 10 : 200);
    EXPECT_EQ(pm->Row(1)[0], descriptor ? 200 : 10);
  }
}

TEST(TgaDecoder, RunsPastThePictureOrShortDataAreDeclined) {
  // 2 x 2 true colour RLE: one run of 4 fills it; a run of 5 overflows.
  std::vector<std::uint8_t> ok = MakeTgaHeader(10, 2, 2, 24, 0x20);
  ok.insert(ok.end(), {0x83, 1, 2, 3});
  PixmapPtr pm = DecodeTga(ok);
  ASSERT_TRUE(pm);
  EXPECT_EQ(PixelRGBA(*pm, 1, 1), RGBA(3, 2, 1));
  std::vector<std::uint8_t> over = MakeTgaHeader(10, 2, 2, 24, 0x20);
  over.insert(over.end(), {0x84, 1, 2, 3});
  EXPECT_FALSE(DecodeTga(over));
  for (std::size_t n = 0; n < ok.size(); ++n) {
    std::vector<std::uint8_t> cut(ok.begin(), ok.begin() + static_cast<long>(n));
    EXPECT_FALSE(DecodeTga(cut)) << n;
  }
}

TEST(TgaDecoder, OtherFormatsFailTheHeaderTest) {
  for (const char* f : {"pngsuite/basn2c08.png", "bmpsuite/g/rgb24.bmp", "jpeg/testorig.jpg"})
    EXPECT_FALSE(DecodeTga(ReadFileBytes(TestData(f)))) << f;
  EXPECT_FALSE(DecodeTga(MakeTgaHeader(2, 0, 4, 24, 0)));     // zero width
  EXPECT_FALSE(DecodeTga(MakeTgaHeader(2, 4097, 1, 24, 0)));  // too wide
  EXPECT_FALSE(DecodeTga(MakeTgaHeader(2, 1, 1, 8, 0)));      // 8-bit true colour
}

// ---------------------------------------------------------------- order

TEST(LoadPixmap, EachFormatReachesItsDecoder) {
  EXPECT_EQ(LoadPixmap(TestData("pngsuite/basn6a08.png"))->format, PF_RGBA8888);
  EXPECT_EQ(LoadPixmap(TestData("jpeg/hopper_gray.jpg"))->format, PF_I8);
  EXPECT_EQ(LoadPixmap(TestData("bmpsuite/g/rgb24.bmp"))->format, PF_BGR888);
  EXPECT_EQ(LoadPixmap(TestData("tga/200x32_rgba_tl_rle.tga"))->format, PF_RGBA8888);
  EXPECT_FALSE(LoadPixmap(TestData("README.md")));
  EXPECT_FALSE(LoadPixmap(TestData("no-such-file.png")));
  EXPECT_FALSE(LoadPixmap(TestData("pngsuite")));  // a directory
}

}  // namespace
