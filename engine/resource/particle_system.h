#pragma once
// A running particle emitter. Its owner (a mesh, an entity or the scene's pool)
// calls update every frame with the frame time and the frame that places it:
// live particles move under gravity, damping and turbulence, age and die, and
// new ones are emitted at the emission rate. When the owner is drawn,
// build_quads turns the live particles into geometry: one copy of the particle
// system's mesh per particle, coloured, faded and scaled by the particle's age,
// appended to the renderer's shared particle mesh of the material.
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/core/math.h"
#include "engine/core/timer.h"

namespace hm {

class material;
class mesh;
class mesh_render_view;

struct particle {
  rotation orientation = rotation::identity();
  vec3 position;
  vec3 velocity;
  float age = 0.0f;  // 0 at birth, 1 at death
  std::int32_t word = 0;
  float angle = 0.0f;             // radians
  float angular_velocity = 0.0f;  // radians per second
  float size_factor = 1.0f;
};

// Flag bits of a particle system.
constexpr std::uint32_t psys_flag_emit_forever = 0x2;
constexpr std::uint32_t psys_flag_world_velocity = 0x10;
constexpr std::uint32_t psys_flag_fixed_height = 0x20;
constexpr std::uint32_t psys_flag_random_orientation = 0x1000;
constexpr std::uint32_t psys_flag_random_size = 0x2000;
constexpr std::uint32_t psys_flag_flat_turbulence = 0x10000;

// Value of a key pair (t0, v0, t1, v1) at age a: v0 before t0, v1 from t1, a
// straight line between.
float key_value(const float keys[4], float age);
// The alpha form: fades in from 0 before t0 and out to 0 at age 1 after t1.
float alpha_key_value(const float keys[4], float age);

// Whether particles move. Without a view nobody sees where they are: those
// born then keep only their age, and those alive stop moving. They still age,
// die and are born as drawn ones are, since births draw from the shared
// random source and when an emitter falls idle decides the pool's order, and
// the course of whatever else draws from it must not depend on whether it is
// watched. The scene sets it each frame.
void set_particles_move(bool move);
bool particles_move();

class particle_system_instance {
 public:
  // Counts for an emitter that never runs out.
  static constexpr std::int32_t endless_count = 1000000000;

  // Places the emitter (world_frame = parent x local_frame), moves (while
  // particles_move()), ages and removes particles, and emits new ones.
  void update(float dt, const frame& parent);
  // Appends one quad copy per live particle to the shared particle mesh.
  void build_quads(mesh_render_view& view);
  // Whether any particle lives, seen or not.
  bool has_live_particles() const { return !particles.empty() || !unseen_ages_.empty(); }
  // A new particle at the emitter.
  void spawn_particle(particle& out);
  // Every setting back to its default for a fresh use from the particle-system
  // table; the clock and the life are kept.
  void reset();
  // Places the emitter (local_frame) with its emit box, velocity and spread;
  // clears flag bit 0, and with flag bit 1 the emitter never runs out.
  void set_frame(const frame& f, const vec3& box, const vec3& velocity, float spread);
  // Both emission counts to n and the accumulator to 0.
  void restart(std::int32_t n);
  // With flag 0x2 the counts become endless; otherwise restart(n).
  void set_emission_stock(std::int32_t n);
  // The frame a particle's mesh copy is turned by, for the orientation mode.
  rotation particle_rotation(const particle& p, const frame& camera) const;
  std::int32_t orientation_mode() const { return static_cast<std::int32_t>((flags >> 8) & 15u); }

  mesh* quad_mesh = nullptr;
  material* mat = nullptr;
  const mesh* psys_mesh = nullptr;
  std::vector<particle> particles;
  float turbulence_size = 0.0f;
  float turbulence_strength = 0.0f;
  float damping = 0.0f;
  float alpha_keys[4] = {0.0f, 1.0f, 1.0f, 1.0f};
  float red_keys[4] = {0.0f, 1.0f, 1.0f, 1.0f};
  float green_keys[4] = {0.0f, 1.0f, 1.0f, 1.0f};
  float blue_keys[4] = {0.0f, 1.0f, 1.0f, 1.0f};
  float scale_keys[4] = {0.0f, 1.0f, 1.0f, 1.0f};
  float life = 1.0f;
  vec3 gravity = vec3(0.0f, 0.0f, -9.8f);
  float gravity_strength = 0.0f;
  float color_factor = 1.0f;
  std::uint32_t flags = 0;
  float fixed_height = 0.0f;
  frame world_frame = frame::identity();
  frame local_frame = frame::identity();
  vec3 emit_box;
  vec3 emit_velocity;
  float emit_spread = 1.0f;
  float emission_rate = 0.0f;
  std::int32_t to_emit = 0;
  std::int32_t emit_total = 0;
  float emit_accumulator = 0.0f;
  float radius = 0.0f;
  std::int32_t psys_index = -1;
  float rotation_speed = 0.0f;
  float rotation_damping = 0.0f;
  // The clock whose time drives the turbulence.
  std::int32_t clock = clock_real_time;

 private:
  void move_particles(float dt);
  void remove_dead_and_emit(float dt);

  // The ages of the particles born while nobody watched.
  std::vector<float> unseen_ages_;
};

// Index of the last instance of the list made from particle system id, or -1.
int find_last_particle_system(const std::vector<std::unique_ptr<particle_system_instance>>& list, int id);

}  // namespace hm
