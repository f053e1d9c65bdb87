#pragma once
// The attack direction of a hand and the three actions of the attack.
#include <array>
#include <cstdint>
#include <functional>

#include "engine/core/math.h"

namespace hm {

class combat_random;

// The three action ids of an attack; -1 for none.
using attack_action_ids = std::array<std::int32_t, 3>;
// The weapon's action set for a hand and direction (the first id -1 when the
// weapon has no attack that way).
using weapon_action_set_fn = std::function<attack_action_ids(int hand, int direction)>;

struct attack_choice {
  attack_action_ids actions{-1, -1, -1};
  std::int32_t direction = 0;
};

// The player's choice from the mouse, when the game's control option asks
// for one.
struct player_direction {
  bool given = false;
  int direction = 0;
};

struct attack_choice_inputs {
  int hand = 0;
  bool riding = false;
  // The signed angle between the facing and the look direction (NaN allowed).
  float side_angle = 0.0f;
  // Bits 12..19 of the wielded kind's capability word (the word's value,
  // e.g. 0x40000), 0 for none.
  std::uint32_t attack_class = 0;
  player_direction player;
};

// The candidates are drawn and the fixed-class table applied.
attack_choice choose_attack_actions(const attack_choice_inputs& in, const weapon_action_set_fn& action_set,
                                    combat_random& random);

// The mouse modes (control 1 or 2): dy already reversed by the game's
// vertical option; mode 2 reverses both.
struct mouse_direction_inputs {
  int mode = 1;
  float dx = 0.0f;
  float dy = 0.0f;
  bool riding = false;
  float side_angle = 0.0f;
  float horse_speed = 0.0f;
};
int choose_player_attack_direction_mouse(const mouse_direction_inputs& in, const weapon_action_set_fn& action_set);

// The automatic mode: the target point in the camera's turned frame
// (lx, ly, lz) or no target entity.
struct aimed_direction_inputs {
  bool target_has_entity = true;
  vec3 local_target;
  bool riding = false;
  float side_angle = 0.0f;
  float horse_speed = 0.0f;
};
int choose_player_attack_direction_aimed(const aimed_direction_inputs& in, const weapon_action_set_fn& action_set);

}  // namespace hm

namespace hm {

struct agent;
class mission;

// The player's steering of the attack direction this frame.
struct player_attack_steering {
  // The game's attack-direction option: 0 automatic, 1 mouse, 2 mouse
  // reversed.
  int control = 0;
  // Mouse movement since the last frame, dy already turned by the game's
  // vertical option.
  float dx = 0.0f;
  float dy = 0.0f;
  // The aimed target in the camera's turned frame, when there is one.
  bool has_aimed_target = false;
  aimed_direction_inputs aimed;
};

// The signed angle from the agent's facing to its look direction (radians).
float agent_side_angle(const agent& a);

// Chooses and stores the hand's attack direction and its three actions
// (ready, release and the third of the triple). `steering` is the player's,
// null for every other agent.
attack_choice agent_choose_attack_actions(mission& m, agent& a, int hand, const weapon_action_set_fn& action_set,
                                          combat_random& random, const player_attack_steering* steering);

}  // namespace hm
