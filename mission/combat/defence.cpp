#include "mission/combat/defence.h"

#include <cmath>

#include "mission/agent/agent_queries.h"
#include "mission/combat/combat_actors.h"
#include "mission/records/agent.h"
#include "mission/records/mission.h"
#include "module/records/item_kind.h"

namespace hm {

namespace {

constexpr int unarmed_defence = 151;
constexpr int full_defence = 199;
// The bone whose frame the shield band is measured from.
constexpr int shield_reference_bone = 12;
constexpr int shield_skill = 26;

// The direction each directional defence class covers, classes 202 .. 235 in
// steps of three.
constexpr int directional_cover[12] = {0, 3, 2, 1, 0, 3, 2, 1, 0, 3, 2, 1};

}  // namespace

int get_defend_action_class(int action) {
  if (action >= 151 && action <= 153) return unarmed_defence;
  if (action >= 199 && action <= 237) return 199 + (action - 199) / 3 * 3;
  return -1;
}

bool defend_action_is_past_first(int action) {
  if (action < 199 || action > 237) return true;
  return (action - 199) % 3 != 0;
}

bool defend_action_covers_direction(int action, int direction) {
  const int cls = get_defend_action_class(action);
  if (cls == full_defence) return true;
  if (cls < 202) return false;
  return directional_cover[(cls - 202) / 3] == direction;
}

bool is_attack_last_action(int action) {
  if (action == 68) return true;
  return action >= 156 && action <= 198 && (action - 156) % 3 == 0;
}

bool is_attack_blocked(const block_query& q) {
  const int direction = q.couched_lance ? attack_thrust : q.direction;
  const int cls = get_defend_action_class(q.defender_action);
  const bool past_first = defend_action_is_past_first(q.defender_action);

  float dx = q.defender_x - q.attacker_x;
  float dy = q.defender_y - q.attacker_y;
  const float distance = std::sqrt(dx * dx + dy * dy);
  if (distance > 0.0f) {
    dx /= distance;
    dy /= distance;
  } else {
    dx = 0.0f;
    dy = 1.0f;
  }
  // A defender facing its attacker has dot near -1.
  const float dot = q.facing_x * dx + q.facing_y * dy;

  if (!q.by_contact) {
    const bool side_swing = direction == attack_swing_right || direction == attack_swing_left;
    if (side_swing ? dot > 0.3f : dot > -0.2f) return false;
    if (!past_first && q.defender_progress < 0.25f) return false;
    if (cls == unarmed_defence) return q.attacker_hand0_empty;
    return defend_action_covers_direction(q.defender_action, direction);
  }

  if (cls != full_defence || !(dot < -0.4f)) return false;
  float below = 0.0f;
  float above = 0.0f;
  if (q.shield_length >= 0) {
    float w = static_cast<float>(q.shield_length) * 0.01f;
    if (w == 0.0f) w = 0.5f;
    below = w;
    above = std::fmin(w, 0.5f);
  }
  if (q.shield_skill >= 0) {
    const float s = static_cast<float>(q.shield_skill);
    below = (1.0f + 0.02f * s) * below + 0.1f * s;
    above = (1.0f + 0.02f * s) * above + 0.1f * s;
  }
  const float t = q.contact_z - q.reference_z;
  return -below < t && t < above;
}

vec3 agent_facing_2d(const agent& a) {
  vec3 f(a.forward().x, a.forward().y, 0.0f);
  const float length = std::sqrt(f.x * f.x + f.y * f.y);
  if (length == 0.0f) return vec3(0.0f, 1.0f, 0.0f);
  f.x /= length;
  f.y /= length;
  if (a.kind == agent_kind_human && a.mount >= 0 && (a.attack_state != 0 || a.defend_state != 0)) {
    const float c = std::cos(a.upper_turn);
    const float s = std::sin(a.upper_turn);
    f = vec3(f.x * c - f.y * s, f.y * c + f.x * s, 0.0f);
  }
  return f;
}

bool agent_is_attack_blocked(const mission& m, const agent& attacker, const agent& defender, int hand,
                             bool by_contact, const vec3& contact_point) {
  (void)hand;  // one stored direction serves both hands
  block_query q;
  q.direction = attacker.attack_direction;
  q.couched_lance = is_starting_action_72(attacker);
  q.attacker_hand0_empty = agent_wielded_item(attacker, 0).kind < 0;
  q.attacker_x = attacker.position().x;
  q.attacker_y = attacker.position().y;
  q.defender_x = defender.position().x;
  q.defender_y = defender.position().y;
  const vec3 f = agent_facing_2d(defender);
  q.facing_x = f.x;
  q.facing_y = f.y;
  q.defender_action = defender.channels[1].action;
  q.defender_progress = defender.channels[1].progress;
  q.by_contact = by_contact;
  if (by_contact) {
    q.contact_z = contact_point.z;
    const frame bone = agent_bone_world_frame(defender, shield_reference_bone);
    q.reference_z = bone.origin.z + 0.2f * bone.rot.f.z;
    const item shield = agent_wielded_item(defender, 1);
    if (shield.kind >= 0 && defender.hand1_unavailable == 0) {
      const item_kind* k = shield.get_kind();
      q.shield_length = k != nullptr ? k->weapon_length : 0;
    }
    q.shield_skill = agent_troop_skill(m, defender, shield_skill);
  }
  return is_attack_blocked(q);
}

}  // namespace hm
