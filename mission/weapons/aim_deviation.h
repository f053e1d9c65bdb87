#pragma once
// How far a shot released now may stray: every agent's aim deviation angle
// moves each frame towards a target worked out from the wielded ranged
// weapon, the shooter's skills, how long the shot has been held, how the
// shooter moves, a smooth sway and the weapon's accuracy.
namespace hm {

class mission;
struct agent;

// What the target angle depends on, gathered from the agent and its weapon.
struct aim_inputs {
  // The launcher's item type (a non-ranged type gives no deviation).
  int weapon_type = -1;
  // Seconds since the attack was readied.
  float held_seconds = 0.0f;
  int attack_phase = 0;
  bool mounted = false;
  float mount_forward_speed = 0.0f;
  float forward_speed = 0.0f;
  float side_speed = 0.0f;
  int horse_archery = 0;  // skill 23
  int riding = 0;         // skill 24
  // Power draw for bows, power throw for thrown weapons.
  int power = 0;
  // The troop's proficiency with the weapon's class, truncated.
  int proficiency = 0;
  int difficulty = 0;
  int thrust_damage = 0;
  // Percent.
  int accuracy = 99;
  int max_ammo = 0;
  int used_shots = 0;
  float weapon_speed_factor = 1.0f;
};

// The target angle in radians.
float compute_aim_target(const aim_inputs& in);
// The angle after one frame of dt seconds: towards the target, five times as
// fast while an attack is held and twice as fast when widening.
float step_aim_deviation(float current, float target, bool attacking, float dt);

aim_inputs gather_aim_inputs(const mission& m, const agent& a);
// The agent frame's last step.
void update_aim_deviation(const mission& m, agent& a);

}  // namespace hm
