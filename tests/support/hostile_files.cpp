#include "support/hostile_files.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <png.h>
#include <unistd.h>
#include <zlib.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>

namespace hostile {

void Put16(std::vector<std::uint8_t>& v, unsigned x) {
  v.push_back(static_cast<std::uint8_t>(x & 255));
  v.push_back(static_cast<std::uint8_t>((x >> 8) & 255));
}
void Put32(std::vector<std::uint8_t>& v, std::uint32_t x) {
  Put16(v, x & 0xffff);
  Put16(v, x >> 16);
}

bool LimitAddressSpace(long extra_mib) {
  long pages = 0;
  if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld", &pages) != 1) pages = 0;
    std::fclose(f);
  }
  rlimit limit{};
  getrlimit(RLIMIT_AS, &limit);
  limit.rlim_cur = static_cast<rlim_t>(pages) * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) +
                   (static_cast<rlim_t>(extra_mib) << 20);
  return setrlimit(RLIMIT_AS, &limit) == 0;
}

namespace {

void PutBE32(std::vector<std::uint8_t>& v, std::uint32_t x) {
  for (int s = 24; s >= 0; s -= 8) v.push_back((x >> s) & 255);
}

void PngChunk(std::vector<std::uint8_t>& v, const char* type, const std::vector<std::uint8_t>& data) {
  PutBE32(v, static_cast<std::uint32_t>(data.size()));
  const std::size_t start = v.size();
  v.insert(v.end(), type, type + 4);
  v.insert(v.end(), data.begin(), data.end());
  PutBE32(v, static_cast<std::uint32_t>(crc32(0, v.data() + start, static_cast<uInt>(v.size() - start))));
}

// Sets the frame size in the first SOFn marker of a JPEG.
void PatchJpegSize(std::vector<std::uint8_t>& jpeg, int width, int height) {
  for (std::size_t i = 2; i + 9 < jpeg.size(); ++i) {
    if (jpeg[i] == 0xff && (jpeg[i + 1] == 0xc0 || jpeg[i + 1] == 0xc2)) {
      jpeg[i + 5] = static_cast<std::uint8_t>(height >> 8);
      jpeg[i + 6] = static_cast<std::uint8_t>(height & 255);
      jpeg[i + 7] = static_cast<std::uint8_t>(width >> 8);
      jpeg[i + 8] = static_cast<std::uint8_t>(width & 255);
      return;
    }
  }
}

// A grey side x side JPEG of deterministic noise; with a scan script when
// scans is not empty.
std::vector<std::uint8_t> CompressGrey(int side, const std::vector<jpeg_scan_info>& scans) {
  jpeg_compress_struct c{};
  jpeg_error_mgr err{};
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &out, &size);
  c.image_width = static_cast<JDIMENSION>(side);
  c.image_height = static_cast<JDIMENSION>(side);
  c.input_components = 1;
  c.in_color_space = JCS_GRAYSCALE;
  jpeg_set_defaults(&c);
  c.write_JFIF_header = FALSE;
  c.optimize_coding = TRUE;
  jpeg_set_quality(&c, 90, TRUE);
  if (!scans.empty()) {
    c.scan_info = scans.data();
    c.num_scans = static_cast<int>(scans.size());
  }
  jpeg_start_compress(&c, TRUE);
  std::vector<JSAMPLE> row(static_cast<std::size_t>(side));
  unsigned noise = 1;
  while (c.next_scanline < c.image_height) {
    for (auto& p : row) {
      noise = noise * 1103515245u + 12345u;
      p = static_cast<JSAMPLE>(noise >> 24);
    }
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&c, &r, 1);
  }
  jpeg_finish_compress(&c);
  std::vector<std::uint8_t> bytes(out, out + size);
  jpeg_destroy_compress(&c);
  std::free(out);
  return bytes;
}

// An 8-bit RLE BMP with a two-entry palette around the given codes.
std::vector<std::uint8_t> RleBmp(int width, int height, const std::vector<std::uint8_t>& codes) {
  std::vector<std::uint8_t> v = {'B', 'M'};
  const std::uint32_t offset = 14 + 40 + 8;
  Put32(v, offset + static_cast<std::uint32_t>(codes.size()));
  Put32(v, 0);
  Put32(v, offset);
  Put32(v, 40);
  Put32(v, static_cast<std::uint32_t>(width));
  Put32(v, static_cast<std::uint32_t>(height));
  Put16(v, 1);
  Put16(v, 8);
  Put32(v, 1);  // RLE8
  Put32(v, static_cast<std::uint32_t>(codes.size()));
  Put32(v, 2835);
  Put32(v, 2835);
  Put32(v, 2);
  Put32(v, 0);
  Put32(v, 0x00000000);  // palette: black, then red 10, green 20, blue 30
  Put32(v, 0x000a141e);
  v.insert(v.end(), codes.begin(), codes.end());
  return v;
}

}  // namespace

std::vector<std::uint8_t> HugePngHeader(std::uint32_t width, std::uint32_t height, int depth) {
  std::vector<std::uint8_t> v = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  std::vector<std::uint8_t> ihdr;
  PutBE32(ihdr, width);
  PutBE32(ihdr, height);
  ihdr.insert(ihdr.end(), {static_cast<std::uint8_t>(depth), 6, 0, 0, 0});  // RGBA, not interlaced
  PngChunk(v, "IHDR", ihdr);
  // The start of a zlib stream of zero rows, cut after 12 bytes.
  std::vector<std::uint8_t> row(1 + 16384 * 4, 0);
  std::vector<std::uint8_t> z(compressBound(row.size()));
  uLongf zn = z.size();
  compress2(z.data(), &zn, row.data(), row.size(), 9);
  z.resize(12);
  PngChunk(v, "IDAT", z);
  PngChunk(v, "IEND", {});
  return v;
}

namespace {
struct PngOut {
  std::vector<std::uint8_t>* bytes;
};
void WriteToVector(png_structp png, png_bytep data, png_size_t n) {
  auto* out = static_cast<PngOut*>(png_get_io_ptr(png));
  out->bytes->insert(out->bytes->end(), data, data + n);
}
void NoFlush(png_structp) {}
}  // namespace

std::vector<std::uint8_t> ZeroPng(int side) {
  std::vector<std::uint8_t> bytes;
  PngOut out{&bytes};
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_set_write_fn(png, &out, WriteToVector, NoFlush);
  png_set_IHDR(png, info, static_cast<png_uint_32>(side), static_cast<png_uint_32>(side), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_set_filter(png, 0, PNG_FILTER_NONE);
  png_set_compression_level(png, 9);
  png_write_info(png, info);
  std::vector<png_byte> row(static_cast<std::size_t>(side) * 3, 0);
  for (int y = 0; y < side; ++y) png_write_row(png, row.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return bytes;
}

std::vector<std::uint8_t> Jpeg(int side) { return CompressGrey(side, {}); }

std::vector<std::uint8_t> JpegShortScan(std::size_t scan_bytes, int claim) {
  std::vector<std::uint8_t> v = CompressGrey(64, {});
  // Keep everything up to the end of the SOS header, then scan_bytes of
  // entropy data, then the end marker.
  for (std::size_t i = 2; i + 3 < v.size(); ++i) {
    if (v[i] == 0xff && v[i + 1] == 0xda) {
      const std::size_t data = i + 2 + (v[i + 2] << 8 | v[i + 3]);
      v.resize(std::min(v.size(), data + scan_bytes));
      break;
    }
  }
  v.push_back(0xff);
  v.push_back(0xd9);
  if (claim > 0) PatchJpegSize(v, claim, claim);
  return v;
}

std::vector<std::uint8_t> ProgressiveJpeg(int side, int claim) {
  std::vector<jpeg_scan_info> scans;
  scans.push_back({1, {0, 0, 0, 0}, 0, 0, 0, 0});  // DC in one go
  for (int al = 3; al >= 0; --al)
    for (int k = 1; k < 64; ++k) scans.push_back({1, {0, 0, 0, 0}, k, k, al == 3 ? 0 : al + 1, al});
  std::vector<std::uint8_t> v = CompressGrey(side, scans);
  if (claim > 0) PatchJpegSize(v, claim, claim);
  return v;
}

std::vector<std::uint8_t> SparseRleBmp(int width, int height) {
  std::vector<std::uint8_t> codes;
  for (int i = 0; i < 240; ++i) codes.insert(codes.end(), {255, 1, 0, 0});  // run, end of line
  codes.insert(codes.end(), {0, 1});  // end of bitmap
  return RleBmp(width, height, codes);
}

std::vector<std::uint8_t> RleRunPastWidth() {
  // 2 x 2: row widths pad to 4 pixels. The last row's second run starts at
  // x = 2, past the picture, inside the padding.
  return RleBmp(2, 2, {2, 1, 0, 0, 2, 1, 2, 0, 0, 1});
}

std::vector<std::uint8_t> RleLiteralPastWidth() {
  // 5 x 1: rows pad to 8 pixels; a literal of 3 at x = 5.
  return RleBmp(5, 1, {5, 1, 0, 3, 1, 1, 1, 0, 0, 1});
}

bool MakeJunkFile(const std::string& path, std::int64_t bytes) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (fd < 0) return false;
  std::vector<std::uint8_t> junk(64 * 1024);
  unsigned noise = 7;
  for (auto& b : junk) {
    noise = noise * 1103515245u + 12345u;
    b = static_cast<std::uint8_t>(noise >> 24);
  }
  junk[0] = 'J';   // no format's signature
  junk[1] = 0x5a;  // nor a TGA colour-map type
  bool ok = write(fd, junk.data(), junk.size()) == static_cast<ssize_t>(junk.size());
  ok = ok && ftruncate(fd, bytes) == 0;
  return close(fd) == 0 && ok;
}

}  // namespace hostile
