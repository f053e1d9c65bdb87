#include "render/scene/scene_attachments.h"

#include "engine/collision/body_part.h"
#include "engine/core/log.h"
#include "engine/resource/body.h"
#include "engine/resource/lod_mesh_group.h"
#include "engine/resource/mesh.h"
#include "engine/resource/particle_system.h"
#include "engine/resource/resource_manager.h"
#include "render/scene/scene_world.h"
#include "render/entity/strategic_entity.h"

namespace hm {

namespace {

void copy_keys(float (&to)[4], const float (&from)[4]) {
  for (int i = 0; i < 4; ++i) to[i] = from[i];
}

}  // namespace

void init_particle_system_instance(const particle_system_table_view& table, particle_system_instance& p, int index,
                                   const vec3& local_position) {
  if (index < 0 || index >= table.count()) return;
  const particle_system_settings& s = table.settings(index);
  mesh* m = g_resource_manager.get_mesh(s.mesh_name);
  p.reset();
  p.psys_index = index;
  p.psys_mesh = m;
  p.mat = m->mat;
  p.flags = s.flags;
  p.emission_rate = s.emission_rate;
  p.life = s.life;
  p.damping = s.damping;
  p.gravity_strength = s.gravity_strength;
  p.turbulence_size = s.turbulence_size;
  p.turbulence_strength = s.turbulence_strength;
  copy_keys(p.alpha_keys, s.alpha_keys);
  copy_keys(p.red_keys, s.red_keys);
  copy_keys(p.green_keys, s.green_keys);
  copy_keys(p.blue_keys, s.blue_keys);
  copy_keys(p.scale_keys, s.scale_keys);
  p.rotation_speed = s.rotation_speed;
  p.rotation_damping = s.rotation_damping;
  p.gravity = vec3(0.0f, 0.0f, -9.8f);
  frame f = frame::identity();
  f.origin = local_position;
  p.set_frame(f, s.emit_box, s.emit_velocity, s.emit_spread);
}

std::unique_ptr<particle_system_instance> create_particle_system_instance(const particle_system_table_view& table,
                                                                          int index, const vec3& local_offset,
                                                                          int clock_id) {
  if (index < 0 || index >= table.count()) return nullptr;
  auto p = std::make_unique<particle_system_instance>();
  p->clock = clock_id;
  p->reset();
  init_particle_system_instance(table, *p, index, local_offset);
  return p;
}

horse_particle_systems add_horse_particle_systems(const particle_system_table_view& table,
                                                  const horse_particle_setup& setup, strategic_entity& horse) {
  horse_particle_systems made;
  if (!setup.particles_enabled) return made;
  const vec3 tint = setup.sun_colour * 0.4f +
                    vec3(setup.ambient_colour.r, setup.ambient_colour.g, setup.ambient_colour.b);
  auto attach = [&](std::unique_ptr<particle_system_instance> p) -> particle_system_instance* {
    if (!p) return nullptr;
    particle_system_instance* raw = p.get();
    horse.add_particle_system(std::move(p));
    return raw;
  };
  if (setup.scene_has_sky_light && setup.terrain_mode_value != 4 &&
      (setup.terrain_kind == 0 || setup.terrain_kind == 1)) {
    const int kind = setup.terrain_kind;
    const vec3 offset = kind == 0 ? vec3(0.0f, 0.0f, 0.4f) : vec3(0.0f, 0.0f, 0.1f);
    made.trail = attach(create_particle_system_instance(table, setup.trail[kind], offset, clock_real_time));
    if (made.trail) {
      // The colour key values (not their times) take the light of the scene.
      float* keys[3] = {made.trail->red_keys, made.trail->green_keys, made.trail->blue_keys};
      const float tints[3] = {tint.x, tint.y, tint.z};
      for (int c = 0; c < 3; ++c) {
        keys[c][1] *= tints[c];
        keys[c][3] *= tints[c];
      }
    }
  }
  const vec3 first_offset = setup.agent_kind == 1 ? vec3(0.0f, 0.65f, 0.0f) : vec3(0.0f, 0.15f, 0.0f);
  const float heights[3] = {setup.water_level, setup.water_level + 0.05f, setup.water_level + 0.06f};
  for (int i = 0; i < 3; ++i) {
    auto p = create_particle_system_instance(table, setup.water[i], i == 0 ? first_offset : vec3(), clock_real_time);
    if (p) p->fixed_height = heights[i];
    made.water[i] = attach(std::move(p));
  }
  return made;
}

int create_interior_mesh(scene_world& scene, const ruv_string& mesh_group_name) {
  lod_mesh_group* group = g_resource_manager.get_lod_mesh_group(mesh_group_name);
  if (!group || group->lod_count < 1 || group->lods[0].empty()) {
    ruv_error("Error unable to find interior mesh %s", mesh_group_name.c_str());
  }
  entity* interior = scene.create_entity(strategic_entity_type);
  int count = 0;
  for (const mesh* m : group->lods[0]) {
    if (!m) continue;
    interior->add_mesh(m->create_copy());
    interior->compute_local_bounds();
    ++count;
  }
  // An interior surrounds the camera: it is never culled.
  interior->set_bounding_radius(100000.0f);
  return count;
}

void add_flora_bodies(scene_world& scene, std::vector<placed_flora>& flora,
                      const std::vector<std::vector<const body*>>& variant_bodies) {
  for (placed_flora& plant : flora) {
    if (plant.kind < 0 || static_cast<std::size_t>(plant.kind) >= variant_bodies.size()) continue;
    const std::vector<const body*>& variants = variant_bodies[static_cast<std::size_t>(plant.kind)];
    // A kind without variants has nothing to place (and no count to take a
    // remainder by).
    if (variants.empty()) continue;
    const auto n = static_cast<std::int32_t>(variants.size());
    plant.variant = ((plant.variant % n) + n) % n;
    const body* b = variants[static_cast<std::size_t>(plant.variant)];
    if (!b) continue;
    std::unique_ptr<body_part> copy = b->instantiate();
    if (!copy) continue;
    copy->transform_to_frame(plant.placement);
    copy->add_flags(0x200);
    scene.add_body(std::move(copy));
  }
}

}  // namespace hm
