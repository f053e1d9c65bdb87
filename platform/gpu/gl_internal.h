#pragma once
// The OpenGL device, shared by the files of the OpenGL backend.
#include <SDL2/SDL.h>
#include <epoxy/gl.h>

#include <algorithm>
#include <array>
#include <string>

#include "platform/gpu/device.h"
#include "platform/gpu/gl_system.h"
#include "platform/window.h"

namespace hm::platform::gpu {

// The last OpenGL error as a result (out of memory, else invalid_call), ok for none.
result gl_error_result();

class gl_device final : public device {
 public:
  gl_device(SDL_Window* sdl, SDL_GLContext context, device_caps caps)
      : sdl_(sdl), context_(context), caps_(caps) {
    GLint max_size = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &max_size);
    if (max_size > 0) caps_.max_texture_width = caps_.max_texture_height = static_cast<std::uint32_t>(max_size);
    const std::uint32_t shader_version =
        shader_version_of_glsl(reinterpret_cast<const char*>(glGetString(GL_SHADING_LANGUAGE_VERSION)));
    if (shader_version) caps_.vertex_shader_version = caps_.pixel_shader_version = shader_version;
    // Core profiles draw nothing without a bound vertex array.
    glGenVertexArrays(1, &vertex_array_);
    glBindVertexArray(vertex_array_);
    init_resources();
  }

  ~gl_device() override {
    make_current();
    release_resources();
    if (vertex_array_) glDeleteVertexArrays(1, &vertex_array_);
    if (window_ && window_->is_fullscreen()) window_->set_fullscreen(false, nullptr);
    SDL_GL_MakeCurrent(sdl_, nullptr);
    SDL_GL_DeleteContext(context_);
  }

  result apply(const present_parameters& params) {
    make_current();
    params_ = params;
    if (params.device_window) window_ = params.device_window;
    if (window_) {
      if (!params.windowed) {
        screen_mode mode{static_cast<int>(params.back_buffer_width), static_cast<int>(params.back_buffer_height),
                         static_cast<int>(params.refresh_rate), 32};
        if (!window_->set_fullscreen(true, &mode)) return result::not_available;
      } else if (window_->is_fullscreen()) {
        window_->set_fullscreen(false, nullptr);
      }
    }
    int swap = 1;
    if (params.interval == present_interval::immediate) swap = 0;
    if (params.interval == present_interval::two) swap = 2;
    if (SDL_GL_SetSwapInterval(swap) != 0 && swap != 0) SDL_GL_SetSwapInterval(1);
    int w = 0, h = 0;
    SDL_GL_GetDrawableSize(sdl_, &w, &h);
    width_ = static_cast<std::uint32_t>(std::max(w, 1));
    height_ = static_cast<std::uint32_t>(std::max(h, 1));
    set_viewport({0, 0, width_, height_, 0.0f, 1.0f});
    return gl_error_result();
  }

  result test_cooperative_level() override { return result::ok; }

  result reset(const present_parameters& params) override {
    // Render targets and depth surfaces are released before a reset, as the
    // engine's device hooks do on every backend.
    if (live_targets_ != 0) return result::invalid_call;
    const result r = apply(params);
    if (r == result::ok) reset_states();
    return r;
  }

  result present() override {
    make_current();
    SDL_GL_SwapWindow(sdl_);
    const result r = gl_error_result();
    return r == result::out_of_video_memory ? r : result::ok;
  }

  const device_caps& caps() const override { return caps_; }

  surface_desc back_buffer_desc() const override {
    surface_desc d;
    d.fmt = params_.back_buffer_format;
    d.width = width_;
    d.height = height_;
    d.multisample = params_.multisample;
    d.multisample_quality = params_.multisample_quality;
    return d;
  }

  result begin_scene() override {
    if (in_scene_) return result::invalid_call;
    in_scene_ = true;
    return result::ok;
  }
  result end_scene() override {
    if (!in_scene_) return result::invalid_call;
    in_scene_ = false;
    return result::ok;
  }

  result set_viewport(const viewport& vp) override {
    if (vp.x + vp.width > target_width() || vp.y + vp.height > target_height()) return result::invalid_call;
    make_current();
    viewport_ = vp;
    glViewport(static_cast<GLint>(vp.x), gl_row(vp.y, vp.height), static_cast<GLsizei>(vp.width),
               static_cast<GLsizei>(vp.height));
    glDepthRange(vp.min_z, vp.max_z);
    return result::ok;
  }
  viewport get_viewport() const override { return viewport_; }

  result clear(std::uint32_t flags, std::uint32_t argb, float z, std::uint32_t stencil) override {
    make_current();
    GLbitfield bits = 0;
    if (flags & clear_target) {
      glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
      // An alpha-only target keeps its alpha in its one (red) channel.
      if (alpha_only_target()) argb = (argb & 0xFF000000u) | (argb >> 24 << 16);
      glClearColor(((argb >> 16) & 0xFF) / 255.0f, ((argb >> 8) & 0xFF) / 255.0f, (argb & 0xFF) / 255.0f,
                   ((argb >> 24) & 0xFF) / 255.0f);
      bits |= GL_COLOR_BUFFER_BIT;
    }
    if (flags & clear_zbuffer) {
      glDepthMask(GL_TRUE);
      glClearDepth(z);
      bits |= GL_DEPTH_BUFFER_BIT;
    }
    if (flags & clear_stencil) {
      glStencilMask(0xFFFFFFFF);
      glClearStencil(static_cast<GLint>(stencil));
      bits |= GL_STENCIL_BUFFER_BIT;
    }
    // A clear touches only the viewport's rectangle.
    glEnable(GL_SCISSOR_TEST);
    glScissor(static_cast<GLint>(viewport_.x), gl_row(viewport_.y, viewport_.height),
              static_cast<GLsizei>(viewport_.width), static_cast<GLsizei>(viewport_.height));
    glClear(bits);
    glDisable(GL_SCISSOR_TEST);
    // The clear's masks were the device's; the states say what draws write.
    apply_write_masks();
    return gl_error_result();
  }

  void show_cursor(bool shown) override { SDL_ShowCursor(shown ? SDL_ENABLE : SDL_DISABLE); }
  // The host's pointer is the cursor: it follows the mouse by itself.
  void set_cursor_position(int, int) override {}

  result read_back_buffer(std::uint32_t x, std::uint32_t y, std::uint32_t width, std::uint32_t height,
                          std::vector<std::uint32_t>& argb) override {
    return read_back_rows(x, y, width, height, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, argb);
  }

  result read_back_depth(std::uint32_t x, std::uint32_t y, std::uint32_t width, std::uint32_t height,
                         std::vector<float>& depth) override {
    if (width == 0 || height == 0) return result::invalid_call;
    return read_back_rows(x, y, width, height, GL_DEPTH_COMPONENT, GL_FLOAT, depth);
  }

  std::uint32_t outstanding_resources() const override { return live_resources_; }

  std::uint64_t available_video_memory() const override {
    if (epoxy_has_gl_extension("GL_NVX_gpu_memory_info")) {
      GLint kb = 0;
      glGetIntegerv(0x9048, &kb);  // total available memory, in KB
      if (kb > 0) return static_cast<std::uint64_t>(kb) * 1024;
    }
    if (epoxy_has_gl_extension("GL_ATI_meminfo")) {
      GLint kb[4] = {0, 0, 0, 0};
      glGetIntegerv(0x87FC, kb);  // free texture memory, in KB
      if (kb[0] > 0) return static_cast<std::uint64_t>(kb[0]) * 1024;
    }
    return 256ull << 20;
  }

  // --- resources and states (gl_resources.cpp) ---
  result create_texture(std::uint32_t width, std::uint32_t height, std::uint32_t levels, std::uint32_t usage,
                        format fmt, std::unique_ptr<texture>& out) override;
  result create_depth_stencil_surface(std::uint32_t width, std::uint32_t height, format fmt,
                                      multisample_type multisample, std::uint32_t quality, bool discard,
                                      std::unique_ptr<surface>& out) override;
  result create_vertex_buffer(std::uint32_t size, bool dynamic, std::unique_ptr<vertex_buffer>& out) override;
  result create_index_buffer(std::uint32_t size, bool dynamic, std::unique_ptr<index_buffer>& out) override;
  result create_vertex_layout(const std::vector<vertex_element>& elements,
                              std::unique_ptr<vertex_layout>& out) override;
  result create_pixel_program(const std::string& source, std::unique_ptr<pixel_program>& out,
                              std::string& errors) override;
  result create_effect(const std::string& source, std::unique_ptr<effect>& out, std::string& errors) override;
  result set_render_target(surface* colour) override;
  result set_depth_stencil_surface(surface* depth) override;
  result set_render_state(render_state state, std::uint32_t value) override;
  std::uint32_t get_render_state(render_state state) const override;
  result set_sampler_state(std::uint32_t sampler, sampler_state state, std::uint32_t value) override;
  std::uint32_t get_sampler_state(std::uint32_t sampler, sampler_state state) const override;
  result set_texture_stage_state(std::uint32_t stage, texture_stage_state state, std::uint32_t value) override;
  std::uint32_t get_texture_stage_state(std::uint32_t stage, texture_stage_state state) const override;
  result set_texture(std::uint32_t stage, texture* t) override;
  result set_transform(transform_kind kind, const float matrix[16]) override;
  result set_pixel_program(pixel_program* program) override;
  result set_vertex_layout(vertex_layout* layout) override;
  result set_stream_source(std::uint32_t stream, vertex_buffer* vb, std::uint32_t offset,
                           std::uint32_t stride) override;
  result set_indices(index_buffer* ib) override;
  result draw_primitive(primitive_type type, std::uint32_t start_vertex, std::uint32_t count) override;
  result draw_indexed_primitive(primitive_type type, std::int32_t base_vertex, std::uint32_t min_index,
                                std::uint32_t vertex_count, std::uint32_t start_index, std::uint32_t count) override;
  result draw_primitive_up(primitive_type type, std::uint32_t count, const void* vertices,
                           std::uint32_t stride) override;
  result set_light(std::uint32_t index, const light_desc& light) override { return fixed_.set_light(index, light); }
  result light_enable(std::uint32_t index, bool enabled) override { return fixed_.light_enable(index, enabled); }
  bool light_enabled(std::uint32_t index) const override { return fixed_.light_enabled(index); }
  result set_material(const material_desc& material) override {
    fixed_.material = material;
    return result::ok;
  }
  result set_clip_plane(std::uint32_t index, const float plane[4]) override {
    return fixed_.set_clip_plane(index, plane);
  }
  result set_pixel_constant(std::uint32_t index, const float value[4]) override {
    return fixed_.set_pixel_constant(index, value);
  }

  // --- for the backend's objects ---
  void make_current() {
    if (SDL_GL_GetCurrentContext() != context_) SDL_GL_MakeCurrent(sdl_, context_);
  }
  void count_resource(int delta, bool target) {
    live_resources_ += static_cast<std::uint32_t>(delta);
    if (target) live_targets_ += static_cast<std::uint32_t>(delta);
  }
  bool decodes_dxt_on_cpu() const { return !has_s3tc_; }
  // Compiles and links a program of our GLSL; 0 with the messages in errors.
  GLuint build_program(const std::string& vertex_source, const std::string& fragment_source, std::string& errors);
  // The prelude of a vertex or fragment program (version, inputs, helpers).
  std::string vertex_prelude() const;
  std::string fragment_prelude() const;
  // Ends every fragment program: runs its own main (renamed hm_user_main), the alpha test, the output.
  static const char* fragment_epilogue();
  // The program an effect pass draws with (0: the fixed-function path).
  void use_effect_program(GLuint program) { effect_program_ = program; }
  // Forgets objects that are being destroyed.
  void forget_texture(texture* t);
  void forget_surface(surface* s);

 private:
  // A block of the back buffer's colour or depth, rows from the top (OpenGL
  // counts them from the bottom).
  template <typename T>
  result read_back_rows(std::uint32_t x, std::uint32_t y, std::uint32_t width, std::uint32_t height, GLenum format,
                        GLenum type, std::vector<T>& out) {
    if (x + width > width_ || y + height > height_) return result::invalid_call;
    make_current();
    std::vector<T> rows(static_cast<std::size_t>(width) * height);
    if (format != GL_DEPTH_COMPONENT) glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(static_cast<GLint>(x), static_cast<GLint>(height_ - y - height), static_cast<GLsizei>(width),
                 static_cast<GLsizei>(height), format, type, rows.data());
    const result r = gl_error_result();
    if (r != result::ok) return r;
    out.resize(rows.size());
    for (std::uint32_t row = 0; row < height; ++row)
      std::copy_n(rows.begin() + static_cast<std::ptrdiff_t>(height - 1 - row) * width, width,
                  out.begin() + static_cast<std::ptrdiff_t>(row) * width);
    return result::ok;
  }

  void init_resources();
  void release_resources();
  void reset_states();
  void apply_write_masks();
  void apply_render_state(render_state state);
  void apply_sampler(std::uint32_t sampler);
  result bind_targets();
  result prepare_draw(GLuint& program);
  result setup_attributes(const std::uint8_t* base_offset, GLuint buffer, std::uint32_t stride);
  std::uint32_t target_width() const;
  std::uint32_t target_height() const;
  // The OpenGL row of a rectangle given from the top of the current target.
  GLint gl_row(std::uint32_t y, std::uint32_t h) const;
  bool rendering_to_texture() const { return render_target_ != nullptr || depth_surface_ != nullptr; }
  // The colour target is an alpha texture (kept as one red channel).
  bool alpha_only_target() const { return render_target_ && render_target_->get_format() == format::a8; }

  SDL_Window* sdl_;
  SDL_GLContext context_;
  device_caps caps_;
  present_parameters params_;
  window* window_ = nullptr;
  viewport viewport_;
  std::uint32_t width_ = 1;
  std::uint32_t height_ = 1;
  GLuint vertex_array_ = 0;
  bool in_scene_ = false;

  bool has_s3tc_ = false;
  bool has_clip_control_ = false;
  std::uint32_t live_resources_ = 0;
  std::uint32_t live_targets_ = 0;
  std::array<std::uint32_t, static_cast<std::size_t>(render_state::count)> render_states_{};
  std::array<std::array<std::uint32_t, static_cast<std::size_t>(sampler_state::count)>, max_texture_stages>
      sampler_states_{};
  std::array<std::array<std::uint32_t, static_cast<std::size_t>(texture_stage_state::count)>, max_texture_stages>
      stage_states_{};
  std::array<texture*, max_texture_stages> textures_{};
  std::array<GLuint, max_texture_stages> samplers_{};
  std::array<std::array<float, 16>, static_cast<std::size_t>(transform_kind::count)> transforms_{};
  surface* render_target_ = nullptr;
  surface* depth_surface_ = nullptr;
  GLuint framebuffer_ = 0;
  vertex_layout* layout_ = nullptr;
  vertex_buffer* stream0_ = nullptr;
  std::uint32_t stream0_offset_ = 0;
  std::uint32_t stream0_stride_ = 0;
  index_buffer* indices_ = nullptr;
  // Draws from user memory stream through one buffer: each draw's vertices go
  // after the previous ones, and a full buffer is orphaned (the driver gives a
  // fresh store while draws still reading the old one finish).
  GLuint up_buffer_ = 0;
  GLsizeiptr up_capacity_ = 0;
  GLsizeiptr up_offset_ = 0;
  GLuint fixed_program_ = 0;   // the fixed-function path
  pixel_program* pixel_program_ = nullptr;
  GLuint effect_program_ = 0;
  fixed_function_store fixed_;
};

}  // namespace hm::platform::gpu
