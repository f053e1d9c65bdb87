#pragma once
// An agent's ragdoll: made from its animated skeleton when it dies, driving
// its entity and skeleton each frame, released when it has come to rest or
// gone wrong.
#include "mission/physics/ragdoll.h"

namespace hm {

struct agent;
class mission;

// Builds the agent's ragdoll in a new world of `list`. `mount` is the agent's
// mount (its velocity is kept aside), `linked` an agent whose body the ragdoll
// meets as a capsule (a rider's horse); either may be null. False when the
// agent has no skeleton entity or its skeleton has no bodies.
bool create_agent_ragdoll(physics_world_list& list, agent& a, const agent* mount, const agent* linked,
                          ragdoll_surroundings& around);
// The entity frame of an agent without a ragdoll: upright on its facing, or,
// once it is no longer alive, leaning into the ground's slope a little more
// each frame (`blend` grows by the clock's step up to 1); rolled by `lean`.
frame living_agent_frame(const vec3& facing, const vec3& position, const vec3& offset, float lean, bool alive,
                         const vec3& ground_normal, float clock_step, float& blend);

// Places the agent's entity: from its ragdoll's bodies when it has one, else
// by living_agent_frame unless its body is frozen. False when a ragdoll was
// stopped now (it flew off): the entity keeps its frame and the body is
// settled as by stop_agent_ragdoll.
bool update_agent_ragdoll(physics_world_list& list, agent& a, mission& m, ragdoll_surroundings& around,
                          float clock_step);
// Releases the agent's world. A body no longer alive stops its upper-body
// animation channel and, unless it is the player's, hides its name label. A
// body not yet frozen is frozen where it lies and, unless it is the
// player's, joins the mission's corpses.
void stop_agent_ragdoll(physics_world_list& list, agent& a, mission& m);

}  // namespace hm
