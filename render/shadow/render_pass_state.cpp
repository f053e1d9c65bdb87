#include "render/shadow/render_pass_state.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/resource/material.h"
#include "engine/resource/resource_manager.h"
#include "engine/resource/texture_record.h"
#include "engine/settings/game_options.h"
#include "engine/settings/ruv_config.h"
#include "platform/gpu/device.h"
#include "render/scene/scene_lighting.h"
#include "render/view/scene_view.h"
#include "render/scene/scene_world.h"
#include "render/shadow/sun_visibility.h"

namespace hm {

namespace gpu = platform::gpu;

render_pass_state g_render_pass_state;

namespace {

// The depth map is cleared to the far plane; a depth texture of the
// hardware-shadow mode keeps its colour target's alpha at 0.
constexpr std::uint32_t shadow_map_clear = 0xFFFFFFFFu;
constexpr std::uint32_t hardware_shadow_map_clear = 0x00FFFFFFu;
constexpr int shadow_map_slices = 4;

// Renders the pass view alone. Submitting queued it for the frame's full
// render as well, where it would be drawn again into the back buffer with
// nothing in it: it leaves the queue here.
void render_pass_view(scene_view& renderer, render_view& view) {
  renderer.render(&view);
  std::erase(renderer.queue, &view);
  view.queued = 0;
}

bool bounds_usable(const shadow_bounds& b) {
  for (float s : {b.size.x, b.size.y, b.size.z})
    if (!(s > 0.0f) || !std::isfinite(s)) return false;
  return true;
}

}  // namespace

bool target_is_valid(const texture* t) { return t && t->surface_word != 0; }

material* take_shadow_material(resource_manager& resources, std::int32_t width, std::int32_t height, gpu::format format,
                               std::int32_t value) {
  material* m = resources.get_render_target_material(width, height, format, value);
  if (!m) return nullptr;
  const ruv_string name("shadow_shader");
  m->shader_name = name;
  if (resources.find(shader_resource_type_id, name)) m->shader_ptr = resources.get_shader_or_default(name);
  m->flags = shadow_material_flags;
  if (m->textures[0]) m->textures[0]->flags = shadow_texture_flags;
  return m;
}

void shadow_map_size(std::int32_t quality, std::uint32_t max_width, std::uint32_t max_height, std::int32_t& width,
                     std::int32_t& height) {
  const std::int32_t side = quality == 1 ? 2048 : quality == 2 ? 4096 : 1024;
  width = height = side;
  const bool too_wide = max_width != 0 && static_cast<std::uint32_t>(width) > max_width;
  const bool too_high = max_height != 0 && static_cast<std::uint32_t>(height) > max_height;
  if (too_wide || too_high) {
    width = static_cast<std::int32_t>(std::min<std::uint32_t>(max_width ? max_width : 1024, 0x7FFFFFFF));
    height = static_cast<std::int32_t>(std::min<std::uint32_t>(max_height ? max_height : 1024, 0x7FFFFFFF));
  }
}

std::uint32_t shadow_readback::read_texel(std::int32_t x, std::int32_t y) const {
  if (width <= 0 || height <= 0) return 0;
  x = std::clamp(x, 0, width - 1);
  y = std::clamp(y, 0, height - 1);
  const std::size_t texel_size = gpu::bytes_per_pixel(format);
  const std::size_t at = (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)) *
                         texel_size;
  if (at + 4 > bytes.size()) return 0;
  std::uint32_t word = 0;
  std::memcpy(&word, bytes.data() + at, 4);
  return word;
}

// --- the state -------------------------------------------------------------------------------

render_pass_state::render_pass_state() = default;
render_pass_state::~render_pass_state() = default;

scene_view& render_pass_state::renderer() const { return renderer_override ? *renderer_override : g_scene_view; }
resource_manager& render_pass_state::resources() const {
  return resources_override ? *resources_override : g_resource_manager;
}
game_options& render_pass_state::options() const { return options_override ? *options_override : g_game_options; }
ruv_config& render_pass_state::config() const { return config_override ? *config_override : g_ruv_config; }
bool render_pass_state::pixel_shaders() const { return renderer().pixel_shaders; }
bool render_pass_state::hardware_shadows() const { return renderer().cache.hardware_shadows; }

void render_pass_state::begin_shadow_bounds(scene_world& s) {
  scene = &s;
  shadow_bounds& b = s.shadow_bounds;
  b.minimum = vec3(10000.0f, 10000.0f, 10000.0f);
  b.maximum = vec3(-10000.0f, -10000.0f, -10000.0f);
  b.size = vec3(1.0f, 1.0f, 1.0f);
  b.centre = vec3();
  b.world_centre = vec3();
  // The sun frame: its third axis towards the light, its first level.
  vec3 d, colour;
  scene_summed_light(s, vec3(), d, colour);
  if (d.z > -0.1f) d.z = -0.1f;
  // A sun near the horizon was lowered above: the axis is made unit again,
  // as the shadow camera's frame needs.
  vec3 forward = -d;
  forward.normalize();
  vec3 right = cross_product(vec3(0.0f, 0.0f, 1.0f), forward);
  right.normalize();
  vec3 up = cross_product(forward, right);
  up.normalize();
  b.light_frame.rot = rotation{right, up, forward};
  b.light_frame.origin = vec3();
  b.spare = vec3();
  ruv_config& c = config();
  if (c.shadowmap_quality != c.active_shadowmap_quality) {
    release_targets();
    c.active_shadowmap_quality = c.shadowmap_quality;
  }
}

void render_pass_state::extend_shadow_bounds(const vec3& point) {
  if (!scene) return;
  shadow_bounds& b = scene->shadow_bounds;
  const vec3 local = b.light_frame.transform_point_to_local(point);
  vec3_min(b.minimum, b.minimum, local);
  vec3_max(b.maximum, b.maximum, local);
}

void render_pass_state::finish_shadow_bounds() {
  if (!scene) return;
  shadow_bounds& b = scene->shadow_bounds;
  b.centre = (b.minimum + b.maximum) * 0.5f;
  b.world_centre = b.light_frame.transform_point_to_global(b.centre);
  b.size = b.maximum - b.minimum;
}

vec3 render_pass_state::to_shadow_coordinates(const vec3& point) const {
  if (!scene) return vec3();
  const shadow_bounds& b = scene->shadow_bounds;
  const vec3 local = b.light_frame.transform_point_to_local(point) - b.minimum;
  // An empty axis of the box puts every point at its start.
  auto along = [](float v, float size) { return size > 0.0f ? v / size : 0.0f; };
  return vec3(along(local.x, b.size.x), along(local.y, b.size.y), along(local.z, b.size.z));
}

void render_pass_state::setup_shadow_camera() {
  std::uint32_t max_width = 0, max_height = 0;
  if (gpu::device* d = renderer().cache.device()) {
    max_width = d->caps().max_texture_width;
    max_height = d->caps().max_texture_height;
  }
  shadow_map_size(config().active_shadowmap_quality, max_width, max_height, shadow_width, shadow_height);
  view.viewport = {0, 0, static_cast<std::uint32_t>(shadow_width), static_cast<std::uint32_t>(shadow_height), 0.0f,
                   1.0f};
  if (!scene) return;
  const shadow_bounds& b = scene->shadow_bounds;
  const float depth = b.maximum.z - b.minimum.z;
  camera& c = scene->shadow_camera;
  c.frame = b.light_frame;
  c.frame.origin = b.world_centre + b.light_frame.rot.u * (depth * 0.5f + 20.0f);
  c.perspective = 0;
  c.view_left = b.minimum.x - b.centre.x;
  c.view_right = b.maximum.x - b.centre.x;
  c.view_top = b.maximum.y - b.centre.y;
  c.view_bottom = b.minimum.y - b.centre.y;
  c.near = 20.0f;
  c.far = depth + 20.0f;
  c.update_frustum_planes();
  view.camera = c;
  view.shadow_pass = 1;
  projection.mode = 0;
  projection.view = c.frame;
  projection.x0 = c.view_left;
  projection.x1 = c.view_right;
  projection.y1 = c.view_top;
  projection.y0 = c.view_bottom;
  projection.z0 = c.near;
  projection.z1 = c.far;
}

void render_pass_state::create_shadow_target() {
  if (shadow_target) return;
  const gpu::format f = hardware_shadows() ? gpu::format::r16f : gpu::format::r32f;
  shadow_target = take_shadow_material(resources(), shadow_width, shadow_height, f, target_value_shadow_map);
}

void render_pass_state::publish_shadow_map() {
  if (!pixel_shaders() || !shadow_target || !scene) return;
  scene_environment& env = scene->environment;
  env.shadow_map = hardware_shadows() ? shadow_depth : shadow_target->textures[0];
  env.shadow_map_ready = 1;
  env.shadow_camera = &scene->shadow_camera;
}

void render_pass_state::read_back_shadow_map() {
  texture* t = shadow_target ? shadow_target->textures[0] : nullptr;
  // Without a map there is nothing to read the plants' shadows from.
  if (!target_is_valid(t) || t->frames.empty() || !t->frames[0]) {
    options().plant_shadows = 0;
    return;
  }
  auto* device_texture = static_cast<gpu::texture*>(t->frames[0]);
  if (!readback_surface) {
    readback_surface = std::make_unique<shadow_readback>();
    readback_surface->format = hardware_shadows() ? gpu::format::r16f : gpu::format::r32f;
  }
  shadow_readback& copy = *readback_surface;
  if (device_texture->read_level_data(0, copy.bytes) != gpu::result::ok) {
    options().plant_shadows = 0;
    readback_surface.reset();
    return;
  }
  copy.width = static_cast<std::int32_t>(device_texture->width());
  copy.height = static_cast<std::int32_t>(device_texture->height());
  copy.format = device_texture->get_format();
}

void render_pass_state::release_targets() {
  readback_surface.reset();
  if (shadow_depth) shadow_depth->in_use = 0;
  if (shadow_target) shadow_target->in_use = 0;
  shadow_depth = nullptr;
  shadow_target = nullptr;
  if (scene) {
    scene->environment.shadow_map = nullptr;
    scene->environment.shadow_map_ready = 0;
    scene->environment.shadow_camera = nullptr;
  }
}

bool render_pass_state::shadow_test(const vec3& point, float& out) const {
  out = 1.0f;
  if (!scene) return false;
  const vec3 p = projection.to_texture(point);
  if (!(p.x >= 0.0f && p.x <= 1.0f && p.y >= 0.0f && p.y <= 1.0f)) return true;
  if (!pixel_shaders() || !readback_surface || readback_surface->format != gpu::format::r32f) return false;
  std::int32_t tx = 0, ty = 0;
  shadow_texel(p.x, p.y, readback_surface->width, readback_surface->height, tx, ty);
  float depth = 0.0f;
  const std::uint32_t word = readback_surface->read_texel(tx, ty);
  std::memcpy(&depth, &word, 4);
  if (p.z - 0.001f > depth) out = 0.0f;
  return true;
}

void render_pass_state::request_view_depth(const hm::camera& eye, const view_rectangle& area) {
  depth_eye = eye;
  depth_area = area;
  depth_requested = true;
}

void render_pass_state::set_depth_probe(const vec3& point) {
  depth_probe = point;
  depth_probe_set = true;
}

void render_pass_state::read_view_depth(gpu::device& d) {
  const bool wanted = depth_requested && depth_probe_set && pixel_shaders();
  depth_requested = false;
  const auto width = static_cast<std::int32_t>(depth_area.width);
  const auto height = static_cast<std::int32_t>(depth_area.height);
  if (!wanted || width <= 0 || height <= 0) {
    view_depth.reset();
    return;
  }
  auto copy = std::make_unique<screen_depth>();
  copy->width = width;
  copy->height = height;
  copy->eye = depth_eye;
  std::int32_t px = 0;
  std::int32_t py = 0;
  if (!screen_pixel_of(depth_eye, width, height, depth_probe, px, py)) {
    // Off the view the test needs no pixel: an empty window says so.
    copy->window_width = copy->window_height = 1;
    copy->depth.assign(1, 1.0f);
    view_depth = std::move(copy);
    return;
  }
  // The test's samples lie two pixels around the probe's; the window leaves
  // room for the camera turning a little before the next test.
  constexpr std::int32_t reach = 8;
  const std::int32_t x0 = std::max(px - reach, 0);
  const std::int32_t y0 = std::max(py - reach, 0);
  const std::int32_t x1 = std::min(px + reach + 1, width);
  const std::int32_t y1 = std::min(py + reach + 1, height);
  copy->window_x = x0;
  copy->window_y = y0;
  copy->window_width = x1 - x0;
  copy->window_height = y1 - y0;
  if (d.read_back_depth(depth_area.x + static_cast<std::uint32_t>(x0), depth_area.y + static_cast<std::uint32_t>(y0),
                        static_cast<std::uint32_t>(copy->window_width), static_cast<std::uint32_t>(copy->window_height),
                        copy->depth) != gpu::result::ok) {
    view_depth.reset();
    return;
  }
  view_depth = std::move(copy);
}

// --- the passes ------------------------------------------------------------------------------

void render_passes(render_pass_state& state) {
  // Bounds that enclose nothing give the shadow camera no view window: then
  // nothing is drawn, and the map of the last frame that had one stays
  // published with the camera it was drawn with.
  if (state.scene && bounds_usable(state.scene->shadow_bounds)) {
    state.setup_shadow_camera();
    state.view.view_mask = shadow_map_view_mask;
    if (state.pixel_shaders())
      render_shadow_map_pass(state);
    else
      render_shadow_texture_pass(state);
  }
  state.publish_shadow_map();
  game_options& options = state.options();
  if (options.plant_shadows == 1) {
    if (state.pixel_shaders() && !state.hardware_shadows())
      state.read_back_shadow_map();
    else
      options.plant_shadows = 0;
  }
}

void render_shadow_map_pass(render_pass_state& state) {
  render_view& view = state.view;
  view.clear_meshes();
  if (!state.options().environment_shadows || !state.scene) return;
  resource_manager& resources = state.resources();
  const bool hardware = state.hardware_shadows();
  if (!state.shadow_depth) {
    state.shadow_depth =
        hardware ? resources.create_render_target(state.shadow_width, state.shadow_height, gpu::format::d16,
                                                  texture::kind_render_target, target_value_shadow_map)
                 : resources.get_render_target(state.shadow_width, state.shadow_height, gpu::format::d16,
                                               target_value_shadow_map);
  }
  view.clear_colour = hardware ? hardware_shadow_map_clear : shadow_map_clear;
  view.reverse_culling = 1;
  state.create_shadow_target();
  texture* colour = state.shadow_target ? state.shadow_target->textures[0] : nullptr;
  if (!target_is_valid(colour) || !target_is_valid(state.shadow_depth)) return;
  scene_view& renderer = state.renderer();
  view.target = colour;
  view.depth_target = state.shadow_depth;
  for (int slice = 0; slice < shadow_map_slices; ++slice) {
    view.keep_queued = 0;
    view.flags = slice == 0 ? (view_flag_clear_colour | view_flag_clear_depth | view_flag_no_sort) : view_flag_no_sort;
    state.scene->submit_visible_entities(view, slice, shadow_map_slices);
    state.scene->submit_skinned_shadow_casters(view, slice, shadow_map_slices);
    render_pass_view(renderer, view);
  }
}

void render_shadow_texture_pass(render_pass_state& state) {
  scene_view& renderer = state.renderer();
  renderer.render(nullptr);
  render_view& view = state.view;
  view.clear_meshes();
  resource_manager& resources = state.resources();
  if (state.options().environment_shadows && !state.shadow_target) {
    state.shadow_target = take_shadow_material(resources, state.shadow_width, state.shadow_height, gpu::format::a8,
                                               target_value_shadow_map);
  }
  if (!state.shadow_depth) {
    state.shadow_depth =
        resources.get_render_target(state.shadow_width, state.shadow_height, gpu::format::d16, target_value_shadow_map);
  }
  view.flags |= view_flag_clear_colour | view_flag_clear_depth | view_flag_no_sort;
  view.clear_colour = 0;
  texture* colour = state.shadow_target ? state.shadow_target->textures[0] : nullptr;
  if (state.scene && target_is_valid(colour)) {
    view.target = colour;
    view.depth_target = state.shadow_depth;
    view.keep_queued = 0;
    state.scene->submit_to_view(view, false);
    state.scene->submit_skinned_shadow_casters(view, 0, 1);
    render_pass_view(renderer, view);
  }
  if (state.shadow_depth) state.shadow_depth->in_use = 0;
  state.shadow_depth = nullptr;
}

void detach_scene_from_render_passes(const scene_world& s) {
  if (g_render_pass_state.scene == &s) g_render_pass_state.scene = nullptr;
}

}  // namespace hm
