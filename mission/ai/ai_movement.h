#pragma once
// The movement pass of a computer-driven agent, about once a second: for
// its behaviour mode it picks whom to fight, whether it may fight now, where
// it goes and how close it comes, and which weapon class it holds. It sets
// goals for the path operations; the steering step of the combat pass turns
// them into presses. Only mounting and dismounting are pressed here.
#include <cstdint>

#include "engine/core/math.h"

namespace hm {

class mission;
struct agent;

// Fight permission words.
inline constexpr std::uint32_t fight_permitted = 0x2;
inline constexpr std::uint32_t fight_ranged = 0x20;

// Goal flags the AI adds to the goal set-ups' own.
inline constexpr std::uint32_t goal_ai_set = 0x20;
inline constexpr std::uint32_t goal_pass_beside = 0x80;
inline constexpr std::uint32_t goal_lance_charge = 0x200;

// Filters of find_best_target: live enemy humans, and those not behind.
int enemy_humans_filter();
int enemy_humans_in_front_filter();

// Among the agents passing the filter within max_distance, the best of
// min(3 / (d + 2), 1) / (attackers + 7), a rider favouring those ahead of
// it within 40 m; -1 when none scores above 0.
int find_best_target(mission& m, const agent& a, int filter, float max_distance);

// Whether the agent holds a ranged weapon in its right hand.
bool holds_ranged_weapon(const agent& a);

// Fear's growth and decay for one pass of the melee mode, from the pressure
// of enemies against friends (weights of the scan), a random fraction u, the
// troop's level and the combat_ai option; the result is held to 0..11.
float grow_fear(float fear, float enemy_weight, float friend_weight, float u, int level, int combat_ai,
                bool no_fear);
float calm_fear(float fear, float enemy_weight, float friend_weight, float u);

// Where a horse archer rides past its target: 20 m short of it and 13 m to
// the side (before the 10 m scatter), at the agent's height + 100.
vec3 ride_past_point(const vec3& own, const vec3& target);

// The shooting range of the agent's wielded weapon.
float get_shooting_range(const mission& m, const agent& a);

// The pass itself.
void agent_ai_decide_movement(mission& m, agent& a);

}  // namespace hm
