#include "support/drawing_support.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>

#include "platform/images/image.h"
#include "platform/testing/drawing_probe.h"

Rgb Snapshot::At(int x, int y) const {
  const std::size_t i = (static_cast<std::size_t>(y) * width + x) * 4;
  return {rgba[i], rgba[i + 1], rgba[i + 2]};
}

Snapshot::Box Snapshot::InkBox(Rgb background) const {
  Box box{width, height, -1, -1};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      if (At(x, y) == background) continue;
      box.left = std::min(box.left, x);
      box.right = std::max(box.right, x);
      box.top = std::min(box.top, y);
      box.bottom = std::max(box.bottom, y);
    }
  }
  return box;
}

int Snapshot::CountNot(Rgb background) const {
  int n = 0;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) n += At(x, y) == background ? 0 : 1;
  return n;
}

int Snapshot::Count(Rgb colour) const {
  return width * height - CountNot(colour);
}

Snapshot Grab(int width, int height) {
  Snapshot s;
  s.width = width;
  s.height = height;
  s.rgba = ReadPixels(0, 0, width, height);
  if (s.rgba.size() != static_cast<std::size_t>(width) * height * 4) {
    ADD_FAILURE() << "ReadPixels returned " << s.rgba.size() << " bytes";
    s.rgba.assign(static_cast<std::size_t>(width) * height * 4, 0);
  }
  return s;
}

std::string DifferenceFromFullRedraw(int width, int height) {
  const std::vector<std::uint8_t> shown = ReadPresentedPixels(0, 0, width, height);
  if (shown.empty() || !RedrawLastPresented()) return "no presented picture to compare";
  const std::vector<std::uint8_t> full = ReadPresentedPixels(0, 0, width, height);
  if (full.size() != shown.size()) return "the full redraw could not be read";
  std::size_t first = shown.size(), count = 0;
  for (std::size_t i = 0; i < shown.size(); i += 4) {
    if (std::equal(shown.begin() + static_cast<std::ptrdiff_t>(i),
                   shown.begin() + static_cast<std::ptrdiff_t>(i + 4),
                   full.begin() + static_cast<std::ptrdiff_t>(i))) {
      continue;
    }
    first = std::min(first, i / 4);
    ++count;
  }
  if (count == 0) return {};
  const auto at = [&](const std::vector<std::uint8_t>& p) {
    return std::to_string(p[first * 4]) + "," + std::to_string(p[first * 4 + 1]) + "," +
           std::to_string(p[first * 4 + 2]);
  };
  return std::to_string(count) + " pixels differ, first at (" +
         std::to_string(first % static_cast<std::size_t>(width)) + ", " +
         std::to_string(first / static_cast<std::size_t>(width)) + "): presented " + at(shown) +
         ", full redraw " + at(full);
}

namespace {

std::uint32_t Crc(const std::uint8_t* data, std::size_t n, std::uint32_t crc = 0) {
  static const std::array<std::uint32_t, 256> table = [] {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t i = 0; i < 256; ++i) {
      std::uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xedb88320u ^ (c >> 1) : c >> 1;
      t[i] = c;
    }
    return t;
  }();
  crc = ~crc;
  for (std::size_t i = 0; i < n; ++i) crc = table[(crc ^ data[i]) & 0xff] ^ (crc >> 8);
  return ~crc;
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<std::uint8_t>(v >> s));
}

void Chunk(std::vector<std::uint8_t>& out, const char* type, const std::vector<std::uint8_t>& data) {
  Put32(out, static_cast<std::uint32_t>(data.size()));
  std::vector<std::uint8_t> body(type, type + 4);
  body.insert(body.end(), data.begin(), data.end());
  out.insert(out.end(), body.begin(), body.end());
  Put32(out, Crc(body.data(), body.size()));
}

}  // namespace

bool WritePng(const std::string& path, int width, int height,
              const std::vector<std::uint8_t>& rgba) {
  if (width <= 0 || height <= 0 ||
      rgba.size() < static_cast<std::size_t>(width) * height * 4) {
    return false;
  }
  // Filter byte 0 before every row, then stored (uncompressed) deflate blocks.
  std::vector<std::uint8_t> raw;
  for (int y = 0; y < height; ++y) {
    raw.push_back(0);
    const auto* row = rgba.data() + static_cast<std::size_t>(y) * width * 4;
    raw.insert(raw.end(), row, row + static_cast<std::size_t>(width) * 4);
  }
  std::vector<std::uint8_t> z = {0x78, 0x01};
  std::size_t pos = 0;
  do {
    const std::size_t n = std::min<std::size_t>(65535, raw.size() - pos);
    z.push_back(pos + n == raw.size() ? 1 : 0);
    z.push_back(n & 0xff), z.push_back(static_cast<std::uint8_t>(n >> 8));
    z.push_back(~n & 0xff), z.push_back((~n >> 8) & 0xff);
    z.insert(z.end(), raw.begin() + static_cast<long>(pos), raw.begin() + static_cast<long>(pos + n));
    pos += n;
  } while (pos < raw.size());
  std::uint32_t a = 1, b = 0;
  for (const std::uint8_t byte : raw) a = (a + byte) % 65521, b = (b + a) % 65521;
  Put32(z, b << 16 | a);

  std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  std::vector<std::uint8_t> ihdr;
  Put32(ihdr, static_cast<std::uint32_t>(width));
  Put32(ihdr, static_cast<std::uint32_t>(height));
  ihdr.insert(ihdr.end(), {8, 6, 0, 0, 0});
  Chunk(png, "IHDR", ihdr);
  Chunk(png, "IDAT", z);
  Chunk(png, "IEND", {});
  std::ofstream file(path, std::ios::binary);
  file.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
  return static_cast<bool>(file);
}

void DrawingTest::SetUp() {
  canvas_ = std::make_unique<OffscreenCanvas>(kWidth, kHeight);
  ASSERT_TRUE(canvas_->ok()) << "no hidden GL window (is DISPLAY set?)";
  SetGraphics(canvas_->graphics());
}

void DrawingTest::TearDown() {
  EXPECT_EQ(CheckGLErrors(), 0) << "GL reported errors";
  canvas_.reset();
}
