// When and how a drawing context's repaints reach the screen, decided from
// what happened (the window system's changes, the clock, the drawable's size
// and scale, what the display can do) without calling SDL or GL: the
// window side carries the decisions out (graphics_window.cpp), the renderer
// draws what they ask for (gl_renderer.cpp).
//
// Where the picture lives (Home). On an output whose scale is above 1 the
// canvas is drawn at its logical size into a framebuffer of the renderer's
// own and put on the back buffer scaled up: that picture is kept between
// presentations. Where a swap cannot wait for the display (a software
// renderer under X) but parts of the back buffer can be copied to the
// window (GLX_MESA_copy_sub_buffer), presentations copy and leave the back
// buffer as it is: it keeps the picture, until a swap leaves it undefined.
// Anywhere else the back buffer holds nothing known after a swap, and every
// presented repaint is drawn whole.
//
// Whether a repaint is presented (Next). One identical to the last
// presented one is not, unless the screen may not show that one:
//  - forced (kRedrawAll): the window was exposed, the canvas moved, the
//    drawable took a new size or scale, another context drew in between, or
//    the context is new (its first two presentations, one per buffer). What
//    the window shows may be gone, so everything is drawn again;
//  - settling (kAlways): for kPresentSettleMs after any change of the window
//    (mapped, exposed, moved, resized, maximised, minimised, restored,
//    focused, moved to another output). A compositor takes the window's
//    contents at moments of its own around such changes (its map and
//    maximise effects, the resize of its copy) and can keep a picture from
//    before the last presentation, or one drawn while the buffers were still
//    being resized, for as long as nothing new comes. A second is longer
//    than any such effect and costs a software renderer one second of full
//    rate after a change;
//  - refreshing (kAlways): kPresentRefreshMs after the last presentation,
//    so that contents the window system lost without saying so (a GPU
//    reset, a resume from suspend, a compositor dropping buffers) come back
//    by themselves.
//
// How it is presented (Method). Only a presentation the repaint itself
// asked for, of a picture kept in the back buffer, copies, and then only the
// damaged parts; a refresh copies all of it, since nothing has changed
// around the window since the last presentation. One that the window
// system's changes call for (forced, settling, or asked for while a modal
// dialog blocks repaints) swaps, because the driver looks at the window's
// size again at a swap alone, and a window whose size it missed would be
// drawn out of place. A swap leaves a kept back buffer undefined: the
// picture counts as lost, and the next repaint is drawn whole. (A refresh
// that swapped would cost a software renderer two whole repaints every few
// seconds: as much as all the other repaints of an idle window.)
//
// A new size. Where presentations copy, a driver that is never asked for a
// swap does not see a drawable's new size: the first activation after a
// size change swaps once (showing the last picture again) before drawing,
// and the kept picture is lost with it.
// Internal to platform/.
#pragma once

#include <cstdint>

#include "platform/drawing/repaint_record.h"

namespace drawing_internal {

inline constexpr int kPresentSettleMs = 1000;
inline constexpr int kPresentRefreshMs = 3000;

// The changes of the window the window system reports.
enum class WindowChange : std::uint8_t {
  kShown,
  kExposed,
  kMoved,
  kResized,
  kMinimised,
  kMaximised,
  kRestored,
  kFocus,           // gained, lost or offered
  kDisplayChanged,  // moved to another output
};

// What the display allows a context, found when its GL context is made.
struct DisplayAbilities {
  bool swaps_wait = false;  // a swap can wait for the display's refresh
  bool copies = false;      // parts of the back buffer can be copied to the window
  bool keep_apart = false;  // a picture of its own even where the output is not scaled
};

enum class PictureHome : std::uint8_t {
  kBackBuffer,      // drawn straight into the back buffer, nothing kept
  kKeptBackBuffer,  // the back buffer, which presentations copy from and keep
  kApart,           // a framebuffer of the renderer's own, presented scaled
};

enum class PresentMethod : std::uint8_t {
  kSwap,        // swap the buffers (the back buffer is undefined afterwards)
  kCopyDamage,  // copy the damaged parts of the back buffer, which stays
};

class Presenter {
 public:
  // --- what happened ---
  // The GL context was made; it has a drawable no size change can have
  // escaped yet.
  void ContextMade(const DisplayAbilities& abilities);
  // The drawable was measured at an activation: `changed` when its logical
  // or physical size differs from the last measure, `scaled` when they
  // differ from each other.
  void DrawableMeasured(bool changed, bool scaled, bool has_context, std::uint32_t now);
  // The canvas's rectangle in the window changed.
  void CanvasMoved(std::uint32_t now);
  void WindowChanged(WindowChange change, std::uint32_t now);
  // Another drawing context was current since this one last drew.
  void OtherContextDrew() { Force(1); }
  // The context's first activation: both buffers are cleared and presented.
  void FirstUse(std::uint32_t now);

  // --- what to do ---
  PictureHome Home() const;
  // Before the activation draws: whether a swap must first make the driver
  // see the drawable's new size. Asked once per size change.
  bool TakeSwapToFollowSize();
  // What the coming presentation must be.
  Presentation Next(std::uint32_t now);
  // How a presentation of kind `how` (from Next) reaches the window.
  PresentMethod Method(Presentation how) const;
  // What of the picture that presentation puts on screen: `drawn` (what
  // the renderer drew) where it copies parts of a kept back buffer, the
  // whole picture otherwise.
  Damage Region(PresentMethod method, const Damage& drawn) const;
  // The presentation the window system asks for while no repaint can run.
  static PresentMethod MethodForWindowSystem() { return PresentMethod::kSwap; }
  // A presentation by `method` was made at `now`.
  void Presented(std::uint32_t now);

  bool Copies() const { return abilities_.copies && !abilities_.swaps_wait; }
  bool Scaled() const { return scaled_; }

 private:
  void Force(int presentations);
  void Settle(std::uint32_t now);

  DisplayAbilities abilities_;
  bool scaled_ = false;
  // How many of the next presentations redraw everything.
  int forced_ = 0;
  bool settling_ = false;
  std::uint32_t settle_until_ = 0;
  std::uint32_t last_present_ = 0;
  bool follow_size_ = false;
  // The last Next asked for a refresh alone.
  bool refreshing_ = false;
};

}  // namespace drawing_internal
