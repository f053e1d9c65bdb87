#pragma once
// What the renderer's tests share to draw for real: the engine's effect file,
// and an OpenGL device on an offscreen window.
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "engine/device/device_resources.h"
#include "engine/resource/material.h"
#include "engine/resource/shader_record.h"
#include "engine/resource/texture_record.h"
#include "platform/gpu/gl_system.h"
#include "platform/window.h"
#include "render/view/scene_view.h"

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

// The game's scene view drawing on the device with the device resources'
// effect and shaders, as the application sets it up, installed as the views'
// renderer.
inline void attach_game_scene_view(platform::gpu::device& device, std::int32_t buffer_size) {
  scene_view& view = g_scene_view;
  view.set_up_buffers(buffer_size);
  view.set_device(&device);
  view.pixel_shaders = true;
  view.set_effect(g_device_resources.effect ? &g_device_resources.effect->get() : nullptr);
  view.render_to_depth_shader = g_device_resources.render_to_depth_shader;
  view.render_to_depth_skin_shader = g_device_resources.render_to_depth_skin_shader;
  view.restore_device_objects();
  set_view_renderer(&view);
}

// A one-pixel white texture and a material drawn with the effect's
// "def_shader": what the tests give their flat, vertex-coloured meshes.
struct white_effect_material {
  std::unique_ptr<platform::gpu::texture> device_texture;
  texture white;
  technique_record techniques;
  shader shader_record;
  material mat;

  // False when the device could not make the texture.
  bool create(platform::gpu::device& device, platform::gpu::effect& effect) {
    namespace gpu = platform::gpu;
    if (device.create_texture(1, 1, 1, gpu::usage_none, gpu::format::a8r8g8b8, device_texture) != gpu::result::ok)
      return false;
    const std::uint32_t pixel = 0xFFFFFFFFu;
    device_texture->update_level(0, &pixel, 4);
    white.frames.push_back(device_texture.get());
    white.loaded = true;
    techniques.plain = effect.get_technique_by_name("def_shader");
    shader_record.flags = shader::flag_effect;
    shader_record.technique_rec = &techniques;
    mat.shader_ptr = &shader_record;
    mat.textures[0] = &white;
    return true;
  }
  // Before the device goes.
  void release() {
    white.frames.clear();
    white.loaded = false;
    device_texture.reset();
  }
};

}  // namespace hm::test
