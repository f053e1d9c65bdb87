#include "mission/ai/ai_behaviour.h"

#include <algorithm>
#include <cmath>

#include "mission/agent/agent_perception.h"
#include "mission/agent/agent_queries.h"
#include "mission/ai/agent_paths.h"
#include "mission/ai/ai_think.h"
#include "mission/control/weapon_choice.h"
#include "mission/records/agent.h"
#include "mission/records/mission.h"
#include "mission/teams/formation_position.h"
#include "module/loading/game.h"
#include "module/records/item_kind.h"
#include "module/troops/troop.h"

namespace hm {

namespace {

constexpr std::uint32_t ai_alarmed = 0x1;
constexpr std::uint32_t movement_goal_set = 0x20;
constexpr std::uint64_t troop_flag_middle_class = 1ull << 26;
constexpr std::uint64_t troop_flag_mounts = 1ull << 24;
constexpr int riding_skill = 24;
constexpr float free_horse_reach = 60.0f;
// No enemy: a distance beyond every weight's reach.
constexpr float no_enemy_distance = 1000.0f;

const troop* troop_of(const agent& a) {
  return a.troop >= 0 && g_game != nullptr ? g_game->find_troop(a.troop) : nullptr;
}

const team_group& group_of(const mission& m, const agent& a) {
  return m.teams[static_cast<std::size_t>(agent_team_index(a.team))]
      .groups[static_cast<std::size_t>(a.get_mounted_state())];
}

float distance(const vec3& a, const vec3& b) { return (a - b).length(); }

// The nearest riderless horse standing free within 60 m that the agent's
// riding skill can handle; -1 none.
int nearest_free_horse(const mission& m, const agent& a) {
  const troop* t = troop_of(a);
  const int skill = t != nullptr ? t->get_skill_level(riding_skill) : 0;
  int best = -1;
  float best_distance = free_horse_reach;
  for (int i = m.first_live_agent(); i < m.agents.count(); i = m.next_live_agent(i)) {
    const agent* h = m.agents.get(i);
    if (h == nullptr || !h->is_horse() || !h->is_alive() || h->rider >= 0 || h->state_word != 2) continue;
    const item horse_item = h->own_horse_item();
    if (horse_item.get_difficulty() > skill) continue;
    const float d = distance(h->position(), a.position());
    if (d < best_distance) {
      best = i;
      best_distance = d;
    }
  }
  return best;
}

// Whether a team the agent's team is at war with still has agents to come.
bool enemy_reinforcements_coming(const mission& m, const agent& a) {
  const team& own = m.teams[static_cast<std::size_t>(agent_team_index(a.team))];
  for (int t = 0; t < team_count; ++t) {
    if (own.relations[static_cast<std::size_t>(t)] != team_relation_enemy) continue;
    const team& other = m.teams[static_cast<std::size_t>(t)];
    if (other.spawn_counters[0] > 0 || other.spawn_counters[1] > 0) return true;
  }
  return false;
}

// Weights of an alarmed human with no scripted destination.
void weigh_combat(mission& m, agent& a, ai_mode_weights& w, int enemy, float d) {
  const agent* e = m.agents.get(enemy);
  const bool riding = a.mount >= 0;
  const int in_hand = agent_wielded_weapon_class(a);
  if (a.ai.nearby_enemy_count <= 0) {
    if (m.template_has_flag_bit1() && enemy_reinforcements_coming(m, a)) w.weight[ai_mode_reinforce] = 1000.0f;
  } else {
    w.weight[ai_mode_melee] = melee_weight(d);
    if (has_weapon_class(m, a, 2)) {
      w.weight[ai_mode_shoot] = shooting_weight(d);
      w.weight[ai_mode_ride_and_shoot] = 1.5f * std::min(d * 0.07692308f, 2.0f);
      w.target[ai_mode_shoot] = enemy;
      w.target[ai_mode_ride_and_shoot] = enemy;
      const troop* t = troop_of(a);
      if (t != nullptr && (t->flags & troop_flag_middle_class) != 0) {
        w.weight[ai_mode_shoot] *= 2.0f;
        w.weight[ai_mode_ride_and_shoot] *= 3.0f;
      }
      if (!riding) {
        w.weight[ai_mode_ride_and_shoot] = 0.0f;
        if (in_hand == 2) w.weight[ai_mode_shoot] *= 2.0f + mission_random_unit(m);
        if (e != nullptr && e->mount >= 0 && agent_wielded_weapon_class(*e) == 2) w.weight[ai_mode_shoot] *= 2.5f;
      } else if (in_hand == 2) {
        w.weight[ai_mode_ride_and_shoot] *= 2.0f * mission_random_unit(m) + 3.5f;
      } else if (a.ai.stuck_meter < -0.5f) {
        w.weight[ai_mode_ride_and_shoot] *= 5.5f * mission_random_unit(m) + 6.0f;
      }
    }
    if (riding) {
      w.weight[ai_mode_shoot] *= 0.2f;
      w.weight[ai_mode_melee] = 0.0f;
      if (has_weapon_class(m, a, 3) || has_weapon_class(m, a, 1)) {
        float best = 0.0f;
        for (int k = 0; k < a.ai.nearby_enemy_count && k < nearby_enemy_capacity; ++k) {
          const nearby_agent& n = a.ai.nearby_enemies[static_cast<std::size_t>(k)];
          const agent* other = m.agents.get(n.agent);
          if (other == nullptr) continue;
          float s = std::min(50.0f / (n.distance + 25.0f), 1.0f) /
                    static_cast<float>(std::max(other->ai.attackers - 1, 0) + 1);
          const float c = dot_product(a.forward(), n.direction);
          if (c > 0.0f) s *= 20.0f * c * c + 1.0f;
          s = (mission_random_unit(m) + 0.25f) * s * 0.5f;
          if ((other->channels[1].flags & 0x30u) != 0) s *= 1.5f;
          if (s > best) {
            best = s;
            w.weight[ai_mode_charge] = s;
            w.target[ai_mode_charge] = n.agent;
          }
        }
      }
    }
  }

  // The group's orders.
  const team_group& g = group_of(m, a);
  const int leader = m.teams[static_cast<std::size_t>(agent_team_index(a.team))].leader;
  const bool follows_leader = g.mode == group_order_follow_leader && leader != a.index;
  if (g.mode == 1 || follows_leader) {
    if (e != nullptr && distance(e->position(), g.follow_point) > 2.0f * g.radius &&
        distance(e->position(), a.position()) > 10.0f) {
      w.weight[ai_mode_charge] = 0.0f;
    }
    const vec3 place = get_formation_position(m, a);
    const float weight = std::clamp(distance(place, a.position()) * 0.25f, 0.15f, 4.0f) + 1.0f;
    if (follows_leader) {
      w.weight[ai_mode_follow_leader] = weight;
      const agent* l = m.agents.get(leader);
      const vec3 at = l != nullptr ? l->position() : place;
      w.position[ai_mode_follow_leader] = at;
      w.position[ai_mode_go_to_position] = at;
    } else {
      w.weight[ai_mode_go_to_position] = weight;
      w.position[ai_mode_go_to_position] = place;
    }
    w.target[ai_mode_go_to_position] = enemy;
    w.target[ai_mode_follow_leader] = enemy;
  } else if (g.mode == 3) {
    w.weight[ai_mode_go_to_position] = 1.5f;
    w.position[ai_mode_go_to_position] = a.position();
    w.target[ai_mode_go_to_position] = enemy;
  }
  const troop* t = troop_of(a);
  if (g.mount_order == 1 && !riding && t != nullptr && (t->is_hero() || (t->flags & troop_flag_mounts) != 0)) {
    const int horse = nearest_free_horse(m, a);
    if (horse >= 0) {
      w.weight[ai_mode_mount] = 2.2f;
      w.target[ai_mode_mount] = horse;
    }
  } else if (g.mount_order == 2 && riding && d > 5.0f) {
    w.weight[ai_mode_dismount] = 50.0f;
  }
}

// Sets up the goal of mode 1 by the group's order.
void set_up_position_goal(mission& m, agent& a) {
  const team_group& g = group_of(m, a);
  const int leader = m.teams[static_cast<std::size_t>(agent_team_index(a.team))].leader;
  const vec3 at = a.ai.target_position;
  const bool scripted = a.ai.scripted_destination == 1;
  if (g.mode == 1 || (g.mode == group_order_follow_leader && leader != a.index)) {
    agent_set_formation_move_target(m, a, at, 0.0f);
  } else if (g.mode == 3 && !scripted) {
    // Standing where it is: a goal on its own face, no search.
    agent_set_move_goal(m, a, at, a.ground_face_index);
  } else {
    agent_set_move_target(m, a, at, 0.0f);
  }
  a.goal_flags |= movement_goal_set;
  if (a.is_horse() || a.mount >= 0) {
    a.ai.speed_factor = 3.0f;
  } else {
    a.ai.speed_factor = scripted ? 1.75f : 1.0f;
  }
}

}  // namespace

int agent_wielded_weapon_class(const agent& a) {
  const int slot = a.wielded_slots[0];
  if (slot < 0 || slot >= agent_weapon_slot_count) return 0;
  const item_kind* k = a.equipment[static_cast<std::size_t>(slot)].get_kind();
  if (k == nullptr) return 0;
  return k->is_ranged_weapon() ? 2 : 1;
}

float melee_weight(float d) { return d > 0.0f ? std::clamp(5.0f / d, 0.0f, 5.0f) : 5.0f; }

float shooting_weight(float d) { return std::clamp(d * 0.06666667f, 0.0f, 2.5f); }

int choose_heaviest_mode(const ai_mode_weights& w) {
  int best = 0;
  for (int i = 1; i < ai_mode_count; ++i) {
    if (w.weight[static_cast<std::size_t>(i)] > w.weight[static_cast<std::size_t>(best)]) best = i;
  }
  return best;
}

void agent_ai_select_target(mission& m, agent& a, ai_passes& passes) {
  agent_ai& ai = a.ai;
  ai_mode_weights w;
  ai.movement_agent = -1;
  ai.movement_word = 0;
  ai.second_agent = -1;
  ai.speed_factor = 1.5f;
  const bool scripted = ai.scripted_destination == 1;

  if (a.is_horse()) {
    if (scripted) {
      w.weight[ai_mode_go_to_position] = 10000.0f;
      w.position[ai_mode_go_to_position] = ai.scripted_position;
    } else if (a.rider_died_state == horse_rider_none) {
      w.weight[ai_mode_horse_free] = 10000.0f;
    } else {
      w.weight[ai_mode_horse_led] = 10000.0f;
    }
  } else if ((ai.flags & ai_alarmed) == 0) {
    if (scripted) {
      w.weight[ai_mode_go_to_position] = 10.0f;
      w.position[ai_mode_go_to_position] = ai.scripted_position;
    }
    w.weight[ai_mode_idle] = 0.3f + 0.15f * mission_random_unit(m);
  } else {
    update_nearby_enemies(m, a);
    const int enemy = choose_enemy_target(m, a);
    const agent* e = m.agents.get(enemy);
    const float d = e != nullptr ? distance(e->position(), a.position()) : no_enemy_distance;
    if (scripted) {
      w.weight[ai_mode_go_to_position] = 10.0f;
      w.position[ai_mode_go_to_position] = ai.scripted_position;
    } else {
      weigh_combat(m, a, w, enemy, d);
    }
  }

  for (float& weight : w.weight) weight *= 0.9f + mission_random_unit(m) / 5.0f;
  if (ai.ranged_state == 2) {
    w.weight[ai_mode_shoot] *= 0.1f;
    w.weight[ai_mode_ride_and_shoot] *= 0.5f;
  }
  const int mode = choose_heaviest_mode(w);
  const int previous = ai.mode;
  passes.set_weapon_mode(m, a, mode);
  ai.target = w.target[static_cast<std::size_t>(mode)];
  ai.target_position = w.position[static_cast<std::size_t>(mode)];
  ai.movement_word = 0;
  ai.movement_agent = -1;
  if (mode == ai_mode_go_to_position) set_up_position_goal(m, a);
  if (mode == ai_mode_shoot || mode == ai_mode_ride_and_shoot) {
    const int t = find_new_combat_target(m, a);
    if (t >= 0) ai.target = t;
  }
  ai.ranged_state = 0;
  if (mode != previous) ai.movement_period = 0.0f;
}

}  // namespace hm
