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

// The state word (agent_ai::combat_state), 0 neutral. Ranged: 1 aiming, 3
// after the shot, 4 reloading, 7 out of range or unseen, 8 no firing arc
// from the saddle. Melee: 2 parrying, 3 attacking, 4 holding the blow for
// its release, 7 holding a shield up.

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
