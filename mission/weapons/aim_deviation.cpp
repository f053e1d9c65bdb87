#include "mission/weapons/aim_deviation.h"

#include <algorithm>
#include <cmath>

#include "engine/core/noise.h"
#include "engine/core/timer.h"
#include "engine/settings/game_options.h"
#include "mission/agent/agent_queries.h"
#include "mission/missile/missile_launch.h"
#include "mission/records/agent.h"
#include "mission/records/mission.h"
#include "script/script_host.h"

namespace hm {

namespace {

// Proficiency classes of the ranged weapons.
constexpr int proficiency_archery = 3;
constexpr int proficiency_crossbows = 4;
constexpr int proficiency_throwing = 5;
constexpr int proficiency_firearms = 6;

struct movement_constants {
  float c1, c2, c3, c4, k1, k2;
};

float movement_term(const aim_inputs& in, const movement_constants& c, float performance, float sway) {
  if (in.mounted) {
    const float v = std::fabs(in.mount_forward_speed);
    if (!(v > 1.0f)) return 0.0f;
    const float archery = static_cast<float>(in.horse_archery);
    const float bracket = std::max(
        0.0f, (v + c.c1 - (archery + c.c2) * (static_cast<float>(in.riding) + 5.0f) * (performance + c.c3) *
                              0.0004f) *
                  c.c4);
    return bracket * 4.0f / (archery + 4.0f) * sway;
  }
  const float s = std::sqrt(in.side_speed * in.side_speed + in.forward_speed * in.forward_speed);
  if (!(s > 0.0f)) return 0.0f;
  return (s + 3.0f) / (performance + c.k1) * sway * c.k2;
}

}  // namespace

float compute_aim_target(const aim_inputs& in) {
  const int type = in.weapon_type;
  const bool bow = type == item_type::bow;
  const bool thrown = type == item_type::thrown;
  const bool gun = type == item_type::crossbow || type == item_type::pistol || type == item_type::musket;
  if (!bow && !thrown && !gun) return 0.0f;

  const float t = in.held_seconds;
  const vec3 point(t, t + 3.0f, 1.5f * t);
  const vec3 n = vector_noise(0.7f, point);
  const float sway = 1.4f + 1.9f * (n.x + n.y);
  const float accuracy = (1.0f - static_cast<float>(in.accuracy) * 0.01f) * 0.08f;
  const float difficulty = static_cast<float>(in.difficulty);
  const float thrust = static_cast<float>(in.thrust_damage);

  if (bow) {
    const float p = 25.0f * static_cast<float>(in.power) + static_cast<float>(in.proficiency);
    const float w = 40.0f * difficulty + 8.0f * thrust + 50.0f;
    const float base = std::max(0.0f, (w + 50.0f - p) * 0.00006f);
    if (in.attack_phase == 0) return 0.0f;
    float a = base + movement_term(in, {3.0f, 0.0f, 200.0f, 0.008f, 200.0f, 7.0f}, p, sway);
    const float draw_time = 1.25f / in.weapon_speed_factor;
    const float hold_time = draw_time + std::max(0.3f, (p - 0.5f * w) * 0.01f);
    if (t < draw_time) {
      a += std::max(0.0f, (draw_time - t) / draw_time - 0.001f * p);
    } else if (t > hold_time) {
      const vec3 m = vector_noise(0.4f, point);
      a += std::min((t - hold_time) * 0.4f, 1.0f) * std::fabs((m.x + m.y + 1.0f) * 0.5f) * w * 0.0006f;
    }
    return a + accuracy;
  }
  if (thrown) {
    const float p = 20.0f * static_cast<float>(in.power) + static_cast<float>(in.proficiency);
    if (in.attack_phase == 0) return 0.0f;
    return std::max(0.0f, ((5.0f * difficulty + thrust + 30.0f) * 8.0f - p) * 0.00012f) +
           movement_term(in, {5.0f, 0.0f, 200.0f, 0.004f, 50.0f, 1.0f}, p, sway) + accuracy;
  }
  const float p = static_cast<float>(in.proficiency);
  if (in.attack_phase == 0 || in.max_ammo == in.used_shots) return 0.0f;
  return std::max(0.0f, (2.0f * thrust + 100.0f - p) * 0.00015f) +
         std::max(0.0f, 0.7f - t * (p + 100.0f) * 0.01f) +
         movement_term(in, {5.0f, 2.0f, 150.0f, 0.005f, 100.0f, 3.0f}, p, sway) + accuracy;
}

float step_aim_deviation(float current, float target, bool attacking, float dt) {
  float r = attacking ? dt * 5.0f : dt;
  if (current < target) r *= 2.0f;
  r = std::min(r, 1.0f);
  return (1.0f - r) * current + r * target;
}

aim_inputs gather_aim_inputs(const mission& m, const agent& a) {
  aim_inputs in;
  const item launcher = get_wielded_item(a, 0);
  const item_kind* kind = launcher.get_kind();
  if (kind == nullptr) return in;
  in.weapon_type = kind->type();
  in.held_seconds = a.aim_timer.elapsed();
  in.attack_phase = a.attack_state;
  in.forward_speed = a.forward_speed;
  in.side_speed = a.side_speed;
  if (a.mount >= 0) {
    in.mounted = true;
    if (const agent* mount = m.get_agent(a.mount)) in.mount_forward_speed = mount->forward_speed;
  }
  const script_module_host& module = *current_script_host().module;
  const auto skill = [&](int s) { return a.troop >= 0 ? module.troop_effective_skill_level(a.troop, s) : 0; };
  in.horse_archery = skill(skill_horse_archery);
  in.riding = skill(skill_riding);
  int proficiency = proficiency_firearms;
  if (in.weapon_type == item_type::bow) {
    in.power = skill(skill_power_draw);
    proficiency = proficiency_archery;
  } else if (in.weapon_type == item_type::thrown) {
    in.power = skill(skill_power_throw);
    proficiency = proficiency_throwing;
  } else if (in.weapon_type == item_type::crossbow) {
    proficiency = proficiency_crossbows;
  }
  in.proficiency = a.troop >= 0 ? module.troop_proficiency(a.troop, proficiency) : 0;
  in.difficulty = launcher.get_difficulty();
  in.thrust_damage = launcher.get_damage(1);
  in.accuracy = launcher.get_accuracy();
  in.max_ammo = launcher.get_max_ammo();
  in.used_shots = launcher.used_shots();
  in.weapon_speed_factor = get_weapon_speed_factor(m, a, 0, g_game_options.combat_speed);
  return in;
}

void update_aim_deviation(const mission& m, agent& a) {
  const float target = compute_aim_target(gather_aim_inputs(m, a));
  a.aim_deviation =
      step_aim_deviation(a.aim_deviation, target, a.attack_state != 0, clock_increment_seconds(clock_real_time));
}

}  // namespace hm
