#pragma once
// Small builders that put things into a scene: particle-system instances made
// from the module's particle-system table, the particle systems that follow a
// horse, the interior mesh of a scene without terrain and the collision bodies
// of placed flora.
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/core/math.h"
#include "engine/core/ruv_string.h"

namespace hm {

class body;
class particle_system_instance;
class scene_world;
class strategic_entity;

// The settings of one record of the particle-system table that an instance
// copies. Key pairs are (t0, v0, t1, v1).
struct particle_system_settings {
  std::uint32_t flags = 0;
  ruv_string mesh_name;
  float emission_rate = 0.0f;
  float life = 1.0f;
  float damping = 0.0f;
  float gravity_strength = 0.0f;
  float turbulence_size = 0.0f;
  float turbulence_strength = 0.0f;
  float alpha_keys[4] = {0.0f, 1.0f, 1.0f, 0.0f};
  float red_keys[4] = {0.0f, 1.0f, 1.0f, 1.0f};
  float green_keys[4] = {0.0f, 1.0f, 1.0f, 1.0f};
  float blue_keys[4] = {0.0f, 1.0f, 1.0f, 1.0f};
  float scale_keys[4] = {0.0f, 1.0f, 1.0f, 1.0f};
  vec3 emit_box;
  vec3 emit_velocity;
  float emit_spread = 0.0f;
  float rotation_speed = 0.0f;
  float rotation_damping = 0.0f;
};

// What the scene needs of the module's particle-system table.
class particle_system_table_view {
 public:
  virtual ~particle_system_table_view() = default;
  virtual int count() const = 0;
  // Index in 0..count() - 1.
  virtual const particle_system_settings& settings(int index) const = 0;
};

// Fills an instance from record `index` placed at the local position (mesh
// looked up by name, fatal when missing). An index outside the table leaves
// the instance as it is.
void init_particle_system_instance(const particle_system_table_view& table, particle_system_instance& instance,
                                   int index, const vec3& local_position);
// A new instance of record `index` on the clock, or null for an index outside
// the table.
std::unique_ptr<particle_system_instance> create_particle_system_instance(const particle_system_table_view& table,
                                                                          int index, const vec3& local_offset,
                                                                          int clock_id);

// The horse's systems and what choosing them reads of the mission.
struct horse_particle_setup {
  // Table indices (below 0: none) of the two trails, by terrain kind, and the
  // three water systems.
  std::int32_t trail[2] = {-1, -1};
  std::int32_t water[3] = {-1, -1, -1};
  bool particles_enabled = true;
  bool scene_has_sky_light = true;
  std::int32_t terrain_mode_value = 0;
  std::int32_t terrain_kind = 0;
  // The agent's kind field; 1 puts the first water system further forward.
  std::int32_t agent_kind = 0;
  float water_level = -0.3f;
  vec3 sun_colour;
  color ambient_colour;
};

// The instances made for a horse (owned by its entity), null where none.
struct horse_particle_systems {
  particle_system_instance* trail = nullptr;
  particle_system_instance* water[3] = {nullptr, nullptr, nullptr};
};

// Attaches up to four systems to the horse's entity: a trail chosen by the
// terrain kind and tinted by the light, and three water systems at the water
// level and just above it.
horse_particle_systems add_horse_particle_systems(const particle_system_table_view& table,
                                                  const horse_particle_setup& setup, strategic_entity& horse);

// The interior of a scene without terrain: a strategic entity drawing copies of
// the meshes of the named mesh group (fatal "Error unable to find interior mesh
// %s" when it has none), never culled. Returns the number of meshes.
int create_interior_mesh(scene_world& scene, const ruv_string& mesh_group_name);

// A placed plant: its kind, its variant (reduced modulo the kind's variant
// count and written back) and its frame.
struct placed_flora {
  std::int32_t kind = 0;
  std::int32_t variant = 0;
  frame placement = frame::identity();
};

// Adds a copy of each placed plant's variant body, placed by its frame and
// flagged 0x200, to the scene. Kinds outside the list or without variants are
// skipped. variant_bodies[kind][variant] may be null (no body).
void add_flora_bodies(scene_world& scene, std::vector<placed_flora>& flora,
                      const std::vector<std::vector<const body*>>& variant_bodies);

}  // namespace hm
