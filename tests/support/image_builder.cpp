#include "support/image_builder.h"

#include <memory>

ImagePtr MakeTestImage(int width, int height, float handle_x, float handle_y, int flags,
                       const std::function<std::uint32_t(int, int)>& texel) {
  auto pixmap = std::make_shared<TPixmap>();
  pixmap->width = width;
  pixmap->height = height;
  pixmap->pitch = width * 4;
  pixmap->format = PF_RGBA8888;
  pixmap->pixels.resize(static_cast<std::size_t>(pixmap->pitch) * height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const std::uint32_t c = texel(x, y);
      std::uint8_t* p = pixmap->Row(y) + x * 4;
      p[0] = c & 0xff, p[1] = (c >> 8) & 0xff, p[2] = (c >> 16) & 0xff, p[3] = static_cast<std::uint8_t>(c >> 24);
    }
  }
  auto image = std::make_shared<TImage>();
  image->width = width;
  image->height = height;
  image->flags = flags;
  image->handle_x = handle_x;
  image->handle_y = handle_y;
  image->pixmaps.push_back(pixmap);
  return image;
}
