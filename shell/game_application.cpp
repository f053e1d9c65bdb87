#include "shell/game_application.h"

#include <algorithm>

#include "engine/device_resources.h"
#include "engine/game_options.h"
#include "engine/input_state.h"
#include "engine/log.h"
#include "engine/mesh.h"
#include "engine/resource_manager.h"
#include "engine/sound_manager.h"
#include "engine/stream.h"
#include "engine/timer.h"
#include "platform/input_keymap.h"

namespace hm {

game_application* g_game_application = nullptr;

game_application::game_application() {
  caption = "Hoofmarch";
  enumeration.uses_depth_buffer = true;
  show_cursor_when_fullscreen = true;
  key_down_table.fill(0);
  g_game_application = this;
}

game_application::~game_application() {
  if (g_game_application == this) g_game_application = nullptr;
}

hresult game_application::one_time_init() {
  open_engine_log("ruv_log.txt");
  // After the log opens, so that a missing audio device is written to it.
  if (sound_output) start_sound_output();
  install_mesh_hooks(g_resource_manager);
  // The engine's own resources, in the order later files rely on (materials
  // name the shaders and textures of the files before them).
  for (const char* name : {"core_shaders", "core_textures", "core_materials", "core_ui_meshes", "core_pictures"})
    g_resource_manager.load_resource_file(ruv_string(name), 0);
  return frame_code::ok;
}

// The device's objects: textures, shaders and technique records of the
// resource manager, render targets, and the effect.
hresult game_application::init_device_objects() {
  if (!device) return frame_code::ok;
  return init_device_resources(g_device_resources, *device);
}

hresult game_application::restore_device_objects() { return restore_device_resources(g_device_resources); }

hresult game_application::invalidate_device_objects() { return invalidate_device_resources(g_device_resources); }

hresult game_application::delete_device_objects() { return delete_device_resources(g_device_resources); }

hresult game_application::frame_move() {
  ++frame_counter;
  increment_frame_counter();
  frame_time = std::min(elapsed_time, max_frame_time);
  advance_clock(clock_real_time, frame_time);
  update_input(frame_time);
  update_sound();
  typed_char = pending_char;
  pending_char = -1;
  if (exit_requested) quit_request = 1;
  return frame_code::ok;
}

hresult game_application::render() {
  if (!device) return frame_code::ok;
  ++render_counter;
  const gpu::surface_desc& bb = back_buffer_desc;
  device->set_viewport({0, 0, bb.width, bb.height, 0.0f, 1.0f});
  // Until the scene view draws the background, the colour is cleared with the
  // depth buffer.
  device->clear(gpu::clear_target | gpu::clear_zbuffer | gpu::clear_stencil, clear_color, 1.0f, 0);
  if (frame_limit != 0 && render_counter >= frame_limit) quit_request = 1;
  return frame_code::ok;
}

hresult game_application::final_cleanup() {
  log_line("Saving options...\n");
  save_options(g_game_options);
  stop_sound_output();
  engine_log().close();
  return frame_code::ok;
}

std::int64_t game_application::window_procedure(const frame_message& message) {
  switch (message.kind) {
    case frame_message_kind::set_cursor:
      if (device && windowed) {
        device->show_cursor(true);
        return 1;
      }
      break;
    case frame_message_kind::key_down:
    case frame_message_kind::key_up: {
      const int code = platform::key_code_from_sdl_scancode(message.event.scancode);
      if (code >= 0 && code < static_cast<int>(key_down_table.size()))
        key_down_table[static_cast<std::size_t>(code)] = message.kind == frame_message_kind::key_down ? 1 : 0;
      break;
    }
    case frame_message_kind::character:
      pending_char = static_cast<std::int32_t>(message.event.character);
      break;
    default:
      break;
  }
  return application_frame::window_procedure(message);
}

}  // namespace hm
