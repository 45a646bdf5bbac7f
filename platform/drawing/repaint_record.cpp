// Comparing a repaint's record with the last presented one: see the header
// for what is recorded and why drawing only the damage is exact.
#include "platform/drawing/repaint_record.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace drawing_internal {

namespace {

// More rectangles than this are drawn as their bounding box: each one
// replays the whole record.
constexpr std::size_t kMaxRects = 4;
// Two rectangles whose bounding box is at most this much bigger than both
// together are drawn as one.
constexpr long long kMergeSlack = 64 * 64;

long long Area(const GLClip& r) { return static_cast<long long>(r.w) * r.h; }

GLClip Bounds(const GLClip& a, const GLClip& b) {
  GLClip u;
  u.enabled = true;
  u.x = std::min(a.x, b.x);
  u.y = std::min(a.y, b.y);
  u.w = std::max(a.x + a.w, b.x + b.w) - u.x;
  u.h = std::max(a.y + a.h, b.y + b.h) - u.y;
  return u;
}

class DamageBuilder {
 public:
  DamageBuilder(int target_w, int target_h) {
    target_.enabled = true;
    target_.w = target_w;
    target_.h = target_h;
  }
  void Full() { damage_.full = true; }
  void Add(const GLClip& rect) {
    if (damage_.full) return;
    const GLClip r = Overlap(rect, target_);
    if (r.w > 0 && r.h > 0) damage_.rects.push_back(r);
  }
  bool IsFull() const { return damage_.full; }
  Damage Finish();

 private:
  GLClip target_;
  Damage damage_;
};

bool MergeOnePair(std::vector<GLClip>& rects, long long slack) {
  for (std::size_t i = 0; i < rects.size(); ++i) {
    for (std::size_t j = i + 1; j < rects.size(); ++j) {
      const GLClip u = Bounds(rects[i], rects[j]);
      if (Area(u) <= Area(rects[i]) + Area(rects[j]) + slack) {
        rects[i] = u;
        rects.erase(rects.begin() + static_cast<std::ptrdiff_t>(j));
        return true;
      }
    }
  }
  return false;
}

Damage DamageBuilder::Finish() {
  if (damage_.full) {
    damage_.rects.clear();
    return damage_;
  }
  MergeNearRects(&damage_.rects, kMergeSlack);
  std::vector<GLClip>& rects = damage_.rects;
  if (rects.size() > kMaxRects) {
    for (std::size_t i = 1; i < rects.size(); ++i) rects[0] = Bounds(rects[0], rects[i]);
    rects.resize(1);
  }
  long long area = 0;
  for (const GLClip& r : rects) area += Area(r);
  // Most of the picture: one plain pass costs less than the scissored ones.
  if (!rects.empty() && 4 * area >= 3 * Area(target_)) Full();
  if (damage_.full) rects.clear();
  return damage_;
}

}  // namespace

void MergeNearRects(std::vector<GLClip>* rects, long long slack) {
  while (MergeOnePair(*rects, slack)) {
  }
}

bool PixelBox(const GLVertex* vertices, std::size_t count, const RecordView& view,
              RecordKind kind, GLClip* box) {
  double x0 = INFINITY, y0 = INFINITY, x1 = -INFINITY, y1 = -INFINITY;
  for (std::size_t i = 0; i < count; ++i) {
    const GLVertex& v = vertices[i];
    if (!std::isfinite(v.x) || !std::isfinite(v.y)) return false;
    x0 = std::min(x0, static_cast<double>(v.x));
    x1 = std::max(x1, static_cast<double>(v.x));
    y0 = std::min(y0, static_cast<double>(v.y));
    y1 = std::max(y1, static_cast<double>(v.y));
  }
  const double sx = static_cast<double>(view.vw) / view.width;
  const double sy = static_cast<double>(view.vh) / view.height;
  const auto clamp = [](double v, int lo, int hi) {
    return static_cast<int>(std::clamp(v, static_cast<double>(lo), static_cast<double>(hi)));
  };
  // Window coordinates of the extent, bottom-left origin.
  const double wx0 = view.vx + x0 * sx, wx1 = view.vx + x1 * sx;
  const double wy0 = view.vy + view.vh - y1 * sy, wy1 = view.vy + view.vh - y0 * sy;
  double left = 0, right = 0, bottom = 0, top = 0;
  if (kind == RecordKind::Lines) {
    left = std::floor(wx0) - 1, right = std::ceil(wx1) + 1;
    bottom = std::floor(wy0) - 1, top = std::ceil(wy1) + 1;
  } else {
    // Far more than the snapping and the shader's rounding move a vertex.
    constexpr double kSnap = 1.0 / 16;
    left = std::ceil(wx0 - 0.5 - kSnap), right = std::floor(wx1 - 0.5 + kSnap) + 1;
    bottom = std::ceil(wy0 - 0.5 - kSnap), top = std::floor(wy1 - 0.5 + kSnap) + 1;
  }
  const int l = clamp(left, view.vx, view.vx + view.vw), r = clamp(right, view.vx, view.vx + view.vw);
  const int b = clamp(bottom, view.vy, view.vy + view.vh), t = clamp(top, view.vy, view.vy + view.vh);
  box->enabled = true;
  box->x = l, box->y = b, box->w = std::max(r - l, 0), box->h = std::max(t - b, 0);
  return true;
}

namespace {

// Adds what vertices [first, first + count) of a batch can touch.
void AddVertices(DamageBuilder& b, const RepaintRecord& record, const RecordOp& op,
                 std::size_t first, std::size_t count, const RecordView& view) {
  if (count == 0) return;
  GLClip box;
  if (!PixelBox(record.vertices.data() + first, count, view, op.state.kind, &box)) return b.Full();
  b.Add(op.state.clip.enabled ? Overlap(box, op.state.clip) : box);
}

// Adds everything one op can touch.
void AddOp(DamageBuilder& b, const RepaintRecord& record, const RecordOp& op,
           const RecordView& view) {
  switch (op.type) {
    case RecordOp::Type::View:
      return b.Full();
    case RecordOp::Type::Draw:
      return AddVertices(b, record, op, op.first, op.count, view);
    case RecordOp::Type::Clear:
      // With clipping off a clear fills the whole framebuffer.
      return op.state.clip.enabled ? b.Add(op.state.clip) : b.Full();
    case RecordOp::Type::ClearRect:
      return b.Add(op.rect);
  }
}

bool SameVertices(const RepaintRecord& a, std::size_t a_first, const RepaintRecord& b,
                  std::size_t b_first, std::size_t count) {
  return count == 0 || std::memcmp(a.vertices.data() + a_first, b.vertices.data() + b_first,
                                   count * sizeof(GLVertex)) == 0;
}

// Equal ops draw the same pixels: the same step with the same vertices.
bool SameOp(const RepaintRecord& a, std::size_t i, const RepaintRecord& b, std::size_t j) {
  RecordOp x = a.ops[i];
  const RecordOp& y = b.ops[j];
  x.first = y.first;
  return x == y && (x.type != RecordOp::Type::Draw || SameVertices(a, a.ops[i].first, b, y.first, y.count));
}

// Two batches of the same state: what lies between their equal first and
// equal last primitives (drawn in order, so the primitives around them touch
// every pixel outside that middle alike).
void AddBatchChange(DamageBuilder& b, const RepaintRecord& now, const RecordOp& x,
                    const RepaintRecord& shown, const RecordOp& y, const RecordView& view) {
  const std::size_t unit = x.state.kind == RecordKind::Lines ? 2 : 6;
  const std::size_t n = x.count / unit, m = y.count / unit;
  // Whole runs of primitives are compared at once, and one by one only
  // inside the run that differs.
  constexpr std::size_t kRun = 32;
  std::size_t p = 0, s = 0;
  while (p + kRun <= n && p + kRun <= m &&
         SameVertices(now, x.first + p * unit, shown, y.first + p * unit, kRun * unit)) {
    p += kRun;
  }
  while (p < n && p < m && SameVertices(now, x.first + p * unit, shown, y.first + p * unit, unit)) {
    ++p;
  }
  while (s + kRun <= n - p && s + kRun <= m - p &&
         SameVertices(now, x.first + (n - s - kRun) * unit, shown, y.first + (m - s - kRun) * unit,
                      kRun * unit)) {
    s += kRun;
  }
  while (s < n - p && s < m - p &&
         SameVertices(now, x.first + (n - 1 - s) * unit, shown, y.first + (m - 1 - s) * unit, unit)) {
    ++s;
  }
  AddVertices(b, now, x, x.first + p * unit, (n - p - s) * unit, view);
  AddVertices(b, shown, y, y.first + p * unit, (m - p - s) * unit, view);
}

RecordView ViewAt(const RepaintRecord& record, std::size_t index) {
  for (std::size_t i = index; i > 0; --i) {
    if (record.ops[i - 1].type == RecordOp::Type::View) return record.ops[i - 1].view;
  }
  return record.start_view;
}

bool DrawsBeforeFirstView(const RepaintRecord& record) {
  for (const RecordOp& op : record.ops) {
    if (op.type == RecordOp::Type::View) return false;
    if (op.type == RecordOp::Type::Draw) return true;
  }
  return false;
}

// The ops between the equal first ops [0, p) and the equal last ones: paired
// one to one when both records have as many there, else each bounded whole.
// No view changes among them (that is full damage), so the view in force is
// the one at p in both.
void AddMiddle(DamageBuilder& b, const RepaintRecord& now, const RepaintRecord& shown,
               std::size_t p, std::size_t now_end, std::size_t shown_end) {
  const RecordView view = ViewAt(now, p);
  if (now_end - p == shown_end - p) {
    for (std::size_t i = p; i < now_end && !b.IsFull(); ++i) {
      const RecordOp& x = now.ops[i];
      const RecordOp& y = shown.ops[i];
      if (SameOp(now, i, shown, i)) continue;
      if (x.type == RecordOp::Type::Draw && y.type == RecordOp::Type::Draw &&
          x.state == y.state && x.content == y.content) {
        AddBatchChange(b, now, x, shown, y, view);
      } else {
        AddOp(b, now, x, view);
        AddOp(b, shown, y, view);
      }
    }
    return;
  }
  for (std::size_t i = p; i < now_end && !b.IsFull(); ++i) AddOp(b, now, now.ops[i], view);
  for (std::size_t i = p; i < shown_end && !b.IsFull(); ++i) AddOp(b, shown, shown.ops[i], view);
}

}  // namespace

std::size_t AppendPrimitivesMeeting(const RepaintRecord& record, const RecordOp& op,
                                    const RecordView& view, const GLClip& rect,
                                    std::vector<GLVertex>* out,
                                    const std::vector<VertexSpan>& spans) {
  const GLVertex* const from = record.vertices.data() + op.first;
  const std::size_t unit = op.state.kind == RecordKind::Lines ? 2 : 6;
  const double sx = static_cast<double>(view.vw) / view.width;
  const double sy = static_cast<double>(view.vh) / view.height;
  if (op.count % unit != 0 || !(sx > 0) || !(sy > 0)) {
    out->insert(out->end(), from, from + op.count);
    return op.count;
  }
  // The rectangle in canvas units, two window pixels wider on every side:
  // more than the pixel PixelBox adds, so that a primitive left out here
  // lies outside the box PixelBox gives it and cannot touch the rectangle.
  // Testing each primitive's vertices against it takes a few comparisons
  // per vertex, where PixelBox rounds every one to the pixel grid.
  constexpr int kMargin = 2;
  const auto left = static_cast<float>((rect.x - kMargin - view.vx) / sx);
  const auto right = static_cast<float>((rect.x + rect.w + kMargin - view.vx) / sx);
  const auto top = static_cast<float>((view.vy + view.vh - (rect.y + rect.h + kMargin)) / sy);
  const auto bottom = static_cast<float>((view.vy + view.vh - (rect.y - kMargin)) / sy);
  const std::size_t start = out->size();
  const auto misses = [&](float x0, float y0, float x1, float y1) {
    return x1 < left || x0 > right || y1 < top || y0 > bottom;
  };
  // The first span that ends after the batch's first vertex.
  auto span = std::lower_bound(spans.begin(), spans.end(), op.first,
                               [](const VertexSpan& s, std::size_t i) { return s.first + s.count <= i; });
  const std::size_t end = op.first + op.count;
  for (const GLVertex* p = from; p != from + op.count; p += unit) {
    const auto i = static_cast<std::size_t>(p - record.vertices.data());
    while (span != spans.end() && span->first + span->count <= i) ++span;
    if (span != spans.end() && span->first <= i && misses(span->x0, span->y0, span->x1, span->y1)) {
      // Spans hold whole primitives: where one ends inside the batch, the
      // next primitive starts.
      const std::size_t stop = std::min(span->first + span->count, end);
      if (stop >= i + unit && (stop - op.first) % unit == 0) {
        p = record.vertices.data() + stop - unit;
        continue;
      }
    }
    float x0 = p[0].x, x1 = p[0].x, y0 = p[0].y, y1 = p[0].y;
    bool finite = true;
    for (std::size_t k = 0; k < unit; ++k) {
      finite = finite && std::isfinite(p[k].x) && std::isfinite(p[k].y);
      x0 = std::min(x0, p[k].x), x1 = std::max(x1, p[k].x);
      y0 = std::min(y0, p[k].y), y1 = std::max(y1, p[k].y);
    }
    // A vertex that is not finite: the primitive is kept, as it is drawn.
    if (finite && misses(x0, y0, x1, y1)) continue;
    out->insert(out->end(), p, p + unit);
  }
  return out->size() - start;
}

GLClip Overlap(const GLClip& a, const GLClip& b) {
  GLClip o;
  o.enabled = true;
  o.x = std::max(a.x, b.x);
  o.y = std::max(a.y, b.y);
  o.w = std::min(a.x + a.w, b.x + b.w) - o.x;
  o.h = std::min(a.y + a.h, b.y + b.h) - o.y;
  return o;
}

bool Contains(const GLClip& outer, const GLClip& inner) {
  return outer.x <= inner.x && outer.y <= inner.y && outer.x + outer.w >= inner.x + inner.w &&
         outer.y + outer.h >= inner.y + inner.h;
}

bool QuadFills(const GLVertex* six, const RecordView& view, const GLClip& rect) {
  float x0 = six[0].x, x1 = six[0].x, y0 = six[0].y, y1 = six[0].y;
  for (int k = 0; k < 6; ++k) {
    if (!std::isfinite(six[k].x) || !std::isfinite(six[k].y)) return false;
    x0 = std::min(x0, six[k].x), x1 = std::max(x1, six[k].x);
    y0 = std::min(y0, six[k].y), y1 = std::max(y1, six[k].y);
  }
  if (!(x0 < x1) || !(y0 < y1)) return false;
  // Each vertex is a corner (bit 0: right, bit 1: bottom); each triangle
  // has three different ones, and the corners the two lack are opposite:
  // the triangles share a diagonal and tile the rectangle.
  int missing[2] = {0, 0};
  for (int t = 0; t < 2; ++t) {
    int seen = 0;
    for (int k = 3 * t; k < 3 * t + 3; ++k) {
      const GLVertex& v = six[k];
      if ((v.x != x0 && v.x != x1) || (v.y != y0 && v.y != y1)) return false;
      seen |= 1 << ((v.x == x1 ? 1 : 0) | (v.y == y1 ? 2 : 0));
    }
    if (__builtin_popcount(static_cast<unsigned>(seen)) != 3) return false;
    missing[t] = __builtin_ctz(static_cast<unsigned>(~seen & 15));
  }
  if ((missing[0] ^ missing[1]) != 3) return false;
  // Every pixel centre of the rectangle lies inside, by more than the
  // rasteriser's snapping and the shader's rounding move an edge.
  constexpr double kInside = 1.0 / 16;
  const double sx = static_cast<double>(view.vw) / view.width;
  const double sy = static_cast<double>(view.vh) / view.height;
  const double wx0 = view.vx + x0 * sx, wx1 = view.vx + x1 * sx;
  const double wy0 = view.vy + view.vh - y1 * sy, wy1 = view.vy + view.vh - y0 * sy;
  return wx0 <= rect.x + 0.5 - kInside && wx1 >= rect.x + rect.w - 0.5 + kInside &&
         wy0 <= rect.y + 0.5 - kInside && wy1 >= rect.y + rect.h - 0.5 + kInside;
}

bool StartsWithWholeClear(const RepaintRecord& record) {
  for (const RecordOp& op : record.ops) {
    if (op.type == RecordOp::Type::View) continue;
    return op.type == RecordOp::Type::Clear && op.whole;
  }
  return false;
}

bool TexturesChanged(const RepaintRecord& record, std::uint64_t (*content_of)(unsigned)) {
  return std::any_of(record.ops.begin(), record.ops.end(), [&](const RecordOp& op) {
    return op.type == RecordOp::Type::Draw && op.state.texture != 0 &&
           op.content != content_of(op.state.texture);
  });
}

Damage FindDamage(const RepaintRecord& now, const RepaintRecord& shown, int target_w,
                  int target_h, std::uint64_t (*content_of)(unsigned)) {
  DamageBuilder b(target_w, target_h);
  const bool start_differs = now.start_view != shown.start_view &&
                             (DrawsBeforeFirstView(now) || DrawsBeforeFirstView(shown));
  if (!StartsWithWholeClear(now) || start_differs || TexturesChanged(shown, content_of)) {
    b.Full();
    return b.Finish();
  }
  const std::size_t n = now.ops.size(), m = shown.ops.size();
  std::size_t p = 0, s = 0;
  while (p < n && p < m && SameOp(now, p, shown, p)) ++p;
  while (s < n - p && s < m - p && SameOp(now, n - 1 - s, shown, m - 1 - s)) ++s;
  AddMiddle(b, now, shown, p, n - s, m - s);
  return b.Finish();
}

Damage DamageToDraw(const RepaintRecord& now, const RepaintRecord* shown, bool sent,
                    bool retained, Presentation how, int target_w, int target_h,
                    std::uint64_t (*content_of)(unsigned)) {
  Damage full;
  full.full = true;
  if (how == Presentation::kRedrawAll || sent || shown == nullptr) return full;
  const Damage damage = FindDamage(now, *shown, target_w, target_h, content_of);
  // Without a retained picture only a repaint that is dropped unsent can
  // be spared; a presented one is drawn in full.
  if (!retained && !(damage.Empty() && how == Presentation::kIfChanged)) return full;
  return damage;
}

}  // namespace drawing_internal
