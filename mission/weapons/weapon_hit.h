#pragma once
// What a moving weapon struck during one frame: a melee weapon swept between
// its frames of the last frame and this one, or a missile along its flight of
// this frame. The sweep meets the scene first, then the agents near it in a
// fixed order; the first that ends the test decides the result: a blow
// offered to an agent, a block by a shield or a weapon, a stop by a neutral or
// an ally, a scene prop struck (its hit points and triggers), or nothing.
#include <cstdint>
#include <vector>

#include "engine/core/math.h"

namespace hm {

struct agent;
struct blow;
struct missile;
class combat_random;
class mission;

enum weapon_hit_result : int {
  weapon_hit_nothing = 0,
  weapon_hit_agent = 1,
  // Blocked or stopped, or a missile stuck in a scene prop.
  weapon_hit_stopped = 2,
  // A missile struck the scene; its entity stands at the contact.
  weapon_hit_scene = 3,
};

struct hit_capsule {
  vec3 a;
  vec3 b;
  float radius = 0.0f;
};

// Whether two capsules touch; the contact point and the direction from the
// first into the second when they do.
bool hit_capsules_touch(const hit_capsule& first, const hit_capsule& second, vec3* point, vec3* direction);

// The agent's whole body in the world, as the broad test of a hit sees it.
hit_capsule agent_hit_body(const agent& a);

struct bone_contact {
  vec3 point;
  // From the weapon into the body.
  vec3 direction;
  std::int32_t bone = -1;
};
// The first of the agent's bone capsules, in bone order, that the capsule
// touches: the bodies its skeleton's bones carry (posed as it stands now and
// scaled by the agent's size), or, for a skeleton without bodies, a fixed
// set tested from the head down (human head 9, chest 8, hips 0, thighs 1
// and 4; horse head 7, body 0).
bool agent_collide_with_bone_capsules(const agent& victim, const hit_capsule& c, bone_contact& out);

// g, given in the world, in the coordinates of `parent`, whose axes are
// orthogonal but may be scaled or mirrored (a scaled entity's frame): what a
// mesh hung in `parent` needs as its own frame to stand at g.
frame frame_in_scaled_frame(const frame& parent, const frame& g);

// round_to_int(length x per_metre) + 1.
int hit_sample_count(float length, float per_metre);

// The agents a sweep starting at `first` may strike, in the order they are
// tested: live agents by index (at most 1024), skipping the attacker and its
// mount; active, or allied and fallen less than two seconds ago; within the
// squared distance |segment|^2 + 50; the nearest moved to the front.
std::vector<int> gather_hit_candidates(const mission& m, const agent& attacker, const vec3& first,
                                       float segment_length_squared);

// The hit test of hand's swing (mi null) or of a missile the attacker shot;
// `strength` scales the damage and a swing through a horse lowers it. `out`
// must come reset (create_blow). For weapon_hit_scene, `contact` holds where
// the missile struck.
int agent_process_weapon_hit(mission& m, agent& attacker, int hand, missile* mi, blow& out, float& strength,
                             combat_random& random, vec3* contact = nullptr);

}  // namespace hm
