#pragma once
// Moving an agent that rides nothing through the scene for one frame:
// walking and sliding, pushes and gravity, contacts with other agents (a
// horse's push-through and charge blows), the scene rectangle, ground
// following with drops and steps, landings and hard falls, and the smoothed
// velocity.
#include "engine/core/math.h"

namespace hm {

struct agent;
class combat_random;
class face;
class mission;

// The ground under a point: its height and normal, and the scene face when
// the scene has one. False where there is no ground: the caller keeps its
// face and height.
struct ground_probe {
  float height = 0.0f;
  vec3 normal{0.0f, 0.0f, 1.0f};
  const face* ground_face = nullptr;
};
bool probe_ground(mission& m, const vec3& point, ground_probe& out);

// Removes from the displacement the part that runs into a contact of normal
// n (pointing out of the obstacle); returns the removed part.
vec3 slide_displacement_on_contact(vec3& displacement, const vec3& n);

// The fraction of its movement a fast horse keeps when it runs through a man
// on foot: 0.1 + 0.03 charge + 0.03 riding skill, held to 0..0.96.
float horse_push_through(int horse_charge, int rider_riding_skill);

// The raw damage of a horse's charge into a man on foot.
float horse_charge_damage(int horse_charge, float normal_dot_motion, float forward_speed, float multiplier);

void update_movement(mission& m, agent& a, float dt, combat_random& random);

}  // namespace hm
