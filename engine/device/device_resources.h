#pragma once
// The engine's graphics-device resources as the application's device hooks use
// them: the resource manager's device side on a real (or null) graphics device,
// and the effect. The game's four device hooks call the four functions below.
//
//   init:       the manager's textures load (core textures first: they are
//               registered at start), shaders make their device objects,
//               technique records are attached, materials choose shaders.
//   restore:    the effect file compiles ("Unable to compile the effect
//               file." when it cannot), render targets get their surfaces,
//               technique records resolve, the scene's shaders are looked up.
//   invalidate: the effect and the render targets' surfaces go.
//   delete:     every texture's and shader's device objects go, and with them
//               the effect and the device itself: nothing left here reaches
//               into a device destroyed after this call.
//
// The debug-text font (the application owns it and hands it in) follows the
// same hooks: its glyph texture is made at init and goes at delete, its vertex
// buffer is made at restore and goes at invalidate.
#include <cstdint>
#include <memory>
#include <string>

#include "engine/device/effect.h"
#include "engine/resource/resource_device.h"
#include "engine/device/texture_device.h"
#include "engine/text/texture_font_gpu.h"
#include "platform/gpu/device.h"

namespace hm {

namespace platform {
class font_library;
}

class resource_manager;
class shader;

// Whether the device may draw with the shader path at all: vertex and pixel
// shaders of version 2.0 or later, 16 vertex streams or more, streams at an
// offset, and "use_vertex_shaders" on. Without it the game draws with the
// fixed-function path and never compiles the effect.
bool shader_path_supported(const platform::gpu::device_caps& caps, std::int32_t use_vertex_shaders);

// The manager's device hooks on a graphics device. Whether pixel shaders are in
// use and which shaders are usable follow the device's shader versions and the
// "use_pixel_shaders" and "use_vertex_shaders" settings of ruv_config.
class gpu_resource_device final : public resource_device_hooks {
 public:
  explicit gpu_resource_device(platform::gpu::device* device = nullptr) { set_device(device); }

  // Takes the device and works out the shader capabilities from it and the settings.
  void set_device(platform::gpu::device* device);
  platform::gpu::device* device() const { return device_; }
  // The device goes: nothing is made on it any more (the shader capabilities
  // stay as they were until the next device).
  void let_go_of_device() { device_ = nullptr; }

  bool pixel_shaders_in_use() const override { return caps.pixel_shaders_in_use; }
  bool is_supported(const shader& s) const override;
  int load_texture(texture& t, bool try_module_folder, const ruv_string& module_folder) override;
  void release_texture(texture& t) override;
  void create_render_target_surfaces(texture& t) override;
  // Objects of a target made on another device are dropped (that device is
  // gone or not ours to reach into) before it gets surfaces on this one.
  void reuse_render_target(texture& t) override;
  // A shader drawn with a pixel program from a file (flag bit 28), while
  // "use_pixel_shaders" is on and the shader is usable, compiles the file its
  // technique names: fatal "Failed to assemble shader %s from file" when the
  // file cannot be read or compiled, "Failed to create pixel shader %s" when
  // the device cannot make it.
  void create_shader_device_objects(shader& s) override;
  void release_pixel_shader(shader& s) override;

  shader_support_caps caps;
  // How texture and pixel-program files are read (tests count the reads).
  texture_file_reader read_file = default_texture_file_reader();

 private:
  platform::gpu::device* device_ = nullptr;
  // Changes with every device taken, so that objects made on an earlier
  // device are told apart even when a new device sits at the same address.
  std::uint64_t serial_ = 0;
};

struct device_resources {
  gpu_resource_device hooks;
  std::unique_ptr<engine_effect> effect;
  resource_manager* manager = nullptr;  // the global manager when null
  std::string effect_path = effect_file_name;
  // Counts restores, so that views can tell device objects made before one.
  std::uint32_t device_generation = 0;
  // The scene view's shaders, looked up at every restore.
  shader* render_to_depth_shader = nullptr;
  shader* render_to_depth_skin_shader = nullptr;
  shader* render_character_shadow = nullptr;
  shader* render_character_shadow_with_skin = nullptr;
  // The debug-text font (not owned; null: none) and its device half. Faces
  // come from `fonts`, the host's font library when null.
  texture_font* debug_font = nullptr;
  gpu_texture_font_device debug_font_device;
  const platform::font_library* fonts = nullptr;

  resource_manager& resources();
};

// The global device resources of the game.
extern device_resources g_device_resources;

// Each returns 0; failures that cannot be recovered from are fatal.
int init_device_resources(device_resources& r, platform::gpu::device& device);
int restore_device_resources(device_resources& r);
int invalidate_device_resources(device_resources& r);
int delete_device_resources(device_resources& r);

}  // namespace hm
