#include "mission/agent/agent_queries.h"

#include <algorithm>

#include "mission/agent/agent.h"
#include "module/loading/game.h"
#include "module/troops/troop.h"

namespace hm {

namespace {

agent_query_source g_default_source;
agent_query_source* g_source = &g_default_source;

}  // namespace

agent_query_source::~agent_query_source() = default;

float agent_query_source::get_equipment_weight(const agent& a) { return a.equipment_weight; }

void agent_query_source::limit_turn(mission&, agent&, float) {}

int agent_query_source::find_horse_in_reach(mission&, const agent&) { return -1; }

int agent_query_source::find_aiming_enemy(mission&, const agent&) { return -1; }

int agent_query_source::find_facing_non_ally(mission&, const agent&) { return -1; }

float agent_query_source::get_weapon_speed_factor(const agent&, int) { return 1.0f; }

float agent_query_source::get_weight_speed_factor(const agent& a) {
  if (a.kind != agent_kind_human) return 1.0f;
  const troop* t = g_game != nullptr ? g_game->find_troop(a.troop) : nullptr;
  const float divisor = (t != nullptr ? static_cast<float>(t->strength()) : 0.0f) + 9.0f;
  if (!(divisor > 0.0f)) return 1.0f;
  return std::max(0.0f, 1.0f - a.equipment_weight * 0.11f / divisor);
}

agent_query_source& agent_queries() { return *g_source; }

void set_agent_query_source(agent_query_source* source) { g_source = source != nullptr ? source : &g_default_source; }

}  // namespace hm
