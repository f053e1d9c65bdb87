#pragma once
// The behaviour choice of a computer-driven agent: every few seconds each of
// fifteen modes gets a weight from the agent's situation (its kind, its
// alarm, the enemies it perceives, its group's orders, its weapons), every
// weight is shaken by a random factor, and the heaviest mode wins. The
// movement and combat passes act on the chosen mode.
#include <array>
#include <cstdint>

#include "engine/core/math.h"

namespace hm {

class ai_passes;
class mission;
struct agent;

// Behaviour modes.
enum ai_mode : int {
  ai_mode_none = 0,
  ai_mode_go_to_position = 1,
  ai_mode_mount = 2,
  ai_mode_dismount = 3,
  ai_mode_melee = 4,
  ai_mode_shoot = 5,
  ai_mode_ride_and_shoot = 6,
  ai_mode_charge = 7,
  ai_mode_ride_through = 8,
  ai_mode_follow_leader = 9,
  ai_mode_idle = 11,
  ai_mode_reinforce = 12,
  ai_mode_horse_free = 13,
  ai_mode_horse_led = 14,
};
inline constexpr int ai_mode_count = 15;

// The class of the weapon in the agent's right hand: 2 ranged, 1 otherwise
// with a weapon, 0 without.
int agent_wielded_weapon_class(const agent& a);

// The weights before the random shake.
struct ai_mode_weights {
  std::array<float, ai_mode_count> weight{};
  std::array<std::int32_t, ai_mode_count> target{};
  std::array<vec3, ai_mode_count> position{};

  ai_mode_weights() { target.fill(-1); }
};

// Weights of melee (mode 4) and shooting (mode 5) for an agent on foot at
// distance D from its enemy: 5 / D against D / 15, before the agent's
// weapons, troop and the random factors change them.
float melee_weight(float distance);
float shooting_weight(float distance);

// The mode with the largest weight; ties go to the lower mode, all zero to
// mode 0.
int choose_heaviest_mode(const ai_mode_weights& w);

// Chooses the agent's behaviour mode, its target and position, and sets up
// the mode's goal; the passes wield the mode's weapons.
void agent_ai_select_target(mission& m, agent& a, ai_passes& passes);

}  // namespace hm
