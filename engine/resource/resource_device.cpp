#include "engine/resource/resource_device.h"

#include "engine/resource/shader_record.h"
#include "engine/resource/texture_record.h"

namespace hm {

namespace {
constexpr std::uint32_t shader_version_1_1 = 0x101;
}

bool shader_supported_by(const shader& s, const shader_support_caps& caps) {
  bool effect = (s.flags & shader::flag_effect) != 0;
  if (effect != caps.pixel_shaders_in_use) return false;
  if ((s.requirements & shader::requires_pixel_shader) &&
      !(caps.pixel_shader_version >= shader_version_1_1 && caps.use_pixel_shaders_setting)) {
    return false;
  }
  if (effect && !(caps.vertex_shader_version >= shader_version_1_1 && caps.use_vertex_shaders_setting)) {
    return false;
  }
  return (s.flags & shader::flag_never_usable) == 0;
}

bool null_resource_device::is_supported(const shader& s) const { return shader_supported_by(s, caps); }

int null_resource_device::load_texture(texture& t, bool, const ruv_string&) {
  // A texture that needs pixel shaders stays unloaded without them and is tried
  // again next time.
  if ((t.flags & texture::flag_needs_pixel_shaders) && !caps.pixel_shaders_in_use) return 0;
  if (t.loaded) return 0;
  if (t.kind == texture::kind_file) t.frame_count = t.frames_wanted();
  t.loaded = true;
  return 0;
}

void null_resource_device::release_texture(texture& t) {
  t.loaded = false;
  t.surface_word = 0;
  t.frames.clear();
  t.frame_count = 0;
}

void resource_device_hooks::reuse_render_target(texture& t) {
  if (!t.surface_word) create_render_target_surfaces(t);
}

void null_resource_device::create_render_target_surfaces(texture&) {}

void null_resource_device::create_shader_device_objects(shader& s) { s.device_objects_created = true; }

void null_resource_device::release_pixel_shader(shader& s) { s.pixel_shader = nullptr; }

}  // namespace hm
