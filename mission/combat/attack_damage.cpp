#include "mission/combat/attack_damage.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "engine/settings/game_options.h"
#include "mission/agent/agent_queries.h"
#include "mission/combat/combat_actors.h"
#include "mission/combat/combat_messages.h"
#include "mission/combat/defence.h"
#include "mission/records/agent.h"
#include "mission/records/missile.h"
#include "mission/records/mission.h"
#include "module/base/module_settings.h"
#include "module/records/item_kind.h"
#include "module/records/world_records.h"
#include "module/troops/troop.h"
#include "render/view/message_log.h"

namespace hm {

namespace {

constexpr int skill_power_strike = 35;

// A power that cannot turn a bad base into NaN: a base that is not positive
// or not a number gives the neutral 1.
float safe_power(float base, float exponent) {
  if (!(base > 0.0f)) return 1.0f;
  const float r = std::pow(base, exponent);
  return std::isfinite(r) ? r : 1.0f;
}

// Timing of the swing from channel 1's progress.
float swing_timing(float p, bool thrust) {
  if (p < 0.33f) {
    const float s = clamp_float(p * 3.030303f, 0.0f, 1.0f);
    return thrust ? s : 0.3f + 0.7f * s;
  }
  if (p > 0.61f) return clamp_float((p - 0.65f) * -25.000025f, 0.0f, 1.0f);
  return 1.0f;
}

vec3 swing_direction(int direction, const vec3& axis) {
  vec3 a = get_normalized(axis);
  const vec3 up(0.0f, 0.0f, 1.0f);
  vec3 d = a;
  switch (direction) {
    case 2: d = cross_product(a, up); break;
    case 1: d = -cross_product(a, up); break;
    case 3: d = cross_product(a, get_normalized(cross_product(a, up))); break;
    default: break;
  }
  return get_normalized(d);
}

}  // namespace

attack_damage_result compute_attack_damage(const attack_damage_inputs& in, const module_settings& settings) {
  attack_damage_result out;
  float damage = 0.0f;
  const vec3 theirs = in.has_target ? in.their_velocity : vec3();
  vec3 rel = theirs - in.my_velocity;
  const float approach = rel.length();
  rel = get_normalized(rel);

  if (in.by_missile) {
    out.is_thrust = 1;
    float speed = in.missile_speed;
    if (in.has_target) speed = (theirs - in.missile_direction * in.missile_speed).length();
    // A launch speed of 0 would divide by zero: the speed counts as neutral.
    const float ratio = in.missile_launch_speed > 0.0f ? speed / in.missile_launch_speed : 1.0f;
    damage = safe_power(ratio, settings.missile_damage_speed_power) * in.missile_base_damage * in.damage_factor;
  } else {
    const int direction = in.direction;
    out.is_thrust = direction == 0 ? 1 : 0;
    float base = 0.0f;
    if (in.has_weapon)
      base = static_cast<float>(out.is_thrust ? in.thrust_damage : in.swing_damage) * in.damage_factor;
    else
      base = static_cast<float>(in.strength) * 0.3f + 2.0f;

    if (in.couched_lance) {
      damage = (base + 5.0f) * safe_power(approach, 1.8f);
      if (approach == 0.0f) damage = 0.0f;
      const vec3 a = get_normalized(in.weapon_axis);
      damage = (0.2f - dot_product(rel, a)) * damage * settings.couched_lance_damage_multiplier * 0.2f;
    } else {
      damage = base;
      if (direction == 3) damage *= 1.05f;
      const vec3 d = swing_direction(direction, in.weapon_axis);
      float s = swing_timing(in.progress, direction == 0);
      float w = static_cast<float>(in.speed_rating) * 0.154f;
      if (out.is_thrust) w *= 0.93f;
      if (s < 1e-6f) {
        damage = 0.0f;
      } else {
        s = clamp_float(s, 0.1f, 1.2f);
        // A speed rating of 0 or less has no speed to compare with: the hit
        // counts at its plain timing.
        float f = 1.0f;
        if (w > 0.0f) {
          const float v = clamp_float((s * w - dot_product(d, rel) * approach) / w, 0.3f, 3.0f);
          f = safe_power(v, settings.melee_damage_speed_power);
        }
        damage *= f;
        out.speed_bonus = round_to_int(clamp_float((f - 1.0f) * 100.0f, -1e6f, 1e6f));
      }
    }
  }

  if (in.has_weapon) {
    const float proficiency = std::trunc(in.proficiency);
    if (in.item_type == item_type::crossbow) {
      if (in.ground_condition == 1) damage *= 0.75f;
    } else {
      damage *= 0.85f + 0.15f * proficiency * 0.01f;
      if (in.item_type == item_type::bow) {
        const int level = std::min(in.power_draw, in.difficulty + 4);
        damage *= 1.0f + 0.14f * static_cast<float>(level);
        if (in.mounted) damage *= 0.8f + 0.019f * static_cast<float>(in.riding);
        if (in.ground_condition == 1) damage *= 0.9f;
      } else if (in.item_type == item_type::thrown) {
        damage *= 1.0f + 0.1f * static_cast<float>(in.power_throw);
        if (in.mounted) damage *= 0.8f + 0.019f * static_cast<float>(in.riding);
      } else if (in.item_type >= item_type::one_handed && in.item_type <= item_type::polearm) {
        damage *= 1.0f + 0.08f * static_cast<float>(in.power_strike);
      }
      damage += static_cast<float>(in.strength) * 0.2f;
      if ((in.item_type == item_type::two_handed || in.item_type == item_type::polearm) &&
          (in.hand1_holds_item || in.mounted))
        damage *= 0.67499995f;
    }
  }
  // NaN fails both comparisons and ends at 0.
  out.damage = damage >= 0.0f ? std::min(damage, 500.0f) : 0.0f;
  return out;
}

attack_damage_result agent_compute_attack_damage(const mission& m, const agent& attacker, int hand,
                                                 const missile* by_missile, int target, float damage_factor) {
  attack_damage_inputs in;
  in.direction = attacker.attack_direction;
  in.progress = attacker.channels[1].progress;
  in.couched_lance = is_starting_action_72(attacker);
  in.weapon_axis = attacker.weapon_frame.rot.f;
  in.my_velocity = agent_world_velocity(m, attacker);
  const agent* t = target >= 0 ? m.get_agent(target) : nullptr;
  if (t != nullptr) {
    in.has_target = true;
    in.their_velocity = agent_world_velocity(m, *t);
  }
  const item weapon = agent_wielded_item(attacker, hand);
  const item_kind* k = item_kind_of(weapon);
  const item second = agent_wielded_item(attacker, 1);
  in.hand1_holds_item = second.kind >= 0 && attacker.hand1_unavailable == 0;
  if (k != nullptr) {
    in.has_weapon = true;
    in.item_type = k->type();
    in.swing_damage = weapon.get_damage(0);
    in.thrust_damage = weapon.get_damage(1);
    in.speed_rating = weapon.get_speed_rating();
    in.difficulty = weapon.get_difficulty();
  }
  in.damage_factor = damage_factor;
  if (const troop* tr = agent_troop_record(attacker)) {
    in.strength = tr->strength();
    if (k != nullptr) in.proficiency = tr->proficiencies[static_cast<std::size_t>(
                          std::clamp(item::get_weapon_class(weapon.kind, in.hand1_holds_item ? 1 : 0), 0,
                                     static_cast<int>(tr->proficiencies.size()) - 1))];
  }
  in.power_draw = agent_skill_or_zero(m, attacker, skill_power_draw);
  in.power_throw = agent_skill_or_zero(m, attacker, skill_power_throw);
  in.power_strike = agent_skill_or_zero(m, attacker, skill_power_strike);
  in.riding = agent_skill_or_zero(m, attacker, skill_horse_archery);
  in.mounted = attacker.mount >= 0;
  in.ground_condition = m.ground_condition;
  if (by_missile != nullptr) {
    in.by_missile = true;
    in.missile_direction = by_missile->direction;
    in.missile_speed = by_missile->speed;
    in.missile_launch_speed = by_missile->launch_speed;
    in.missile_base_damage = by_missile->damage;
  }
  const attack_damage_result r = compute_attack_damage(in, g_module_settings);
  if (g_game_options.report_damage != 0 && by_missile == nullptr) {
    const bool attacker_is_player = attacker.index == m.player_agent;
    if (in.couched_lance) {
      const int shown = round_to_int(r.damage);
      if (attacker_is_player)
        report_combat_line("ui_delivered_couched_lance_damage", 0xFFD03030u, {shown});
      else if (target >= 0 && target == m.player_agent)
        report_combat_line("ui_received_couched_lance_damage", 0xFFD03030u, {shown});
    } else if (r.speed_bonus != 0 && attacker_is_player) {
      report_combat_line(r.speed_bonus > 0 ? "ui_speed_bonus_plus" : "ui_speed_bonus", message_default_colour,
                         {r.speed_bonus});
    }
  }
  return r;
}

}  // namespace hm
