#pragma once
// The mission's physics worlds: one world per ragdoll in use, kept in a list
// whose free records (no world) are reused first, and the physics step that
// advances them all by a frame's time in sub-steps, limiting the ragdoll
// bones' speeds before each.
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/core/math.h"
#include "platform/physics/physics.h"
#include "platform/thread.h"

namespace hm {

namespace physics = platform::physics;

// One world and the ragdoll built in it.
struct physics_world_record {
  std::int32_t state = 0;
  // Null marks a free record.
  std::unique_ptr<physics::world> world;
  // The ragdoll's bones, in the order they were added.
  std::vector<physics::body_id> bones;
  // The static capsules of the local ground and the free capsule of a linked
  // agent, all removed when the ground is rebuilt.
  std::vector<physics::body_id> capsule_bodies;
  physics::body_id linked_body = physics::no_body;
  std::int32_t material = 0;
};

class physics_world_list {
 public:
  // Fills the first free record (or a new one at the end) with a new world:
  // world box (-1000, -1000, -100) .. (1000, 1000, 1000), contacts with
  // softness 0.1, elasticity 0.5, friction 1.1 static and 0.9 moving. Counts
  // the world; returns the record's index.
  int create_physics_world();
  // Destroys the record's world and uncounts it; a free or unknown record is
  // left alone.
  void release_physics_world(int index);
  // True when no bone of the record's ragdoll sleeps (false for a free or
  // unknown record).
  bool is_ragdoll_awake(int index) const;
  // The record, or null for an index outside the list.
  physics_world_record* record(int index);

  std::vector<physics_world_record> records;
  // Worlds in use: the active ragdoll count.
  std::int32_t worlds_created = 0;
  // Which backend new worlds use.
  physics::backend backend = physics::backend::bullet;
  // Guards the worlds between the mission frame and the physics worker.
  platform::critical_section lock;
};

// The mission's worlds, shared by the mission frame and the physics worker.
extern physics_world_list physics_worlds;

// The sub-step a frame of `frame_time` seconds is cut into with `ragdolls`
// ragdolls in use.
float physics_sub_step(std::int32_t ragdolls, float frame_time);
// Advances every world by `frame_time`: sub-steps of physics_sub_step, the
// last one the remainder; before each world's update its bones' speeds are
// limited.
void step_physics(physics_world_list& list, float frame_time);
// Linear speed at most 30, turn rate at most 9, directions kept.
void clamp_ragdoll_velocities(physics_world_list& list, int index);
// Destroys every world and empties the list.
void clear_physics_worlds(physics_world_list& list);

// Our vectors and frames as the physics layer's.
inline physics::vector3 to_physics(const vec3& v) { return physics::vector3{v.x, v.y, v.z}; }
inline vec3 from_physics(const physics::vector3& v) { return vec3(v.x, v.y, v.z); }
inline physics::matrix to_physics(const frame& f) {
  return physics::matrix{to_physics(f.rot.s), to_physics(f.rot.f), to_physics(f.rot.u), to_physics(f.origin)};
}
inline frame from_physics(const physics::matrix& m) {
  return frame{rotation{from_physics(m.side), from_physics(m.forward), from_physics(m.up)}, from_physics(m.origin)};
}

}  // namespace hm
