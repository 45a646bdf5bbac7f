// The GL back end of the drawing layer: one shader, one streaming vertex
// buffer and a batch of primitives that is sent in as few draw calls as the
// state allows. A batch is cut only when a primitive needs a different blend
// mode, clip, texture or primitive kind, and before a clear, a swap or a read
// back, so the picture is the same as drawing every primitive at once.
//
// Nothing reaches GL while a repaint is drawn: its batches, clears and view
// changes are recorded (repaint_record.h), and sent when it is presented (or
// earlier, when a read back, a texture's end or a change of context needs
// them). Where the picture is kept (in a framebuffer of the renderer's own,
// or in a back buffer that presentations leave as it is) a repaint redraws
// there only what differs from the last presented one; one that differs in
// nothing is dropped without touching GL.
// Internal to platform/.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/drawing/graphics.h"
#include "platform/drawing/repaint_record.h"

struct TexturePlan;

namespace drawing_internal {

// Per-vertex switches of the shader.
enum : std::int32_t {
  kVertexTextured = 1,   // colour x texel; otherwise the flat colour
  kVertexAlphaTest = 2,  // fragments with alpha below 0.5 are dropped
  // With the alpha test: such fragments take the colour in bits 8-31 (red,
  // green, blue) instead. Only damage passes set it, on the primitive that
  // stands in for the clear under it.
  kVertexUnder = 4,
};

// A stretch of a repaint's record kept so that a later repaint can append
// it again as it was (graphics.h's reusable drawing): the state it began
// in, and what it did to the record from there.
struct RecordPiece {
  std::uint64_t renderer = 0;  // the renderer that recorded it; 0: none
  // Where it began: the open batch (if any), the clip, view and blend mode.
  struct Start {
    bool open = false;
    RecordState open_state;
    std::uint64_t open_content = 0;
    RecordState want;
    RecordView view;
    int mode = 0;
    bool operator==(const Start&) const = default;
  } start;
  // What it did: vertices added to the batch open at its start (which then
  // had the state and content below), new batches (their vertex ranges
  // counted from the start of `vertices`), and whether the last one was
  // left open.
  std::size_t joined = 0;
  RecordState joined_state;
  std::uint64_t joined_content = 0;
  std::vector<RecordOp> ops;
  std::vector<GLVertex> vertices;
  bool open_after = false;
  // The box of its vertices, where all of them are finite.
  bool boxed = false;
  VertexSpan box;
};

class GLRenderer {
 public:
  // Compiles the shader and makes the buffers and the font texture in the
  // current GL context; null (with the reason on stderr) on failure.
  static std::unique_ptr<GLRenderer> Create();
  ~GLRenderer();
  GLRenderer(const GLRenderer&) = delete;
  GLRenderer& operator=(const GLRenderer&) = delete;

  // Records a view change: when it is sent, every piece of GL state the
  // layer relies on is set, in one place, and the cached blend mode, clip
  // and texture binding are forgotten. `viewport` is the canvas in window
  // pixels; width x height is the projection: one unit one pixel, y
  // downward.
  void BeginFrame(int vx, int vy, int vw, int vh, int width, int height);

  void SetBlend(int mode);
  void SetClip(const GLClip& clip);
  bool ClipIsEmpty() const { return want_.clip.empty; }

  // A filled convex quadrilateral (corners in order); texture 0 = untextured.
  // `binary_alpha`: every texel's alpha is 0 or 255 (the font). `nearest`:
  // sampled nearest, where that gives what the texture's filter gives.
  void Quad(const GLVertex corners[4], unsigned texture, bool binary_alpha = false,
            bool nearest = false);
  // A GL line segment (diamond-exit rule: the last pixel is left out).
  void Line(const GLVertex& a, const GLVertex& b);
  // Fills the clip (or the whole framebuffer with clipping off).
  void Clear(int red, int green, int blue);
  // Whether an opaque flat primitive simply replaces the destination in the
  // current blend mode.
  bool OpaqueReplaces() const { return mode_ != BLEND_ADDITIVE && mode_ != BLEND_MULTIPLIED; }
  // Fills `rect` (window pixels, bottom-left origin) inside the clip with an
  // opaque colour by a scissored clear: the same pixels as a quad, without
  // shading each one.
  void ClearRect(const GLClip& rect, int red, int green, int blue);
  // Draws into a picture of its own of width x height pixels instead of the
  // window's back buffer (0 x 0: into the back buffer, the default). On an
  // output whose scale is above 1 the canvas is drawn at its logical size
  // there and then put on the back buffer scaled up, so that every drawing
  // rule holds per logical pixel. The picture is kept between repaints, so
  // that a repaint redraws there only what changed; a new size starts a new
  // picture, redrawn in full.
  void SetTarget(int width, int height);
  // Puts that picture on the back buffer of drawable_w x drawable_h pixels,
  // each pixel an exact scale x scale block (nearest, never filtered), from
  // the top-left corner, the rest black. Nothing without a picture of its
  // own.
  void PresentTarget(int drawable_w, int drawable_h, int scale);
  // The same, the rest filled with the colour the last presented repaint
  // cleared the canvas to, for a window that grew while no repaint can run.
  void PresentTargetFilled(int drawable_w, int drawable_h, int scale);
  // Drawing straight into the back buffer, relies on it keeping its
  // contents from one presentation to the next, as it does where a
  // presentation copies it to the window and leaves it be: width x height
  // is its size, 0 x 0 (the default) when its contents after a presentation
  // are undefined. Kept, it is the retained picture, and a repaint redraws
  // there only what changed. Nothing while drawing into a picture of its own.
  void KeepBackBuffer(int width, int height);
  // The back buffer was swapped: a kept one holds nothing known now.
  void BackBufferLost() {
    if (fbo_ == 0) retained_ = false;
  }
  // What the last EndFrame or RedrawPresented drew of the picture: nothing
  // (the picture is the same), damaged rectangles, or all of it.
  const Damage& Drawn() const { return drawn_; }
  // Reusable drawing: BeginPiece notes where the record stands; EndPiece
  // keeps in `piece` what was recorded since, false (and `piece` emptied)
  // where it cannot simply be appended again: something was sent, a view,
  // clip or blend mode changed, or anything but flat primitives and text
  // was recorded.
  // AppendPiece appends it again, true, where the record now stands in the
  // state the piece began in and the textures it draws hold what they held;
  // otherwise it appends nothing.
  void BeginPiece();
  bool EndPiece(RecordPiece* piece);
  bool AppendPiece(const RecordPiece& piece);
  // Where the record stands now, as a piece's start.
  RecordPiece::Start PieceStart() const;
  // Sends everything recorded and not yet sent.
  void Flush();
  // Ends the repaint at a presentation: true when the caller must present
  // (the picture is then complete), false when the repaint shows exactly
  // the picture already presented and was dropped unsent. `how` says what
  // the presentation must be (repaint_record.h).
  bool EndFrame(Presentation how);
  // Makes the picture show the last presented repaint again, for a
  // presentation of the same picture while no repaint can run: the
  // retained picture as it is when it shows it and `reuse` allows, else the
  // whole record drawn again. False (and nothing drawn) when there is none,
  // when part of the repaint being recorded is in the picture already, or
  // when a texture it used has changed since. `lift` moves it up by that
  // many window rows, redrawn: a back buffer that grew taller keeps the
  // picture at its top.
  bool RedrawPresented(bool reuse = true, int lift = 0);

  // The font atlas: glyph g occupies texels [g * kCellWidth + 1, + 8) x [0, 16).
  unsigned FontTexture() const { return font_texture_; }
  static constexpr int kCellWidth = 10;
  static constexpr int kAtlasWidth = 1024;
  static constexpr int kAtlasHeight = 16;

  // Makes a texture from a prepared plan (levels in RGBA8); 0 when level 0
  // is malformed. Filters by image flags: 2 linear, 4 mipmapped.
  unsigned MakeTexture(const TexturePlan& plan, int flags);
  // Sends what is recorded first when a pending draw still samples it.
  void DeleteTexture(unsigned name);
  int MaxTextureSize() const { return max_texture_size_; }

  // Sends what is recorded and reads the back buffer's w x h rectangle at
  // (x, y) (window pixels, bottom-left origin) as RGBA rows, top row first.
  std::vector<std::uint8_t> ReadPixels(int x, int y, int w, int h);
  // The same from the last presented picture, sending nothing: empty when
  // there is no picture of its own or part of the repaint being recorded is
  // in it already.
  std::vector<std::uint8_t> ReadPresented(int x, int y, int w, int h);
  // Sends what is recorded and waits until GL has finished all drawing.
  void Finish();

  // About the GL context current on this thread, renderer or not.
  // Whether it is of version 3.3 or later with the core profile.
  static bool ContextIsCore33();
  // "<version> | <renderer>".
  static std::string ContextDescription();
  // Collects pending error codes, printing each to stderr; how many there were.
  static int TakeErrors();

 private:
  using Kind = RecordKind;
  using State = RecordState;
  using View = RecordView;
  using Op = RecordOp;

  GLRenderer() = default;
  bool Init();
  // How the current blend mode draws a primitive of alpha byte `alpha`:
  // the blender, and whether the alpha test applies. Under alpha blending an
  // opaque flat primitive, or an opaque glyph of the font, gives exactly
  // what drawing it without blending (and with the alpha test) gives, so it
  // joins the unblended batch: fewer state changes, and the rasteriser can
  // skip reading the destination.
  Blender Route(std::uint8_t alpha, unsigned texture, bool binary_alpha, bool* alpha_test) const;
  // Opens a new batch when a primitive of `kind` with `texture` cannot join
  // the open one.
  void Prepare(Kind kind, Blender blend, unsigned texture, bool nearest = false);
  // The one place where per-batch GL state changes (cached); false when the
  // state's clip lies wholly outside the damage being drawn.
  bool ApplyState(const State& state);
  void Bind(unsigned texture);
  // Makes the bound image texture sample nearest, or by its own filter.
  void Sample(unsigned texture, bool nearest);
  void SendView(const View& view);
  // Puts the unsent vertices into the vertex buffer.
  void Upload();
  // Puts `count` vertices into the vertex buffer, from its start.
  void UploadVertices(const GLVertex* vertices, std::size_t count);
  // Sends ops [from, end) whose vertices start at `base` in the buffer.
  void SendOps(std::size_t from, std::size_t base);
  // Draws the batch `op`, the record's op `index`.
  void Draw(const Op& op, std::size_t index, std::size_t base);
  // The vertices of op `index` that the pass being drawn draws.
  const VertexRun& DamageRun(std::size_t index) const {
    return damage_runs_[damage_pass_ * ops_.size() + index];
  }
  // Whether `op` is a clear that fills the whole of `rect`.
  static bool Covers(const Op& op, const GLClip& rect);
  // Whether a damage pass that starts at `clear` can start at `op`
  // instead, its quad drawing the clear's colour where it drops fragments
  // (marked so in `run`, the pass's vertices of `op`).
  static bool StartAtFill(const Op& clear, const Op& op, const View& view, const GLClip& rect,
                          GLVertex* run, std::size_t count);
  // Draws the whole record again inside the damaged rectangles only.
  void DrawDamaged(const Damage& damage);
  RepaintRecord Now() const { return {ops_, vertices_, start_view_}; }
  RepaintRecord Shown() const { return {shown_ops_, shown_vertices_, shown_start_view_}; }
  // The scissor for `clip` inside the damage being drawn.
  GLClip Scissor(const GLClip& clip) const;

  void BindTarget();
  // Puts the picture of its own on the back buffer, the rest in the colour
  // given.
  void PutTarget(int drawable_w, int drawable_h, int scale, int red, int green, int blue);
  // Whether some picture outlives a presentation: one of its own or a kept
  // back buffer.
  bool Keeps() const { return fbo_ != 0 || kept_w_ != 0; }
  // The size of the picture drawn into, where it is known (0 x 0 where not).
  int PictureWidth() const { return fbo_ != 0 ? target_w_ : kept_w_; }
  int PictureHeight() const { return fbo_ != 0 ? target_h_ : kept_h_; }
  std::vector<std::uint8_t> ReadPicture(int x, int y, int w, int h);

  std::uint64_t serial_ = 0;  // tells renderers apart over the program's life
  // Where the piece being recorded began.
  RecordPiece::Start piece_start_;
  std::size_t piece_ops_ = 0, piece_vertices_ = 0, piece_sent_ = 0;
  unsigned program_ = 0, vao_ = 0, vbo_ = 0, font_texture_ = 0;
  // The picture of its own (0: drawing into the back buffer) and its size.
  unsigned fbo_ = 0, fbo_color_ = 0;
  int target_w_ = 0, target_h_ = 0;
  // The back buffer's size while it keeps its contents (0 x 0: it does not).
  int kept_w_ = 0, kept_h_ = 0;
  Damage drawn_;
  int loc_size_ = -1, loc_texture_ = -1;
  int mode_ = BLEND_MASKED;  // the layer's blend mode
  int max_texture_size_ = 0;

  // The repaint being recorded: ops_[sent_ops_..] and
  // vertices_[sent_vertices_..] have not reached GL yet. The pieces in it,
  // with their boxes, let damage passes skip them whole.
  std::vector<Op> ops_;
  std::vector<GLVertex> vertices_;
  std::vector<VertexSpan> spans_;
  std::size_t sent_ops_ = 0, sent_vertices_ = 0;
  bool batch_open_ = false;  // ops_.back() is a batch primitives may join
  View view_;                // the view of the last BeginFrame
  View start_view_;          // the view in force when this repaint began
  // The last presented repaint, and whether the picture shows it.
  std::vector<Op> shown_ops_;
  std::vector<GLVertex> shown_vertices_;
  View shown_start_view_;
  bool shown_valid_ = false;
  bool retained_ = false;
  // While the damage is drawn: the rectangle being drawn, its pass, and
  // for each pass and op the vertices drawn (kept between repaints, so
  // that gathering them allocates nothing once they have grown).
  bool damage_on_ = false;
  GLClip damage_;
  std::size_t damage_pass_ = 0;
  std::vector<GLVertex> damage_vertices_;
  std::vector<VertexRun> damage_runs_;
  std::vector<std::size_t> damage_starts_;  // each pass's first op

  State want_;  // clip the next primitive will be drawn with
  // What GL has now; `known_` false after a view change until first applied.
  State gl_;
  bool known_ = false;
  unsigned bound_ = 0;
  bool bound_known_ = false;
};

// A number that changes whenever a texture name gets new content: a name GL
// hands out again after a delete is a different texture.
std::uint64_t TextureContentInternal(unsigned name);

}  // namespace drawing_internal
