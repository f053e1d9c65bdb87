#include "engine/device/device_resources.h"

#include "engine/core/log.h"
#include "engine/device/render_target.h"
#include "engine/resource/resource_manager.h"
#include "engine/settings/ruv_config.h"
#include "engine/resource/shader_record.h"
#include "engine/resource/texture_record.h"
#include "platform/gpu/device.h"

namespace hm {

namespace gpu = platform::gpu;

device_resources g_device_resources;

namespace {
constexpr std::uint32_t shader_version_1_1 = 0x101;
}

void gpu_resource_device::set_device(gpu::device* device) {
  static std::uint64_t serials = 0;
  if (device != device_ || serial_ == 0) serial_ = ++serials;
  device_ = device;
  caps = {};
  caps.use_pixel_shaders_setting = g_ruv_config.use_pixel_shaders != 0;
  caps.use_vertex_shaders_setting = g_ruv_config.use_vertex_shaders != 0;
  if (device) {
    caps.pixel_shader_version = device->caps().pixel_shader_version;
    caps.vertex_shader_version = device->caps().vertex_shader_version;
  }
  caps.pixel_shaders_in_use = caps.use_pixel_shaders_setting && caps.pixel_shader_version >= shader_version_1_1 &&
                              device && shader_path_supported(device->caps(), g_ruv_config.use_vertex_shaders);
}

bool shader_path_supported(const gpu::device_caps& caps, std::int32_t use_vertex_shaders) {
  constexpr std::uint32_t version_2_0 = 0x200;
  return caps.vertex_shader_version >= version_2_0 && caps.pixel_shader_version >= version_2_0 &&
         caps.max_streams >= 16 && caps.stream_offsets && use_vertex_shaders != 0;
}

bool gpu_resource_device::is_supported(const shader& s) const { return shader_supported_by(s, caps); }

int gpu_resource_device::load_texture(texture& t, bool try_module_folder, const ruv_string& module_folder) {
  texture_load_context ctx;
  ctx.device = device_;
  ctx.pixel_shaders_in_use = caps.pixel_shaders_in_use;
  ctx.texture_detail = g_ruv_config.texture_detail;
  ctx.read_file = read_file;
  return hm::load_texture(t, try_module_folder, module_folder, ctx);
}

void gpu_resource_device::release_texture(texture& t) { release_texture_device_objects(t); }

void gpu_resource_device::create_render_target_surfaces(texture& t) {
  if (!device_) return;
  hm::create_render_target_surfaces(t, *device_);
  if (t.surface_word) t.device_serial = serial_;
}

void gpu_resource_device::reuse_render_target(texture& t) {
  if (t.surface_word && t.device_serial != serial_) {
    log_line("WARNING: a pooled render target still held objects of an earlier device.\n");
    t.frames.clear();
    t.surface = nullptr;
    t.depth_surface = nullptr;
    t.surface_word = 0;
    t.loaded = false;
  }
  if (!t.surface_word) create_render_target_surfaces(t);
}

void gpu_resource_device::create_shader_device_objects(shader& s) {
  if (s.device_objects_created) return;
  if ((s.flags & shader::flag_assembled_pixel_shader) && caps.use_pixel_shaders_setting && is_supported(s) &&
      device_) {
    const std::optional<std::string> source = read_file(s.technique.c_str());
    std::unique_ptr<gpu::pixel_program> program;
    std::string errors;
    const gpu::result r = source ? device_->create_pixel_program(*source, program, errors) : gpu::result::failed;
    if (!source || r == gpu::result::failed) {
      if (!errors.empty()) log_line(errors + "\n");
      ruv_error("Failed to assemble shader %s from file", s.name.c_str());
    }
    if (r != gpu::result::ok) ruv_error("Failed to create pixel shader %s", s.name.c_str());
    delete static_cast<gpu::pixel_program*>(s.pixel_shader);
    s.pixel_shader = program.release();
  }
  s.device_objects_created = true;
}

void gpu_resource_device::release_pixel_shader(shader& s) {
  delete static_cast<gpu::pixel_program*>(s.pixel_shader);
  s.pixel_shader = nullptr;
  // Made again with the next device.
  s.device_objects_created = false;
}

resource_manager& device_resources::resources() { return manager ? *manager : g_resource_manager; }

int init_device_resources(device_resources& r, gpu::device& device) {
  r.hooks.set_device(&device);
  if (r.debug_font) {
    r.debug_font_device.set_device(&device);
    // The overlay texts are a developer's aid: without a host font the game
    // runs on and draws none.
    const hresult hr =
        r.debug_font->init_device_objects(&r.debug_font_device, r.fonts ? *r.fonts : platform::system_font_library());
    if (hr < 0) log_line("WARNING: Unable to create the debug text font.\n");
  }
  resource_manager& m = r.resources();
  m.set_device_hooks(&r.hooks);
  m.init_device_objects(true, m.module_folder);
  return 0;
}

int restore_device_resources(device_resources& r) {
  if (r.debug_font && r.debug_font->restore_device_objects() < 0)
    log_line("WARNING: Unable to restore the debug text font.\n");
  resource_manager& m = r.resources();
  gpu::device* device = r.hooks.device();
  if (!device) return 0;
  std::string errors;
  r.effect = load_effect_file(*device, m, r.effect_path, errors);
  if (!r.effect) {
    log_line("Effect file " + r.effect_path + ": " + errors + "\n");
    ruv_error("Unable to compile the effect file.");
  }
  m.restore_device_textures(r.effect.get());
  ++r.device_generation;
  r.render_to_depth_shader = m.get_shader(ruv_string("render_to_depth_shader"));
  r.render_to_depth_skin_shader = m.get_shader(ruv_string("render_to_depth_skin_shader"));
  r.render_character_shadow = m.get_shader(ruv_string("render_character_shadow"));
  r.render_character_shadow_with_skin = m.get_shader(ruv_string("render_character_shadow_with_skin"));
  return 0;
}

int invalidate_device_resources(device_resources& r) {
  if (r.debug_font) r.debug_font->invalidate_device_objects();
  r.debug_font_device.release_draw_objects();
  r.effect.reset();
  r.resources().release_render_target_textures();
  return 0;
}

int delete_device_resources(device_resources& r) {
  if (r.debug_font) r.debug_font->delete_device_objects();
  // Whatever the font made on this device goes with it, attached or not.
  r.debug_font_device.release_draw_objects();
  r.debug_font_device.release_glyph_texture();
  r.debug_font_device.set_device(nullptr);
  resource_manager& m = r.resources();
  m.delete_device_objects();
  // Pixel programs belong to the device that goes now, whether or not pixel
  // shaders were in use.
  for (shader* s : m.shaders) {
    if (s->pixel_shader) r.hooks.release_pixel_shader(*s);
    s->device_objects_created = false;
  }
  // The effect is the device's too (a caller that skipped the invalidate
  // would otherwise leave it to the global's destructor, after the device).
  r.effect.reset();
  r.render_to_depth_shader = nullptr;
  r.render_to_depth_skin_shader = nullptr;
  r.render_character_shadow = nullptr;
  r.render_character_shadow_with_skin = nullptr;
  r.hooks.let_go_of_device();
  return 0;
}

}  // namespace hm
