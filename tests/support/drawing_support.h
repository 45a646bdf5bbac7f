// Helpers for the drawing layer's pixel tests: a fresh hidden canvas per
// test, read-back snapshots, test images and a tiny PNG writer.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "platform/drawing/graphics.h"
#include "platform/testing/offscreen.h"
#include "support/image_builder.h"

struct Rgb {
  int r = 0, g = 0, b = 0;
  bool operator==(const Rgb&) const = default;
};
inline std::ostream& operator<<(std::ostream& os, const Rgb& c) {
  return os << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}

// The pixels a test reads back, top row first.
struct Snapshot {
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgba;

  Rgb At(int x, int y) const;
  // Inclusive bounding box of the pixels that differ from `background`;
  // left > right when there are none.
  struct Box {
    int left, top, right, bottom;
  };
  Box InkBox(Rgb background) const;
  int CountNot(Rgb background) const;
  int Count(Rgb colour) const;
};
inline std::ostream& operator<<(std::ostream& os, const Snapshot::Box& b) {
  return os << "columns " << b.left << ".." << b.right << ", rows " << b.top << ".." << b.bottom;
}

// The current context's back buffer over (0, 0, w, h).
Snapshot Grab(int width, int height);


// After a presentation of the current context: how the presented picture
// over (0, 0, w, h) differs from a full redraw of the same repaint (the
// first differing pixel and how many differ); empty when it does not.
std::string DifferenceFromFullRedraw(int width, int height);

// Writes RGBA rows (top first) as an uncompressed PNG; false on failure.
bool WritePng(const std::string& path, int width, int height,
              const std::vector<std::uint8_t>& rgba);

// Every test gets a new hidden canvas whose context is current, and must
// leave no GL error behind.
class DrawingTest : public ::testing::Test {
 protected:
  static constexpr int kWidth = 320;
  static constexpr int kHeight = 240;
  void SetUp() override;
  void TearDown() override;
  Snapshot GrabAll() const { return Grab(canvas_->width(), canvas_->height()); }

  std::unique_ptr<OffscreenCanvas> canvas_;
};
