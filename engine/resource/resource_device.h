#pragma once
// What the resource manager asks of the graphics device: loading and releasing
// textures, render-target surfaces, shader device objects and whether a shader is
// usable on this device. The manager drives these through the device's life
// (create, restore, invalidate, delete); the real device code overrides them, and
// the null version here keeps the bookkeeping without any device, for tests,
// tools and headless runs.
#include <cstdint>

#include "engine/core/ruv_string.h"

namespace hm {

class texture;
class shader;

class resource_device_hooks {
 public:
  virtual ~resource_device_hooks() = default;

  // Whether pixel shaders are in use on this device (chooses "def_shader" or
  // "def_shader_ffp" and whether technique records are managed).
  virtual bool pixel_shaders_in_use() const = 0;
  // Whether the device can draw with the shader.
  virtual bool is_supported(const shader& s) const = 0;

  // The texture's load operation: a file texture loads its device texture(s), a
  // render target only marks itself loaded. Returns 0 or the last device result.
  virtual int load_texture(texture& t, bool try_module_folder, const ruv_string& module_folder) = 0;
  // Releases the texture's device objects and clears `loaded`.
  virtual void release_texture(texture& t) = 0;
  // Creates the render-target surfaces of a render-target texture.
  virtual void create_render_target_surfaces(texture& t) = 0;
  // A pooled render target taken again: it gets surfaces on this device when
  // it has none (they went with a device reset or an earlier device).
  virtual void reuse_render_target(texture& t);
  // Creates the shader's device objects once.
  virtual void create_shader_device_objects(shader& s) = 0;
  // Releases the shader's device pixel shader.
  virtual void release_pixel_shader(shader& s) = 0;
};

// Shader support by the flag rules, for a device described by its shader
// versions and the two settings.
struct shader_support_caps {
  bool pixel_shaders_in_use = false;
  // Device versions, major * 0x100 + minor (1.1 is 0x101).
  std::uint32_t pixel_shader_version = 0;
  std::uint32_t vertex_shader_version = 0;
  bool use_pixel_shaders_setting = false;
  bool use_vertex_shaders_setting = false;
};

// All must hold: flag bit 29 set exactly when pixel shaders are in use; with the
// requirements bit 12 a pixel-shader version of at least 1.1 and the setting on;
// with flag bit 29 a vertex-shader version of at least 1.1 and the setting on;
// flag bit 16 clear.
bool shader_supported_by(const shader& s, const shader_support_caps& caps);

// No device: textures only mark themselves loaded (no file access), shaders are
// judged by the flag rules against `caps`.
class null_resource_device : public resource_device_hooks {
 public:
  bool pixel_shaders_in_use() const override { return caps.pixel_shaders_in_use; }
  bool is_supported(const shader& s) const override;
  int load_texture(texture& t, bool try_module_folder, const ruv_string& module_folder) override;
  void release_texture(texture& t) override;
  void create_render_target_surfaces(texture& t) override;
  void create_shader_device_objects(shader& s) override;
  void release_pixel_shader(shader& s) override;

  shader_support_caps caps;
};

}  // namespace hm
