// The control panel as one table: its 32 controls in creation order, each
// with its design rectangle for the 800 x 600 client area, its caption or
// initial value, its options and anchors, and its place in DisplayMenu's
// drawing order. Start-up creates the controls from it, DisplayMenu draws
// them by it and Resize re-places them in its order.

#include <algorithm>
#include <array>
#include <string>
#include <variant>

#include "app/globals.h"

namespace {

constexpr const char* kBanner =
    "Cellreel v" CELLREEL_VERSION " - sprite-sheet animation preview by the Cellreel developers";

// Every label and spinner of the panel centres its text.
constexpr int kCentred = 1;

// The anchor flags, in the order left, top, right, bottom.
struct Anchors {
  bool left, top, right, bottom;
};
constexpr Anchors kAcrossTop{true, true, true, false};
constexpr Anchors kTopLeft{true, true, false, false};
constexpr Anchors kTopRight{false, true, true, false};
constexpr Anchors kBottomRight{false, false, true, true};
// Pinned to the bottom edge only: horizontally the offset from the centre.
constexpr Anchors kBottomEdge{false, false, false, true};

struct SpinnerRange {
  int max, min, step, big;
  bool wrap;
};

// The global a row creates its control into.
using Slot = std::variant<std::unique_ptr<TLabel>*, std::unique_ptr<TButton>*,
                          std::unique_ptr<TUpDown>*, std::unique_ptr<TCanvas>*>;

struct Row {
  Slot slot;
  int draw;  // place in DisplayMenu's drawing order, from 1
  int x, y, width, height;
  // Caption, text or image path; null where the text is the decimal value
  // of `value` at creation.
  const char* text;
  const int* value;
  bool border;         // labels and the image panel
  SpinnerRange range;  // spinners
  Anchors anchors;
};

constexpr bool kBorder = true;
constexpr bool kNoBorder = false;

constexpr Row Label(std::unique_ptr<TLabel>& label, int draw, int x, int y, int w, int h,
                    const char* text, bool border, Anchors anchors) {
  return {&label, draw, x, y, w, h, text, nullptr, border, {}, anchors};
}
// A bordered label that shows a number.
constexpr Row Readout(std::unique_ptr<TLabel>& label, int draw, int x, int y, int w, int h,
                      const int& value, Anchors anchors) {
  return {&label, draw, x, y, w, h, nullptr, &value, kBorder, {}, anchors};
}
constexpr Row Button(std::unique_ptr<TButton>& button, int draw, int x, int y, int w, int h,
                     const char* caption, Anchors anchors) {
  return {&button, draw, x, y, w, h, caption, nullptr, kNoBorder, {}, anchors};
}
constexpr Row Spinner(std::unique_ptr<TUpDown>& spinner, int draw, int x, int y, int w, int h,
                      const int& value, SpinnerRange range, Anchors anchors) {
  return {&spinner, draw, x, y, w, h, nullptr, &value, kNoBorder, range, anchors};
}
constexpr Row Image(std::unique_ptr<TCanvas>& panel, int draw, int x, int y, int w, int h,
                    const char* path, bool border, Anchors anchors) {
  return {&panel, draw, x, y, w, h, path, nullptr, border, {}, anchors};
}

// In creation order, which is also the order of Resize. Spinner ranges:
// max, min, step, big step, wrap.
constexpr Row kPanel[] = {
    Label(lblAuthor, 5, 10, 10, 780, 20, kBanner, kNoBorder, kAcrossTop),
    Label(lblFilename, 6, 10, 30, 780, 20, "", kNoBorder, kAcrossTop),
    Button(btnPauseFrame, 4, 10, 60, 100, 32, "Pause", kTopLeft),
    Label(lblFrameSpeed, 8, 10, 102, 100, 20, "Speed", kBorder, kTopLeft),
    Spinner(objFrameSpeed, 9, 10, 122, 100, 40, intFrameDelay, {500, 0, 1, 10, false}, kTopLeft),
    Label(lblStartFrame, 26, 10, 172, 100, 20, "Start Frame", kBorder, kTopLeft),
    Spinner(objStartFrame, 27, 10, 192, 100, 20, intStartFrame, {0, 0, 1, 0, true}, kTopLeft),
    Label(lblEndFrame, 28, 10, 222, 100, 20, "End Frame", kBorder, kTopLeft),
    Spinner(objEndFrame, 29, 10, 242, 100, 20, intEndFrame, {0, 0, 1, 0, true}, kTopLeft),
    Label(lblCurrentFrame, 30, 10, 272, 100, 20, "Cur Frame", kBorder, kTopLeft),
    Spinner(objCurrentFrame, 31, 10, 292, 100, 20, intCurrentFrame, {0, 0, 1, 0, true}, kTopLeft),
    Label(lblScale, 16, 10, 322, 100, 20, "Scale", kBorder, kTopLeft),
    Spinner(objScale, 17, 10, 342, 100, 20, intScale, {20, 1, 1, 0, true}, kTopLeft),
    Label(lblRotation, 18, 10, 372, 100, 20, "Rotation", kBorder, kTopLeft),
    Spinner(objRotation, 19, 10, 392, 100, 40, intRotation, {360, 0, 1, 15, true}, kTopLeft),
    Label(lblRed, 20, 240, 550, 100, 20, "BG Red", kBorder, kBottomEdge),
    Spinner(objRed, 21, 240, 570, 100, 20, intRed, {255, 0, 5, 0, true}, kBottomEdge),
    Label(lblGreen, 22, 350, 550, 100, 20, "BG Green", kBorder, kBottomEdge),
    Spinner(objGreen, 23, 350, 570, 100, 20, intGreen, {255, 0, 5, 0, true}, kBottomEdge),
    Label(lblBlue, 24, 460, 550, 100, 20, "BG Blue", kBorder, kBottomEdge),
    Spinner(objBlue, 25, 460, 570, 100, 20, intBlue, {255, 0, 5, 0, true}, kBottomEdge),
    Button(btnUnLoad, 3, 690, 60, 100, 32, "Unload", kTopRight),
    Label(lblTileWidth, 10, 690, 102, 100, 20, "Tile Width", kBorder, kTopRight),
    Spinner(objTileWidth, 11, 690, 122, 100, 40, intTileWidth, {512, 2, 2, 10, false}, kTopRight),
    Label(lblTileHeight, 12, 690, 172, 100, 20, "Tile Height", kBorder, kTopRight),
    Spinner(objTileHeight, 13, 690, 192, 100, 40, intTileHeight, {512, 2, 2, 10, false}, kTopRight),
    Label(lblFrameCount, 14, 690, 242, 100, 20, "Frame Count", kBorder, kTopRight),
    Readout(objFrameCount, 15, 690, 262, 100, 20, intFrameCount, kTopRight),
    Button(btnLoad, 1, 690, 292, 100, 32, "Load", kTopRight),
    Button(btnRefresh, 2, 690, 334, 100, 32, "Refresh", kTopRight),
    Image(objLogo, 32, 680, 380, 120, 100, "incbin::Images/quillmark.png", kNoBorder, kBottomRight),
    Button(btnQuit, 7, 690, 558, 100, 32, "Quit", kBottomRight),
};
constexpr std::size_t kControls = std::size(kPanel);
static_assert(kControls == 32);

// Every place of the drawing order taken exactly once.
constexpr bool DrawOrderIsComplete() {
  std::array<bool, kControls + 1> taken{};
  for (const Row& row : kPanel) {
    if (row.draw < 1 || row.draw > static_cast<int>(kControls) || taken[row.draw]) return false;
    taken[row.draw] = true;
  }
  return true;
}
static_assert(DrawOrderIsComplete());

constexpr std::array<const Row*, kControls> DrawOrder() {
  std::array<const Row*, kControls> order{};
  for (const Row& row : kPanel) order[row.draw - 1] = &row;
  return order;
}
constexpr std::array<const Row*, kControls> kDrawOrder = DrawOrder();

// Creates a row's control for a design client area of W x H.
struct Create {
  const Row& r;
  int W, H;

  std::string Text() const { return r.text ? r.text : std::to_string(*r.value); }

  void operator()(std::unique_ptr<TLabel>* label) const {
    const Anchors& a = r.anchors;
    *label = TLabel::CreateLabel(r.x, r.y, r.width, r.height, Text(), kCentred, r.border, a.left,
                                 a.top, a.right, a.bottom, W, H);
  }
  void operator()(std::unique_ptr<TButton>* button) const {
    const Anchors& a = r.anchors;
    *button = TButton::CreateButton(r.x, r.y, r.width, r.height, Text(), a.left, a.top, a.right,
                                    a.bottom, W, H);
  }
  void operator()(std::unique_ptr<TUpDown>* spinner) const {
    const Anchors& a = r.anchors;
    const SpinnerRange& s = r.range;
    *spinner = TUpDown::CreateUpDown(r.x, r.y, r.width, r.height, Text(), kCentred, s.max, s.min,
                                     s.step, s.big, s.wrap, a.left, a.top, a.right, a.bottom, W,
                                     H);
  }
  void operator()(std::unique_ptr<TCanvas>* panel) const {
    const Anchors& a = r.anchors;
    *panel = TCanvas::Create(r.x, r.y, r.width, r.height, Text(), r.border, a.left, a.top,
                             a.right, a.bottom, W, H);
  }
};

}  // namespace

void CreatePanel() {
  for (const Row& row : kPanel) std::visit(Create{row, intScreenX, intScreenY}, row.slot);
}

void DrawPanel() {
  for (const Row* row : kDrawOrder) {
    std::visit([](auto* control) { (*control)->Draw(); }, row->slot);
  }
}

void ResizePanel(int width, int height) {
  for (const Row& row : kPanel) {
    std::visit([=](auto* control) { (*control)->Resize(width, height); }, row.slot);
  }
}
