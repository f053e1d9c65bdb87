#include "mission/agent/agent_perception.h"

#include <algorithm>
#include <cmath>

#include "engine/collision/body_collision.h"
#include "engine/collision/capsule.h"
#include "mission/agent/agent_queries.h"
#include "mission/records/mission.h"
#include "mission/records/mission_services.h"
#include "mission/records/rider_aim.h"
#include "render/entity/entity.h"
#include "script/script_host.h"

namespace hm {

namespace {

constexpr float sight_limit = 300.0f;
constexpr float scene_sight_limit = 400.0f;
constexpr float behind_from = 2.0f;
constexpr float alarm_reach = 10.0f;
constexpr int riding_skill = 24;

// The signed turn from the facing to a direction in the ground plane,
// counter-clockwise positive.
float side_angle(const vec3& facing, const vec3& direction) {
  return std::atan2(facing.x * direction.y - facing.y * direction.x,
                    facing.x * direction.x + facing.y * direction.y);
}

vec3 horizontal_unit(const vec3& v) {
  vec3 h(v.x, v.y, 0.0f);
  get_normalized(h, h);
  return h;
}

float closeness(float distance) { return distance > 0.0f ? std::min(3.0f / distance, 4.0f) : 4.0f; }

bool wields_ranged(const agent& a) {
  const item_kind* kind = get_wielded_item(a, 0).get_kind();
  return kind != nullptr && kind->is_ranged_weapon();
}

// Calls f(entry, enemy) for each entry of the nearby-enemy list whose agent
// is still alive, in list order.
template <class F>
void for_each_live_nearby_enemy(const mission& m, const agent& self, F&& f) {
  for (int n = 0; n < self.ai.nearby_enemy_count && n < nearby_enemy_capacity; ++n) {
    const nearby_agent& entry = self.ai.nearby_enemies[static_cast<std::size_t>(n)];
    const agent* enemy = m.get_live_agent(entry.agent);
    if (enemy != nullptr && enemy->is_alive()) f(entry, *enemy);
  }
}

}  // namespace

bool matches_filter(mission& m, const agent& self, int other, int flags, float max_distance, float& distance) {
  const agent* b = m.get_live_agent(other);
  if (b == nullptr || !b->is_alive()) return false;
  if ((flags & filter_no_enemies) != 0 && teams_are_enemies(m, self, *b)) return false;
  if ((flags & filter_no_allies) != 0 && teams_are_allies(m, self, *b)) return false;
  if ((flags & filter_no_neutrals) != 0 && teams_not_enemies(m, self, *b)) return false;
  if ((flags & filter_horses_only) != 0 && !b->is_horse()) return false;
  if ((flags & filter_no_horses) != 0 && b->is_horse()) return false;
  if ((flags & filter_higher_index) != 0 && b->index <= self.index) return false;
  if (b->index == self.index) return false;
  if ((flags & filter_seen) != 0 && !can_see_agent(m, self, other, nullptr)) return false;
  if (b->index == self.mount) return false;
  const vec3 offset = b->position() - self.position();
  distance = offset.length();
  if (max_distance >= 0.0f && distance > max_distance) return false;
  if ((flags & filter_in_front) != 0 && dot_product(horizontal_unit(offset), self.forward()) < -0.1f) return false;
  return true;
}

bool can_see_agent(mission& m, const agent& self, int other, const body_part* ignore) {
  const agent* b = m.get_live_agent(other);
  if (b == nullptr || self.agent_entity == nullptr || b->agent_entity == nullptr) return false;
  if ((b->position() - self.position()).length() >= sight_limit) return false;
  hm::frame eye_frame;
  hm::frame target_frame;
  if (!m.services().agent_head_frame(m, self, eye_frame) || !m.services().agent_head_frame(m, *b, target_frame)) {
    return false;
  }
  const vec3 eye_direction = get_normalized(eye_frame.rot.f);
  const vec3 eye = eye_frame.origin + eye_direction * 0.2f;
  const vec3 target = target_frame.origin + vec3(0.0f, 0.0f, 0.2f);
  if (ignore != nullptr) {
    const capsule sight(eye, target, 0.01f);
    if (collide_bodies(sight, *ignore, 0, nullptr) > 0) return false;
  }
  const vec3 to_target = target - eye;
  const float distance = to_target.length();
  if (distance >= behind_from && dot_product(get_normalized(to_target), eye_direction) < -0.3f) return false;
  const vec3 end = distance > scene_sight_limit ? eye + to_target * (scene_sight_limit / distance) : target;
  return m.services().segment_is_clear(m, eye, end);
}

void check_alarm(mission& m, agent& self) {
  if ((self.ai.flags & 1u) != 0) return;
  bool alarmed = false;
  for (int i = m.first_live_agent(); i < m.agents.count() && !alarmed; i = m.next_live_agent(i)) {
    const agent& b = *m.get_agent(i);
    if (!b.is_alive() || b.is_horse() || b.index == self.index || b.index == self.mount) continue;
    if (!teams_are_allies(m, self, b)) continue;
    if ((b.ai.flags & 1u) != 0 && (b.position() - self.position()).length() < alarm_reach) alarmed = true;
  }
  if (!alarmed) alarmed = sees_hostile_nearby(m, self);
  if (!alarmed) return;
  self.ai.flags |= 1u;
  self.ai.retarget_period = 0.0f;
}

bool sees_hostile_nearby(mission& m, const agent& self) {
  for (int i = m.first_live_agent(); i < m.agents.count(); i = m.next_live_agent(i)) {
    const agent& b = *m.get_agent(i);
    if (b.is_horse() || b.index == self.index || b.index == self.mount) continue;
    if (teams_not_enemies(m, self, b)) continue;
    const bool hostile = teams_are_enemies(m, self, b) || !b.is_alive();
    if (!hostile || (b.position() - self.position()).length() > sight_limit) continue;
    if (can_see_agent(m, self, i, nullptr)) return true;
  }
  return false;
}

int check_shot(mission& m, const agent& self, int target, int& blocking_friend) {
  blocking_friend = -1;
  const agent* t = m.get_live_agent(target);
  if (t == nullptr) return shot_not_seen;
  const vec3 offset = t->position() - self.position();
  if (self.mount >= 0) {
    // A wield mode outside the table gives no side to shoot to.
    if (self.wield_mode < 0 || self.wield_mode >= rider_aim_window_count) return shot_wrong_side;
    const float angle = side_angle(self.forward(), horizontal_unit(offset));
    const float* range = rider_aim_windows[self.wield_mode];
    if (angle < range[0] || angle > range[1]) return shot_wrong_side;
  }
  if (!can_see_agent(m, self, target, nullptr)) return shot_not_seen;
  vec3 d = offset;
  d.z = (d.z + self.ai.aim_drop) * 0.1f;
  d = get_normalized(d);
  const float target_distance = offset.length();
  float sum = 0.0f;
  float largest = 0.0f;
  for (int i = m.first_live_agent(); i < m.agents.count(); i = m.next_live_agent(i)) {
    const agent& ally = *m.get_agent(i);
    if (i == self.index || i == target || !ally.is_alive() || ally.is_horse() || !teams_are_allies(m, self, ally)) {
      continue;
    }
    vec3 e = ally.position() - self.position();
    e.z *= 0.1f;
    const float length = e.length();
    if (!(length > 0.0f)) continue;
    const float c = dot_product(e * (1.0f / length), d);
    if (c < 0.2f) continue;
    float v = std::sqrt(std::max(0.0f, 1.0f - c * c)) - 0.4f * (1.0f + ally.ai.size_term) / (length + 0.2f);
    if (v < 0.0f) v = 0.0f;
    if (length > target_distance) v *= (length - target_distance + 25.0f) * 0.052f;
    float b = (0.3f - v) * 3.3333333f;
    if (b < 0.01f) b = 0.0f;
    b = b * b * b * b;
    if (b <= 0.7f) continue;
    sum += b;
    if (b > largest) {
      largest = b;
      blocking_friend = i;
    }
  }
  return sum < 0.9f ? shot_clear : shot_friends_in_way;
}

int find_new_combat_target(mission& m, agent& self) {
  int best = -1;
  float best_score = 0.0f;
  for_each_live_nearby_enemy(m, self, [&](const nearby_agent& entry, const agent& candidate) {
    int blocking = -1;
    if (check_shot(m, self, entry.agent, blocking) != shot_clear) return;
    const float score = closeness(entry.distance) / static_cast<float>(candidate.ai.attackers + 7) *
                        (1.0f + static_cast<float>(m.services().random_next() % 15817) * 1.2644623e-05f);
    if (best < 0 || score > best_score) {
      best = entry.agent;
      best_score = score;
    }
  });
  return best;
}

void add_corpse(mission& m, int agent_index, int corpse_limit) {
  m.corpses.push_back(agent_index);
  const std::size_t limit = static_cast<std::size_t>(std::max(corpse_limit, 0));
  while (m.corpses.size() > limit) {
    if (agent* oldest = m.get_agent(m.corpses.front())) {
      oldest->presence = agent_presence_fading;
      oldest->presence_timer.reset();
    }
    m.corpses.erase(m.corpses.begin());
  }
}

void update_nearby_enemies(mission& m, agent& self) {
  auto& list = self.ai.nearby_enemies;
  int& count = self.ai.nearby_enemy_count;
  count = 0;
  for (int i = m.first_live_agent(); i < m.agents.count(); i = m.next_live_agent(i)) {
    const agent& b = *m.get_agent(i);
    if (b.kind != agent_kind_human || !b.is_alive() || i == self.index || !teams_are_enemies(m, self, b)) continue;
    vec3 direction = b.position() - self.position();
    const float distance = direction.length();
    get_normalized(direction, direction);
    int k = 0;
    while (k < count && list[static_cast<std::size_t>(k)].distance < distance) ++k;
    if (k >= nearby_enemy_capacity) continue;
    if (count < nearby_enemy_capacity) ++count;
    for (int j = count - 1; j > k; --j) list[static_cast<std::size_t>(j)] = list[static_cast<std::size_t>(j - 1)];
    list[static_cast<std::size_t>(k)] = nearby_agent{i, distance, direction};
  }
}

int choose_uncrowded_enemy(const mission& m, const agent& self) {
  int best = -1;
  float best_score = -100.0f;
  for_each_live_nearby_enemy(m, self, [&](const nearby_agent& entry, const agent& enemy) {
    const float score = closeness(entry.distance) / static_cast<float>(enemy.ai.attackers + 7);
    if (score > best_score) {
      best_score = score;
      best = entry.agent;
    }
  });
  return best;
}

int choose_enemy_target(mission& m, const agent& self) {
  int best = -1;
  float best_score = -100.0f;
  for_each_live_nearby_enemy(m, self, [&](const nearby_agent& entry, const agent& enemy) {
    float score = closeness((enemy.position() - self.position()).length());
    if (wields_ranged(enemy)) score *= 1.5f;
    if (enemy.mount >= 0) score *= 0.85f;
    score /= static_cast<float>(enemy.ai.attackers + 4);
    score *= 1.0f + static_cast<float>(m.services().random_next() % 15817) * 1.2644623e-05f;
    if (score > best_score) {
      best_score = score;
      best = entry.agent;
    }
  });
  return best;
}

vec3 get_world_movement(const mission& m, const agent& self) {
  const agent* mover = &self;
  if (const agent* mount = m.get_live_agent(self.mount)) mover = mount;
  const float x = mover->side_speed;
  const float y = mover->forward_speed;
  if (self.agent_entity == nullptr) return vec3(x, y, 0.0f);
  const rotation& axes = self.agent_entity->frame.rot;
  return axes.s * x + axes.f * y;
}

int find_horse_in_reach(const mission& m, const agent& self) {
  const int skill = self.troop >= 0 ? current_script_host().module->troop_effective_skill_level(self.troop, riding_skill)
                                    : 0;
  const vec3 look = horizontal_unit(self.input.direction_vec3());
  int found = -1;
  for (int i = m.first_live_agent(); i < m.agents.count(); i = m.next_live_agent(i)) {
    const agent& h = *m.get_agent(i);
    if (!h.is_horse() || h.rider != -1 || !h.is_alive() || h.presence != agent_presence_active) continue;
    const item& saddle = h.equipment[agent_slot_horse];
    const item horse_item = saddle.kind >= 0 ? saddle : h.own_horse_item();
    if (horse_item.get_difficulty() > skill) continue;
    const vec3 offset = h.position() - self.position();
    if (offset.length() >= 1.0f) continue;
    if (dot_product(get_normalized(offset), look) > 0.1f) found = i;
  }
  return found;
}

int find_facing_non_ally(const mission& m, const agent& self) {
  float best = 0.07f;
  int found = -1;
  const vec3 look = horizontal_unit(self.input.direction_vec3());
  for (int i = m.first_live_agent(); i < m.agents.count(); i = m.next_live_agent(i)) {
    const agent& b = *m.get_agent(i);
    if (teams_are_allies(m, self, b) || !b.is_alive() || b.is_horse() || i == self.index) continue;
    vec3 d = b.position() - self.position();
    const float distance = d.length();
    get_normalized(d, d);
    const float f = std::clamp(dot_product(d, look) + 0.5f, 0.0f, 1.2f);
    const float g = std::clamp(1.0f / (distance + 0.5f), 0.0f, 1.0f);
    if (f * g > best) {
      best = f * g;
      found = i;
    }
  }
  return found;
}

int find_aiming_enemy(const mission& m, const agent& self) {
  float best = 0.0f;
  int found = -1;
  const vec3 look = self.input.direction_vec3();
  for (int i = m.first_live_agent(); i < m.agents.count(); i = m.next_live_agent(i)) {
    const agent& b = *m.get_agent(i);
    if (!teams_are_enemies(m, self, b) || !b.is_alive() || b.ai.aiming == 0) continue;
    vec3 d = b.position() - self.position();
    const float distance = d.length();
    get_normalized(d, d);
    const float a = std::clamp(dot_product(d, look) + 0.8f, 0.0f, 1.0f);
    const float g = std::clamp(1.0f / (distance + 0.5f), 0.0f, 1.0f);
    const float back = std::clamp(0.5f - dot_product(d, b.input.direction_vec3()), 0.0f, 1.0f);
    if (a * g * back > best) {
      best = a * g * back;
      found = i;
    }
  }
  return found;
}

}  // namespace hm
