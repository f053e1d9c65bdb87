#pragma once
// What the renderer's tests share to draw for real: the engine's effect file,
// and an OpenGL device on an offscreen window.
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "platform/gpu/gl_system.h"
#include "platform/window.h"

namespace hm::test {

// The effect file the game compiles, read from the data folder.
inline std::string engine_effect_text() {
  std::ifstream in(std::string(HOOFMARCH_DATA_DIR) + "/hoofmarch.fx");
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

enum class offscreen_gl { ready, no_window, no_context };

// An SDL window on the offscreen driver and an OpenGL device on it with a
// 32-bit back buffer and a depth-stencil buffer. no_context when the machine
// cannot make an OpenGL 3.3 context (the tests skip then).
inline offscreen_gl open_offscreen_gl(const char* title, std::uint32_t width, std::uint32_t height,
                                      std::unique_ptr<platform::window>& window,
                                      std::unique_ptr<platform::gpu::gpu_system>& system,
                                      std::unique_ptr<platform::gpu::device>& device) {
  namespace gpu = platform::gpu;
  setenv("SDL_VIDEODRIVER", "offscreen", 1);
  if (!platform::init_video()) return offscreen_gl::no_window;
  window = platform::make_sdl_window();
  if (!window->create({title, static_cast<int>(width), static_cast<int>(height), false})) return offscreen_gl::no_window;
  system = gpu::make_gl_system();
  gpu::present_parameters p;
  p.back_buffer_width = width;
  p.back_buffer_height = height;
  p.back_buffer_format = gpu::format::x8r8g8b8;
  p.enable_auto_depth_stencil = true;
  p.auto_depth_stencil_format = gpu::format::d24s8;
  p.device_window = window.get();
  p.interval = gpu::present_interval::immediate;
  if (system->create_device(0, gpu::device_type::hal, window.get(), gpu::vertex_processing::hardware, p, device) !=
      gpu::result::ok)
    return offscreen_gl::no_context;
  return offscreen_gl::ready;
}

}  // namespace hm::test
