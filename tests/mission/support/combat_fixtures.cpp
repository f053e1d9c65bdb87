#include "combat_fixtures.h"

#include "mission/agent/agent.h"
#include "mission/core/mission.h"

namespace hm {

agent& spawn_standing_agent(mission& m, int kind, int team, const vec3& at, float hit_points) {
  agent& a = m.allocate_agent();
  a.kind = kind;
  a.state = agent_state_alive;
  a.presence = agent_presence_active;
  a.team = team;
  a.hit_points = hit_points;
  a.movement_flags = agent_movement_on_ground;
  a.position() = at;
  a.position_valid = 1;
  return a;
}

}  // namespace hm
