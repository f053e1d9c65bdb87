#pragma once
// Agents for the combat and movement tests: a live agent standing on the
// ground of a mission, of a kind and team, at a place.
#include "engine/core/math.h"

namespace hm {

struct agent;
class mission;

// Clocks, combat hooks, item kinds, module settings and game options back to
// their defaults, as a fight test starts.
void reset_combat_globals();

agent& spawn_standing_agent(mission& m, int kind, int team, const vec3& at, float hit_points = 50.0f);

}  // namespace hm
