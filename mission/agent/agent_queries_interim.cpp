// Stand-ins for agent queries that belong with the agent's body, skill and
// perception routines (see agent_queries.h); remove each one when its real
// routine lands.
#include <algorithm>

#include "mission/agent/agent.h"
#include "mission/agent/agent_queries.h"
#include "module/loading/game.h"
#include "module/troops/troop.h"

namespace hm {

float get_equipment_weight(const agent& a) { return a.equipment_weight; }

void limit_turn(mission&, agent&, float) {}

int find_horse_in_reach(mission&, const agent&) { return -1; }

int find_aiming_enemy(mission&, const agent&) { return -1; }

int find_facing_non_ally(mission&, const agent&) { return -1; }

float get_weapon_speed_factor(const agent&, int) { return 1.0f; }

float get_weight_speed_factor(const agent& a) {
  if (a.kind != agent_kind_human) return 1.0f;
  const troop* t = g_game != nullptr ? g_game->find_troop(a.troop) : nullptr;
  const float strength = t != nullptr ? static_cast<float>(t->strength()) : 0.0f;
  const float divisor = strength + 9.0f;
  if (!(divisor > 0.0f)) return 1.0f;
  return std::max(0.0f, 1.0f - a.equipment_weight * 0.11f / divisor);
}

}  // namespace hm
