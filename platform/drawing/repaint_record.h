// The record of a repaint, and what a new repaint's record says about the
// picture the last presented one left in the retained framebuffer.
//
// What is recorded. Nothing reaches GL while a repaint is drawn: its
// batches (state, texture with the content number it held when recorded,
// vertex range), clears, scissored clears and view changes are appended to a
// RepaintRecord, and sent when the repaint is presented.
//
// Where the picture lives. Where the canvas is drawn apart (an output whose
// scale is above 1, presented scaled up) it is drawn into a framebuffer of
// the renderer's own, the retained picture, then copied to the back buffer
// and swapped. Where presentations copy parts of the back buffer to the
// window and leave it as it is (swaps that cannot wait for the display),
// the back buffer itself is the retained picture, until a swap (which the
// window system's changes call for) leaves it undefined. The picture shows
// the last presented record exactly when `retained` holds: that record was
// sent in full (or as the damaged part of it, below) and started by
// clearing the whole canvas, and nothing was drawn into the picture since.
// Elsewhere the canvas is drawn straight into a back buffer whose contents
// after a swap are undefined: nothing is retained, and every repaint that
// is presented is drawn in full. (Keeping a picture apart there too would
// cost a copy of the whole canvas per presentation, which on a software
// renderer costs more than the full repaint it saves: bench/drawing_repaint
// measures both.)
//
// Damage. A pixel that lies outside every op that differs between the new
// record and the last presented one is touched by the same ops, in the same
// order, with the same state, vertices and texture contents, starting from
// the same whole clear: it comes out the same. So the new repaint needs
// drawing only inside the bounding boxes (clipped to their op's clip and
// view) of the differing ops, old and new; the whole record is replayed
// with the scissor narrowed to them, which gives there exactly the pixels a
// full replay gives (a primitive whose box lies wholly outside them is left
// out of the replay, and so is everything before the last clear that fills
// a rectangle whole: nothing of it shows there). Whatever cannot be bounded exactly damages the whole
// canvas: no retained picture, a record that does not start with a whole
// clear, part of the record already sent (a read back, a texture's end), a
// different view, a texture drawn by the last presented record that has
// changed since (a deleted or reused name), a vertex that is not finite.
// Empty damage means identical: the same picture again (whether or not a
// picture is retained).
//
// Presentations. A repaint with empty damage is not presented (no GL call
// at all) unless the presenter (presenter.h) says the window may not show
// the last presentation: then a settling or refreshing window copies the
// retained picture again (or redraws the record in full where none is
// kept), and a forced one redraws everything. A resize or a new scale makes
// a new retained picture, and a new GL context a new renderer: both start
// with nothing retained, so they redraw in full anyway.
// Internal to platform/.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <vector>

namespace drawing_internal {

// One vertex in canvas pixels; the colour is the clamped drawing colour and
// alpha byte. Plain data, so that records are copied in bulk: `GLVertex{}`
// is all zeros, a bare `GLVertex v;` holds nothing defined.
struct GLVertex {
  float x, y;
  float u, v;
  std::uint8_t r, g, b, a;
  std::int32_t flags;
};
static_assert(std::is_trivial_v<GLVertex>);

// The scissor as GL wants it (window pixels, bottom-left origin).
struct GLClip {
  bool empty = false;    // nothing may be drawn
  bool enabled = false;  // scissor test on
  int x = 0, y = 0, w = 0, h = 0;
  bool operator==(const GLClip&) const = default;
};

enum class RecordKind : std::uint8_t { Triangles, Lines };
// What GL's blender does; several blend modes can map to the same one.
enum class Blender : std::uint8_t { Off, Alpha, Additive, Multiply };

struct RecordState {
  Blender blend = Blender::Off;
  GLClip clip;
  unsigned texture = 0;  // 0: the batch has no textured primitive yet
  bool nearest = false;  // the texture is sampled nearest, whatever its filter
  RecordKind kind = RecordKind::Triangles;
  bool operator==(const RecordState&) const = default;
};

// The viewport (window pixels) and the projection's size (canvas units).
struct RecordView {
  int vx = 0, vy = 0, vw = 0, vh = 0, width = 0, height = 0;
  bool operator==(const RecordView&) const = default;
};

// One recorded step of a repaint.
struct RecordOp {
  enum class Type : std::uint8_t { View, Draw, Clear, ClearRect } type = Type::Draw;
  RecordState state;                 // Draw: the batch's state; Clear: the clip
  std::uint64_t content = 0;         // Draw: what the texture held when recorded
  RecordView view;                   // View
  GLClip rect;                       // ClearRect
  int red = 0, green = 0, blue = 0;  // Clear, ClearRect
  bool whole = false;                // Clear: fills the whole canvas
  std::size_t first = 0, count = 0;  // Draw: vertices
  bool operator==(const RecordOp&) const = default;
};

// A record as its owner keeps it.
struct RepaintRecord {
  const std::vector<RecordOp>& ops;
  const std::vector<GLVertex>& vertices;
  RecordView start_view;  // in force before the record's first view change
};

// Rectangles of the retained picture (window pixels, bottom-left origin,
// each enabled and not empty) that must be drawn again; `full`: all of it.
struct Damage {
  bool full = false;
  std::vector<GLClip> rects;
  bool Empty() const { return !full && rects.empty(); }
};

// The overlap of two rectangles (enabled); w or h not positive when there
// is none.
GLClip Overlap(const GLClip& a, const GLClip& b);

// Replaces, until none is left, two rectangles by their bounding box where
// it is at most `slack` pixels bigger than both together.
void MergeNearRects(std::vector<GLClip>* rects, long long slack);

// How a repaint must end.
enum class Presentation : std::uint8_t {
  kIfChanged,  // present only when the picture changes
  kAlways,     // present, redrawing what changed (maybe nothing)
  kRedrawAll,  // redraw the whole record and present
};

// A run of vertices.
struct VertexRun {
  std::size_t first = 0, count = 0;
};

// A run of whole primitives of the record (vertices [first, first +
// count), maybe across batches) and the box, in canvas units, that holds
// all their vertices.
struct VertexSpan {
  std::size_t first = 0, count = 0;
  float x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

// Appends to `out`, in order, the vertices of the primitives of the batch
// `op` that can touch `rect` (window pixels, bottom-left origin) under
// `view`; how many it appended. Drawing only them inside `rect` gives the
// pixels drawing all of them gives there. `spans` (in the order of their
// vertices, none overlapping another) lets whole runs whose box lies
// outside `rect` go untested.
std::size_t AppendPrimitivesMeeting(const RepaintRecord& record, const RecordOp& op,
                                    const RecordView& view, const GLClip& rect,
                                    std::vector<GLVertex>* out,
                                    const std::vector<VertexSpan>& spans = {});

// The window pixels (bottom-left origin) that the primitives of `kind` in
// vertices[0, count) can touch under `view`, cut to the viewport; false
// when a vertex is not finite. A triangle touches only the pixels whose
// centres it holds; a line's diamond reaches one pixel further each way.
bool PixelBox(const GLVertex* vertices, std::size_t count, const RecordView& view,
              RecordKind kind, GLClip* box);

// Whether `inner` lies wholly inside `outer`.
bool Contains(const GLClip& outer, const GLClip& inner);

// Whether the two triangles of six[0..5] fill every pixel of `rect`
// (window pixels, bottom-left origin) under `view`: together they are a
// rectangle, upright, holding the centre of each of its pixels.
bool QuadFills(const GLVertex* six, const RecordView& view, const GLClip& rect);

// Whether the record starts by clearing the whole canvas, so that its
// picture does not depend on what the framebuffer held.
bool StartsWithWholeClear(const RepaintRecord& record);

// Whether a texture the record draws has got new content since it was
// recorded; `content_of` gives a texture name's content number now.
bool TexturesChanged(const RepaintRecord& record, std::uint64_t (*content_of)(unsigned));

// Where the pictures of `now` and `shown` can differ, within target_w x
// target_h. `content_of` as above.
Damage FindDamage(const RepaintRecord& now, const RepaintRecord& shown, int target_w,
                  int target_h, std::uint64_t (*content_of)(unsigned));

// What ending the repaint `now` must draw, after `shown` (null: none) was
// presented last: nothing (identical), its damage, or all of it. `sent`:
// part of `now` is drawn already; `retained`: the picture shows `shown`.
Damage DamageToDraw(const RepaintRecord& now, const RepaintRecord* shown, bool sent,
                    bool retained, Presentation how, int target_w, int target_h,
                    std::uint64_t (*content_of)(unsigned));

}  // namespace drawing_internal
