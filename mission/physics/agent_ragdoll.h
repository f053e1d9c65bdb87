#pragma once
// An agent's ragdoll: made from its animated skeleton when it dies, driving
// its entity and skeleton each frame, released when it has come to rest or
// gone wrong.
#include "mission/physics/ragdoll.h"

namespace hm {

struct agent;

// Builds the agent's ragdoll in a new world of `list`. `mount` is the agent's
// mount (its velocity is kept aside), `linked` an agent whose body the ragdoll
// meets as a capsule (a rider's horse); either may be null. False when the
// agent has no skeleton entity or its skeleton has no bodies.
bool create_agent_ragdoll(physics_world_list& list, agent& a, const agent* mount, const agent* linked,
                          ragdoll_surroundings& around);
// The ragdoll's share of the agent's pose update: entity and bones from the
// bodies. False when the agent has no ragdoll, or it was stopped now.
bool update_agent_ragdoll(physics_world_list& list, agent& a, ragdoll_surroundings& around);
// Releases the agent's world; the body stays frozen where it lies.
void stop_agent_ragdoll(physics_world_list& list, agent& a);

}  // namespace hm
