#pragma once
// An agent's weapon handling for one frame: its input block (the player's
// keys or the AI's presses, the same bits) turned into actions on the upper
// body: readying and releasing a melee attack and the swing's hit window,
// aiming, shooting, reloading and throwing, and raising a defence. Two small
// state machines in the agent record carry it from frame to frame.
#include "engine/core/math.h"

namespace hm {

class combat_random;
class mission;
struct agent;

// attack_state values.
inline constexpr int attack_idle = 0;
inline constexpr int attack_readying = 1;
inline constexpr int attack_releasing = 2;
inline constexpr int attack_follow_through = 3;
inline constexpr int attack_thrown = 4;
inline constexpr int attack_bounced = 5;
inline constexpr int attack_cancelled = 6;

// Runs after the action update and before movement; only humans act, but
// every agent's weapon frame moves on.
void agent_use_weapon(mission& m, agent& a, float dt, combat_random& random);

// The world frame of the weapon in hand 0: the hand's bone with the held
// item's placement; the hand bone of an empty hand.
frame agent_weapon_frame(const agent& a);

}  // namespace hm
