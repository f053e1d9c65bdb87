#include <SDL2/SDL.h>
#include <epoxy/gl.h>

#include <algorithm>

#include "platform/gpu/gl_internal.h"
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

}  // namespace

result gl_error_result() {
  GLenum last = GL_NO_ERROR;
  for (GLenum e = glGetError(); e != GL_NO_ERROR; e = glGetError()) last = e;
  if (last == GL_NO_ERROR) return result::ok;
  return last == GL_OUT_OF_MEMORY ? result::out_of_video_memory : result::invalid_call;
}

namespace {

device_caps gl_caps(std::uint32_t adapter) {
  device_caps caps;
  caps.type = device_type::hal;
  caps.adapter_ordinal = adapter;
  caps.hardware_transform_and_lighting = true;
  caps.pure_device = true;
  caps.presentation_intervals = interval_bit(present_interval::default_interval) |
                                interval_bit(present_interval::immediate) |
                                interval_bit(present_interval::one) | interval_bit(present_interval::two);
  // What any OpenGL 3.3 context offers; a context's own figures replace these
  // once one exists.
  caps.max_texture_width = caps.max_texture_height = 4096;
  caps.vertex_shader_version = caps.pixel_shader_version = 0x0300;
  return caps;
}


}  // namespace

std::uint32_t shader_version_of_glsl(const char* glsl_version) {
  if (!glsl_version) return 0;
  // "<major>.<minor>[.release][ vendor text]", after a prefix on embedded
  // profiles ("OpenGL ES GLSL ES 3.00").
  const char* p = glsl_version;
  while (*p && (*p < '0' || *p > '9')) ++p;
  unsigned major = 0, minor = 0;
  int digits = 0;
  for (; *p >= '0' && *p <= '9' && digits < 3; ++p, ++digits) major = major * 10 + static_cast<unsigned>(*p - '0');
  if (digits == 0 || *p != '.') return 0;
  ++p;
  digits = 0;
  for (; *p >= '0' && *p <= '9' && digits < 2; ++p, ++digits) minor = minor * 10 + static_cast<unsigned>(*p - '0');
  if (digits == 0) return 0;
  if (digits == 1) minor *= 10;
  const unsigned glsl = major * 100 + minor;
  // The shading language's versions against the shader models of the same
  // hardware generation: 1.10 and 1.20 run model 2 and 3 shaders, 1.30 to 3.30
  // model 4, 4.00 and later model 5.
  if (glsl >= 400) return 0x0500;
  if (glsl >= 130) return 0x0400;
  if (glsl >= 120) return 0x0300;
  if (glsl >= 110) return 0x0200;
  return 0;
}

namespace {

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
    if (context_known_) {
      out.max_texture_width = context_caps_.max_texture_width;
      out.max_texture_height = context_caps_.max_texture_height;
      out.vertex_shader_version = context_caps_.vertex_shader_version;
      out.pixel_shader_version = context_caps_.pixel_shader_version;
    }
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
    // Later questions about the device's abilities get the context's answers.
    context_caps_ = dev->caps();
    context_known_ = true;
    out = std::move(dev);
    return result::ok;
  }

 private:
  device_caps context_caps_;
  bool context_known_ = false;

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
  // The game's own null device keeps no list of the states it was sent.
  auto system = std::make_unique<null_system>();
  system->control()->record_state_changes = false;
  return system;
}

}  // namespace hm::platform::gpu
