#include "combat_fixtures.h"

#include "engine/core/timer.h"
#include "engine/settings/game_options.h"
#include "mission/combat/combat_hooks.h"
#include "mission/records/agent.h"
#include "mission/records/mission.h"
#include "module/base/module_settings.h"
#include "module/records/item_kind.h"

namespace hm {

void reset_combat_globals() {
  reset_clocks();
  reset_combat_hooks();
  g_item_kinds.clear();
  g_module_settings.set_defaults();
  g_game_options = game_options{};
}

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
