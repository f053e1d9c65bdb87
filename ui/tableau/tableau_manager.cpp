#include "ui/tableau/tableau_manager.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "engine/core/log.h"
#include "engine/resource/material.h"
#include "engine/resource/mesh.h"
#include "engine/resource/resource_manager.h"
#include "engine/resource/texture_record.h"
#include "module/media/tableau_material.h"
#include "module/records/map_icon.h"
#include "module/records/module_mesh.h"
#include "platform/gpu/device.h"
#include "render/entity/strategic_entity.h"
#include "render/scene/light.h"
#include "render/scene/scene_lighting.h"
#include "render/view/scene_view.h"
#include "script/executor.h"
#include "ui/manager/ui_manager.h"
#include "ui/widget/mesh_builders.h"

namespace hm {

tableau_manager g_tableau_manager;
tableau_trigger_object g_tableau_trigger_object;

namespace {

// The default camera: a window the shape of the interface (4:3) seen
// straight on from 400 units away.
constexpr float view_half_width = 0.5f;
constexpr float view_half_height = 0.375f;
constexpr float camera_distance = 400.0f;
constexpr float camera_far = 501.0f;
// A point light stands this far back along its direction.
constexpr float point_light_distance = 1000.0f;

// The UI's resource manager (tests give it one of its own), else the game's.
resource_manager& resources() { return g_ui_manager.resources ? *g_ui_manager.resources : g_resource_manager; }

tableau_material* tableau_record(int tableau) {
  if (tableau < 0 || tableau >= g_tableau_materials.count()) return nullptr;
  return &g_tableau_materials.materials[static_cast<std::size_t>(tableau)];
}

// The mesh's material is asked for its first texture while that is empty (or
// its target has no device objects): an instance that has not rendered yet
// renders and fills it. A rendered one waits for invalidate_instances, so a
// target the device cannot make is not drawn again every frame.
void render_on_demand(material& m) {
  tableau_instance* inst = g_tableau_manager.instance_of(m);
  if (inst && !inst->rendered) g_tableau_manager.render_instance(*inst);
}

bool unit_scale(const vec3& s) {
  auto near_one = [](float v) { return v > 0.99999f && v < 1.00001f; };
  return near_one(s.x) && near_one(s.y) && near_one(s.z);
}

std::uint32_t colour_byte(float v) {
  return static_cast<std::uint32_t>(std::clamp(std::lround(v * 255.0f), 0L, 255L));
}

std::uint32_t clear_colour_of(const tableau_scene_values& v) {
  auto c = static_cast<std::uint32_t>(v.background);
  if (v.background_colour_set) {
    const vec3& b = v.background_colour;
    c = (c & 0xFF000000u) | (colour_byte(b.x) << 16) | (colour_byte(b.y) << 8) | colour_byte(b.z);
  }
  return c;
}

void set_up_camera(camera& c, const tableau_scene_values& v) {
  c.perspective = 0;
  c.frame = frame::identity();
  c.frame.origin = vec3(0.0f, 0.0f, camera_distance);
  c.view_left = -view_half_width;
  c.view_right = view_half_width;
  c.view_bottom = -view_half_height;
  c.view_top = view_half_height;
  c.near = 0.0f;
  c.far = camera_far;
  if (v.camera_frame_set) c.frame = v.camera_frame;
  if (v.projection_set) {
    c.perspective = v.orthographic ? 0 : 1;
    c.view_left = -v.projection[0] * 0.5f;
    c.view_right = v.projection[0] * 0.5f;
    c.view_bottom = -v.projection[1] * 0.5f;
    c.view_top = v.projection[1] * 0.5f;
    c.near = v.projection[2];
    c.far = v.projection[3];
  }
  c.update_frustum_planes();
}

}  // namespace

tableau_manager::tableau_manager() = default;

tableau_manager::~tableau_manager() {
  // Meshes of windows that outlive this object may still hold instance
  // materials at exit; those are left to the process's end.
  for (auto& inst : instances)
    if (inst->mat && inst->mat->use_count > 0) (void)inst->mat.release();
}

// --- scenes ------------------------------------------------------------------------------------

tableau_scene& tableau_manager::push_scene() {
  scenes.push_back(std::make_unique<tableau_scene>());
  return *scenes.back();
}

void tableau_manager::pop_scene() {
  if (!scenes.empty()) scenes.pop_back();
}

entity* tableau_manager::add_mesh(std::unique_ptr<mesh> m, const frame& placement, const vec3& scale) {
  tableau_scene* s = current_scene();
  if (!s || !m) return nullptr;
  if (!unit_scale(scale)) m->scale(scale.x, scale.y, scale.z);
  entity* e = s->scene.create_entity(strategic_entity_type);
  e->add_mesh(std::move(m));
  e->set_frame(placement);
  return e;
}

// --- instances ---------------------------------------------------------------------------------

tableau_instance* tableau_manager::get_or_create_instance(int tableau, std::int64_t object) {
  tableau_material* record = tableau_record(tableau);
  if (!record) return nullptr;
  for (auto& inst : instances)
    if (inst->tableau == tableau && inst->object == object) return inst.get();

  auto inst = std::make_unique<tableau_instance>();
  inst->tableau = tableau;
  inst->object = object;
  resource_manager& r = resources();
  inst->target = r.create_render_target(std::max(record->width, 1), std::max(record->height, 1),
                                                         platform::gpu::format::a8r8g8b8, texture::kind_render_target,
                                                         tableau_target_value);
  record->render_targets.push_back(inst->target);
  // The sample material gives the shader and the other textures.
  inst->mat = std::make_unique<material>();
  material& m = *inst->mat;
  const auto* fallback = static_cast<const material*>(r.find(material_resource_type_id, ruv_string("default")));
  if (const material* base = record->sample_material ? record->sample_material : fallback) {
    m.flags = base->flags;
    m.shader_name = base->shader_name;
    m.shader_ptr = base->shader_ptr;
    m.textures = base->textures;
    m.specular_power = base->specular_power;
    std::copy(std::begin(base->specular_color), std::end(base->specular_color), std::begin(m.specular_color));
  }
  m.name = record->name;
  m.textures[0] = nullptr;
  m.load_index = tableau;
  m.load_function = render_on_demand;
  instances.push_back(std::move(inst));
  return instances.back().get();
}

tableau_instance* tableau_manager::instance_of(const material& m) {
  for (auto& inst : instances)
    if (inst->mat.get() == &m) return inst.get();
  return nullptr;
}

bool tableau_manager::attach_to_mesh(int tableau, std::int64_t object, mesh& m) {
  tableau_instance* inst = get_or_create_instance(tableau, object);
  if (!inst) return false;
  m.set_material(inst->mat.get());
  return true;
}

std::unique_ptr<mesh> tableau_manager::make_quad_mesh(int tableau, std::int64_t object) {
  tableau_instance* inst = get_or_create_instance(tableau, object);
  if (!inst) return nullptr;
  return make_tableau_quad_mesh(*tableau_record(tableau), inst->mat.get());
}

void tableau_manager::purge_unused_instances() {
  for (std::size_t i = 0; i < instances.size();) {
    tableau_instance& inst = *instances[i];
    if (inst.mat->use_count >= 1 || inst.rendering) {
      ++i;
      continue;
    }
    if (inst.target) {
      inst.target->in_use = 0;
      if (tableau_material* record = tableau_record(inst.tableau)) std::erase(record->render_targets, inst.target);
    }
    inst.object = -1;
    inst.tableau = -1;
    instances[i] = std::move(instances.back());
    instances.pop_back();
  }
}

void tableau_manager::invalidate_instances() {
  for (auto& inst : instances) {
    inst->rendered = false;
    inst->mat->textures[0] = nullptr;
  }
}

void tableau_manager::release() {
  purge_unused_instances();
  // The records that own the targets' list are about to go; the instances
  // that meshes still show draw blank from now on.
  for (auto& inst : instances) {
    // Not found again for a record of the next table at the same index.
    inst->tableau = -1;
    inst->object = -1;
    inst->target = nullptr;
    inst->rendered = true;
    inst->mat->textures[0] = nullptr;
    inst->mat->load_function = nullptr;
  }
}

// --- rendering ---------------------------------------------------------------------------------

void tableau_manager::render_instance(tableau_instance& inst) {
  tableau_material* record = tableau_record(inst.tableau);
  if (!record || !inst.target || inst.rendering || scenes.size() >= static_cast<std::size_t>(tableau_max_nesting))
    return;
  inst.rendering = true;
  tableau_scene& s = push_scene();

  std::int32_t param_count = 1;
  const std::int64_t params[1] = {inst.object};
  execute_statement_block(record->script, tableau_script_context, 0, param_count, params, -1);

  render_view& v = s.view;
  set_up_camera(v.camera, s.values);
  const auto w = static_cast<std::uint32_t>(std::max(record->width, 1));
  const auto h = static_cast<std::uint32_t>(std::max(record->height, 1));
  v.viewport = {0, 0, w, h, 0.0f, 1.0f};
  v.flags = view_flag_clear_colour | view_flag_clear_depth;
  v.clear_colour = clear_colour_of(s.values);
  v.target = inst.target;
  v.depth_target = resources().get_render_target(
      std::max(record->width, tableau_min_depth_size), std::max(record->height, tableau_min_depth_size),
      platform::gpu::format::d16, tableau_target_value);
  v.scene = &s.scene;
  // The block's lights light the picture; without any it is drawn unlit.
  put_scene_lights_in_view(s.scene, v, s.view_lights, true);
  v.lights_enabled = v.lights.empty() ? 0 : 1;
  // The view is drawn on its own below, never with the frame's queue.
  v.queued = 1;
  v.keep_queued = 0;
  // New entities wait among the pending ones until the scene's next update,
  // which a tableau's scene never sees.
  for (auto* list : {&s.scene.active_entities, &s.scene.pending_entities})
    for (auto& e : *list)
      for (auto& m : e->meshes)
        if (m) m->render(v, e->frame);
  scene_view& r = renderer ? *renderer : g_scene_view;
  r.render(&v);
  if (v.depth_target) v.depth_target->in_use = 0;

  inst.rendered = true;
  inst.mat->textures[0] = inst.target;
  ++renders;
  pop_scene();
  inst.rendering = false;
}

// --- the script engine's neighbour -------------------------------------------------------------

int tableau_scene_host::tableau_count() const { return g_tableau_materials.count(); }

tableau_scene_values* tableau_scene_host::current_tableau_scene() {
  tableau_scene* s = g_tableau_manager.current_scene();
  return s ? &s->values : nullptr;
}

void tableau_scene_host::set_tableau_flag() { g_tableau_manager.flag = 1; }

void tableau_scene_host::add_tableau_mesh(int tableau, std::int64_t object, const frame& placement,
                                          const vec3& scale) {
  if (!g_tableau_manager.current_scene()) return;
  g_tableau_manager.add_mesh(g_tableau_manager.make_quad_mesh(tableau, object), placement, scale);
}

void tableau_scene_host::add_tableau_module_mesh(int mesh_index, const frame& placement, const vec3& scale,
                                                 float alpha, std::int64_t colour) {
  if (!g_tableau_manager.current_scene()) return;
  std::unique_ptr<mesh> m = instantiate_module_mesh(g_module_meshes, mesh_index);
  if (!m) return;
  if (colour != -1) {
    m->make_geometry_own();
    m->set_vertex_color(static_cast<std::uint32_t>(colour));
    // The effect path works in linear colour.
    const scene_view& r = g_tableau_manager.renderer ? *g_tableau_manager.renderer : g_scene_view;
    if (r.pixel_shaders) m->linearize_vertex_colors();
  }
  if (alpha < 0.99f) set_vertex_alpha(*m, alpha);
  g_tableau_manager.add_mesh(std::move(m), placement, scale);
}

void tableau_scene_host::add_tableau_map_icon(int icon, const frame& placement, float scale) {
  if (!g_tableau_manager.current_scene() || icon < 0 || icon >= static_cast<int>(g_map_icons.size())) return;
  const mesh* source = resources().find_mesh(g_map_icons[static_cast<std::size_t>(icon)].mesh_name);
  if (!source) return;
  g_tableau_manager.add_mesh(source->create_copy(), placement, vec3(scale, scale, scale));
}

void tableau_scene_host::add_tableau_figure(const tableau_figure_request& figure) {
  tableau_scene* s = g_tableau_manager.current_scene();
  if (!s || !g_tableau_manager.figure_builder) return;
  entity* e = s->scene.create_entity(strategic_entity_type);
  e->set_frame(figure.placement);
  g_tableau_manager.figure_builder(figure, *e);
}

void tableau_scene_host::add_tableau_light(bool point, const frame& placement, const vec3& colour) {
  tableau_scene* s = g_tableau_manager.current_scene();
  if (!s) return;
  light& l = s->scene.create_light();
  l.colour = {colour.x, colour.y, colour.z, 1.0f};
  l.direction = placement.rot.f;
  if (point) {
    l.type = light_type_point;
    l.position = placement.origin - placement.rot.f * point_light_distance;
    l.compute_strength_from_color();
  } else {
    l.type = light_type_directional;
    l.position = placement.origin;
    l.strength = (colour.x + colour.y + colour.z) * 10.0f;
  }
}

void tableau_scene_host::put_tableau_on_trigger_object(std::int32_t event_code, int tableau, std::int64_t object) {
  if (g_tableau_trigger_object.event_code != event_code) return;
  for (mesh* m : g_tableau_trigger_object.meshes)
    if (m) g_tableau_manager.attach_to_mesh(tableau, object, *m);
}

void install_tableau_scene_host() {
  static tableau_scene_host host_object;
  g_tableau_table_release = [] { g_tableau_manager.release(); };
  script_host h = current_script_host();
  h.render = &host_object;
  set_script_host(h);
}

}  // namespace hm
