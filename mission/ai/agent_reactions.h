#pragma once
// Small answers about an agent's body that the AI, movement and blows share:
// the angle between two directions seen from above, how far a rider turns in
// the saddle towards where it looks, and which hit reaction an agent plays
// by where a blow came from and what it struck.
#include "engine/core/math.h"

namespace hm {

class mission;
struct agent;

// The angle from a to b seen from above, counter-clockwise positive, in
// (-pi, pi]; a of zero length counts as (0, 1), and b of zero length gives 0.
float signed_angle_2d(const vec3& a, const vec3& b);

// Turns a rider towards its input direction, within the range its wield
// mode allows: at once when less than 0.8 rad away, else by 9 x dt of the
// difference.
void agent_update_rider_turn_angle(agent& a, float dt);

// The hit reaction action for the agent's pending blow: severity 0 light, 1
// heavier, 2 heaviest (any other counts as 0). The attacker's side (front,
// either flank, behind) and the struck bone choose the action.
int agent_choose_hit_reaction_action(const mission& m, const agent& a, int severity);

}  // namespace hm
