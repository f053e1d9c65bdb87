#pragma once
// Ragdolls: a dying agent's animated skeleton turned into jointed capsule
// bodies in a physics world of its own, with the pose and the bone speeds of
// the animation; each frame the bodies' frames are copied back to the entity
// and the skeleton, the body's fall is heard once, and the local ground is
// rebuilt when the body has moved away from it.
//
// The agent's share of the state lives in `ragdoll_state`; what the ragdoll
// needs of the scene around it (ground faces and capsules, ground heights,
// sounds, random draws) comes through `ragdoll_surroundings`.
#include <array>
#include <cstdint>
#include <vector>

#include "engine/core/math.h"
#include "mission/physics/physics_worlds.h"

namespace hm {

class scene_world;
class skeleton;
class skeleton_instance;

// What the agent keeps of its ragdoll.
struct ragdoll_state {
  // The physics world record of the agent's ragdoll; -1 for none.
  std::int32_t physics_world = -1;
  // 1 while physics drives the agent.
  std::int32_t ragdoll = 0;
  std::uint8_t corpse_frozen = 0;
  // Per run-time skeleton bone, its ragdoll body (none for bones without
  // capsules).
  std::vector<physics::body_id> bone_bodies;
  // The mount's velocity at death, kept beside the ragdoll.
  vec3 inherited_mount_velocity;
  // The free capsule standing in for a linked agent.
  physics::body_id linked_body = physics::no_body;
  // Where the local ground was last built.
  vec3 ground_built_at;
  float fall_reference_height = -1e30f;
  std::array<std::uint8_t, 2> fall_sound_played{0, 0};
  frame fall_bone_frame = frame::identity();
  std::array<std::uint8_t, 3> flags{0, 0, 0};
};

// A capsule of the scene's static collision.
struct ground_capsule {
  vec3 p1;
  vec3 p2;
  float radius = 0.0f;
};

class ragdoll_surroundings {
 public:
  virtual ~ragdoll_surroundings() = default;
  // Triangles (three points each) and capsules of the scene's collision
  // bodies within the box.
  virtual void collect_ground(const vec3& box_min, const vec3& box_max, std::vector<vec3>& triangles,
                              std::vector<ground_capsule>& capsules) = 0;
  // The ground's height under a point.
  virtual float ground_height(const vec3& at) = 0;
  // "snd_body_fall_big" at a position with a pitch factor.
  virtual void play_body_fall(const vec3& at, float pitch) = 0;
  // A uniform draw in [0, 1).
  virtual float random_unit() = 0;
};

// The scene's collision bodies as ragdoll ground; the rest stays with the
// caller's own surroundings.
void collect_scene_ground(const scene_world& scene, const vec3& box_min, const vec3& box_max,
                          std::vector<vec3>& triangles, std::vector<ground_capsule>& capsules);

// What a ragdoll is made from.
struct ragdoll_source {
  frame entity_frame = frame::identity();
  skeleton_instance* skeleton = nullptr;
  float size_factor = 1.0f;
  // The agent's velocity, and whether it rides a mount (whose velocity then
  // is kept aside and the ragdoll starts from the animation alone).
  vec3 velocity;
  bool mounted = false;
  vec3 mount_velocity;
  // A linked agent (a rider's horse): its bone 0 frame in the world and its
  // size factor, when it has an entity.
  bool has_linked = false;
  frame linked_bone0 = frame::identity();
  float linked_size_factor = 1.0f;
};

// Per skeleton bone, the frames and speeds a new ragdoll starts from.
struct ragdoll_bone_start {
  // The bone's frame in the world now (from the animated pose).
  frame world_frame = frame::identity();
  // The joint frame the bone's body is made at.
  frame joint_frame = frame::identity();
  // Speeds the bone has from its ancestors' turning.
  vec3 linear_velocity;
  vec3 angular_velocity;
  // The nearest ancestor with capsules; -1 for none.
  std::int32_t body_parent = -1;
  bool has_capsules = false;
};

// The frames and speeds of every bone of `skeleton`'s pose under the entity
// frame, with the capsules the skeleton bodies give.
std::vector<ragdoll_bone_start> compute_ragdoll_start(const frame& entity_frame, const skeleton_instance& pose);

// Adds one ragdoll bone to the record's world: its body at `joint_frame`,
// joined to `parent`, with the capsules (radii scaled), the mass, the cone
// and twist limits, angular damping 0.7, sleeping below 0.25 m/s and 0.7
// rad/s for 5 updates, and gravity.
physics::body_id add_ragdoll_bone(physics_world_record& record, physics::body_id parent, float mass,
                                  const frame& joint_frame, const std::vector<physics::capsule>& capsules,
                                  float cone_min, float cone_max, float twist);
// A capsule body from p1 to p2: static without mass, else falling.
physics::body_id add_static_capsule_body(physics_world_record& record, const vec3& p1, const vec3& p2, float radius,
                                         float mass);
// Rebuilds the record's ground from the scene within 5 m of `origin`.
void rebuild_local_ground(physics_world_list& list, ragdoll_state& state, ragdoll_surroundings& around,
                          const vec3& origin);

// Builds the agent's ragdoll. False (and nothing made) without a skeleton or
// a bone with capsules.
bool create_agent_ragdoll(physics_world_list& list, ragdoll_state& state, const ragdoll_source& source,
                          ragdoll_surroundings& around);

// Copies the ragdoll's bodies to the entity frame and the skeleton's bones,
// plays the fall sound once and rebuilds the ground when the body has moved
// more than 3 m. A ragdoll that flew off (its root beyond 1,000,000 or any
// frame not finite) is stopped instead and the pose left as it was. False
// when the ragdoll was stopped (or there was none).
bool update_ragdoll_pose(physics_world_list& list, ragdoll_state& state, frame& entity_frame,
                         skeleton_instance& pose, bool horse, ragdoll_surroundings& around);

// Releases the ragdoll's world; the body is frozen where it lies.
void stop_ragdoll(physics_world_list& list, ragdoll_state& state);

}  // namespace hm
