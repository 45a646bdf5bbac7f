// The compiled program kept between runs: a context that takes it from the
// cache draws exactly what one that compiled it draws, and a file that is
// damaged, foreign, or not a file at all is passed over (and replaced when
// it can be), never trusted.

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/drawing/program_cache.h"
#include "platform/testing/drawing_probe.h"
#include "support/drawing_support.h"

namespace {

using drawing_internal::CachedProgram;
using drawing_internal::ParseCachedProgram;
using drawing_internal::ProgramCachePath;
using drawing_internal::SerializeCachedProgram;

std::vector<std::uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

TEST(ProgramCache, AFileIsTakenOnlyWhole) {
  CachedProgram program;
  program.key = 42;
  program.format = 0x8740;
  program.binary = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  const std::vector<std::uint8_t> file = SerializeCachedProgram(program);
  const auto back = ParseCachedProgram(file);
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(back->key, program.key);
  EXPECT_EQ(back->format, program.format);
  EXPECT_EQ(back->binary, program.binary);

  std::vector<std::uint8_t> bad(file.begin(), file.end() - 1);
  EXPECT_FALSE(ParseCachedProgram(bad)) << "truncated";
  bad = file;
  bad.push_back(0);
  EXPECT_FALSE(ParseCachedProgram(bad)) << "longer";
  bad = file;
  bad.back() ^= 1;
  EXPECT_FALSE(ParseCachedProgram(bad)) << "damaged binary";
  bad = file;
  bad[0] ^= 1;
  EXPECT_FALSE(ParseCachedProgram(bad)) << "not such a file";
  EXPECT_FALSE(ParseCachedProgram({})) << "empty";
}

// Draws flat, blended, textured and glyph primitives on a new context
// (which makes its program now) and reads them back.
Snapshot DrawOnNewContext() {
  OffscreenCanvas canvas(64, 48);
  EXPECT_TRUE(canvas.ok());
  SetGraphics(canvas.graphics());
  SetClsColor(20, 30, 40);
  Cls();
  SetBlend(BLEND_ALPHA);
  SetColor(250, 40, 40);
  SetAlpha(0.5f);
  DrawRect(4, 4, 30, 20);
  SetAlpha(1.0f);
  SetColor(255, 255, 255);
  DrawText("Ab", 10, 26);
  const ImagePtr image = MakeTestImage(8, 8, 0, 0, 0, [](int x, int y) {
    return Rgba(30 * x, 30 * y, 200, (x + y) % 3 == 0 ? 0 : 255);
  });
  DrawImage(image.get(), 40, 30);
  Snapshot s = Grab(64, 48);
  EXPECT_EQ(CheckGLErrors(), 0);
  SetGraphics(nullptr);
  return s;
}

TEST(ProgramCache, AKeptProgramDrawsAsACompiledOneAndABadFileIsReplaced) {
  char dir[] = "/tmp/cellreel-cache-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  ASSERT_EQ(setenv("XDG_CACHE_HOME", dir, 1), 0);
  const std::string path = ProgramCachePath();
  ASSERT_EQ(path, std::string(dir) + "/cellreel/program.bin");

  const Snapshot compiled = DrawOnNewContext();
  const std::vector<std::uint8_t> kept = ReadFile(path);
  if (kept.empty()) GTEST_SKIP() << "this driver gives no program binaries";

  EXPECT_EQ(DrawOnNewContext().rgba, compiled.rgba) << "from the cache";
  EXPECT_EQ(ReadFile(path), kept) << "a program taken from the cache is not written again";

  // A well-formed file of the right key whose binary the driver refuses:
  // compiled again, and the file replaced.
  CachedProgram refused = *ParseCachedProgram(kept);
  refused.binary[refused.binary.size() / 2] ^= 0x5a;
  WriteFile(path, SerializeCachedProgram(refused));
  EXPECT_EQ(DrawOnNewContext().rgba, compiled.rgba) << "after a refused binary";
  EXPECT_EQ(ReadFile(path), kept) << "not replaced";

  // A file kept for another driver or other shaders: passed over.
  CachedProgram foreign = *ParseCachedProgram(kept);
  ++foreign.key;
  WriteFile(path, SerializeCachedProgram(foreign));
  EXPECT_EQ(DrawOnNewContext().rgba, compiled.rgba) << "after a foreign file";
  EXPECT_EQ(ReadFile(path), kept) << "not replaced";

  // Garbage, and a directory where the file should be.
  WriteFile(path, std::vector<std::uint8_t>(100, 0xff));
  EXPECT_EQ(DrawOnNewContext().rgba, compiled.rgba) << "after garbage";
  ASSERT_EQ(unlink(path.c_str()), 0);
  ASSERT_EQ(mkdir(path.c_str(), 0700), 0);
  EXPECT_EQ(DrawOnNewContext().rgba, compiled.rgba) << "with a directory in the way";
  EXPECT_EQ(GLErrorCount(), 0);

  rmdir(path.c_str());
  rmdir((std::string(dir) + "/cellreel").c_str());
  rmdir(dir);
  unsetenv("XDG_CACHE_HOME");
}

}  // namespace
