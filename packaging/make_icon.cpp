// make_icon IN.png SIZE OUT.png
//
// Makes a square theme icon of SIZE x SIZE pixels from the logo, keeping its
// aspect ratio and centring it on a transparent square. Where the icon is
// larger than the logo it is enlarged by a whole factor with nearest
// neighbour, so its pixels stay sharp; where it is smaller it is reduced
// with an area average over premultiplied alpha, so no colour bleeds out
// of the transparent parts.
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

struct Rgba {
  int width = 0, height = 0;
  std::vector<png_byte> px;  // 4 bytes a pixel, rows top first
  png_byte* at(int x, int y) { return &px[(static_cast<std::size_t>(y) * width + x) * 4]; }
};

bool Read(const char* path, Rgba& out) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path)) return false;
  image.format = PNG_FORMAT_RGBA;
  out.width = static_cast<int>(image.width);
  out.height = static_cast<int>(image.height);
  out.px.resize(PNG_IMAGE_SIZE(image));
  return png_image_finish_read(&image, nullptr, out.px.data(), 0, nullptr) != 0;
}

bool Write(const char* path, const Rgba& in) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(in.width);
  image.height = static_cast<png_uint_32>(in.height);
  image.format = PNG_FORMAT_RGBA;
  return png_image_write_to_file(&image, path, 0, in.px.data(), 0, nullptr) != 0;
}

// Whole-factor enlargement: every source pixel becomes a k x k block.
Rgba Enlarge(Rgba& src, int k) {
  Rgba out;
  out.width = src.width * k;
  out.height = src.height * k;
  out.px.resize(static_cast<std::size_t>(out.width) * out.height * 4);
  for (int y = 0; y < out.height; ++y)
    for (int x = 0; x < out.width; ++x) std::copy_n(src.at(x / k, y / k), 4, out.at(x, y));
  return out;
}

// Area average to w x h: each target pixel weighs the source pixels by how
// much of them it covers.
Rgba Reduce(Rgba& src, int w, int h) {
  Rgba out;
  out.width = w;
  out.height = h;
  out.px.resize(static_cast<std::size_t>(w) * h * 4);
  const double sx = static_cast<double>(src.width) / w, sy = static_cast<double>(src.height) / h;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      double sum[4] = {0, 0, 0, 0}, area = 0;
      const double x0 = x * sx, x1 = (x + 1) * sx, y0 = y * sy, y1 = (y + 1) * sy;
      const int v_end = std::min(src.height, static_cast<int>(std::ceil(y1)));
      const int u_end = std::min(src.width, static_cast<int>(std::ceil(x1)));
      for (int v = static_cast<int>(y0); v < v_end; ++v) {
        const double wy = std::min<double>(v + 1, y1) - std::max<double>(v, y0);
        for (int u = static_cast<int>(x0); u < u_end; ++u) {
          const double wgt = wy * (std::min<double>(u + 1, x1) - std::max<double>(u, x0));
          const png_byte* p = src.at(u, v);
          const double a = p[3] / 255.0;
          for (int c = 0; c < 3; ++c) sum[c] += wgt * p[c] * a;
          sum[3] += wgt * p[3];
          area += wgt;
        }
      }
      png_byte* d = out.at(x, y);
      const double alpha = sum[3] / area;
      for (int c = 0; c < 3; ++c) {
        const double straight = alpha > 0 ? sum[c] / area * 255.0 / alpha : 0;
        d[c] = static_cast<png_byte>(std::lround(std::min(255.0, straight)));
      }
      d[3] = static_cast<png_byte>(std::lround(alpha));
    }
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: make_icon IN.png SIZE OUT.png\n");
    return 2;
  }
  const int size = std::atoi(argv[2]);
  Rgba logo;
  if (size < 1 || size > 1024 || !Read(argv[1], logo) || logo.width < 1 || logo.height < 1) {
    std::fprintf(stderr, "make_icon: cannot read %s or bad size %s\n", argv[1], argv[2]);
    return 1;
  }
  const int longest = std::max(logo.width, logo.height);
  Rgba picture;
  if (size >= longest) {
    picture = Enlarge(logo, size / longest);
  } else {
    auto fit = [&](int side) {
      return std::max(1, static_cast<int>(std::lround(static_cast<double>(side) * size / longest)));
    };
    picture = Reduce(logo, fit(logo.width), fit(logo.height));
  }
  Rgba icon;
  icon.width = icon.height = size;
  icon.px.assign(static_cast<std::size_t>(size) * size * 4, 0);
  const int left = (size - picture.width) / 2, top = (size - picture.height) / 2;
  for (int y = 0; y < picture.height; ++y)
    std::copy_n(picture.at(0, y), picture.width * 4, icon.at(left, top + y));
  if (!Write(argv[3], icon)) {
    std::fprintf(stderr, "make_icon: cannot write %s\n", argv[3]);
    return 1;
  }
  return 0;
}
