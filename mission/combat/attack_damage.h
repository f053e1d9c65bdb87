#pragma once
// The raw damage of a hit: the timing of the swing, the relative speed of
// attacker and target, the couched lance, the weapon skills and the caps.
// Armour is taken off afterwards (armor.h). No random draws.
#include <cstdint>

#include "engine/core/math.h"

namespace hm {

struct agent;
struct missile;
struct module_settings;
class mission;

struct attack_damage_inputs {
  // Melee: the hand's direction (0 thrust, 1 and 2 side swings, 3 overhead)
  // and channel 1's progress since the attack action began.
  int direction = 0;
  float progress = 0.5f;
  // Channel 1 holds the couched lance past a tenth of its run.
  bool couched_lance = false;
  // The weapon bone's axis in the world.
  vec3 weapon_axis{0.0f, 1.0f, 0.0f};
  // Planar velocities in the world (a rider's is its horse's).
  vec3 my_velocity;
  vec3 their_velocity;
  bool has_target = false;

  // The weapon: none is a fist.
  bool has_weapon = false;
  int item_type = 0;
  int swing_damage = 0;
  int thrust_damage = 0;
  int speed_rating = 100;
  int difficulty = 0;
  float damage_factor = 1.0f;

  // The attacker's troop: strength, proficiency in the weapon's class and
  // the skills of bows (power draw), thrown weapons (power throw), melee
  // (power strike) and horse archery.
  int strength = 0;
  float proficiency = 0.0f;
  int power_draw = 0;
  int power_throw = 0;
  int power_strike = 0;
  int riding = 0;
  bool mounted = false;
  // Hand 1 holds an item it may use.
  bool hand1_holds_item = false;
  int ground_condition = 0;

  // A missile hit.
  bool by_missile = false;
  vec3 missile_direction{0.0f, 1.0f, 0.0f};
  float missile_speed = 0.0f;
  float missile_launch_speed = 0.0f;
  float missile_base_damage = 0.0f;
};

struct attack_damage_result {
  float damage = 0.0f;
  std::int32_t is_thrust = 0;
  // Percent the relative speed added or took, 0 when none (a melee swing or
  // thrust only).
  std::int32_t speed_bonus = 0;
};

attack_damage_result compute_attack_damage(const attack_damage_inputs& in, const module_settings& settings);

// The same for two agents of a mission (target -1 for none).
attack_damage_result agent_compute_attack_damage(const mission& m, const agent& attacker, int hand,
                                                 const missile* by_missile, int target, float damage_factor);

}  // namespace hm
