// The GL back end of the drawing layer: one shader, one streaming vertex
// buffer and a batch of primitives that is sent in as few draw calls as the
// state allows. A batch is cut only when a primitive needs a different blend
// mode, clip, texture or primitive kind, and before a clear, a swap or a read
// back, so the picture is the same as drawing every primitive at once.
// Internal to platform/.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

struct TexturePlan;

// One vertex in canvas pixels. `textured` 0 draws the flat colour; the
// colour is the clamped drawing colour and alpha byte.
struct GLVertex {
  float x = 0, y = 0;
  float u = 0, v = 0;
  std::uint8_t r = 255, g = 255, b = 255, a = 255;
  std::int32_t textured = 0;
};

// The scissor as GL wants it (window pixels, bottom-left origin).
struct GLClip {
  bool empty = false;    // nothing may be drawn
  bool enabled = false;  // scissor test on
  int x = 0, y = 0, w = 0, h = 0;
  bool operator==(const GLClip&) const = default;
};

class GLRenderer {
 public:
  // Compiles the shader and makes the buffers and the font texture in the
  // current GL context; null (with the reason on stderr) on failure.
  static std::unique_ptr<GLRenderer> Create();
  ~GLRenderer();
  GLRenderer(const GLRenderer&) = delete;
  GLRenderer& operator=(const GLRenderer&) = delete;

  // Sets every piece of GL state the layer relies on, in one place, and
  // forgets the cached blend mode, clip and texture binding. `viewport` is
  // the canvas in window pixels; width x height is the projection: one unit
  // one pixel, y downward.
  void BeginFrame(int vx, int vy, int vw, int vh, int width, int height);

  void SetBlend(int mode);
  void SetClip(const GLClip& clip);
  bool ClipIsEmpty() const { return want_.clip.empty; }

  // A filled convex quadrilateral (corners in order); texture 0 = untextured.
  void Quad(const GLVertex corners[4], unsigned texture);
  // A GL line segment (diamond-exit rule: the last pixel is left out).
  void Line(const GLVertex& a, const GLVertex& b);
  // Fills the clip (or the whole framebuffer with clipping off).
  void Clear(int red, int green, int blue);
  // Sends the pending batch.
  void Flush();

  // The font atlas: glyph g occupies texels [g * kCellWidth + 1, + 8) x [0, 16).
  unsigned FontTexture() const { return font_texture_; }
  static constexpr int kCellWidth = 10;
  static constexpr int kAtlasWidth = 1024;
  static constexpr int kAtlasHeight = 16;

  // Makes a texture from a prepared plan (levels in RGBA8); 0 when level 0
  // is malformed. Filters by image flags: 2 linear, 4 mipmapped.
  unsigned MakeTexture(const TexturePlan& plan, int flags);
  void DeleteTexture(unsigned name);
  int MaxTextureSize() const { return max_texture_size_; }

 private:
  enum class Kind { Triangles, Lines };
  struct State {
    int blend = 1;
    GLClip clip;
    unsigned texture = 0;  // 0: the batch has no textured primitive yet
    Kind kind = Kind::Triangles;
  };

  GLRenderer() = default;
  bool Init();
  // Cuts the batch when a primitive of `kind` with `texture` cannot join it.
  void Prepare(Kind kind, unsigned texture);
  // The one place where per-batch GL state changes (cached).
  void ApplyState(const State& state);
  void Bind(unsigned texture);

  unsigned program_ = 0, vao_ = 0, vbo_ = 0, font_texture_ = 0;
  int loc_size_ = -1, loc_alpha_test_ = -1, loc_texture_ = -1;
  int max_texture_size_ = 0;
  std::size_t vbo_capacity_ = 0;

  std::vector<GLVertex> batch_;
  State batch_state_;  // state the pending batch was recorded under
  State want_;         // state the next primitive will be drawn with
  // What GL has now; `known_` false after BeginFrame until first applied.
  State gl_;
  bool known_ = false;
  unsigned bound_ = 0;
  bool bound_known_ = false;
};

// Draw calls issued since the last reset (every glDrawArrays of the layer).
long DrawCallCountInternal();
void ResetDrawCallCountInternal();
