#include "controls/anchor.h"

#include "controls/int32.h"

std::unique_ptr<TAnchor> TAnchor::Create(bool blnLeft, bool blnTop, bool blnRight,
                                         bool blnBottom, const TRect& rect, int PrevWidth,
                                         int PrevHeight) {
  auto anchor = std::make_unique<TAnchor>();
  anchor->blnTop = blnTop;
  anchor->blnBottom = blnBottom;
  anchor->blnLeft = blnLeft;
  anchor->blnRight = blnRight;
  anchor->OrigRect = rect.Copy();
  anchor->Rect = rect.Copy();
  anchor->PrevWidth = PrevWidth;
  anchor->PrevHeight = PrevHeight;
  return anchor;
}

namespace {

struct Span {
  int pos;
  int end;
  int size;
};

// One axis. near/far: anchored to the near (left/top) or far (right/bottom)
// edge. Centred spans truncate the window half and the design half on their
// own, so the design offset from the centre carries over exactly.
Span ResizeAxis(bool near_edge, bool far_edge, int orig_pos, int orig_end, int orig_size,
                int prev_extent, int extent) {
  Span s{near_edge ? orig_pos : 0, 0, orig_size};
  if (near_edge && far_edge) {
    s.end = Sub32(extent, Sub32(prev_extent, orig_end));
    s.pos = orig_pos;
    s.size = Sub32(s.end, s.pos);
  } else if (far_edge) {
    s.end = Sub32(extent, Sub32(prev_extent, orig_end));
    s.pos = Sub32(s.end, orig_size);
  } else if (near_edge) {
    s.end = Add32(orig_pos, orig_size);
    s.pos = orig_pos;
  } else {
    s.pos = Add32(Half32(extent), Sub32(orig_pos, Half32(prev_extent)));
    s.end = Add32(s.pos, orig_size);
  }
  return s;
}

}  // namespace

TRect& TAnchor::Resize(int width, int height) {
  const TRect& o = OrigRect;
  const Span h = ResizeAxis(blnLeft, blnRight, o.x, o.Right, o.Width, PrevWidth, width);
  const Span v = ResizeAxis(blnTop, blnBottom, o.y, o.Bottom, o.Height, PrevHeight, height);
  Rect.x = h.pos;
  Rect.y = v.pos;
  Rect.Right = h.end;
  Rect.Bottom = v.end;
  Rect.Width = h.size;
  Rect.Height = v.size;
  return Rect;
}
