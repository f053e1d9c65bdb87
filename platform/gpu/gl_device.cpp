#include <SDL2/SDL.h>
#include <epoxy/gl.h>

#include <algorithm>

#include "platform/gpu/gl_system.h"
#include "platform/gpu/null_device.h"
#include "platform/window.h"

namespace hm::platform::gpu {
namespace {

format format_of_sdl(Uint32 sdl_format) {
  switch (sdl_format) {
    case SDL_PIXELFORMAT_RGB565: return format::r5g6b5;
    case SDL_PIXELFORMAT_RGB555: return format::x1r5g5b5;
    case SDL_PIXELFORMAT_ARGB2101010: return format::a2r10g10b10;
    default: return format::x8r8g8b8;
  }
}

bool is_back_buffer_format(format f) { return f == format::a8r8g8b8 || f == format::x8r8g8b8; }

bool is_adapter_format(format f) {
  return f == format::x8r8g8b8 || f == format::x1r5g5b5 || f == format::r5g6b5 || f == format::a2r10g10b10;
}

void depth_bits_of(format f, int& depth, int& stencil) {
  depth = stencil = 0;
  switch (f) {
    case format::d24s8: depth = 24; stencil = 8; break;
    case format::d24x8: depth = 24; break;
    case format::d16: depth = 16; break;
    default: break;
  }
}

result gl_error_result() {
  GLenum last = GL_NO_ERROR;
  for (GLenum e = glGetError(); e != GL_NO_ERROR; e = glGetError()) last = e;
  if (last == GL_NO_ERROR) return result::ok;
  return last == GL_OUT_OF_MEMORY ? result::out_of_video_memory : result::invalid_call;
}

device_caps gl_caps(std::uint32_t adapter) {
  device_caps caps;
  caps.type = device_type::hal;
  caps.adapter_ordinal = adapter;
  caps.hardware_transform_and_lighting = true;
  caps.pure_device = true;
  caps.presentation_intervals = interval_bit(present_interval::default_interval) |
                                interval_bit(present_interval::immediate) |
                                interval_bit(present_interval::one) | interval_bit(present_interval::two);
  caps.max_texture_width = caps.max_texture_height = 4096;
  caps.vertex_shader_version = caps.pixel_shader_version = 0x0300;
  return caps;
}

class gl_device final : public device {
 public:
  gl_device(SDL_Window* sdl, SDL_GLContext context, device_caps caps)
      : sdl_(sdl), context_(context), caps_(caps) {
    GLint max_size = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &max_size);
    if (max_size > 0) caps_.max_texture_width = caps_.max_texture_height = static_cast<std::uint32_t>(max_size);
    // Core profiles draw nothing without a bound vertex array.
    glGenVertexArrays(1, &vertex_array_);
    glBindVertexArray(vertex_array_);
  }

  ~gl_device() override {
    make_current();
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

  result reset(const present_parameters& params) override { return apply(params); }

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
    if (vp.x + vp.width > width_ || vp.y + vp.height > height_) return result::invalid_call;
    make_current();
    viewport_ = vp;
    glViewport(static_cast<GLint>(vp.x), static_cast<GLint>(height_ - vp.y - vp.height),
               static_cast<GLsizei>(vp.width), static_cast<GLsizei>(vp.height));
    glDepthRange(vp.min_z, vp.max_z);
    return result::ok;
  }
  viewport get_viewport() const override { return viewport_; }

  result clear(std::uint32_t flags, std::uint32_t argb, float z, std::uint32_t stencil) override {
    make_current();
    GLbitfield bits = 0;
    if (flags & clear_target) {
      glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
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
    glScissor(static_cast<GLint>(viewport_.x), static_cast<GLint>(height_ - viewport_.y - viewport_.height),
              static_cast<GLsizei>(viewport_.width), static_cast<GLsizei>(viewport_.height));
    glClear(bits);
    glDisable(GL_SCISSOR_TEST);
    return gl_error_result();
  }

  void show_cursor(bool shown) override { SDL_ShowCursor(shown ? SDL_ENABLE : SDL_DISABLE); }
  // The host's pointer is the cursor: it follows the mouse by itself.
  void set_cursor_position(int, int) override {}

  result read_back_buffer(std::uint32_t x, std::uint32_t y, std::uint32_t width, std::uint32_t height,
                          std::vector<std::uint32_t>& argb) override {
    if (x + width > width_ || y + height > height_) return result::invalid_call;
    make_current();
    std::vector<std::uint32_t> rows(static_cast<std::size_t>(width) * height);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(static_cast<GLint>(x), static_cast<GLint>(height_ - y - height), static_cast<GLsizei>(width),
                 static_cast<GLsizei>(height), GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, rows.data());
    const result r = gl_error_result();
    if (r != result::ok) return r;
    // OpenGL counts rows from the bottom.
    argb.resize(rows.size());
    for (std::uint32_t row = 0; row < height; ++row)
      std::copy_n(rows.begin() + static_cast<std::ptrdiff_t>(height - 1 - row) * width, width,
                  argb.begin() + static_cast<std::ptrdiff_t>(row) * width);
    return result::ok;
  }

  std::uint32_t outstanding_resources() const override { return 0; }

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

 private:
  void make_current() {
    if (SDL_GL_GetCurrentContext() != context_) SDL_GL_MakeCurrent(sdl_, context_);
  }

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
};

class gl_system final : public gpu_system {
 public:
  gl_system() { init_video(); }

  std::uint32_t adapter_count() const override {
    const int n = SDL_GetNumVideoDisplays();
    return n > 0 ? static_cast<std::uint32_t>(n) : 0;
  }

  result get_adapter_identifier(std::uint32_t adapter, adapter_identifier& out) const override {
    if (adapter >= adapter_count()) return result::invalid_call;
    const char* name = SDL_GetDisplayName(static_cast<int>(adapter));
    out.description = std::string("OpenGL 3.3 on ") + (name ? name : "display") + " (" + video_driver_name() + ")";
    out.driver = video_driver_name();
    return result::ok;
  }

  std::uint32_t adapter_mode_count(std::uint32_t adapter, format fmt) const override {
    return static_cast<std::uint32_t>(modes(adapter, fmt).size());
  }

  result enum_adapter_modes(std::uint32_t adapter, format fmt, std::uint32_t index,
                            display_mode& out) const override {
    const auto list = modes(adapter, fmt);
    if (index >= list.size()) return result::invalid_call;
    out = list[index];
    return result::ok;
  }

  result adapter_display_mode(std::uint32_t adapter, display_mode& out) const override {
    if (adapter >= adapter_count()) return result::invalid_call;
    SDL_DisplayMode m;
    if (SDL_GetDesktopDisplayMode(static_cast<int>(adapter), &m) != 0) return result::not_available;
    out = {static_cast<std::uint32_t>(m.w), static_cast<std::uint32_t>(m.h),
           static_cast<std::uint32_t>(m.refresh_rate), format_of_sdl(m.format)};
    return result::ok;
  }

  result get_device_caps(std::uint32_t adapter, device_type type, device_caps& out) const override {
    if (adapter >= adapter_count() || type != device_type::hal) return result::not_available;
    out = gl_caps(adapter);
    return result::ok;
  }

  result check_device_type(std::uint32_t adapter, device_type type, format adapter_format,
                           format back_buffer_format, bool) const override {
    if (adapter >= adapter_count() || type != device_type::hal) return result::not_available;
    return is_adapter_format(adapter_format) && is_back_buffer_format(back_buffer_format) ? result::ok
                                                                                          : result::not_available;
  }

  result check_depth_stencil_format(std::uint32_t adapter, device_type type, format,
                                    format depth_format) const override {
    if (adapter >= adapter_count() || type != device_type::hal) return result::not_available;
    int depth = 0, stencil = 0;
    depth_bits_of(depth_format, depth, stencil);
    return depth > 0 ? result::ok : result::not_available;
  }

  result check_depth_stencil_match(std::uint32_t adapter, device_type type, format adapter_format, format,
                                   format depth_format) const override {
    return check_depth_stencil_format(adapter, type, adapter_format, depth_format);
  }

  result check_multisample_type(std::uint32_t adapter, device_type type, format, bool, multisample_type ms,
                                std::uint32_t* quality_levels) const override {
    const bool ok = adapter < adapter_count() && type == device_type::hal && ms == multisample_none;
    if (quality_levels) *quality_levels = ok ? 1 : 0;
    return ok ? result::ok : result::not_available;
  }

  result create_device(std::uint32_t adapter, device_type type, window* focus_window, vertex_processing,
                       const present_parameters& params, std::unique_ptr<device>& out) override {
    out.reset();
    if (adapter >= adapter_count() || type != device_type::hal) return result::not_available;
    window* target = params.device_window ? params.device_window : focus_window;
    auto* sdl = target ? static_cast<SDL_Window*>(target->native_handle()) : nullptr;
    if (!sdl || !(SDL_GetWindowFlags(sdl) & SDL_WINDOW_OPENGL)) return result::not_available;
    int depth = 0, stencil = 0;
    if (params.enable_auto_depth_stencil) depth_bits_of(params.auto_depth_stencil_format, depth, stencil);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, depth);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, stencil);
    SDL_GLContext context = SDL_GL_CreateContext(sdl);
    if (!context) return result::not_available;
    if (SDL_GL_MakeCurrent(sdl, context) != 0 || epoxy_gl_version() < 33) {
      SDL_GL_MakeCurrent(sdl, nullptr);
      SDL_GL_DeleteContext(context);
      return result::not_available;
    }
    auto dev = std::make_unique<gl_device>(sdl, context, gl_caps(adapter));
    present_parameters p = params;
    if (!p.device_window) p.device_window = focus_window;
    const result r = dev->apply(p);
    if (r != result::ok) return r;
    out = std::move(dev);
    return result::ok;
  }

 private:
  std::vector<display_mode> modes(std::uint32_t adapter, format fmt) const {
    std::vector<display_mode> list;
    if (adapter >= adapter_count()) return list;
    const int n = SDL_GetNumDisplayModes(static_cast<int>(adapter));
    for (int i = 0; i < n; ++i) {
      SDL_DisplayMode m;
      if (SDL_GetDisplayMode(static_cast<int>(adapter), i, &m) != 0 || m.w <= 0 || m.h <= 0) continue;
      const display_mode d{static_cast<std::uint32_t>(m.w), static_cast<std::uint32_t>(m.h),
                           static_cast<std::uint32_t>(m.refresh_rate), format_of_sdl(m.format)};
      if (d.fmt == fmt && std::find(list.begin(), list.end(), d) == list.end()) list.push_back(d);
    }
    if (list.empty()) {
      // Drivers without a mode list (offscreen) still have the desktop mode.
      display_mode desktop;
      if (adapter_display_mode(adapter, desktop) == result::ok && desktop.fmt == fmt) list.push_back(desktop);
    }
    return list;
  }
};

}  // namespace

std::unique_ptr<gpu_system> make_gl_system() { return std::make_unique<gl_system>(); }

std::unique_ptr<gpu_system> make_system(backend which) {
  if (which == backend::opengl) return make_gl_system();
  return std::make_unique<null_system>();
}

}  // namespace hm::platform::gpu
