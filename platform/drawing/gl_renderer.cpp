#include "platform/drawing/gl_renderer.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "platform/drawing/font_default.h"
#include "platform/images/image.h"
#include "platform/images/texture_plan.h"

namespace drawing_internal {

namespace {

// Texture name -> content number; names are shared by every context.
std::unordered_map<unsigned, std::uint64_t>& Contents() {
  static auto& contents = *new std::unordered_map<unsigned, std::uint64_t>;
  return contents;
}
std::uint64_t g_next_content = 0;

void NewContent(unsigned name) { Contents()[name] = ++g_next_content; }

// An image texture's own filters, and whether it is set to sample nearest
// instead now. A texture is switched only when a draw wants the other way,
// which for a preview at scale 1 is once: switching at every draw would
// cost a software renderer the sampler state set up again each time.
struct TextureFilter {
  GLint min = GL_NEAREST, mag = GL_NEAREST;
  bool nearest = false;
};
std::unordered_map<unsigned, TextureFilter>& Filters() {
  static auto& filters = *new std::unordered_map<unsigned, TextureFilter>;
  return filters;
}

// Positions arrive in canvas pixels; the projection puts 0 at the left/top
// edge and size at the right/bottom edge. Colour and the texturing switch are
// flat: every vertex of a primitive carries the same values, and not
// interpolating them keeps the colour bytes exact. The colour a dropped
// fragment may take instead is unpacked from the flags here, once a vertex
// rather than once a fragment.
constexpr const char* kVertexShader = R"(#version 330 core
layout(location = 0) in vec2 a_pos;
layout(location = 1) in vec2 a_uv;
layout(location = 2) in vec4 a_color;
layout(location = 3) in int a_flags;
uniform vec2 u_size;
out vec2 v_uv;
flat out vec4 v_color;
flat out int v_flags;
flat out vec4 v_under;
void main() {
  v_uv = a_uv;
  v_color = a_color;
  v_flags = a_flags;
  v_under = vec4(float((a_flags >> 8) & 255), float((a_flags >> 16) & 255),
                 float((a_flags >> 24) & 255), 255.0) / 255.0;
  gl_Position = vec4(a_pos.x * 2.0 / u_size.x - 1.0, 1.0 - a_pos.y * 2.0 / u_size.y, 0.0, 1.0);
}
)";

// The flags are flat, so every fragment of a primitive (and of each 2 x 2
// quad, which never mixes primitives) takes the same branch: implicit
// derivatives for mipmapped images stay defined, and flat primitives skip
// the texture fetch. The alpha test keeps fragments with alpha >= 0.5, and
// gives the others the flags' colour where they ask for it.
constexpr const char* kFragmentShader = R"(#version 330 core
in vec2 v_uv;
flat in vec4 v_color;
flat in int v_flags;
flat in vec4 v_under;
uniform sampler2D u_texture;
out vec4 frag_color;
void main() {
  vec4 color = v_color;
  if ((v_flags & 1) != 0) color *= texture(u_texture, v_uv);
  if ((v_flags & 2) != 0 && color.a < 0.5) {
    if ((v_flags & 4) == 0) discard;
    color = v_under;
  }
  frag_color = color;
}
)";

GLuint CompileShader(GLenum type, const char* source) {
  const GLuint shader = glCreateShader(type);
  glShaderSource(shader, 1, &source, nullptr);
  glCompileShader(shader);
  GLint ok = GL_FALSE;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  if (ok != GL_TRUE) {
    GLint length = 0;
    glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
    std::vector<char> log(static_cast<std::size_t>(length > 0 ? length : 1), '\0');
    glGetShaderInfoLog(shader, static_cast<GLsizei>(log.size()), nullptr, log.data());
    std::fprintf(stderr, "graphics: %s shader did not compile:\n%s\n",
                 type == GL_VERTEX_SHADER ? "vertex" : "fragment", log.data());
    glDeleteShader(shader);
    return 0;
  }
  return shader;
}

GLuint LinkProgram() {
  const GLuint vs = CompileShader(GL_VERTEX_SHADER, kVertexShader);
  const GLuint fs = CompileShader(GL_FRAGMENT_SHADER, kFragmentShader);
  if (vs == 0 || fs == 0) {
    if (vs != 0) glDeleteShader(vs);
    if (fs != 0) glDeleteShader(fs);
    return 0;
  }
  const GLuint program = glCreateProgram();
  glAttachShader(program, vs);
  glAttachShader(program, fs);
  glLinkProgram(program);
  glDeleteShader(vs);
  glDeleteShader(fs);
  GLint ok = GL_FALSE;
  glGetProgramiv(program, GL_LINK_STATUS, &ok);
  if (ok != GL_TRUE) {
    GLint length = 0;
    glGetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
    std::vector<char> log(static_cast<std::size_t>(length > 0 ? length : 1), '\0');
    glGetProgramInfoLog(program, static_cast<GLsizei>(log.size()), nullptr, log.data());
    std::fprintf(stderr, "graphics: shader program did not link:\n%s\n", log.data());
    glDeleteProgram(program);
    return 0;
  }
  return program;
}

// The font as one RGBA atlas: white opaque where a bit is set, transparent
// black elsewhere, each glyph with a blank column on either side so that
// sampling exactly on a glyph's edge never reaches into its neighbour.
std::vector<std::uint8_t> FontAtlasPixels() {
  std::vector<std::uint8_t> pixels(
      static_cast<std::size_t>(GLRenderer::kAtlasWidth) * GLRenderer::kAtlasHeight * 4, 0);
  for (int glyph = 0; glyph < kFontGlyphCount; ++glyph) {
    for (int row = 0; row < kFontGlyphHeight; ++row) {
      for (int column = 0; column < kFontGlyphWidth; ++column) {
        if (!DefaultFontPixel(kFontFirstCode + glyph, column, row)) continue;
        const int x = glyph * GLRenderer::kCellWidth + 1 + column;
        std::uint8_t* p =
            pixels.data() + (static_cast<std::size_t>(row) * GLRenderer::kAtlasWidth + x) * 4;
        p[0] = p[1] = p[2] = p[3] = 255;
      }
    }
  }
  return pixels;
}

}  // namespace


std::uint64_t TextureContentInternal(unsigned name) {
  if (name == 0) return 0;
  const auto it = Contents().find(name);
  return it != Contents().end() ? it->second : 0;
}

std::unique_ptr<GLRenderer> GLRenderer::Create() {
  static std::uint64_t made = 0;
  std::unique_ptr<GLRenderer> renderer(new GLRenderer());
  renderer->serial_ = ++made;
  if (!renderer->Init()) return nullptr;
  return renderer;
}

bool GLRenderer::Init() {
  program_ = LinkProgram();
  if (program_ == 0) return false;
  // The one program is made: the compiler's built-in functions, several
  // MiB that the driver keeps for the context's next compile, can go.
  if (epoxy_gl_version() >= 41 || epoxy_has_gl_extension("GL_ARB_ES2_compatibility")) {
    glReleaseShaderCompiler();
  }
  loc_size_ = glGetUniformLocation(program_, "u_size");
  loc_texture_ = glGetUniformLocation(program_, "u_texture");

  glGenVertexArrays(1, &vao_);
  glGenBuffers(1, &vbo_);
  glBindVertexArray(vao_);
  glBindBuffer(GL_ARRAY_BUFFER, vbo_);
  const auto stride = static_cast<GLsizei>(sizeof(GLVertex));
  glEnableVertexAttribArray(0);
  glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, stride,
                        reinterpret_cast<const void*>(offsetof(GLVertex, x)));
  glEnableVertexAttribArray(1);
  glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, stride,
                        reinterpret_cast<const void*>(offsetof(GLVertex, u)));
  glEnableVertexAttribArray(2);
  glVertexAttribPointer(2, 4, GL_UNSIGNED_BYTE, GL_TRUE, stride,
                        reinterpret_cast<const void*>(offsetof(GLVertex, r)));
  glEnableVertexAttribArray(3);
  glVertexAttribIPointer(3, 1, GL_INT, stride,
                         reinterpret_cast<const void*>(offsetof(GLVertex, flags)));

  GLint max_size = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &max_size);
  max_texture_size_ = max_size;

  const std::vector<std::uint8_t> atlas = FontAtlasPixels();
  glGenTextures(1, &font_texture_);
  glBindTexture(GL_TEXTURE_2D, font_texture_);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, kAtlasWidth, kAtlasHeight, 0, GL_RGBA,
               GL_UNSIGNED_BYTE, atlas.data());
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
  NewContent(font_texture_);
  // A name a context that has gone handed out before may come back here.
  Filters().erase(font_texture_);
  vertices_.reserve(4096);
  return true;
}

GLRenderer::~GLRenderer() {
  // Runs with this renderer's context current (the owner sees to that).
  if (font_texture_ != 0) {
    Contents().erase(font_texture_);
    glDeleteTextures(1, &font_texture_);
  }
  SetTarget(0, 0);
  if (vbo_ != 0) glDeleteBuffers(1, &vbo_);
  if (vao_ != 0) glDeleteVertexArrays(1, &vao_);
  if (program_ != 0) glDeleteProgram(program_);
}

void GLRenderer::BeginFrame(int vx, int vy, int vw, int vh, int width, int height) {
  view_ = View{vx, vy, vw, vh, width > 0 ? width : 1, height > 0 ? height : 1};
  Op op;
  op.type = Op::Type::View;
  op.view = view_;
  ops_.push_back(op);
  batch_open_ = false;
}

void GLRenderer::SetTarget(int width, int height) {
  if (width < 0 || height < 0) width = height = 0;
  if (width == target_w_ && height == target_h_) return;
  retained_ = false;
  // What is recorded and not sent yet (the clear that ends a presentation)
  // is for the next picture: it goes to the new target.
  if (fbo_ != 0) {
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteFramebuffers(1, &fbo_);
    glDeleteRenderbuffers(1, &fbo_color_);
    fbo_ = fbo_color_ = 0;
  }
  target_w_ = target_h_ = 0;
  if (width == 0 || height == 0) return;
  glGenRenderbuffers(1, &fbo_color_);
  glBindRenderbuffer(GL_RENDERBUFFER, fbo_color_);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
  glGenFramebuffers(1, &fbo_);
  glBindFramebuffer(GL_FRAMEBUFFER, fbo_);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, fbo_color_);
  if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
    // Drawing into the back buffer is still right at its own scale.
    std::fprintf(stderr, "graphics: no %d x %d framebuffer; drawing unscaled\n", width, height);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteFramebuffers(1, &fbo_);
    glDeleteRenderbuffers(1, &fbo_color_);
    fbo_ = fbo_color_ = 0;
    return;
  }
  glDisable(GL_SCISSOR_TEST);
  glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  target_w_ = width;
  target_h_ = height;
  known_ = false;
}

void GLRenderer::KeepBackBuffer(int width, int height) {
  if (width <= 0 || height <= 0 || fbo_ != 0) width = height = 0;
  if (width == kept_w_ && height == kept_h_) return;
  // A back buffer of another size holds nothing known.
  if (fbo_ == 0) retained_ = false;
  kept_w_ = width;
  kept_h_ = height;
}

void GLRenderer::BindTarget() { glBindFramebuffer(GL_FRAMEBUFFER, fbo_); }

void GLRenderer::PresentTarget(int drawable_w, int drawable_h, int scale) {
  PutTarget(drawable_w, drawable_h, scale, 0, 0, 0);
}

void GLRenderer::PresentTargetFilled(int drawable_w, int drawable_h, int scale) {
  int red = 0, green = 0, blue = 0;
  for (const Op& op : shown_ops_) {
    if (op.type == Op::Type::View) continue;
    if (op.type == Op::Type::Clear && op.whole) red = op.red, green = op.green, blue = op.blue;
    break;
  }
  PutTarget(drawable_w, drawable_h, scale, red, green, blue);
}

void GLRenderer::PutTarget(int drawable_w, int drawable_h, int scale, int red, int green,
                           int blue) {
  if (fbo_ == 0) return;
  scale = std::max(1, scale);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo_);
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
  glDrawBuffer(GL_BACK);
  // The blit obeys the scissor like any drawing.
  glDisable(GL_SCISSOR_TEST);
  const int w = target_w_ * scale, h = target_h_ * scale;
  if (w != drawable_w || h != drawable_h) {
    glClearColor(static_cast<float>(red) / 255.0f, static_cast<float>(green) / 255.0f,
                 static_cast<float>(blue) / 255.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
  }
  glBlitFramebuffer(0, 0, target_w_, target_h_, 0, drawable_h - h, w, drawable_h,
                    GL_COLOR_BUFFER_BIT, GL_NEAREST);
  // The window's framebuffer stays bound until the next drawing binds the
  // picture again: whatever looks at the frame being swapped (a capture
  // tool, the test display) reads the window's.
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  known_ = false;
}

void GLRenderer::SendView(const View& view) {
  BindTarget();
  glViewport(view.vx, view.vy, view.vw, view.vh);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_STENCIL_TEST);
  glDisable(GL_CULL_FACE);
  glDisable(GL_DITHER);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glUseProgram(program_);
  glBindVertexArray(vao_);
  glBindBuffer(GL_ARRAY_BUFFER, vbo_);
  glActiveTexture(GL_TEXTURE0);
  glUniform1i(loc_texture_, 0);
  glUniform2f(loc_size_, static_cast<float>(view.width), static_cast<float>(view.height));
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glLineWidth(1.0f);
  // Blend mode, clip and texture binding are sent again at the next use.
  known_ = false;
  bound_known_ = false;
}

void GLRenderer::SetBlend(int mode) { mode_ = mode; }

Blender GLRenderer::Route(std::uint8_t alpha, unsigned texture, bool binary_alpha,
                                      bool* alpha_test) const {
  *alpha_test = false;
  switch (mode_) {
    case BLEND_MASKED:
      *alpha_test = true;
      return Blender::Off;
    case BLEND_ALPHA:
      if (alpha == 255 && (texture == 0 || binary_alpha)) {
        *alpha_test = texture != 0;
        return Blender::Off;
      }
      return Blender::Alpha;
    case BLEND_ADDITIVE:
      return Blender::Additive;
    case BLEND_MULTIPLIED:
      return Blender::Multiply;
    default:  // BLEND_SOLID, and any other mode
      return Blender::Off;
  }
}

void GLRenderer::SetClip(const GLClip& clip) { want_.clip = clip; }

void GLRenderer::Prepare(Kind kind, Blender blend, unsigned texture, bool nearest) {
  if (batch_open_) {
    const State& open = ops_.back().state;
    const bool joins =
        open.blend == blend && open.clip == want_.clip && open.kind == kind &&
        (texture == 0 || open.texture == 0 || (open.texture == texture && open.nearest == nearest));
    if (!joins) batch_open_ = false;
  }
  if (!batch_open_) {
    Op op;
    op.type = Op::Type::Draw;
    op.state = want_;
    op.state.blend = blend;
    op.state.kind = kind;
    op.state.texture = 0;
    op.first = vertices_.size();
    ops_.push_back(op);
    batch_open_ = true;
  }
  Op& op = ops_.back();
  if (texture != 0 && op.state.texture != texture) {
    op.state.texture = texture;
    op.state.nearest = nearest;
    op.content = TextureContentInternal(texture);
  }
}

void GLRenderer::Quad(const GLVertex corners[4], unsigned texture, bool binary_alpha,
                      bool nearest) {
  if (want_.clip.empty) return;
  bool alpha_test = false;
  const Blender blend = Route(corners[0].a, texture, binary_alpha, &alpha_test);
  Prepare(Kind::Triangles, blend, texture, nearest);
  const std::int32_t flags =
      (texture != 0 ? kVertexTextured : 0) | (alpha_test ? kVertexAlphaTest : 0);
  // Two triangles, written in place: this runs for every glyph and
  // rectangle of every repaint.
  static constexpr int kOrder[6] = {0, 1, 2, 0, 2, 3};
  GLVertex six[6];
  for (int i = 0; i < 6; ++i) {
    six[i] = corners[kOrder[i]];
    six[i].flags = flags;
  }
  vertices_.insert(vertices_.end(), six, six + 6);
  ops_.back().count += 6;
}

void GLRenderer::Line(const GLVertex& a, const GLVertex& b) {
  if (want_.clip.empty) return;
  bool alpha_test = false;
  const Blender blend = Route(a.a, 0, false, &alpha_test);
  Prepare(Kind::Lines, blend, 0);
  const std::int32_t flags = alpha_test ? kVertexAlphaTest : 0;
  vertices_.push_back(a);
  vertices_.back().flags = flags;
  vertices_.push_back(b);
  vertices_.back().flags = flags;
  ops_.back().count += 2;
}

void GLRenderer::Clear(int red, int green, int blue) {
  batch_open_ = false;
  if (want_.clip.empty) return;
  Op op;
  op.type = Op::Type::Clear;
  // With clipping off the rectangle is not used: leave it out of the record.
  if (want_.clip.enabled) op.state.clip = want_.clip;
  op.red = red, op.green = green, op.blue = blue;
  GLClip viewport;
  viewport.x = view_.vx, viewport.y = view_.vy, viewport.w = view_.vw, viewport.h = view_.vh;
  op.whole = !want_.clip.enabled || Contains(want_.clip, viewport);
  ops_.push_back(op);
}

void GLRenderer::ClearRect(const GLClip& rect, int red, int green, int blue) {
  if (want_.clip.empty || rect.w <= 0 || rect.h <= 0) return;
  int x0 = rect.x, y0 = rect.y, x1 = rect.x + rect.w, y1 = rect.y + rect.h;
  if (want_.clip.enabled) {
    x0 = std::max(x0, want_.clip.x);
    y0 = std::max(y0, want_.clip.y);
    x1 = std::min(x1, want_.clip.x + want_.clip.w);
    y1 = std::min(y1, want_.clip.y + want_.clip.h);
  }
  if (x1 <= x0 || y1 <= y0) return;
  batch_open_ = false;
  Op op;
  op.type = Op::Type::ClearRect;
  op.rect.enabled = true;
  op.rect.x = x0, op.rect.y = y0, op.rect.w = x1 - x0, op.rect.h = y1 - y0;
  op.red = red, op.green = green, op.blue = blue;
  ops_.push_back(op);
}

bool GLRenderer::ApplyState(const State& state) {
  const GLClip clip = Scissor(state.clip);
  if (clip.empty) return false;
  if (!known_ || state.blend != gl_.blend) {
    switch (state.blend) {
      case Blender::Alpha:  // src * a + dst * (1 - a)
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        break;
      case Blender::Additive:  // src * a + dst
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE);
        break;
      case Blender::Multiply:  // src * dst
        glEnable(GL_BLEND);
        glBlendFunc(GL_DST_COLOR, GL_ZERO);
        break;
      case Blender::Off:  // masked (alpha test in the vertices) and solid
        glDisable(GL_BLEND);
        break;
    }
    gl_.blend = state.blend;
  }
  if (!known_ || !(clip == gl_.clip)) {
    if (clip.enabled) {
      glEnable(GL_SCISSOR_TEST);
      glScissor(clip.x, clip.y, clip.w, clip.h);
    } else {
      glDisable(GL_SCISSOR_TEST);
    }
    gl_.clip = clip;
  }
  known_ = true;
  return true;
}

void GLRenderer::Bind(unsigned texture) {
  if (bound_known_ && bound_ == texture) return;
  glBindTexture(GL_TEXTURE_2D, texture);
  bound_ = texture;
  bound_known_ = true;
}

void GLRenderer::Sample(unsigned texture, bool nearest) {
  const auto it = Filters().find(texture);
  if (it == Filters().end() || it->second.nearest == nearest) return;
  TextureFilter& f = it->second;
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, nearest ? GL_NEAREST : f.min);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, nearest ? GL_NEAREST : f.mag);
  f.nearest = nearest;
}

void GLRenderer::Upload() {
  UploadVertices(vertices_.data() + sent_vertices_, vertices_.size() - sent_vertices_);
}

void GLRenderer::UploadVertices(const GLVertex* vertices, std::size_t count) {
  if (count == 0) return;
  glBindBuffer(GL_ARRAY_BUFFER, vbo_);
  const std::size_t bytes = count * sizeof(GLVertex);
  // Orphaning the store lets the driver hand out fresh memory instead of
  // waiting for the previous draw to finish with it. The new store is as
  // big as this upload needs (to the next power of two): a repaint that
  // draws a few damaged primitives must not pay for the memory of the
  // largest full repaint there was, which a software renderer allocates and
  // maps anew each time.
  std::size_t store = 16 * 1024;
  while (store < bytes) store *= 2;
  glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(store), nullptr, GL_STREAM_DRAW);
  glBufferSubData(GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(bytes), vertices);
}

void GLRenderer::SendOps(std::size_t from, std::size_t base) {
  BindTarget();
  for (std::size_t i = from; i < ops_.size(); ++i) {
    const Op& op = ops_[i];
    if (op.type == Op::Type::View) {
      SendView(op.view);
      continue;
    }
    if (op.type == Op::Type::Draw && op.count == 0) continue;
    // A batch none of whose primitives meet the damage changes no state.
    if (op.type == Op::Type::Draw && damage_on_ && DamageRun(i).count == 0) continue;
    State state = op.state;
    // A clear keeps whatever blender is on.
    if (op.type != Op::Type::Draw) state.blend = known_ ? gl_.blend : Blender::Off;
    if (op.type == Op::Type::ClearRect) state.clip = op.rect;
    if (!ApplyState(state)) continue;  // nothing of it in the damage
    if (op.type == Op::Type::Draw) {
      Draw(op, i, base);
      continue;
    }
    glClearColor(static_cast<float>(op.red) / 255.0f, static_cast<float>(op.green) / 255.0f,
                 static_cast<float>(op.blue) / 255.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
  }
}

void GLRenderer::Draw(const Op& op, std::size_t index, std::size_t base) {
  const GLenum mode = op.state.kind == Kind::Lines ? GL_LINES : GL_TRIANGLES;
  // Where only the damage is drawn, the vertices of the primitives that
  // meet it were gathered for this pass (DrawDamaged).
  const VertexRun run = damage_on_ ? DamageRun(index) : VertexRun{op.first - base, op.count};
  if (run.count == 0) return;
  Bind(op.state.texture != 0 ? op.state.texture : font_texture_);
  if (op.state.texture != 0) Sample(op.state.texture, op.state.nearest);
  glDrawArrays(mode, static_cast<GLint>(run.first), static_cast<GLsizei>(run.count));
}

RecordPiece::Start GLRenderer::PieceStart() const {
  RecordPiece::Start start;
  start.open = batch_open_;
  if (batch_open_) {
    start.open_state = ops_.back().state;
    start.open_content = ops_.back().content;
  }
  start.want = want_;
  start.view = view_;
  start.mode = mode_;
  return start;
}

void GLRenderer::BeginPiece() {
  piece_start_ = PieceStart();
  piece_ops_ = ops_.size();
  piece_vertices_ = vertices_.size();
  piece_sent_ = sent_ops_;
}

bool GLRenderer::EndPiece(RecordPiece* piece) {
  const RecordPiece::Start& start = piece_start_;
  piece->renderer = 0;
  piece->ops.clear();
  piece->vertices.clear();
  const bool same_state = sent_ops_ == piece_sent_ && want_ == start.want && view_ == start.view &&
                          mode_ == start.mode && ops_.size() >= piece_ops_ &&
                          vertices_.size() >= piece_vertices_ &&
                          (!start.open || piece_ops_ > 0);
  if (!same_state) return false;
  // Images keep their textures by rules of their own (made at a first
  // draw, let go when the image goes or its budget is spent): a piece
  // draws nothing but flat primitives and the font.
  const auto own = [this](const State& state) {
    return state.texture == 0 || state.texture == font_texture_;
  };
  if (start.open && !own(ops_[piece_ops_ - 1].state)) return false;
  for (std::size_t i = piece_ops_; i < ops_.size(); ++i) {
    if (ops_[i].type != Op::Type::Draw || !own(ops_[i].state)) return false;
  }
  piece->start = start;
  piece->joined = 0;
  if (start.open) {
    // The batch open at the start was the record's last: its vertices
    // ended where the piece's began.
    const Op& joined = ops_[piece_ops_ - 1];
    piece->joined = joined.first + joined.count - piece_vertices_;
    piece->joined_state = joined.state;
    piece->joined_content = joined.content;
  }
  piece->ops.assign(ops_.begin() + static_cast<std::ptrdiff_t>(piece_ops_), ops_.end());
  for (Op& op : piece->ops) op.first -= piece_vertices_;
  piece->vertices.assign(vertices_.begin() + static_cast<std::ptrdiff_t>(piece_vertices_),
                         vertices_.end());
  piece->open_after = batch_open_;
  piece->boxed = !piece->vertices.empty();
  VertexSpan& box = piece->box;
  box.count = piece->vertices.size();
  box.x0 = box.y0 = INFINITY;
  box.x1 = box.y1 = -INFINITY;
  for (const GLVertex& v : piece->vertices) {
    piece->boxed = piece->boxed && std::isfinite(v.x) && std::isfinite(v.y);
    box.x0 = std::min(box.x0, v.x), box.x1 = std::max(box.x1, v.x);
    box.y0 = std::min(box.y0, v.y), box.y1 = std::max(box.y1, v.y);
  }
  if (piece->boxed) {
    spans_.push_back(box);
    spans_.back().first = piece_vertices_;
  }
  piece->renderer = serial_;
  return true;
}

bool GLRenderer::AppendPiece(const RecordPiece& piece) {
  if (piece.renderer != serial_ || !(piece.start == PieceStart())) return false;
  // A font texture made again holds something else: the piece must be
  // drawn afresh.
  if (TexturesChanged({piece.ops, piece.vertices, {}}, TextureContentInternal) ||
      (piece.start.open && piece.joined_state.texture != 0 &&
       TextureContentInternal(piece.joined_state.texture) != piece.joined_content)) {
    return false;
  }
  const std::size_t base = vertices_.size();
  vertices_.insert(vertices_.end(), piece.vertices.begin(), piece.vertices.end());
  if (piece.start.open) {
    Op& joined = ops_.back();
    joined.count += piece.joined;
    joined.state = piece.joined_state;
    joined.content = piece.joined_content;
  }
  for (const Op& op : piece.ops) {
    ops_.push_back(op);
    ops_.back().first += base;
  }
  batch_open_ = piece.open_after;
  if (piece.boxed) {
    spans_.push_back(piece.box);
    spans_.back().first = base;
  }
  return true;
}

void GLRenderer::Flush() {
  batch_open_ = false;
  if (sent_ops_ == ops_.size()) return;
  // The unsent vertices go up at once; each batch draws its range of them.
  Upload();
  SendOps(sent_ops_, sent_vertices_);
  sent_ops_ = ops_.size();
  sent_vertices_ = vertices_.size();
}

GLClip GLRenderer::Scissor(const GLClip& clip) const {
  if (!damage_on_) return clip;
  GLClip whole;
  whole.w = PictureWidth(), whole.h = PictureHeight();
  GLClip s = Overlap(clip.enabled ? clip : whole, damage_);
  s.empty = s.w <= 0 || s.h <= 0;
  return s;
}

bool GLRenderer::Covers(const Op& op, const GLClip& rect) {
  GLClip fill;
  if (op.type == Op::Type::ClearRect) {
    fill = op.rect;
  } else if (op.type == Op::Type::Clear && op.state.clip.enabled) {
    fill = op.state.clip;
  } else {
    // Unclipped, a clear fills the whole framebuffer.
    return op.type == Op::Type::Clear;
  }
  return Contains(fill, rect);
}

bool GLRenderer::StartAtFill(const Op& clear, const Op& op, const View& view, const GLClip& rect,
                             GLVertex* run, std::size_t count) {
  // `run` holds the primitives of `op` that may meet the rectangle, and
  // nothing drawn there since the clear came before them. Those at its head
  // that touch no pixel there draw nothing there.
  if ((clear.type != Op::Type::Clear && clear.type != Op::Type::ClearRect) ||
      op.state.kind != Kind::Triangles || op.state.blend != Blender::Off ||
      (op.state.clip.enabled && !Contains(op.state.clip, rect))) {
    return false;
  }
  std::size_t at = 0;
  for (GLClip box; at + 6 <= count; at += 6) {
    if (!PixelBox(run + at, 6, view, Kind::Triangles, &box)) return false;
    const GLClip meet = Overlap(box, rect);
    if (meet.w > 0 && meet.h > 0) break;
  }
  GLVertex* const quad = run + at;
  if (at + 6 > count ||
      std::any_of(quad, quad + 6, [&](const GLVertex& v) { return v.flags != quad[0].flags; }) ||
      !QuadFills(quad, view, rect)) {
    return false;
  }
  // Unblended, the quad writes every pixel of the rectangle with what it
  // draws there, except where the alpha test drops a fragment: there the
  // clear's colour shows, and the quad draws that colour itself instead.
  if ((quad[0].flags & kVertexAlphaTest) != 0) {
    const std::int32_t flags = quad[0].flags | kVertexUnder | clear.red << 8 | clear.green << 16 |
                               static_cast<std::int32_t>(static_cast<std::uint32_t>(clear.blue) << 24);
    for (GLVertex* v = quad; v != quad + 6; ++v) v->flags = flags;
  }
  return true;
}

void GLRenderer::DrawDamaged(const Damage& damage) {
  // A clear that fills the whole rectangle of a pass hides everything drawn
  // there before it: the pass starts at the last such clear, in the view in
  // force there (the view the record started in, as a full send would,
  // where there is none before it). Of every batch after it, only the
  // primitives that meet the rectangle are drawn: those wholly outside it
  // are left out, saving the renderer their vertices and set-up. They are
  // gathered for all passes first and go up at once.
  const std::size_t n = ops_.size(), passes = damage.rects.size();
  damage_vertices_.clear();
  damage_runs_.assign(passes * n, VertexRun{});
  damage_starts_.assign(passes, 0);
  const RepaintRecord now = Now();
  GLClip whole;
  whole.enabled = true;
  whole.w = PictureWidth(), whole.h = PictureHeight();
  for (std::size_t pass = 0; pass < passes; ++pass) {
    const GLClip& rect = damage.rects[pass];
    std::size_t& from = damage_starts_[pass];
    for (std::size_t i = n; i > 0; --i) {
      if (Covers(ops_[i - 1], rect)) {
        from = i - 1;
        break;
      }
    }
    View view = start_view_;
    bool first_met = false, cleared = false;
    for (std::size_t i = 0; i < n; ++i) {
      const Op& op = ops_[i];
      if (op.type == Op::Type::View) view = op.view;
      if (i < from) continue;
      if (op.type != Op::Type::Draw) {
        cleared = cleared || (i > from && op.type != Op::Type::View);
        continue;
      }
      if (op.count == 0) continue;
      const GLClip meet = Overlap(op.state.clip.enabled ? op.state.clip : whole, rect);
      if (meet.w <= 0 || meet.h <= 0) continue;  // its clip lies outside the pass
      const std::size_t first = damage_vertices_.size();
      const std::size_t count =
          AppendPrimitivesMeeting(now, op, view, rect, &damage_vertices_, spans_);
      damage_runs_[pass * n + i] = {first, count};
      if (count != 0 && !first_met) {
        first_met = true;
        if (!cleared && StartAtFill(ops_[from], op, view, rect, &damage_vertices_[first], count)) {
          from = i;
        }
      }
    }
  }
  UploadVertices(damage_vertices_.data(), damage_vertices_.size());
  for (std::size_t pass = 0; pass < passes; ++pass) {
    damage_on_ = true;
    damage_ = damage.rects[pass];
    damage_pass_ = pass;
    const std::size_t from = damage_starts_[pass];
    View view = start_view_;
    for (std::size_t i = from; i > 0; --i) {
      if (ops_[i - 1].type == Op::Type::View) {
        view = ops_[i - 1].view;
        break;
      }
    }
    SendView(view);
    SendOps(from, 0);
  }
  damage_on_ = false;
  known_ = false;
  sent_ops_ = ops_.size();
  sent_vertices_ = vertices_.size();
}

bool GLRenderer::EndFrame(Presentation how) {
  batch_open_ = false;
  // Drawing into the back buffer, whose size this does not know, nothing
  // may be cut away as lying outside it: any change is drawn in full there.
  constexpr int kUnbounded = 1 << 20;
  const int w = Keeps() ? PictureWidth() : kUnbounded, h = Keeps() ? PictureHeight() : kUnbounded;
  const RepaintRecord shown = Shown();
  const Damage damage = DamageToDraw(Now(), shown_valid_ ? &shown : nullptr, sent_ops_ != 0,
                                     retained_, how, w, h, TextureContentInternal);
  const bool same = damage.Empty();
  if (damage.full) {
    Flush();
    retained_ = Keeps() && StartsWithWholeClear(Now());
  } else if (!same) {
    DrawDamaged(damage);
  }
  drawn_ = damage;
  if (!same) {
    shown_ops_.swap(ops_);
    shown_vertices_.swap(vertices_);
    shown_start_view_ = start_view_;
    shown_valid_ = true;
  }
  ops_.clear();
  vertices_.clear();
  spans_.clear();
  sent_ops_ = sent_vertices_ = 0;
  start_view_ = view_;
  return !same || how != Presentation::kIfChanged;
}

bool GLRenderer::RedrawPresented(bool reuse, int lift) {
  if (!shown_valid_ || sent_ops_ != 0) return false;
  drawn_ = Damage{};
  drawn_.full = true;
  if (reuse && retained_ && lift == 0) return true;
  if (TexturesChanged(Shown(), TextureContentInternal)) return false;
  // The shown record goes through the ordinary sending path; the repaint
  // being recorded stays untouched around it. Lifted, every window row it
  // names moves up by `lift`.
  std::vector<Op> lifted;
  if (lift != 0) {
    lifted = shown_ops_;
    for (Op& op : lifted) {
      op.view.vy += lift;
      op.state.clip.y += lift;
      op.rect.y += lift;
    }
  }
  std::vector<Op>& replay = lift != 0 ? lifted : shown_ops_;
  View start = shown_start_view_;
  start.vy += lift;
  const bool open = batch_open_;
  ops_.swap(replay);
  vertices_.swap(shown_vertices_);
  if (ops_.empty() || ops_.front().type != Op::Type::View) SendView(start);
  Flush();
  retained_ = lift == 0 && Keeps() && StartsWithWholeClear(Now());
  ops_.swap(replay);
  vertices_.swap(shown_vertices_);
  sent_ops_ = sent_vertices_ = 0;
  batch_open_ = open;
  // The unsent record's first batches are drawn in the view it started with.
  SendView(start_view_);
  return true;
}

unsigned GLRenderer::MakeTexture(const TexturePlan& plan, int flags) {
  if (plan.levels.empty()) return 0;
  // Only levels that are well-formed RGBA pictures go up; a malformed first
  // level means no texture at all.
  std::size_t usable = 0;
  for (const TPixmap& level : plan.levels) {
    const bool ok = level.format == PF_RGBA8888 && level.width > 0 && level.height > 0 &&
                    level.pitch >= level.width * 4 && level.pitch % 4 == 0 &&
                    level.pixels.size() >=
                        static_cast<std::size_t>(level.pitch) * static_cast<std::size_t>(level.height);
    if (!ok) break;
    ++usable;
  }
  if (usable == 0) return 0;

  GLuint name = 0;
  glGenTextures(1, &name);
  NewContent(name);
  Bind(name);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  for (std::size_t i = 0; i < usable; ++i) {
    const TPixmap& level = plan.levels[i];
    glPixelStorei(GL_UNPACK_ROW_LENGTH, level.pitch / 4);
    glTexImage2D(GL_TEXTURE_2D, static_cast<GLint>(i), GL_RGBA8, level.width, level.height, 0,
                 GL_RGBA, GL_UNSIGNED_BYTE, level.pixels.data());
  }
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  const bool linear = (flags & FILTEREDIMAGE) != 0;
  const bool mipmapped = (flags & MIPMAPPEDIMAGE) != 0;
  GLint min_filter = linear ? GL_LINEAR : GL_NEAREST;
  if (mipmapped) min_filter = linear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_NEAREST;
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, min_filter);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, linear ? GL_LINEAR : GL_NEAREST);
  Filters()[name] = TextureFilter{min_filter, linear ? GL_LINEAR : GL_NEAREST, false};
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, static_cast<GLint>(usable - 1));
  return name;
}

void GLRenderer::DeleteTexture(unsigned name) {
  if (name == 0) return;
  // An unsent draw may still sample it.
  for (std::size_t i = sent_ops_; i < ops_.size(); ++i) {
    if (ops_[i].type == Op::Type::Draw && ops_[i].state.texture == name) {
      Flush();
      break;
    }
  }
  if (bound_known_ && bound_ == name) bound_known_ = false;
  Contents().erase(name);
  Filters().erase(name);
  const GLuint n = name;
  glDeleteTextures(1, &n);
}

std::vector<std::uint8_t> GLRenderer::ReadPixels(int x, int y, int w, int h) {
  Flush();
  return ReadPicture(x, y, w, h);
}

std::vector<std::uint8_t> GLRenderer::ReadPresented(int x, int y, int w, int h) {
  if (!shown_valid_ || sent_ops_ != 0 || !Keeps()) return {};
  return ReadPicture(x, y, w, h);
}

std::vector<std::uint8_t> GLRenderer::ReadPicture(int x, int y, int w, int h) {
  const std::size_t row_bytes = static_cast<std::size_t>(w) * 4;
  std::vector<std::uint8_t> out(row_bytes * static_cast<std::size_t>(h));
  std::vector<std::uint8_t> raw(out.size());
  glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo_);
  glReadBuffer(fbo_ != 0 ? GL_COLOR_ATTACHMENT0 : GL_BACK);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(x, y, w, h, GL_RGBA, GL_UNSIGNED_BYTE, raw.data());
  // GL rows run bottom up.
  for (int r = 0; r < h; ++r) {
    std::copy_n(raw.data() + static_cast<std::size_t>(h - 1 - r) * row_bytes, row_bytes,
                out.data() + static_cast<std::size_t>(r) * row_bytes);
  }
  return out;
}

void GLRenderer::Finish() {
  Flush();
  glFinish();
}

bool GLRenderer::ContextIsCore33() {
  GLint mask = 0;
  glGetIntegerv(GL_CONTEXT_PROFILE_MASK, &mask);
  return epoxy_gl_version() >= 33 && (mask & GL_CONTEXT_CORE_PROFILE_BIT) != 0;
}

std::string GLRenderer::ContextDescription() {
  const auto* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
  const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
  return std::string(version != nullptr ? version : "?") + " | " +
         (renderer != nullptr ? renderer : "?");
}

int GLRenderer::TakeErrors() {
  int found = 0;
  for (GLenum error = glGetError(); error != GL_NO_ERROR; error = glGetError()) {
    std::fprintf(stderr, "graphics: GL error 0x%04x\n", error);
    ++found;
    if (found > 64) break;  // a lost context can report forever
  }
  return found;
}

}  // namespace drawing_internal
