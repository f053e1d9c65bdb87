#pragma once
// The module's particle systems (particle_systems.txt) with the engine's
// particle codes.
#include <cstdint>
#include <vector>

#include "engine/core/math.h"
#include "engine/core/ruv_string.h"
#include "module/base/code_mapping.h"

namespace hm {

class text_reader;

// A value at a time: a channel is two keys (t0, v0), (t1, v1).
struct particle_key {
  float time = 0.0f;
  float value = 0.0f;
};

struct particle_system_record {
  ruv_string id;
  std::int32_t flags = 0;
  ruv_string mesh_name;
  float emission_rate = 0.0f;  // particles per second
  float life = 0.0f;           // seconds
  float damping = 0.0f;
  float gravity_strength = 0.0f;
  float turbulence_size = 0.0f;
  float turbulence_strength = 0.0f;
  particle_key alpha[2];
  particle_key red[2];
  particle_key green[2];
  particle_key blue[2];
  particle_key scale[2];
  vec3 emit_box;
  vec3 emit_velocity;
  float emit_spread = 0.0f;
  float rotation_speed = 0.0f;
  float rotation_damping = 0.0f;
};

struct particle_system_table {
  std::vector<particle_system_record> records;
  // Record index of each engine particle code, -1 when the module has none.
  std::int32_t codes[particle_system_code_count] = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};

  int count() const { return static_cast<int>(records.size()); }
};

extern particle_system_table g_particle_systems;

// The whole file after its header: count, records (id, flags, mesh name and
// the 35 floats in field order), then map_particle_system_codes.
void load_particle_systems(particle_system_table& table, text_reader& reader);

// "WARNING: UNABLE TO MAP Particle System CODE: " for each code without a record.
void map_particle_system_codes(particle_system_table& table);

}  // namespace hm
