#pragma once
// Where an agent stands in its group's formation.
#include "engine/core/math.h"

namespace hm {

class mission;
struct agent;

// The agent's point in its team's formation for its group: from the group's
// position along the group's facing by the agent's row, across by its place
// in the line, scattered a little, at the ground's height (the group
// position's height where there is no ground).
vec3 get_formation_position(mission& m, const agent& a);
// The spacing of a formation kind (1 tight .. 4 loose), wider for riders.
float formation_spacing(int formation, bool mounted);

}  // namespace hm
