#include "platform/drawing/presenter.h"

namespace drawing_internal {

namespace {

// 64 Ki pixels, 256 KiB: copying that much more costs the window system
// less than one more copy, with its round trip, costs it and the program
// together (measured under Xvfb with a software renderer).
constexpr long long kCopySlack = 256 * 256;

}  // namespace

void Presenter::Force(int presentations) {
  if (forced_ < presentations) forced_ = presentations;
}

void Presenter::Settle(std::uint32_t now) {
  settling_ = true;
  settle_until_ = now + static_cast<std::uint32_t>(kPresentSettleMs);
}

void Presenter::ContextMade(const DisplayAbilities& abilities) {
  abilities_ = abilities;
  follow_size_ = false;
}

void Presenter::DrawableMeasured(bool changed, bool scaled, bool has_context,
                                 std::uint32_t now) {
  scaled_ = scaled;
  if (!changed) return;
  Force(1);
  Settle(now);
  follow_size_ = has_context;
}

void Presenter::CanvasMoved(std::uint32_t now) {
  Force(1);
  Settle(now);
}

void Presenter::WindowChanged(WindowChange change, std::uint32_t now) {
  // What the window showed may be gone only where it was exposed; every
  // change lets a compositor take the window's contents at a moment of its
  // own.
  if (change == WindowChange::kExposed) Force(1);
  Settle(now);
}

void Presenter::FirstUse(std::uint32_t now) {
  Force(2);
  Settle(now);
}

PictureHome Presenter::Home() const {
  if (scaled_ || abilities_.keep_apart) return PictureHome::kApart;
  return Copies() ? PictureHome::kKeptBackBuffer : PictureHome::kBackBuffer;
}

bool Presenter::TakeSwapToFollowSize() {
  const bool swap = follow_size_ && Copies();
  follow_size_ = false;
  return swap;
}

Presentation Presenter::Next(std::uint32_t now) {
  if (settling_ && static_cast<std::int32_t>(now - settle_until_) >= 0) settling_ = false;
  refreshing_ = false;
  if (forced_ > 0) return Presentation::kRedrawAll;
  if (settling_) return Presentation::kAlways;
  if (now - last_present_ >= static_cast<std::uint32_t>(kPresentRefreshMs)) {
    refreshing_ = true;
    return Presentation::kAlways;
  }
  return Presentation::kIfChanged;
}

PresentMethod Presenter::Method(Presentation how) const {
  // A refresh puts up again a picture nothing has changed around: a copy
  // of all of it does that, and keeps it for the next repaint.
  const bool copy = how == Presentation::kIfChanged || (how == Presentation::kAlways && refreshing_);
  return Copies() && copy ? PresentMethod::kCopyDamage : PresentMethod::kSwap;
}

Damage Presenter::Region(PresentMethod method, const Damage& drawn) const {
  Damage region;
  if (method == PresentMethod::kCopyDamage && Home() == PictureHome::kKeptBackBuffer &&
      !drawn.Empty() && !drawn.full && !refreshing_) {
    region.rects = drawn.rects;
    // Each copy is a round trip to the window system, which costs more
    // than copying a few hundred kilobytes more at once: rectangles near
    // enough go up as their bounding box. What lies between them is the
    // kept picture, already on screen, so the window shows the same.
    MergeNearRects(&region.rects, kCopySlack);
  } else {
    region.full = true;
  }
  return region;
}

void Presenter::Presented(std::uint32_t now) {
  if (forced_ > 0) --forced_;
  last_present_ = now;
}

}  // namespace drawing_internal
