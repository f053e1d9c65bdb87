#pragma once
// Which actions are defences, which attack directions each covers, and the
// decision whether an attack that reaches an agent is blocked.
#include "engine/core/math.h"

namespace hm {

struct agent;
class mission;

// Attack directions of a hand.
inline constexpr int attack_thrust = 0;
inline constexpr int attack_swing_right = 1;
inline constexpr int attack_swing_left = 2;
inline constexpr int attack_overhead = 3;

// The couched lance.
inline constexpr int action_couched_lance = 72;

// The first id of the defence triple holding `action`, -1 for no defence.
int get_defend_action_class(int action);
// False only for the first action of a directional or full defence triple.
bool defend_action_is_past_first(int action);
bool defend_action_covers_direction(int action, int direction);
// The last action of an attack (the AI sees an opponent's attack end).
bool is_attack_last_action(int action);

// Everything the blocking decision reads, as plain values.
struct block_query {
  // The attacker's stored direction of the hand; ignored while it couches a
  // lance (always a thrust then).
  int direction = 0;
  bool couched_lance = false;
  bool attacker_hand0_empty = false;
  float attacker_x = 0.0f, attacker_y = 0.0f;
  float defender_x = 0.0f, defender_y = 0.0f;
  // The defender's facing as agent_facing_2d gives it (unit length).
  float facing_x = 0.0f, facing_y = 1.0f;
  int defender_action = -1;
  float defender_progress = 0.0f;
  // Only for a hit judged by its point of contact:
  bool by_contact = false;
  float contact_z = 0.0f;
  // The height the shield band is measured from.
  float reference_z = 0.0f;
  // The shield in hand 1: its length statistic, -1 for no usable shield.
  int shield_length = -1;
  // The defender troop's shield skill, -1 without a troop.
  int shield_skill = -1;
};

bool is_attack_blocked(const block_query& q);

// The agent's facing in the plane, normalised ((0, 1) for a zero facing); a
// rider in an attack or defence is turned by its twist against the mount.
vec3 agent_facing_2d(const agent& a);

// The blocking decision for two agents of a mission.
bool agent_is_attack_blocked(const mission& m, const agent& attacker, const agent& defender, int hand,
                             bool by_contact, const vec3& contact_point);

}  // namespace hm
