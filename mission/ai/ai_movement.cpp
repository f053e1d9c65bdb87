#include "mission/ai/ai_movement.h"

#include <algorithm>
#include <cmath>

#include "engine/settings/game_options.h"
#include "mission/agent/agent_perception.h"
#include "mission/agent/agent_queries.h"
#include "mission/ai/agent_paths.h"
#include "mission/ai/ai_behaviour.h"
#include "mission/ai/ai_neighbours.h"
#include "mission/ai/ai_troop.h"
#include "mission/combat/combat_actors.h"
#include "mission/control/weapon_choice.h"
#include "mission/missile/missile_launch.h"
#include "mission/records/agent.h"
#include "mission/records/mission.h"
#include "mission/records/mission_services.h"
#include "mission/teams/formation_position.h"
#include "module/records/item_kind.h"
#include "script/dialog/conversation.h"

namespace hm {

namespace {

constexpr std::uint32_t ai_alarmed = 0x1;
constexpr float fear_limit = 11.0f;
constexpr float fear_backs_off = 10.0f;
constexpr float target_search_reach = 300.0f;
constexpr float charge_search_reach = 150.0f;
// How many faces from the target's face a lead goal may lie before it is
// pulled back towards that face.
constexpr int lead_step_limit = 7;

const team_group& group_of(const mission& m, const agent& a) {
  return m.team_of(a.team).groups[static_cast<std::size_t>(a.get_mounted_state())];
}

bool is_leader(const mission& m, const agent& a) { return m.team_of(a.team).leader == a.index; }

// Under order 1, or order 2 when it does not lead: it keeps a formation place.
bool in_formation(const mission& m, const agent& a) {
  const team_group& g = group_of(m, a);
  return g.mode == 1 || (g.mode == 2 && !is_leader(m, a));
}

float random_unit(mission& m) { return mission_random_unit(m); }

vec3 horizontal(const vec3& v) { return vec3(v.x, v.y, 0.0f); }

// The weapon length in hand 0 (centimetres), 0 bare-handed.
float weapon_length(const agent& a) {
  const item_kind* k = get_wielded_item(a, 0).get_kind();
  return k != nullptr ? static_cast<float>(k->weapon_length) : -1.0f;
}

const agent* live(const mission& m, int index) {
  const agent* o = m.get_live_agent(index);
  return o != nullptr && o->is_alive() ? o : nullptr;
}

// The goal ahead of the target by a lead time along its velocity, shorter
// when it comes towards the agent.
vec3 lead_point(const mission& m, const agent& a, const agent& t, float lead) {
  const vec3 v = agent_world_velocity(m, t);
  const vec3 to_agent = a.position() - t.position();
  const float sv = v.length();
  const float st = to_agent.length();
  float c = 0.0f;
  if (sv > 1e-4f && st > 1e-4f) c = dot_product(v, to_agent) / (sv * st);
  if (c > 0.0f) lead /= 1.0f + c;
  return t.position() + v * lead;
}

void go_near(mission& m, agent& a, const vec3& centre, float scatter) { agent_set_move_target(m, a, centre, scatter); }

// Re-picks the combat target among the perceived enemies (modes 1, 2, 8).
void repick_target(mission& m, agent& a) {
  agent_ai& ai = a.ai;
  if (holds_ranged_weapon(a)) {
    ai.combat_target = find_new_combat_target(m, a);
  } else {
    const item_kind* shield = get_wielded_item(a, 1).get_kind();
    const bool shielded = a.mount < 0 && shield != nullptr && shield->type() == item_type::shield;
    float best = 0.0f;
    int pick = -1;
    for (int n = 0; n < ai.nearby_enemy_count && n < nearby_enemy_capacity; ++n) {
      const nearby_agent& e = ai.nearby_enemies[static_cast<std::size_t>(n)];
      const agent* o = m.get_live_agent(e.agent);
      float s = -0.01f;
      if (o != nullptr && o->is_alive()) {
        if (e.distance < 30.0f) {
          s = 10.0f / (e.distance + 1.0f) + 0.1f * dot_product(e.direction, a.forward());
        } else if (shielded && holds_ranged_weapon(*o)) {
          const item_kind* k = get_wielded_item(*o, 0).get_kind();
          const float speed = k != nullptr ? static_cast<float>(k->speed_rating) : 0.0f;
          if (speed * 2.1f > e.distance) s = 2.5f * std::min(1.0f / (e.distance + 10.0f), 1.0f);
        }
      }
      if (e.agent == ai.combat_target) s *= 1.5f;
      if (e.agent == a.last_attacker) s *= 2.0f;
      if (s > best) {
        best = s;
        pick = e.agent;
      }
    }
    if (pick < 0 && ai.nearby_enemy_count > 0) pick = ai.nearby_enemies[0].agent;
    ai.combat_target = pick;
  }
  ai.permission = ai.combat_target >= 0 ? fight_permitted : 0;
}

// Mode 1's weapon: a ranged one beyond the reach limit a second ahead, else
// a polearm for a moving rider, else a melee weapon.
void choose_weapon_for_goal(mission& m, agent& a) {
  const agent* t = live(m, a.ai.combat_target);
  if (t == nullptr || a.is_horse()) return;
  const vec3 d = (t->position() + agent_world_velocity(m, *t)) - (a.position() + agent_world_velocity(m, a));
  float limit = 3.0f;
  if (a.mount >= 0) {
    if (ai_troop_skill(a, skill_horse_archery) < 2) limit = 15.0f;
  }
  if (d.length() > limit && has_weapon_class(m, a, weapon_class_ranged)) {
    wield_weapon_class(m, a, weapon_class_ranged);
  } else if (a.mount >= 0 && agent_world_velocity(m, a).length() > 0.1f && has_weapon_class(m, a, weapon_class_pole)) {
    wield_weapon_class(m, a, weapon_class_pole);
  } else if (has_weapon_class(m, a, weapon_class_melee)) {
    wield_weapon_class(m, a, weapon_class_melee);
  }
}

void clear_goal(agent& a) {
  clear_ai_order_words(a);
  a.goal_flags = 0;
  a.path_active = 0;
  a.repath_needed = 0;
  a.followed_agent = -1;
}

// Mode 4. Returns after setting goals and the speed factor.
void melee_mode(mission& m, agent& a) {
  agent_ai& ai = a.ai;
  const agent* t = live(m, ai.combat_target);
  if (live(m, a.last_attacker) == nullptr || t == nullptr) {
    ai.combat_target = find_best_target(m, a, enemy_humans_filter(), target_search_reach);
    t = live(m, ai.combat_target);
    if (t == nullptr) {
      apply_template_team_mode(m, a);
      ai.permission = 0;
      return;
    }
  }
  ai.permission = fight_permitted;
  float distance_to_target = (t->position() - a.position()).length();
  if (a.mount < 0 && distance_to_target > 15.0f && !holds_ranged_weapon(*t)) ai.permission = 0;

  // The pressure of enemies and friends around.
  float enemy_weight = 0.0f;
  float friend_weight = 0.0f;
  vec3 enemy_sum;
  vec3 friend_sum;
  int close_enemies = 0;
  int last_close = -1;
  for (int i = m.first_live_agent(); i < m.agents.count(); i = m.next_live_agent(i)) {
    const agent* o = m.get_live_agent(i);
    if (o == nullptr || !o->is_alive() || o->is_horse() || i == a.index || i == t->index) continue;
    const vec3 offset = o->position() - a.position();
    const float d = offset.length();
    const float w = (2.0f / (2.0f + d)) * (2.0f / (2.0f + d));
    const vec3 unit = d > 1e-4f ? offset * (1.0f / d) : vec3();
    if (teams_are_enemies(m, a, *o)) {
      enemy_weight += w;
      enemy_sum += unit * w;
      if (d < 5.0f) {
        ++close_enemies;
        last_close = i;
      }
    } else {
      friend_weight += w;
      friend_sum += unit * w;
    }
  }
  if (distance_to_target > 10.0f && last_close >= 0) {
    const agent* e = m.get_live_agent(last_close);
    const vec3 to_e = e->position() - a.position();
    const float len = to_e.length();
    if (len > 1e-4f && dot_product(to_e * (1.0f / len), ai.aim_direction) > -0.3f) {
      ai.combat_target = last_close;
      t = e;
      distance_to_target = len;
    }
  }

  const team_group& g = group_of(m, a);
  if (g.mode == 1) {
    const vec3 place = get_formation_position(m, a);
    if ((place - a.position()).length() > 5.0f) {
      ai.mode = ai_mode_go_to_position;
      agent_set_formation_move_target(m, a, place, 0.2f);
      a.goal_flags |= goal_ai_set;
      return;
    }
  } else if (g.mode == 2 && !is_leader(m, a)) {
    if ((get_formation_position(m, a) - a.position()).length() > 8.0f) {
      ai.mode = ai_mode_follow_leader;
      return;
    }
  }

  const int level = ai_troop_level(a);
  const bool scripted = ai.scripted_destination == 1;
  if (ai.backing_off == 0) {
    ai.fear = grow_fear(ai.fear, enemy_weight, friend_weight, random_unit(m), level, g_game_options.combat_ai,
                        ai.no_fear != 0);
    if (scripted) ai.fear = 0.0f;
    if (!holds_ranged_weapon(*t) && ai.fear >= fear_backs_off) {
      ai.fear = fear_backs_off;
      if (ai.no_fear == 0) ai.backing_off = 1;
    }
  }
  if (ai.backing_off == 0) {
    if (ai.was_backing_off == 0 && random_unit(m) >= 0.3f - 0.05f * static_cast<float>(close_enemies)) {
      // Holds its goal this pass.
    } else {
      ai.was_backing_off = ai.backing_off;
      if (scripted) {
        go_near(m, a, ai.scripted_position, 0.2f);
      } else if (distance_to_target < 4.0f ||
                 (m.nav_mesh != nullptr && t->ground_face_index != a.ground_face_index)) {
        agent_follow_agent(m, a, t->index);
      } else {
        const float lead = std::min(distance_to_target, 30.0f) * (random_unit(m) + 2.0f) * 0.2f;
        float scatter = std::clamp(0.3f * distance_to_target - 0.6f, 0.0f, 20.0f);
        if (ai.no_fear != 0) scatter = std::max(scatter, 0.5f);
        agent_set_move_target_on_face(m, a, lead_point(m, a, *t, lead), scatter, t->ground_face_index, lead_step_limit);
      }
    }
  } else {
    ai.fear = calm_fear(ai.fear, enemy_weight, friend_weight, random_unit(m));
    if (ai.fear <= 0.0f || holds_ranged_weapon(*t)) {
      ai.fear = 0.0f;
      ai.backing_off = 0;
    }
    if (ai.was_backing_off != 1) {
      ai.was_backing_off = ai.backing_off;
      vec3 away = friend_sum * 4.0f - enemy_sum;
      away.z = 0.0f;
      const float len = away.length();
      const vec3 unit = len > 1e-4f ? away * (1.0f / len) : -horizontal(a.forward());
      go_near(m, a, a.position() + unit * 15.0f, 16.0f);
    }
  }
  a.goal_flags |= goal_ai_set;
  const float length = weapon_length(a);
  const float s = length < 0.0f ? 0.5f : length * 0.01f + 0.9f;
  if ((a.goal_flags & agent_movement_follow) != 0) {
    ai.speed_factor = s;
    ai.near_speed = s - 0.4f;
  } else {
    ai.speed_factor = 0.5f;
    ai.near_speed = 0.2f;
  }
}

// The nearest perceived enemy within 3.5 m, else a new shot target.
int close_or_new_target(mission& m, agent& a) {
  update_nearby_enemies(m, a);
  if (a.ai.nearby_enemy_count > 0) {
    const nearby_agent& n = a.ai.nearby_enemies[0];
    if (n.distance < 3.5f && live(m, n.agent) != nullptr) return n.agent;
  }
  return find_new_combat_target(m, a);
}

void shooting_end(agent& a) {
  a.goal_flags |= goal_ai_set;
  a.ai.speed_factor = 1.5f;
}

// Mode 5's target: an uncrowded enemy close by beats a far target.
void take_close_uncrowded(mission& m, agent& a) {
  agent_ai& ai = a.ai;
  if (m.get_live_agent(ai.combat_target) != nullptr && live(m, ai.combat_target) == nullptr) ai.combat_target = -1;
  if (ai.combat_target < 0 && live(m, ai.target) != nullptr) ai.combat_target = ai.target;
  const int n = choose_uncrowded_enemy(m, a);
  const agent* na = live(m, n);
  if (na == nullptr) return;
  const float dn = (na->position() - a.position()).length();
  const agent* t = live(m, ai.combat_target);
  if (dn < 8.0f && (t == nullptr || (t->position() - a.position()).length() > 2.0f * dn)) ai.combat_target = n;
}

void shoot_on_foot(mission& m, agent& a) {
  agent_ai& ai = a.ai;
  if (ai.combat_state == 1 || ai.combat_state == 3 || ai.combat_state == 4) return;
  const float range = get_shooting_range(m, a);
  take_close_uncrowded(m, a);
  if (random_unit(m) < 0.2f || live(m, ai.combat_target) == nullptr) {
    const int found = close_or_new_target(m, a);
    if (found >= 0) {
      ai.target = found;
      ai.combat_target = found;
    }
  }
  const agent* t = live(m, ai.combat_target);
  if (t == nullptr) {
    shooting_end(a);
    return;
  }
  ai.permission = fight_permitted | fight_ranged;
  const vec3 offset = t->position() - a.position();
  const float d = offset.length();
  if (d < 1.5f + random_unit(m)) ai.retarget_period = 0.0f;
  const float ed = std::max(d + 0.7f * (t->position().z - a.position().z), 1.0f);
  const bool formation = in_formation(m, a);
  const team_group& g = group_of(m, a);
  const vec3 place = formation ? get_formation_position(m, a) : vec3();
  const bool free = !formation && g.mode != 3;
  if ((std::min(0.7f * range, 30.0f) < ed && free) || (ai.no_fear != 0 && free)) {
    agent_set_move_target_on_face(m, a, t->position(), 1.0f, t->ground_face_index, lead_step_limit);
  } else {
    int blocking = -1;
    const int shot = check_shot(m, a, t->index, blocking);
    const bool clear = shot == shot_clear;
    if (clear && (!formation || (place - a.position()).length() < 3.0f)) {
      clear_goal(a);
    } else if (random_unit(m) < 0.3f) {
      if (formation) {
        agent_set_formation_move_target(m, a, place, 2.0f);
      } else if (shot == shot_not_seen) {
        agent_set_move_target_on_face(m, a, t->position(), 1.0f, t->ground_face_index, lead_step_limit);
      } else {
        // Seen but with a friend in the way: a side-step about a point a
        // little towards the target finds a clear line.
        go_near(m, a, a.position() + horizontal(offset) * (0.7f / std::max(d, 0.7f)), 1.8f);
      }
    }
  }
  shooting_end(a);
}

void shoot_from_horseback(mission& m, agent& a) {
  agent_ai& ai = a.ai;
  take_close_uncrowded(m, a);
  if (random_unit(m) < 0.2f || live(m, ai.combat_target) == nullptr) {
    update_nearby_enemies(m, a);
    if (ai.nearby_enemy_count > 0) {
      const int found = find_new_combat_target(m, a);
      if (found >= 0) ai.combat_target = found;
    }
  }
  if (ai.combat_target < 0) ai.combat_target = ai.target;
  if (a.mount < 0) {
    ai.retarget_period = 0.0f;
    return;
  }
  const agent* t = live(m, ai.combat_target);
  if (t == nullptr) {
    ai.combat_target = -1;
    ai.retarget_period = 0.0f;
    shooting_end(a);
    return;
  }
  ai.permission = fight_permitted | fight_ranged;
  const team_group& g = group_of(m, a);
  if (g.mode == 3) {
  } else if (g.mode == 1 || g.mode == 2) {
    if (random_unit(m) < 0.2f) agent_set_formation_move_target(m, a, get_formation_position(m, a), 2.0f);
  } else if (random_unit(m) < 0.5f) {
    go_near(m, a, ride_past_point(a.position(), t->position()), 10.0f);
  }
  shooting_end(a);
}

void mounted_charge(mission& m, agent& a) {
  agent_ai& ai = a.ai;
  if (a.mount < 0) {
    ai.retarget_period = 0.0f;
    return;
  }
  int target = find_best_target(m, a, enemy_humans_in_front_filter(), charge_search_reach);
  if (target < 0) target = ai.target;
  const agent* t = live(m, target);
  if (t == nullptr) return;
  ai.combat_target = target;
  const vec3 flat = horizontal(t->position() - a.position());
  const float dh = flat.length();
  const float c = dh > 1e-4f ? dot_product(flat * (1.0f / dh), a.forward()) : 1.0f;
  const float speed = agent_world_velocity(m, a).length();
  if ((dh < 10.0f && c < 0.0f && (t->mount < 0 || random_unit(m) < 0.2f)) || (dh < 2.0f && speed < 1.0f) ||
      (a.ai_weapon_class == weapon_class_pole && c < 0.3f && dh < 10.0f)) {
    ai.mode = ai_mode_ride_through;
    ai.retarget_period = 1.5f + random_unit(m);
  }
  agent_follow_agent(m, a, target);
  bool following = true;
  if (group_of(m, a).mode != 3) {
    if (speed <= 2.0f && t->mount < 0 && dh < 11.0f) {
      agent_follow_agent(m, a, target);
      ai.backing_off = 0;
    } else if (ai.backing_off == 0 || random_unit(m) < 0.5f) {
      ai.backing_off = 1;
      const float lead = std::min(dh + 10.0f, 30.0f) * (random_unit(m) + 2.0f) * 0.2f;
      go_near(m, a, lead_point(m, a, *t, lead), std::clamp(0.35f * dh - 0.7f, 0.0f, 25.0f));
      following = false;
    }
  }
  a.goal_flags |= goal_ai_set;
  if (following) a.goal_flags |= goal_pass_beside;
  if (dh < 35.0f) a.goal_flags |= goal_lance_charge;
  ai.permission = fight_permitted;
}

void ride_through(mission& m, agent& a, bool& repick) {
  agent_ai& ai = a.ai;
  if (a.mount < 0) {
    ai.retarget_period = 0.0f;
    return;
  }
  repick = true;
  if (group_of(m, a).mode == 3) return;
  const agent* horse = m.get_live_agent(a.mount);
  const float speed = horse != nullptr ? horse->velocity.length() : 0.0f;
  if (ai.wander != 0) {
    go_near(m, a, a.position(), 50.0f);
  } else if ((a.goal_flags & agent_movement_to_goal) != 0 && speed >= 1.0f && a.ground_face_index != a.goal_face) {
  } else if (speed <= 2.0f) {
    go_near(m, a, a.position(), 30.0f);
  } else {
    go_near(m, a, a.position() + horizontal(a.forward()) * 25.0f, 15.0f);
  }
}

void follow_mode(mission& m, agent& a) {
  agent_ai& ai = a.ai;
  const vec3 place = get_formation_position(m, a);
  ai.target_position = place;
  const bool ranged = holds_ranged_weapon(a);
  if (live(m, ai.combat_target) == nullptr || random_unit(m) < 0.2f) {
    const int found = ranged ? choose_enemy_target(m, a) : find_new_combat_target(m, a);
    if (found >= 0) ai.combat_target = found;
  }
  const agent* t = live(m, ai.combat_target);
  if (ranged && t != nullptr && (place - a.position()).length() < 7.0f &&
      (t->position() - a.position()).length() < 4.0f) {
    agent_follow_agent(m, a, t->index);
  } else {
    agent_set_formation_move_target(m, a, place, 0.2f);
    a.goal_flags |= goal_ai_set;
    ai.speed_factor = a.mount >= 0 ? 3.5f : 2.5f;
  }
}

}  // namespace

int enemy_humans_filter() { return filter_no_allies | filter_no_neutrals | filter_no_horses; }
int enemy_humans_in_front_filter() { return enemy_humans_filter() | filter_in_front; }

int find_best_target(mission& m, const agent& a, int filter, float max_distance) {
  // The score falls with distance and with the attackers already on a man,
  // so the search grows ring by ring of the AI's cells around the agent and
  // stops once no agent beyond could beat the best found. Among equal scores
  // the lowest index wins, as a walk over every agent in index order gives.
  int best = -1;
  float best_score = 0.0f;
  const auto consider = [&](int i) {
    float d = 0.0f;
    if (!matches_filter(m, a, i, filter, max_distance, d)) return;
    const agent* o = m.get_live_agent(i);
    float s = std::min(3.0f / (d + 2.0f), 1.0f) / static_cast<float>(o->ai.attackers + 7);
    if (a.mount >= 0 && d < 40.0f && d > 1e-4f) {
      const float c = dot_product((o->position() - a.position()) * (1.0f / d), a.forward());
      if (c > 0.0f) s *= (40.0f - d) * c * c + 1.0f;
    }
    if (s > best_score || (s == best_score && best >= 0 && i < best)) {
      best_score = s;
      best = i;
    }
  };
  // The most a man at distance d or more can score (no attackers, and for a
  // rider one straight ahead), a little over so that rounding never prunes.
  const auto most_beyond = [&](float d) {
    d = std::max(d, 0.0f);
    float s = std::min(3.0f / (d + 2.0f), 1.0f) / 7.0f;
    if (a.mount >= 0 && d < 40.0f) s *= 41.0f - d;
    return s * 1.001f;
  };
  const agent_buckets& cells = ai_target_buckets(m);
  const int cx = cells.cell_x(a.position().x);
  const int cy = cells.cell_y(a.position().y);
  for (int ring = 0;; ++ring) {
    if (!cells.for_each_in_ring(cx, cy, ring, consider)) break;
    // Every agent not yet seen was sorted into a cell at least `ring` cells
    // beyond the agent's own; it may have moved a little since the sort.
    const float beyond = static_cast<float>(ring) * agent_buckets::cell_size - agent_buckets::drift;
    if (max_distance >= 0.0f && beyond > max_distance) break;
    if (best >= 0 && most_beyond(beyond) < best_score) break;
  }
  return best;
}

bool holds_ranged_weapon(const agent& a) {
  const item_kind* k = get_wielded_item(a, 0).get_kind();
  return k != nullptr && k->is_ranged_weapon();
}

float grow_fear(float fear, float enemy_weight, float friend_weight, float u, int level, int combat_ai,
                bool no_fear) {
  const float k = std::clamp(enemy_weight - friend_weight, 0.05f, 0.3f);
  fear = std::clamp(fear, 0.0f, 30.0f) + 20.0f * u * k;
  if (!no_fear) fear += static_cast<float>(40 - level) * 0.012f + static_cast<float>(combat_ai) * 0.5f;
  return std::clamp(fear, 0.0f, fear_limit);
}

float calm_fear(float fear, float enemy_weight, float friend_weight, float u) {
  const float k = std::clamp(1.3f * friend_weight - enemy_weight, 0.01f, 0.3f);
  return std::clamp(std::clamp(fear, 0.0f, 30.0f) - 20.0f * u * k, 0.0f, fear_limit);
}

vec3 ride_past_point(const vec3& own, const vec3& target) {
  vec3 d = horizontal(target - own);
  const float len = d.length();
  d = len > 1e-4f ? d * (1.0f / len) : vec3(0.0f, 1.0f, 0.0f);
  vec3 p = target - d * 20.0f + vec3(d.y, -d.x, 0.0f) * 13.0f;
  p.z = own.z + 100.0f;
  return p;
}

float get_shooting_range(const mission& m, const agent& a) {
  float r = 2.0f * get_missile_speed(m, a);
  if (a.mount >= 0) r *= 0.9f;
  const item it = get_wielded_item(a, 0);
  const item_kind* k = it.get_kind();
  float accuracy = 100.0f;
  if (k != nullptr) {
    switch (k->type()) {
      case item_type::thrown: r *= 0.65f; break;
      case item_type::bow: r *= 0.9f; break;
      case item_type::pistol:
      case item_type::musket: r *= 0.55f; break;
      default: break;
    }
    const int acc = it.get_accuracy();
    accuracy = acc == 0 ? 99.0f : static_cast<float>(acc);
  }
  return r * std::min(accuracy * accuracy * 0.0001f, 1.0f);
}

void agent_ai_decide_movement(mission& m, agent& a) {
  agent_ai& ai = a.ai;
  ai.fear = std::clamp(ai.fear, 0.0f, 30.0f);
  if (const agent* attacker = live(m, a.last_attacker); attacker != nullptr && teams_are_enemies(m, a, *attacker)) {
    const agent* current = live(m, ai.combat_target);
    const float da = (attacker->position() - a.position()).length();
    if (current == nullptr || da + 1.0f < (current->position() - a.position()).length()) {
      ai.combat_target = a.last_attacker;
    }
  }
  bool repick = false;
  const bool alarmed = (ai.flags & ai_alarmed) != 0;
  switch (ai.mode) {
    case ai_mode_go_to_position:
      if (!alarmed) {
        a.goal_flags |= goal_ai_set;
        ai.permission = 0;
        break;
      }
      if (live(m, ai.combat_target) == nullptr || random_unit(m) < 0.1f) repick = true;
      if (const agent* t = live(m, ai.combat_target)) {
        const float d = (t->position() - a.position()).length();
        if (a.mount >= 0 || agent_world_velocity(m, a).length() < 0.7f || d < 15.0f ||
            (d < 100.0f && a.ai_weapon_class == weapon_class_ranged) || holds_ranged_weapon(*t)) {
          ai.permission = holds_ranged_weapon(a) ? (fight_permitted | fight_ranged) : fight_permitted;
        }
      }
      a.goal_flags |= goal_ai_set;
      break;
    case ai_mode_mount:
      if (a.mount >= 0) {
        ai.retarget_period = std::min(ai.retarget_period, 1.0f);
      } else if (const agent* horse = live(m, ai.target); horse != nullptr && horse->is_horse()) {
        const float d = (horse->position() - a.position()).length();
        if (d <= 0.99f) {
          ai.extra_flags |= 0x20000u;
          ai.combat_target = ai.target;
          ai.permission = fight_permitted;
        } else {
          const vec3 axis = horse->body_frame.rot.f;
          const vec3 goal = horse->position() - (d <= 2.0f ? axis : axis * 0.2f);
          go_near(m, a, goal, 0.0f);
          if (d <= 2.0f) a.goal_flags |= goal_ai_set;
          repick = true;
        }
      }
      ai.speed_factor = 0.15f;
      break;
    case ai_mode_dismount:
      clear_goal(a);
      if (a.mount >= 0 && agent_world_velocity(m, a).length() < 0.5f) ai.extra_flags |= 0x10000u;
      break;
    case ai_mode_melee: melee_mode(m, a); break;
    case ai_mode_shoot: shoot_on_foot(m, a); break;
    case ai_mode_ride_and_shoot: shoot_from_horseback(m, a); break;
    case ai_mode_charge: mounted_charge(m, a); break;
    case ai_mode_ride_through: ride_through(m, a, repick); break;
    case ai_mode_follow_leader: follow_mode(m, a); break;
    case ai_mode_idle: {
      const agent* player = live(m, m.player_agent);
      if (player != nullptr && (player->position() - a.position()).length() < 1.2f) {
        ai.combat_target = m.player_agent;
        ai.permission = fight_permitted;
      } else {
        ai.combat_target = -1;
        ai.permission = 0;
      }
      break;
    }
    case ai_mode_horse_free:
      ai.combat_target = -1;
      ai.permission = 0;
      ai.speed_factor = 3.5f;
      if (random_unit(m) < 0.0005f || a.last_attacker >= 0) {
        go_near(m, a, a.position() + horizontal(a.forward()) * 10.0f, 15.0f);
      }
      break;
    case ai_mode_horse_led:
      ai.combat_target = -1;
      ai.permission = 0;
      ai.speed_factor = 3.0f;
      if (random_unit(m) < 0.3f) go_near(m, a, a.position() + horizontal(a.forward()) * 20.0f, 15.0f);
      break;
    default: break;
  }

  // The common tail.
  if (m.no_fighting != 0 && g_conversation.partner_agent >= 0 && g_conversation.partner_agent == a.index) {
    ai.mode = ai_mode_none;
    ai.combat_target = m.player_agent;
    ai.permission = fight_permitted;
  }
  if (ai.mode == ai_mode_none || ai.mode == ai_mode_reinforce) {
    clear_goal(a);
    ai.permission = 0;
    if (ai.mode == ai_mode_reinforce) {
      if (random_unit(m) < 0.3f) {
        ai.combat_target = find_best_target(m, a, enemy_humans_filter(), target_search_reach);
        if (ai.combat_target >= 0) ai.retarget_period = 0.0f;
      }
      if (random_unit(m) < 0.6f) ai.extra_flags = (ai.extra_flags & 0x00FFFFFFu) | 0x1000000u;
    }
  }
  if (repick && !a.is_horse()) repick_target(m, a);
  if (ai.mode == ai_mode_go_to_position && alarmed && !a.is_horse()) choose_weapon_for_goal(m, a);
  ai.combat_period = 0.0f;
}

}  // namespace hm
