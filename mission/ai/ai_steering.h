#pragma once
// The combat pass of a computer-driven agent: the steering step turns the
// goal the movement pass left into presses (a steering point on the path or
// beside a followed agent, bent round obstacles, an unstick for an agent
// that stopped moving, the aim at its target with a lead and an elevation
// spoiled by a level-dependent error, walking presses on foot and throttle,
// brake and turn presses in the saddle); the fight step follows; last the
// input direction is lined up with a diagonal walking press.
#include <cstdint>

#include "engine/core/math.h"

namespace hm {

class mission;
struct agent;
struct ai_combat_words;

// The presses of a human on foot towards an offset d seen along the aim
// direction a (both horizontal parts are used): forward, backward and side
// presses with hysteresis on the held ones (move_bits in and out), nothing
// within the stop distance (or the start distance while standing). Returns
// the input bits; turn receives the small turn that lines the pressed
// diagonal up with d.
std::uint32_t foot_presses(const vec3& d, const vec3& aim, float stop, float start, std::uint32_t& move_bits,
                           float& turn);

// A rider's or horse's wanted speed for a goal D metres away and the turn
// presses and slowing for an angle A off its forward direction.
struct rider_steer {
  float wanted_speed = 0.0f;
  std::uint32_t move_bits = 0;
  std::int32_t turning = 0;
  std::uint32_t presses = 0;
};
void rider_presses(float distance, float angle, float stop, float start, float speed_limit, float horse_turn_rate,
                   float goal_speed, bool goal_ahead, float current_speed, bool lance_charge, rider_steer& s);

// The steering step (the first part of the combat pass). False when the
// agent has no valid position yet: the whole pass then does nothing.
bool agent_ai_steer(mission& m, agent& a);

// The end of the pass: the input direction is the aim direction, turned
// for a diagonal walking press unless an attack is held or waits.
void agent_ai_finish_direction(agent& a, const ai_combat_words& words);

// steering, the fight step and the direction.
void agent_ai_decide_combat(mission& m, agent& a, ai_combat_words& words);

}  // namespace hm
