#include "support/images_support.h"

#include "support/hostile_files.h"

#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <stdexcept>

namespace {

namespace fs = std::filesystem;

std::string DataRoot() {
  const char* env = std::getenv("CELLREEL_TESTDATA");
  return env && *env ? env : CELLREEL_TESTDATA;
}

// The first path component names the suite folder ("pngsuite", ...).
std::string SuiteOf(const std::string& relative) {
  const std::size_t slash = relative.find('/');
  return slash == std::string::npos ? relative : relative.substr(0, slash);
}

// Checks every file the manifest lists for `suite` against its size once;
// an empty result means the folder is complete.
std::string SuiteProblem(const std::string& root, const std::string& suite) {
  static std::map<std::string, std::string> checked;
  auto found = checked.find(suite);
  if (found != checked.end()) return found->second;
  std::string problem;
  std::ifstream manifest(root + "/MANIFEST");
  if (!manifest) {
    problem = "its MANIFEST is missing";
  } else {
    std::uintmax_t size;
    std::string path;
    int bad = 0, listed = 0;
    while (manifest >> size >> path) {
      if (SuiteOf(path) != suite || path == suite) continue;
      ++listed;
      std::error_code ec;
      const std::uintmax_t have = fs::file_size(root + "/" + path, ec);
      if (!ec && have == size) continue;
      if (bad++ == 0) problem = path + (ec ? " is missing" : " has the wrong size");
    }
    if (bad > 1) problem += " (and " + std::to_string(bad - 1) + " more)";
    if (listed == 0) problem = "";  // not a suite folder: the caller names a plain file
  }
  checked[suite] = problem;
  return problem;
}

}  // namespace

std::string TestData(const std::string& relative) {
  const std::string root = DataRoot();
  if (!fs::is_directory(root))
    throw std::runtime_error("test data folder " + root + " is missing");
  const std::string suite = SuiteOf(relative);
  const std::string problem = SuiteProblem(root, suite);
  if (!problem.empty())
    throw std::runtime_error("test data folder " + root + "/" + suite + " is incomplete: " +
                             problem);
  return root + "/" + relative;
}

std::vector<std::uint8_t> ReadFileBytes(const std::string& path) {
  std::vector<std::uint8_t> out;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return out;
  std::uint8_t buf[65536];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.insert(out.end(), buf, buf + n);
  std::fclose(f);
  return out;
}

bool WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

namespace {

struct RefState {
  png_structp png = nullptr;
  png_infop info = nullptr;
  std::FILE* file = nullptr;
  ~RefState() {
    if (png) png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    if (file) std::fclose(file);
  }
};

void Quiet(png_structp, png_const_charp) {}

// Runs png_read_png; kept free of C++ objects because errors longjmp here.
bool ReadAll(png_structp png, png_infop info) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_read_png(png, info,
               PNG_TRANSFORM_STRIP_16 | PNG_TRANSFORM_EXPAND | PNG_TRANSFORM_GRAY_TO_RGB,
               nullptr);
  return true;
}

}  // namespace

PixmapPtr ReferencePngRGBA(const std::string& path) {
  RefState s;
  s.file = std::fopen(path.c_str(), "rb");
  if (!s.file) return nullptr;
  s.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, Quiet);
  s.info = png_create_info_struct(s.png);
  png_init_io(s.png, s.file);
  if (!ReadAll(s.png, s.info)) return nullptr;
  const int w = static_cast<int>(png_get_image_width(s.png, s.info));
  const int h = static_cast<int>(png_get_image_height(s.png, s.info));
  const int channels = png_get_channels(s.png, s.info);
  png_bytepp rows = png_get_rows(s.png, s.info);
  PixmapPtr out = CreatePixmap(w, h, PF_RGBA8888);
  if (!out || (channels != 3 && channels != 4)) return nullptr;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const png_byte* p = rows[y] + x * channels;
      std::uint8_t* d = out->Row(y) + x * 4;
      d[0] = p[0], d[1] = p[1], d[2] = p[2];
      d[3] = channels == 4 ? p[3] : 255;
    }
  }
  return out;
}

int MaxDiff(const TPixmap& a, const TPixmap& b, std::string* where) {
  if (a.width != b.width || a.height != b.height) return -1;
  int worst = 0;
  for (int y = 0; y < a.height; ++y) {
    for (int x = 0; x < a.width; ++x) {
      const std::uint32_t pa = PixelRGBA(a, x, y), pb = PixelRGBA(b, x, y);
      for (int c = 0; c < 4; ++c) {
        const int d = std::abs(static_cast<int>((pa >> (24 - 8 * c)) & 255) -
                               static_cast<int>((pb >> (24 - 8 * c)) & 255));
        if (d > worst) {
          worst = d;
          if (where) {
            char buf[96];
            std::snprintf(buf, sizeof buf, "(%d,%d) got %08x expected %08x", x, y, pa, pb);
            *where = buf;
          }
        }
      }
    }
  }
  return worst;
}

std::uint32_t PixelRGBA(const TPixmap& pm, int x, int y) {
  std::uint8_t px[4];
  ConvertRowToRGBA(pm.Row(y) + x * BytesPerPixel(pm.format), px, 1, pm.format);
  return RGBA(px[0], px[1], px[2], px[3]);
}

namespace {

using hostile::Put16;
using hostile::Put32;

std::vector<std::uint8_t> BmpHeaders(int width, int height, int bpp, std::uint32_t palette_bytes,
                                     std::uint32_t colours_used, std::uint32_t pixel_bytes) {
  std::vector<std::uint8_t> v = {'B', 'M'};
  const std::uint32_t offset = 14 + 40 + palette_bytes;
  Put32(v, offset + pixel_bytes);
  Put32(v, 0);
  Put32(v, offset);
  Put32(v, 40);
  Put32(v, static_cast<std::uint32_t>(width));
  Put32(v, static_cast<std::uint32_t>(height));
  Put16(v, 1);
  Put16(v, static_cast<unsigned>(bpp));
  Put32(v, 0);  // BI_RGB
  Put32(v, pixel_bytes);
  Put32(v, 2835);
  Put32(v, 2835);
  Put32(v, colours_used);
  Put32(v, 0);
  return v;
}

}  // namespace

std::vector<std::uint8_t> MakeBmp(int width, int height, const std::vector<std::uint32_t>& rgba,
                                  int bpp, bool top_down) {
  const int bytes = bpp / 8;
  const int stride = (width * bytes + 3) & ~3;
  std::vector<std::uint8_t> v =
      BmpHeaders(width, top_down ? -height : height, bpp, 0, 0,
                 static_cast<std::uint32_t>(stride * height));
  for (int i = 0; i < height; ++i) {
    const int y = top_down ? i : height - 1 - i;
    std::size_t row_start = v.size();
    for (int x = 0; x < width; ++x) {
      const std::uint32_t p = rgba[static_cast<std::size_t>(y) * width + x];
      v.push_back((p >> 8) & 255);
      v.push_back((p >> 16) & 255);
      v.push_back(static_cast<std::uint8_t>(p >> 24));
      if (bytes == 4) v.push_back(p & 255);
    }
    v.resize(row_start + stride, 0);
  }
  return v;
}

std::vector<std::uint8_t> MakeBmp8(int width, int height, const std::vector<std::uint8_t>& idx,
                                   const std::vector<std::uint32_t>& palette_rgb,
                                   std::uint32_t colours_used) {
  const int stride = (width + 3) & ~3;
  std::vector<std::uint8_t> v =
      BmpHeaders(width, height, 8, static_cast<std::uint32_t>(palette_rgb.size() * 4),
                 colours_used, static_cast<std::uint32_t>(stride * height));
  for (std::uint32_t c : palette_rgb) {
    v.push_back(c & 255);
    v.push_back((c >> 8) & 255);
    v.push_back((c >> 16) & 255);
    v.push_back(0);
  }
  for (int y = height - 1; y >= 0; --y) {
    std::size_t row_start = v.size();
    for (int x = 0; x < width; ++x) v.push_back(idx[static_cast<std::size_t>(y) * width + x]);
    v.resize(row_start + stride, 0);
  }
  return v;
}

std::vector<std::uint8_t> MakeTgaHeader(int type, int width, int height, int bpp,
                                        int descriptor) {
  std::vector<std::uint8_t> v = {0, 0, static_cast<std::uint8_t>(type), 0, 0, 0, 0, 0};
  Put16(v, 0);
  Put16(v, 0);
  Put16(v, static_cast<unsigned>(width));
  Put16(v, static_cast<unsigned>(height));
  v.push_back(static_cast<std::uint8_t>(bpp));
  v.push_back(static_cast<std::uint8_t>(descriptor));
  return v;
}

namespace {

void AppendToVector(png_structp png, png_bytep data, png_size_t n) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + n);
}
void NoFlush(png_structp) {}

bool WriteAll(png_structp png, png_infop info, png_bytepp rows) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_write_info(png, info);
  png_write_image(png, rows);
  png_write_end(png, nullptr);
  return true;
}

}  // namespace

std::vector<std::uint8_t> MakePng(int width, int height, const std::vector<std::uint32_t>& rgba,
                                  bool alpha) {
  std::vector<std::uint8_t> out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_set_write_fn(png, &out, AppendToVector, NoFlush);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  const int channels = alpha ? 4 : 3;
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * channels);
  std::vector<png_bytep> rows(static_cast<std::size_t>(height));
  for (int y = 0; y < height; ++y) {
    rows[y] = pixels.data() + static_cast<std::size_t>(y) * width * channels;
    for (int x = 0; x < width; ++x) {
      const std::uint32_t p = rgba[static_cast<std::size_t>(y) * width + x];
      for (int c = 0; c < channels; ++c) rows[y][x * channels + c] = (p >> (24 - 8 * c)) & 255;
    }
  }
  if (!WriteAll(png, info, rows.data())) out.clear();
  png_destroy_write_struct(&png, &info);
  return out;
}
