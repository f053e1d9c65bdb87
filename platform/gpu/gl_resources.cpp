// The OpenGL device's resources, states and draws. Textures keep their rows
// from the top as level data is given (row 0 is texture coordinate v = 0), so
// drawing into a texture flips clip-space y (hm_output in the programs) to keep
// the same orientation. The fixed-function path is a program of ours that runs
// three texture stages with generated texture coordinates.
#include <algorithm>
#include <cstring>

#include "platform/gpu/gl_internal.h"
#include "platform/gpu/image_file.h"

namespace hm::platform::gpu {
namespace {

bool g_use_s3tc = true;

struct gl_format {
  GLint internal = 0;
  GLenum pixel_format = 0;
  GLenum pixel_type = 0;
  std::array<GLint, 4> swizzle{GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA};
  bool compressed = false;
  bool depth = false;
  bool stencil = false;
};

bool gl_format_of(format f, bool cpu_dxt, gl_format& g) {
  switch (f) {
    case format::a8r8g8b8:
      g = {GL_RGBA8, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV};
      return true;
    case format::x8r8g8b8:
      g = {GL_RGBA8, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, {GL_RED, GL_GREEN, GL_BLUE, GL_ONE}};
      return true;
    case format::r5g6b5:
      g = {GL_RGB8, GL_RGB, GL_UNSIGNED_SHORT_5_6_5};
      return true;
    case format::a1r5g5b5:
      g = {GL_RGB5_A1, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV};
      return true;
    case format::x1r5g5b5:
      g = {GL_RGB5_A1, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV, {GL_RED, GL_GREEN, GL_BLUE, GL_ONE}};
      return true;
    case format::a4r4g4b4:
      g = {GL_RGBA4, GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV};
      return true;
    case format::x4r4g4b4:
      g = {GL_RGBA4, GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV, {GL_RED, GL_GREEN, GL_BLUE, GL_ONE}};
      return true;
    case format::a8:
      g = {GL_R8, GL_RED, GL_UNSIGNED_BYTE, {GL_ZERO, GL_ZERO, GL_ZERO, GL_RED}};
      return true;
    case format::l8:
      g = {GL_R8, GL_RED, GL_UNSIGNED_BYTE, {GL_RED, GL_RED, GL_RED, GL_ONE}};
      return true;
    case format::a8l8:
      g = {GL_RG8, GL_RG, GL_UNSIGNED_BYTE, {GL_RED, GL_RED, GL_RED, GL_GREEN}};
      return true;
    case format::r16f:
      g = {GL_R16F, GL_RED, GL_HALF_FLOAT, {GL_RED, GL_ONE, GL_ONE, GL_ONE}};
      return true;
    case format::r32f:
      g = {GL_R32F, GL_RED, GL_FLOAT, {GL_RED, GL_ONE, GL_ONE, GL_ONE}};
      return true;
    case format::a16b16g16r16f:
      g = {GL_RGBA16F, GL_RGBA, GL_HALF_FLOAT};
      return true;
    case format::dxt1:
    case format::dxt3:
    case format::dxt5:
      if (cpu_dxt) {
        g = {GL_RGBA8, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV};
      } else {
        g = {};
        g.internal = f == format::dxt1   ? GL_COMPRESSED_RGBA_S3TC_DXT1_EXT
                     : f == format::dxt3 ? GL_COMPRESSED_RGBA_S3TC_DXT3_EXT
                                         : GL_COMPRESSED_RGBA_S3TC_DXT5_EXT;
        g.compressed = true;
      }
      return true;
    case format::d16:
    case format::d16_lockable:
      g = {GL_DEPTH_COMPONENT16, GL_DEPTH_COMPONENT, GL_UNSIGNED_SHORT};
      g.depth = true;
      return true;
    case format::d24x8:
      g = {GL_DEPTH_COMPONENT24, GL_DEPTH_COMPONENT, GL_UNSIGNED_INT};
      g.depth = true;
      return true;
    case format::d24s8:
    case format::d24x4s4:
    case format::d15s1:
      g = {GL_DEPTH24_STENCIL8, GL_DEPTH_STENCIL, GL_UNSIGNED_INT_24_8};
      g.depth = g.stencil = true;
      return true;
    case format::d32:
      g = {GL_DEPTH_COMPONENT32F, GL_DEPTH_COMPONENT, GL_FLOAT};
      g.depth = true;
      return true;
    default:
      return false;
  }
}

// A level of a texture or a renderbuffer, as a target.
class gl_surface final : public surface {
 public:
  gl_surface(gl_device& dev, format f, std::uint32_t w, std::uint32_t h, GLuint texture_name, GLint level,
             GLuint renderbuffer)
      : dev_(dev), fmt_(f), w_(w), h_(h), texture_(texture_name), level_(level), renderbuffer_(renderbuffer) {
    dev_.count_resource(1, renderbuffer_ != 0);
  }
  ~gl_surface() override {
    dev_.make_current();
    dev_.forget_surface(this);
    if (renderbuffer_) glDeleteRenderbuffers(1, &renderbuffer_);
    dev_.count_resource(-1, renderbuffer_ != 0);
  }
  format get_format() const override { return fmt_; }
  std::uint32_t width() const override { return w_; }
  std::uint32_t height() const override { return h_; }

  void attach(GLenum attachment) const {
    if (renderbuffer_) glFramebufferRenderbuffer(GL_FRAMEBUFFER, attachment, GL_RENDERBUFFER, renderbuffer_);
    else glFramebufferTexture2D(GL_FRAMEBUFFER, attachment, GL_TEXTURE_2D, texture_, level_);
  }

 private:
  gl_device& dev_;
  format fmt_;
  std::uint32_t w_, h_;
  GLuint texture_;
  GLint level_;
  GLuint renderbuffer_;
};

class gl_texture final : public texture {
 public:
  gl_texture(gl_device& dev, GLuint name, std::uint32_t w, std::uint32_t h, std::uint32_t levels, std::uint32_t usage,
             format f, const gl_format& g, bool cpu_dxt)
      : dev_(dev), name_(name), w_(w), h_(h), levels_(levels), usage_(usage), fmt_(f), gl_(g), cpu_dxt_(cpu_dxt) {
    dev_.count_resource(1, is_target());
  }
  ~gl_texture() override {
    dev_.make_current();
    dev_.forget_texture(this);
    glDeleteTextures(1, &name_);
    dev_.count_resource(-1, is_target());
  }
  format get_format() const override { return fmt_; }
  std::uint32_t width() const override { return w_; }
  std::uint32_t height() const override { return h_; }
  std::uint32_t level_count() const override { return levels_; }
  std::uint32_t usage() const override { return usage_; }
  GLuint name() const { return name_; }

  result update_level(std::uint32_t level, const void* data, std::size_t size) override {
    const std::uint32_t w = mip_dimension(w_, level), h = mip_dimension(h_, level);
    if (level >= levels_ || !data || size != level_size(fmt_, w, h) || is_target()) return result::invalid_call;
    dev_.make_current();
    glBindTexture(GL_TEXTURE_2D, name_);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    if (gl_.compressed) {
      glCompressedTexSubImage2D(GL_TEXTURE_2D, static_cast<GLint>(level), 0, 0, static_cast<GLsizei>(w),
                                static_cast<GLsizei>(h), static_cast<GLenum>(gl_.internal), static_cast<GLsizei>(size),
                                data);
    } else if (cpu_dxt_) {
      const auto px = decode_level(fmt_, w, h, static_cast<const std::uint8_t*>(data), size);
      glTexSubImage2D(GL_TEXTURE_2D, static_cast<GLint>(level), 0, 0, static_cast<GLsizei>(w), static_cast<GLsizei>(h),
                      gl_.pixel_format, gl_.pixel_type, px.data());
    } else {
      glTexSubImage2D(GL_TEXTURE_2D, static_cast<GLint>(level), 0, 0, static_cast<GLsizei>(w), static_cast<GLsizei>(h),
                      gl_.pixel_format, gl_.pixel_type, data);
    }
    return gl_error_result();
  }

  result read_level(std::uint32_t level, std::vector<std::uint32_t>& argb) override {
    if (level >= levels_ || gl_.depth) return result::invalid_call;
    dev_.make_current();
    const std::uint32_t w = mip_dimension(w_, level), h = mip_dimension(h_, level);
    std::vector<std::uint8_t> rgba(static_cast<std::size_t>(w) * h * 4);
    glBindTexture(GL_TEXTURE_2D, name_);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, static_cast<GLint>(level), GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    const result r = gl_error_result();
    if (r != result::ok) return r;
    // Reading ignores the swizzle that sampling applies; apply it here.
    argb.resize(static_cast<std::size_t>(w) * h);
    for (std::size_t i = 0; i < argb.size(); ++i) {
      std::uint32_t c[4];
      for (int k = 0; k < 4; ++k) {
        switch (gl_.swizzle[k]) {
          case GL_RED: c[k] = rgba[i * 4]; break;
          case GL_GREEN: c[k] = rgba[i * 4 + 1]; break;
          case GL_BLUE: c[k] = rgba[i * 4 + 2]; break;
          case GL_ALPHA: c[k] = rgba[i * 4 + 3]; break;
          case GL_ONE: c[k] = 255; break;
          default: c[k] = 0; break;
        }
      }
      argb[i] = c[3] << 24 | c[0] << 16 | c[1] << 8 | c[2];
    }
    return result::ok;
  }

  result read_level_data(std::uint32_t level, std::vector<std::uint8_t>& bytes) override {
    if (level >= levels_ || gl_.compressed || cpu_dxt_ || gl_.stencil) return result::invalid_call;
    dev_.make_current();
    const std::uint32_t w = mip_dimension(w_, level), h = mip_dimension(h_, level);
    bytes.assign(level_size(fmt_, w, h), 0);
    glBindTexture(GL_TEXTURE_2D, name_);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, static_cast<GLint>(level), gl_.pixel_format, gl_.pixel_type, bytes.data());
    return gl_error_result();
  }

  void generate_mipmaps() override {
    if (levels_ < 2 || gl_.compressed || gl_.depth) return;
    dev_.make_current();
    glBindTexture(GL_TEXTURE_2D, name_);
    glGenerateMipmap(GL_TEXTURE_2D);
  }

  std::unique_ptr<surface> get_surface_level(std::uint32_t level) override {
    if (level >= levels_) return nullptr;
    return std::make_unique<gl_surface>(dev_, fmt_, mip_dimension(w_, level), mip_dimension(h_, level), name_,
                                        static_cast<GLint>(level), 0);
  }

 private:
  bool is_target() const { return (usage_ & (usage_render_target | usage_depth_stencil)) != 0; }

  gl_device& dev_;
  GLuint name_;
  std::uint32_t w_, h_, levels_, usage_;
  format fmt_;
  gl_format gl_;
  bool cpu_dxt_;
};

template <class Base>
class gl_buffer final : public Base {
 public:
  gl_buffer(gl_device& dev, GLenum target, std::uint32_t size, bool dynamic)
      : dev_(dev), target_(target), size_(size), shadow_(size) {
    glGenBuffers(1, &name_);
    glBindBuffer(GL_ARRAY_BUFFER, name_);
    glBufferData(GL_ARRAY_BUFFER, size, nullptr, dynamic ? GL_DYNAMIC_DRAW : GL_STATIC_DRAW);
    usage_ = dynamic ? GL_DYNAMIC_DRAW : GL_STATIC_DRAW;
    dev_.count_resource(1, false);
  }
  ~gl_buffer() override {
    dev_.make_current();
    glDeleteBuffers(1, &name_);
    dev_.count_resource(-1, false);
  }
  std::uint32_t size() const override { return size_; }
  GLuint name() const { return name_; }

  // Locks write into a copy in memory; unlock sends the locked range (the whole
  // buffer, orphaning the old storage, for a discard).
  result lock(std::uint32_t offset, std::uint32_t size, std::uint32_t flags, void*& data) override {
    data = nullptr;
    if (locked_ || offset > size_) return result::invalid_call;
    if (size == 0) size = size_ - offset;
    if (size > size_ - offset) return result::invalid_call;
    locked_ = true;
    lock_offset_ = offset;
    lock_size_ = size;
    lock_flags_ = flags;
    data = shadow_.data() + offset;
    return result::ok;
  }
  result unlock() override {
    if (!locked_) return result::invalid_call;
    locked_ = false;
    if (lock_flags_ & lock_read_only) return result::ok;
    dev_.make_current();
    glBindBuffer(GL_ARRAY_BUFFER, name_);
    if (lock_flags_ & lock_discard) {
      glBufferData(GL_ARRAY_BUFFER, size_, shadow_.data(), usage_);
    } else {
      glBufferSubData(GL_ARRAY_BUFFER, lock_offset_, lock_size_, shadow_.data() + lock_offset_);
    }
    return gl_error_result();
  }

 private:
  gl_device& dev_;
  GLenum target_;
  GLenum usage_ = GL_STATIC_DRAW;
  GLuint name_ = 0;
  std::uint32_t size_;
  std::vector<std::uint8_t> shadow_;
  bool locked_ = false;
  std::uint32_t lock_offset_ = 0, lock_size_ = 0, lock_flags_ = 0;
};

using gl_vertex_buffer = gl_buffer<vertex_buffer>;
using gl_index_buffer = gl_buffer<index_buffer>;

class gl_layout final : public vertex_layout {
 public:
  gl_layout(gl_device& dev, std::vector<vertex_element> elements) : dev_(dev), elements_(std::move(elements)) {
    dev_.count_resource(1, false);
  }
  ~gl_layout() override { dev_.count_resource(-1, false); }
  const std::vector<vertex_element>& elements() const override { return elements_; }

 private:
  gl_device& dev_;
  std::vector<vertex_element> elements_;
};

class gl_pixel_program final : public pixel_program {
 public:
  gl_pixel_program(gl_device& dev, GLuint program) : dev_(dev), program_(program) { dev_.count_resource(1, false); }
  ~gl_pixel_program() override {
    dev_.make_current();
    glDeleteProgram(program_);
    dev_.count_resource(-1, false);
  }
  GLuint program() const { return program_; }

 private:
  gl_device& dev_;
  GLuint program_;
};

// The fixed-function path's vertex program: transforms, vertex colour and the
// texture coordinates of three stages, generated when a stage asks for it.
const char* const fixed_vertex_source = R"(
uniform mat4 hm_world;
uniform mat4 hm_view;
uniform mat4 hm_projection;
uniform int hm_texcoord_index[3];
out vec4 v_color;
out vec2 v_texcoord[3];
out float v_view_depth;

vec2 hm_stage_texcoord(int index, vec3 view_position, vec3 view_normal) {
  int generated = index >> 16;
  if (generated == 0) {
    int set = index & 3;
    return set == 0 ? hm_texcoord0 : set == 1 ? hm_texcoord1 : set == 2 ? hm_texcoord2 : hm_texcoord3;
  }
  vec3 r = reflect(normalize(view_position), view_normal);
  if (generated == 1) return view_normal.xy;
  if (generated == 2) return view_position.xy;
  if (generated == 3) return r.xy;
  float m = 2.0 * sqrt(r.x * r.x + r.y * r.y + (r.z + 1.0) * (r.z + 1.0));
  return r.xy / max(m, 1e-6) + 0.5;
}

void main() {
  vec4 view_position = hm_view * (hm_world * vec4(hm_position, 1.0));
  vec3 view_normal = normalize(mat3(hm_view) * (mat3(hm_world) * hm_normal) + vec3(0.0, 0.0, 1e-12));
  for (int i = 0; i < 3; ++i) v_texcoord[i] = hm_stage_texcoord(hm_texcoord_index[i], view_position.xyz, view_normal);
  v_color = hm_color;
  v_view_depth = view_position.z;
  gl_Position = hm_output(hm_projection * view_position);
}
)";

// The fixed-function path's fragment program: the texture stages, then fog.
const char* const fixed_fragment_source = R"(
uniform sampler2D hm_texture0;
uniform sampler2D hm_texture1;
uniform sampler2D hm_texture2;
uniform int hm_color_op[3];
uniform int hm_color_arg1[3];
uniform int hm_color_arg2[3];
uniform int hm_alpha_op[3];
uniform int hm_alpha_arg1[3];
uniform int hm_alpha_arg2[3];
uniform vec4 hm_texture_factor;
uniform int hm_fog_enable;
uniform vec4 hm_fog_color;
uniform float hm_fog_start;
uniform float hm_fog_end;
in vec4 v_color;
in vec2 v_texcoord[3];
in float v_view_depth;

vec4 hm_arg(int which, vec4 current, vec4 tex) {
  if (which == 0) return v_color;
  if (which == 1) return current;
  if (which == 2) return tex;
  return hm_texture_factor;
}

vec4 hm_op(int op, vec4 a, vec4 b, vec4 tex) {
  if (op == 2) return a;
  if (op == 3) return b;
  if (op == 4) return a * b;
  if (op == 5) return min(a * b * 2.0, 1.0);
  if (op == 6) return min(a * b * 4.0, 1.0);
  if (op == 7) return min(a + b, 1.0);
  if (op == 8) return clamp(a + b - 0.5, 0.0, 1.0);
  if (op == 9) return max(a - b, 0.0);
  if (op == 10) return mix(b, a, tex.a);
  return a;
}

void main() {
  vec4 current = v_color;
  for (int i = 0; i < 3; ++i) {
    if (hm_color_op[i] == 1) break;
    vec4 tex = i == 0 ? texture(hm_texture0, v_texcoord[0])
             : i == 1 ? texture(hm_texture1, v_texcoord[1]) : texture(hm_texture2, v_texcoord[2]);
    vec4 c = hm_op(hm_color_op[i], hm_arg(hm_color_arg1[i], current, tex), hm_arg(hm_color_arg2[i], current, tex), tex);
    vec4 a = hm_alpha_op[i] == 1 ? current
           : hm_op(hm_alpha_op[i], hm_arg(hm_alpha_arg1[i], current, tex), hm_arg(hm_alpha_arg2[i], current, tex), tex);
    current = vec4(c.rgb, a.a);
  }
  if (hm_fog_enable != 0) {
    float f = clamp((hm_fog_end - v_view_depth) / max(hm_fog_end - hm_fog_start, 1e-6), 0.0, 1.0);
    current.rgb = mix(hm_fog_color.rgb, current.rgb, f);
  }
  hm_frag_color = current;
}
)";

GLenum gl_compare(std::uint32_t v) {
  switch (static_cast<compare_func>(v)) {
    case compare_func::never: return GL_NEVER;
    case compare_func::less: return GL_LESS;
    case compare_func::equal: return GL_EQUAL;
    case compare_func::less_equal: return GL_LEQUAL;
    case compare_func::greater: return GL_GREATER;
    case compare_func::not_equal: return GL_NOTEQUAL;
    case compare_func::greater_equal: return GL_GEQUAL;
    default: return GL_ALWAYS;
  }
}

GLenum gl_blend(std::uint32_t v) {
  switch (static_cast<blend>(v)) {
    case blend::zero: return GL_ZERO;
    case blend::src_color: return GL_SRC_COLOR;
    case blend::inv_src_color: return GL_ONE_MINUS_SRC_COLOR;
    case blend::src_alpha: return GL_SRC_ALPHA;
    case blend::inv_src_alpha: return GL_ONE_MINUS_SRC_ALPHA;
    case blend::dest_alpha: return GL_DST_ALPHA;
    case blend::inv_dest_alpha: return GL_ONE_MINUS_DST_ALPHA;
    case blend::dest_color: return GL_DST_COLOR;
    case blend::inv_dest_color: return GL_ONE_MINUS_DST_COLOR;
    default: return GL_ONE;
  }
}

GLenum gl_stencil_op(std::uint32_t v) {
  switch (static_cast<stencil_op>(v)) {
    case stencil_op::zero: return GL_ZERO;
    case stencil_op::replace: return GL_REPLACE;
    case stencil_op::incr_sat: return GL_INCR;
    case stencil_op::decr_sat: return GL_DECR;
    case stencil_op::invert: return GL_INVERT;
    case stencil_op::incr: return GL_INCR_WRAP;
    case stencil_op::decr: return GL_DECR_WRAP;
    default: return GL_KEEP;
  }
}

GLenum gl_primitive(primitive_type t) {
  switch (t) {
    case primitive_type::point_list: return GL_POINTS;
    case primitive_type::line_list: return GL_LINES;
    case primitive_type::line_strip: return GL_LINE_STRIP;
    case primitive_type::triangle_list: return GL_TRIANGLES;
    case primitive_type::triangle_strip: return GL_TRIANGLE_STRIP;
    case primitive_type::triangle_fan: return GL_TRIANGLE_FAN;
  }
  return GL_TRIANGLES;
}

float as_float(std::uint32_t bits) {
  float f;
  std::memcpy(&f, &bits, sizeof f);
  return f;
}

GLint uniform(GLuint program, const char* name) { return glGetUniformLocation(program, name); }

}  // namespace

void gl_use_s3tc(bool use) { g_use_s3tc = use; }

// --- programs ---

std::string gl_device::vertex_prelude() const {
  std::string s = "#version 330 core\n";
  s += has_clip_control_ ? "#define HM_DEPTH_REMAP 0\n" : "#define HM_DEPTH_REMAP 1\n";
  s += R"(layout(location = 0) in vec3 hm_position;
layout(location = 1) in vec3 hm_normal;
layout(location = 2) in vec4 hm_color;
layout(location = 3) in vec4 hm_color1;
layout(location = 4) in vec2 hm_texcoord0;
layout(location = 5) in vec2 hm_texcoord1;
layout(location = 6) in vec2 hm_texcoord2;
layout(location = 7) in vec2 hm_texcoord3;
layout(location = 8) in vec4 hm_blend_weight;
layout(location = 9) in vec4 hm_blend_indices;
layout(location = 10) in vec3 hm_tangent;
layout(location = 11) in vec3 hm_binormal;
uniform float hm_y_flip;
uniform int hm_clip_enabled;
uniform vec4 hm_clip_plane;
out float gl_ClipDistance[1];
vec4 hm_output(vec4 clip) {
  gl_ClipDistance[0] = hm_clip_enabled != 0 ? dot(clip, hm_clip_plane) : 1.0;
  clip.y *= hm_y_flip;
#if HM_DEPTH_REMAP
  clip.z = 2.0 * clip.z - clip.w;
#endif
  return clip;
}
)";
  return s;
}

std::string gl_device::fragment_prelude() const {
  return R"(#version 330 core
out vec4 hm_out_color;
vec4 hm_frag_color = vec4(1.0);
uniform int hm_alpha_target;
uniform int hm_alpha_func;
uniform float hm_alpha_ref;
)";
}

// The real main of a fragment program: the program's own main, then the alpha test.
const char* gl_device::fragment_epilogue() {
  return R"(
#undef main
void main() {
  hm_user_main();
  float a = hm_frag_color.a;
  bool pass = hm_alpha_func == 0 || hm_alpha_func == 8 ||
              (hm_alpha_func == 2 && a < hm_alpha_ref) || (hm_alpha_func == 3 && a == hm_alpha_ref) ||
              (hm_alpha_func == 4 && a <= hm_alpha_ref) || (hm_alpha_func == 5 && a > hm_alpha_ref) ||
              (hm_alpha_func == 6 && a != hm_alpha_ref) || (hm_alpha_func == 7 && a >= hm_alpha_ref);
  if (!pass) discard;
  // An alpha texture stores its alpha in its only channel.
  hm_out_color = hm_alpha_target != 0 ? vec4(a) : hm_frag_color;
}
)";
}

namespace {

GLuint compile(GLenum kind, const std::string& source, std::string& errors) {
  GLuint shader = glCreateShader(kind);
  const char* text = source.c_str();
  glShaderSource(shader, 1, &text, nullptr);
  glCompileShader(shader);
  GLint ok = 0;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  if (!ok) {
    GLint length = 0;
    glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
    std::string log(static_cast<std::size_t>(std::max(length, 1)), '\0');
    glGetShaderInfoLog(shader, length, nullptr, log.data());
    errors += (kind == GL_VERTEX_SHADER ? "vertex program: " : "fragment program: ") + log;
    glDeleteShader(shader);
    return 0;
  }
  return shader;
}
}  // namespace

GLuint gl_device::build_program(const std::string& vertex_source, const std::string& fragment_source,
                                std::string& errors) {
  make_current();
  const GLuint vs = compile(GL_VERTEX_SHADER, vertex_source, errors);
  const GLuint fs = compile(GL_FRAGMENT_SHADER, fragment_source, errors);
  if (!vs || !fs) {
    if (vs) glDeleteShader(vs);
    if (fs) glDeleteShader(fs);
    return 0;
  }
  GLuint program = glCreateProgram();
  glAttachShader(program, vs);
  glAttachShader(program, fs);
  glLinkProgram(program);
  glDeleteShader(vs);
  glDeleteShader(fs);
  GLint ok = 0;
  glGetProgramiv(program, GL_LINK_STATUS, &ok);
  if (!ok) {
    GLint length = 0;
    glGetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
    std::string log(static_cast<std::size_t>(std::max(length, 1)), '\0');
    glGetProgramInfoLog(program, length, nullptr, log.data());
    errors += "link: " + log;
    glDeleteProgram(program);
    return 0;
  }
  // Samplers of the fixed-function path sit on units 0 to 2.
  glUseProgram(program);
  for (int i = 0; i < 3; ++i) {
    const std::string name = "hm_texture" + std::to_string(i);
    const GLint at = glGetUniformLocation(program, name.c_str());
    if (at >= 0) glUniform1i(at, i);
  }
  glUseProgram(0);
  return program;
}

std::string fixed_fragment_program(const std::string& body) {
  return "#define main hm_user_main\n" + body + gl_device::fragment_epilogue();
}

// --- life ---

void gl_device::init_resources() {
  has_s3tc_ = g_use_s3tc && epoxy_has_gl_extension("GL_EXT_texture_compression_s3tc");
  has_clip_control_ = epoxy_gl_version() >= 45 || epoxy_has_gl_extension("GL_ARB_clip_control");
  if (has_clip_control_) glClipControl(GL_LOWER_LEFT, GL_ZERO_TO_ONE);
  glGenSamplers(static_cast<GLsizei>(samplers_.size()), samplers_.data());
  glGenFramebuffers(1, &framebuffer_);
  glGenBuffers(1, &up_buffer_);
  up_capacity_ = 0;
  up_offset_ = 0;
  std::string errors;
  fixed_program_ = build_program(vertex_prelude() + fixed_vertex_source,
                                 fragment_prelude() + fixed_fragment_program(fixed_fragment_source), errors);
  reset_states();
}

void gl_device::release_resources() {
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  if (fixed_program_) glDeleteProgram(fixed_program_);
  glDeleteSamplers(static_cast<GLsizei>(samplers_.size()), samplers_.data());
  glDeleteFramebuffers(1, &framebuffer_);
  glDeleteBuffers(1, &up_buffer_);
}

void gl_device::reset_states() {
  make_current();
  for (std::size_t i = 0; i < render_states_.size(); ++i) {
    render_states_[i] = default_render_state(static_cast<render_state>(i));
    apply_render_state(static_cast<render_state>(i));
  }
  for (std::uint32_t stage = 0; stage < max_texture_stages; ++stage) {
    for (std::size_t i = 0; i < sampler_states_[stage].size(); ++i)
      sampler_states_[stage][i] = default_sampler_state(static_cast<sampler_state>(i));
    for (std::size_t i = 0; i < stage_states_[stage].size(); ++i)
      stage_states_[stage][i] = default_texture_stage_state(stage, static_cast<texture_stage_state>(i));
    apply_sampler(stage);
  }
  textures_.fill(nullptr);
  for (auto& m : transforms_) {
    m.fill(0.0f);
    m[0] = m[5] = m[10] = m[15] = 1.0f;
  }
  render_target_ = depth_surface_ = nullptr;
  bind_targets();
  layout_ = nullptr;
  stream0_ = nullptr;
  indices_ = nullptr;
  pixel_program_ = nullptr;
  effect_program_ = 0;
}

void gl_device::forget_texture(texture* t) {
  for (auto& bound : textures_)
    if (bound == t) bound = nullptr;
}

void gl_device::forget_surface(surface* s) {
  bool rebind = false;
  if (render_target_ == s) render_target_ = nullptr, rebind = true;
  if (depth_surface_ == s) depth_surface_ = nullptr, rebind = true;
  if (rebind) bind_targets();
}

// --- creation ---

result gl_device::create_texture(std::uint32_t width, std::uint32_t height, std::uint32_t levels, std::uint32_t usage,
                                 format fmt, std::unique_ptr<texture>& out) {
  out.reset();
  if (width == 0 || height == 0 || width > caps_.max_texture_width || height > caps_.max_texture_height)
    return result::invalid_call;
  const bool target = (usage & (usage_render_target | usage_depth_stencil)) != 0;
  const bool cpu_dxt = is_block_compressed(fmt) && (!has_s3tc_ || target);
  gl_format g;
  if (!gl_format_of(fmt, cpu_dxt, g)) return result::not_available;
  if (((usage & usage_depth_stencil) != 0) != g.depth) return result::not_available;
  if (target && is_block_compressed(fmt)) return result::not_available;
  std::uint32_t full = 1;
  while ((width >> full) || (height >> full)) ++full;
  if (levels == 0 || levels > full) levels = full;
  if (g.depth) levels = 1;
  make_current();
  gl_error_result();
  GLuint name = 0;
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_2D, name);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, static_cast<GLint>(levels - 1));
  glTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_RGBA, g.swizzle.data());
  for (std::uint32_t l = 0; l < levels; ++l) {
    const auto w = static_cast<GLsizei>(mip_dimension(width, l)), h = static_cast<GLsizei>(mip_dimension(height, l));
    if (g.compressed) {
      const std::vector<std::uint8_t> zero(level_size(fmt, static_cast<std::uint32_t>(w), static_cast<std::uint32_t>(h)));
      glCompressedTexImage2D(GL_TEXTURE_2D, static_cast<GLint>(l), static_cast<GLenum>(g.internal), w, h, 0,
                             static_cast<GLsizei>(zero.size()), zero.data());
    } else {
      glTexImage2D(GL_TEXTURE_2D, static_cast<GLint>(l), g.internal, w, h, 0, g.pixel_format, g.pixel_type, nullptr);
    }
  }
  const result r = gl_error_result();
  if (r != result::ok) {
    glDeleteTextures(1, &name);
    return r;
  }
  out = std::make_unique<gl_texture>(*this, name, width, height, levels, usage, fmt, g, cpu_dxt);
  return result::ok;
}

result gl_device::create_depth_stencil_surface(std::uint32_t width, std::uint32_t height, format fmt,
                                               multisample_type, std::uint32_t, bool, std::unique_ptr<surface>& out) {
  out.reset();
  if (width == 0 || height == 0 || width > caps_.max_texture_width || height > caps_.max_texture_height)
    return result::invalid_call;
  gl_format g;
  if (!gl_format_of(fmt, true, g) || !(g.depth || fmt == format::r16f || fmt == format::r32f))
    return result::not_available;
  make_current();
  gl_error_result();
  GLuint rb = 0;
  glGenRenderbuffers(1, &rb);
  glBindRenderbuffer(GL_RENDERBUFFER, rb);
  glRenderbufferStorage(GL_RENDERBUFFER, static_cast<GLenum>(g.internal), static_cast<GLsizei>(width),
                        static_cast<GLsizei>(height));
  const result r = gl_error_result();
  if (r != result::ok) {
    glDeleteRenderbuffers(1, &rb);
    return r;
  }
  out = std::make_unique<gl_surface>(*this, fmt, width, height, 0, 0, rb);
  return result::ok;
}

result gl_device::create_vertex_buffer(std::uint32_t size, bool dynamic, std::unique_ptr<vertex_buffer>& out) {
  out.reset();
  if (size == 0) return result::invalid_call;
  make_current();
  gl_error_result();
  auto b = std::make_unique<gl_vertex_buffer>(*this, GL_ARRAY_BUFFER, size, dynamic);
  const result r = gl_error_result();
  if (r != result::ok) return r;
  out = std::move(b);
  return result::ok;
}

result gl_device::create_index_buffer(std::uint32_t size, bool dynamic, std::unique_ptr<index_buffer>& out) {
  out.reset();
  if (size == 0) return result::invalid_call;
  make_current();
  gl_error_result();
  auto b = std::make_unique<gl_index_buffer>(*this, GL_ELEMENT_ARRAY_BUFFER, size, dynamic);
  const result r = gl_error_result();
  if (r != result::ok) return r;
  out = std::move(b);
  return result::ok;
}

result gl_device::create_vertex_layout(const std::vector<vertex_element>& elements,
                                       std::unique_ptr<vertex_layout>& out) {
  out.reset();
  for (const auto& e : elements)
    if (attribute_slot(e.usage, e.usage_index) < 0 || e.stream != 0) return result::invalid_call;
  out = std::make_unique<gl_layout>(*this, elements);
  return result::ok;
}

result gl_device::create_pixel_program(const std::string& source, std::unique_ptr<pixel_program>& out,
                                       std::string& errors) {
  out.reset();
  errors.clear();
  // The fragment program sees what the fixed-function path's fragment stage sees.
  const std::string inputs = R"(
uniform sampler2D hm_texture0;
uniform sampler2D hm_texture1;
uniform sampler2D hm_texture2;
uniform vec4 hm_texture_factor;
in vec4 v_color;
in vec2 v_texcoord[3];
in float v_view_depth;
)";
  const GLuint program = build_program(vertex_prelude() + fixed_vertex_source,
                                       fragment_prelude() + inputs + fixed_fragment_program(source), errors);
  if (!program) return result::failed;
  out = std::make_unique<gl_pixel_program>(*this, program);
  return result::ok;
}

// --- targets ---

std::uint32_t gl_device::target_width() const {
  if (render_target_) return render_target_->width();
  if (depth_surface_) return depth_surface_->width();
  return width_;
}

std::uint32_t gl_device::target_height() const {
  if (render_target_) return render_target_->height();
  if (depth_surface_) return depth_surface_->height();
  return height_;
}

GLint gl_device::gl_row(std::uint32_t y, std::uint32_t h) const {
  // Drawing into a texture is flipped, so its rows count from the top already.
  if (rendering_to_texture()) return static_cast<GLint>(y);
  return static_cast<GLint>(height_) - static_cast<GLint>(y + h);
}

result gl_device::bind_targets() {
  make_current();
  if (!rendering_to_texture()) {
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDrawBuffer(GL_BACK);
  } else {
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, 0, 0);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_TEXTURE_2D, 0, 0);
    if (render_target_) {
      static_cast<gl_surface*>(render_target_)->attach(GL_COLOR_ATTACHMENT0);
      glDrawBuffer(GL_COLOR_ATTACHMENT0);
    } else {
      glDrawBuffer(GL_NONE);
    }
    if (depth_surface_) {
      const format f = depth_surface_->get_format();
      gl_format g;
      gl_format_of(f, true, g);
      if (g.depth) {
        static_cast<gl_surface*>(depth_surface_)->attach(g.stencil ? GL_DEPTH_STENCIL_ATTACHMENT : GL_DEPTH_ATTACHMENT);
      }
    }
  }
  // Setting a target makes the viewport cover it.
  viewport_ = {0, 0, target_width(), target_height(), 0.0f, 1.0f};
  glViewport(0, 0, static_cast<GLsizei>(viewport_.width), static_cast<GLsizei>(viewport_.height));
  glDepthRange(0.0, 1.0);
  apply_render_state(render_state::cull_mode);
  if (rendering_to_texture() && glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE)
    return result::invalid_call;
  return gl_error_result();
}

result gl_device::set_render_target(surface* colour) {
  render_target_ = colour;
  return bind_targets();
}

result gl_device::set_depth_stencil_surface(surface* depth) {
  depth_surface_ = depth;
  return bind_targets();
}

// --- states ---

void gl_device::apply_write_masks() {
  const std::uint32_t c = render_states_[static_cast<std::size_t>(render_state::color_write_enable)];
  glColorMask((c & 1) != 0, (c & 2) != 0, (c & 4) != 0, (c & 8) != 0);
  glDepthMask(render_states_[static_cast<std::size_t>(render_state::z_write_enable)] ? GL_TRUE : GL_FALSE);
  glStencilMask(render_states_[static_cast<std::size_t>(render_state::stencil_write_mask)]);
}

void gl_device::apply_render_state(render_state state) {
  auto v = [&](render_state s) { return render_states_[static_cast<std::size_t>(s)]; };
  auto enable = [](GLenum cap, bool on) { on ? glEnable(cap) : glDisable(cap); };
  switch (state) {
    case render_state::z_enable: enable(GL_DEPTH_TEST, v(state) != 0); break;
    case render_state::z_write_enable:
    case render_state::color_write_enable:
    case render_state::stencil_write_mask:
      apply_write_masks();
      break;
    case render_state::z_func: glDepthFunc(gl_compare(v(state))); break;
    case render_state::alpha_blend_enable: enable(GL_BLEND, v(state) != 0); break;
    case render_state::src_blend:
    case render_state::dest_blend:
      glBlendFunc(gl_blend(v(render_state::src_blend)), gl_blend(v(render_state::dest_blend)));
      break;
    case render_state::cull_mode: {
      const auto c = static_cast<cull>(v(state));
      enable(GL_CULL_FACE, c == cull::clockwise || c == cull::counter_clockwise);
      // Windings are as seen on the screen; drawing into a texture flips y,
      // and with it the winding.
      bool cull_gl_clockwise = c == cull::clockwise;
      if (rendering_to_texture()) cull_gl_clockwise = !cull_gl_clockwise;
      glFrontFace(cull_gl_clockwise ? GL_CCW : GL_CW);
      glCullFace(GL_BACK);
      break;
    }
    case render_state::fill_mode: {
      const auto f = static_cast<fill>(v(state));
      glPolygonMode(GL_FRONT_AND_BACK, f == fill::point ? GL_POINT : f == fill::wireframe ? GL_LINE : GL_FILL);
      break;
    }
    case render_state::stencil_enable: enable(GL_STENCIL_TEST, v(state) != 0); break;
    case render_state::stencil_func:
    case render_state::stencil_ref:
    case render_state::stencil_mask:
      glStencilFunc(gl_compare(v(render_state::stencil_func)), static_cast<GLint>(v(render_state::stencil_ref)),
                    v(render_state::stencil_mask));
      break;
    case render_state::stencil_fail:
    case render_state::stencil_zfail:
    case render_state::stencil_pass:
      glStencilOp(gl_stencil_op(v(render_state::stencil_fail)), gl_stencil_op(v(render_state::stencil_zfail)),
                  gl_stencil_op(v(render_state::stencil_pass)));
      break;
    case render_state::depth_bias:
    case render_state::slope_scale_depth_bias: {
      const float bias = as_float(v(render_state::depth_bias));
      const float slope = as_float(v(render_state::slope_scale_depth_bias));
      enable(GL_POLYGON_OFFSET_FILL, bias != 0.0f || slope != 0.0f);
      // Our bias is in depth-range units; OpenGL's units are the smallest step of a 24-bit buffer.
      glPolygonOffset(slope, bias * 16777215.0f);
      break;
    }
    case render_state::scissor_test_enable: enable(GL_SCISSOR_TEST, v(state) != 0); break;
    default: break;  // read by the programs at draw time
  }
}

result gl_device::set_render_state(render_state state, std::uint32_t value) {
  const auto i = static_cast<std::size_t>(state);
  if (i >= render_states_.size()) return result::invalid_call;
  make_current();
  ++state_sets_;
  render_states_[i] = value;
  apply_render_state(state);
  return result::ok;
}

std::uint32_t gl_device::get_render_state(render_state state) const {
  const auto i = static_cast<std::size_t>(state);
  return i < render_states_.size() ? render_states_[i] : 0;
}

void gl_device::apply_sampler(std::uint32_t sampler) {
  const auto& s = sampler_states_[sampler];
  auto v = [&](sampler_state k) { return s[static_cast<std::size_t>(k)]; };
  auto wrap = [](std::uint32_t a) -> GLint {
    switch (static_cast<texture_address>(a)) {
      case texture_address::mirror: return GL_MIRRORED_REPEAT;
      case texture_address::clamp: return GL_CLAMP_TO_EDGE;
      case texture_address::border: return GL_CLAMP_TO_BORDER;
      default: return GL_REPEAT;
    }
  };
  const GLuint name = samplers_[sampler];
  glSamplerParameteri(name, GL_TEXTURE_WRAP_S, wrap(v(sampler_state::address_u)));
  glSamplerParameteri(name, GL_TEXTURE_WRAP_T, wrap(v(sampler_state::address_v)));
  const bool mag_linear = static_cast<texture_filter>(v(sampler_state::mag_filter)) != texture_filter::point;
  glSamplerParameteri(name, GL_TEXTURE_MAG_FILTER, mag_linear ? GL_LINEAR : GL_NEAREST);
  const bool min_linear = static_cast<texture_filter>(v(sampler_state::min_filter)) != texture_filter::point;
  const auto mip = static_cast<texture_filter>(v(sampler_state::mip_filter));
  GLint min = min_linear ? GL_LINEAR : GL_NEAREST;
  if (mip == texture_filter::point) min = min_linear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
  if (mip == texture_filter::linear || mip == texture_filter::anisotropic)
    min = min_linear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
  glSamplerParameteri(name, GL_TEXTURE_MIN_FILTER, min);
  const std::uint32_t c = v(sampler_state::border_color);
  const float border[4] = {((c >> 16) & 0xFF) / 255.0f, ((c >> 8) & 0xFF) / 255.0f, (c & 0xFF) / 255.0f,
                           ((c >> 24) & 0xFF) / 255.0f};
  glSamplerParameterfv(name, GL_TEXTURE_BORDER_COLOR, border);
  glBindSampler(sampler, name);
}

result gl_device::set_sampler_state(std::uint32_t sampler, sampler_state state, std::uint32_t value) {
  const auto i = static_cast<std::size_t>(state);
  if (sampler >= max_texture_stages || i >= sampler_states_[0].size()) return result::invalid_call;
  make_current();
  ++state_sets_;
  sampler_states_[sampler][i] = value;
  apply_sampler(sampler);
  return result::ok;
}

std::uint32_t gl_device::get_sampler_state(std::uint32_t sampler, sampler_state state) const {
  const auto i = static_cast<std::size_t>(state);
  return sampler < max_texture_stages && i < sampler_states_[0].size() ? sampler_states_[sampler][i] : 0;
}

result gl_device::set_texture_stage_state(std::uint32_t stage, texture_stage_state state, std::uint32_t value) {
  const auto i = static_cast<std::size_t>(state);
  if (stage >= max_texture_stages || i >= stage_states_[0].size()) return result::invalid_call;
  ++state_sets_;
  stage_states_[stage][i] = value;
  return result::ok;
}

std::uint32_t gl_device::get_texture_stage_state(std::uint32_t stage, texture_stage_state state) const {
  const auto i = static_cast<std::size_t>(state);
  return stage < max_texture_stages && i < stage_states_[0].size() ? stage_states_[stage][i] : 0;
}

result gl_device::set_texture(std::uint32_t stage, texture* t) {
  if (stage >= max_texture_stages) return result::invalid_call;
  make_current();
  textures_[stage] = t;
  glActiveTexture(GL_TEXTURE0 + stage);
  glBindTexture(GL_TEXTURE_2D, t ? static_cast<gl_texture*>(t)->name() : 0);
  glActiveTexture(GL_TEXTURE0);
  return result::ok;
}

result gl_device::set_transform(transform_kind kind, const float matrix[16]) {
  const auto i = static_cast<std::size_t>(kind);
  if (i >= transforms_.size() || !matrix) return result::invalid_call;
  std::copy_n(matrix, 16, transforms_[i].begin());
  return result::ok;
}

result gl_device::set_pixel_program(pixel_program* program) {
  pixel_program_ = program;
  return result::ok;
}

// --- draws ---

result gl_device::set_vertex_layout(vertex_layout* layout) {
  layout_ = layout;
  return result::ok;
}

result gl_device::set_stream_source(std::uint32_t stream, vertex_buffer* vb, std::uint32_t offset,
                                    std::uint32_t stride) {
  if (stream != 0) return result::invalid_call;
  stream0_ = vb;
  stream0_offset_ = offset;
  stream0_stride_ = stride;
  return result::ok;
}

result gl_device::set_indices(index_buffer* ib) {
  indices_ = ib;
  return result::ok;
}

result gl_device::setup_attributes(const std::uint8_t* base_offset, GLuint buffer, std::uint32_t stride) {
  glBindVertexArray(vertex_array_);
  glBindBuffer(GL_ARRAY_BUFFER, buffer);
  for (GLuint slot = 0; slot < 12; ++slot) glDisableVertexAttribArray(slot);
  // Missing inputs read as white colours and zero elsewhere.
  glVertexAttrib4f(2, 1.0f, 1.0f, 1.0f, 1.0f);
  glVertexAttrib4f(3, 1.0f, 1.0f, 1.0f, 1.0f);
  glVertexAttrib3f(1, 0.0f, 0.0f, 1.0f);
  for (const vertex_element& e : layout_->elements()) {
    const auto slot = static_cast<GLuint>(attribute_slot(e.usage, e.usage_index));
    const void* at = base_offset + e.offset;
    glEnableVertexAttribArray(slot);
    const auto s = static_cast<GLsizei>(stride);
    switch (e.type) {
      case vertex_element_type::float1: glVertexAttribPointer(slot, 1, GL_FLOAT, GL_FALSE, s, at); break;
      case vertex_element_type::float2: glVertexAttribPointer(slot, 2, GL_FLOAT, GL_FALSE, s, at); break;
      case vertex_element_type::float3: glVertexAttribPointer(slot, 3, GL_FLOAT, GL_FALSE, s, at); break;
      case vertex_element_type::float4: glVertexAttribPointer(slot, 4, GL_FLOAT, GL_FALSE, s, at); break;
      case vertex_element_type::color: glVertexAttribPointer(slot, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, s, at); break;
      case vertex_element_type::ubyte4: glVertexAttribPointer(slot, 4, GL_UNSIGNED_BYTE, GL_FALSE, s, at); break;
      case vertex_element_type::ubyte4n: glVertexAttribPointer(slot, 4, GL_UNSIGNED_BYTE, GL_TRUE, s, at); break;
    }
  }
  return result::ok;
}

result gl_device::prepare_draw(GLuint& program) {
  if (!layout_ || !in_scene_) return result::invalid_call;
  make_current();
  const bool fixed = effect_program_ == 0;
  program = fixed ? (pixel_program_ ? static_cast<gl_pixel_program*>(pixel_program_)->program() : fixed_program_)
                  : effect_program_;
  if (!program) return result::invalid_call;
  glUseProgram(program);
  auto rs = [&](render_state s) { return render_states_[static_cast<std::size_t>(s)]; };
  glUniform1f(uniform(program, "hm_y_flip"), rendering_to_texture() ? -1.0f : 1.0f);
  glUniform1i(uniform(program, "hm_alpha_target"), alpha_only_target() ? 1 : 0);
  // User clip plane 0, given in clip space as effects give it; the
  // fixed-function programs draw without it.
  const bool clip = !fixed && (rs(render_state::clip_plane_enable) & 1u) != 0;
  glUniform1i(uniform(program, "hm_clip_enabled"), clip ? 1 : 0);
  glUniform4fv(uniform(program, "hm_clip_plane"), 1, fixed_.clip_planes[0]);
  clip ? glEnable(GL_CLIP_DISTANCE0) : glDisable(GL_CLIP_DISTANCE0);
  const bool alpha_test = rs(render_state::alpha_test_enable) != 0;
  glUniform1i(uniform(program, "hm_alpha_func"), alpha_test ? static_cast<GLint>(rs(render_state::alpha_func)) : 0);
  glUniform1f(uniform(program, "hm_alpha_ref"), static_cast<float>(rs(render_state::alpha_ref) & 0xFF) / 255.0f);
  if (fixed) {
    glUniformMatrix4fv(uniform(program, "hm_world"), 1, GL_FALSE, transforms_[0].data());
    glUniformMatrix4fv(uniform(program, "hm_view"), 1, GL_FALSE, transforms_[1].data());
    glUniformMatrix4fv(uniform(program, "hm_projection"), 1, GL_FALSE, transforms_[2].data());
    GLint ops[6][3];
    GLint texcoords[3];
    for (int i = 0; i < 3; ++i) {
      for (int k = 0; k < 6; ++k) ops[k][i] = static_cast<GLint>(stage_states_[i][k]);
      // A stage without a texture ends the stages, as it does for fixed-function hardware.
      if (!textures_[i] && ops[0][i] != static_cast<GLint>(texture_op::disable)) {
        const bool uses_texture =
            ops[1][i] == static_cast<GLint>(texture_arg::texture) || ops[2][i] == static_cast<GLint>(texture_arg::texture);
        if (uses_texture) ops[0][i] = static_cast<GLint>(texture_op::disable);
      }
      texcoords[i] = static_cast<GLint>(stage_states_[i][static_cast<std::size_t>(texture_stage_state::texcoord_index)]);
    }
    const char* names[6] = {"hm_color_op", "hm_color_arg1", "hm_color_arg2", "hm_alpha_op", "hm_alpha_arg1", "hm_alpha_arg2"};
    for (int k = 0; k < 6; ++k) glUniform1iv(uniform(program, names[k]), 3, ops[k]);
    glUniform1iv(uniform(program, "hm_texcoord_index"), 3, texcoords);
    auto colour = [](std::uint32_t c, float out[4]) {
      out[0] = ((c >> 16) & 0xFF) / 255.0f;
      out[1] = ((c >> 8) & 0xFF) / 255.0f;
      out[2] = (c & 0xFF) / 255.0f;
      out[3] = ((c >> 24) & 0xFF) / 255.0f;
    };
    float c[4];
    colour(rs(render_state::texture_factor), c);
    glUniform4fv(uniform(program, "hm_texture_factor"), 1, c);
    colour(rs(render_state::fog_color), c);
    glUniform4fv(uniform(program, "hm_fog_color"), 1, c);
    glUniform1i(uniform(program, "hm_fog_enable"), rs(render_state::fog_enable) ? 1 : 0);
    glUniform1f(uniform(program, "hm_fog_start"), as_float(rs(render_state::fog_start)));
    glUniform1f(uniform(program, "hm_fog_end"), as_float(rs(render_state::fog_end)));
  }
  return result::ok;
}

result gl_device::draw_primitive(primitive_type type, std::uint32_t start_vertex, std::uint32_t count) {
  GLuint program = 0;
  if (!stream0_) return result::invalid_call;
  const result r = prepare_draw(program);
  if (r != result::ok) return r;
  setup_attributes(reinterpret_cast<const std::uint8_t*>(static_cast<std::uintptr_t>(stream0_offset_)),
                   static_cast<gl_vertex_buffer*>(stream0_)->name(), stream0_stride_);
  glDrawArrays(gl_primitive(type), static_cast<GLint>(start_vertex), static_cast<GLsizei>(vertices_for(type, count)));
  return gl_error_result();
}

result gl_device::draw_indexed_primitive(primitive_type type, std::int32_t base_vertex, std::uint32_t,
                                         std::uint32_t, std::uint32_t start_index, std::uint32_t count) {
  GLuint program = 0;
  if (!stream0_ || !indices_) return result::invalid_call;
  const result r = prepare_draw(program);
  if (r != result::ok) return r;
  setup_attributes(reinterpret_cast<const std::uint8_t*>(static_cast<std::uintptr_t>(stream0_offset_)),
                   static_cast<gl_vertex_buffer*>(stream0_)->name(), stream0_stride_);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, static_cast<gl_index_buffer*>(indices_)->name());
  glDrawElementsBaseVertex(gl_primitive(type), static_cast<GLsizei>(vertices_for(type, count)), GL_UNSIGNED_SHORT,
                           reinterpret_cast<const void*>(static_cast<std::uintptr_t>(start_index) * 2), base_vertex);
  return gl_error_result();
}

result gl_device::draw_primitive_up(primitive_type type, std::uint32_t count, const void* vertices,
                                    std::uint32_t stride) {
  GLuint program = 0;
  if (!vertices || stride == 0) return result::invalid_call;
  const result r = prepare_draw(program);
  if (r != result::ok) return r;
  const std::uint32_t n = vertices_for(type, count);
  const GLsizeiptr bytes = static_cast<GLsizeiptr>(n) * stride;
  if (bytes == 0) return gl_error_result();
  glBindBuffer(GL_ARRAY_BUFFER, up_buffer_);
  // Each draw starts 16-byte aligned, as attribute data wants.
  GLsizeiptr at = (up_offset_ + 15) & ~GLsizeiptr{15};
  if (at > up_capacity_ || bytes > up_capacity_ - at) {
    constexpr GLsizeiptr least_capacity = GLsizeiptr{1} << 20;
    while (up_capacity_ < std::max(bytes, least_capacity)) up_capacity_ = std::max(up_capacity_ * 2, least_capacity);
    glBufferData(GL_ARRAY_BUFFER, up_capacity_, nullptr, GL_STREAM_DRAW);
    at = 0;
  }
  // Nothing reads this range before the buffer is next orphaned, so the write
  // needs no wait for the draws in flight.
  void* target = glMapBufferRange(GL_ARRAY_BUFFER, at, bytes,
                                  GL_MAP_WRITE_BIT | GL_MAP_UNSYNCHRONIZED_BIT | GL_MAP_INVALIDATE_RANGE_BIT);
  if (target) {
    std::memcpy(target, vertices, static_cast<std::size_t>(bytes));
    glUnmapBuffer(GL_ARRAY_BUFFER);
  } else {
    glBufferSubData(GL_ARRAY_BUFFER, at, bytes, vertices);
  }
  up_offset_ = at + bytes;
  setup_attributes(reinterpret_cast<const std::uint8_t*>(static_cast<std::uintptr_t>(at)), up_buffer_, stride);
  glDrawArrays(gl_primitive(type), 0, static_cast<GLsizei>(n));
  return gl_error_result();
}

}  // namespace hm::platform::gpu
