#pragma once
// The fight step, the last part of a human AI agent's combat pass: two small
// state machines sharing one state word decide when to draw, aim, shoot and
// reload a ranged weapon, and when to attack, release, parry, block with a
// shield or hold back in melee. Their presses go through the reaction delay;
// the movement bits they clear take effect at once. Skill shows through the
// troop's level, its proficiency, the weapon's speed and the combat_ai
// option.
#include <cstdint>

namespace hm {

class mission;
struct agent;
struct ai_combat_words;

// States of the machines.
enum ai_combat_state : int {
  combat_ready = 0,
  combat_aiming = 1,
  combat_parrying = 2,
  combat_attacking = 3,  // after the shot, for a ranged weapon
  combat_releasing = 4,  // reloading, for a ranged weapon
  combat_shield = 7,     // out of range or unseen, for a ranged weapon
  combat_no_arc = 8,
};

// Whether a ranged agent of this level runs the aim test with the draw r.
bool ranged_aim_roll(float r, int level);
// Seconds an archer aims before it shoots: (r + 2.5) x clamp((D2 + 70) x
// 0.01, 0.7, 1.2) x 35 / (level + 35), halved for a thrown weapon.
float aim_wait(float r, float horizontal_distance, int level, bool thrown);
// Seconds a melee attacker holds a readied blow before releasing it.
float release_wait(int speed_rating, int level, int combat_ai);
// The agent's reach against a target and the target's against the agent
// (weapon lengths in centimetres, negative bare-handed).
float own_reach(float weapon_length, bool riding, bool target_rides);
float target_reach(float weapon_length);

void agent_ai_fight(mission& m, agent& a, ai_combat_words& words);

}  // namespace hm
