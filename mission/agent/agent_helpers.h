#pragma once
// Small rules that the combat, movement and AI routines share: team
// relations between two agents, reach, the couched-lance test, the hour of
// the campaign day, and a few numeric helpers.
#include "engine/core/math.h"

namespace hm {

class mission;
struct agent;

// Teams outside 0..7 have no relations: they are neither enemies nor allies.
bool teams_are_enemies(const mission& m, const agent& a, const agent& b);
bool teams_are_allies(const mission& m, const agent& a, const agent& b);
// False for enemies and for allies; true for neutral teams and teams outside
// 0..7.
bool teams_not_enemies(const mission& m, const agent& a, const agent& b);
// 2.4 for a rider, 1.5 for a horse or an agent on foot.
float get_use_distance(const agent& a);
// Channel 1 holds action 72 (the couched lance) past a tenth of its progress.
bool is_starting_action_72(const agent& a);

// Campaign clock hours modulo 24.
float get_hour_of_day();
bool is_daytime_at(float hour);
bool is_daytime();
bool is_night();

// floor(x), plus one only when the fraction is above 0.5.
int round_to_int(float x);
// rand() mod n, and 0 without drawing for n below 2.
int random_int_below(int n);
// Of the angles b and c the one nearer to a round the circle; c on a tie.
float closer_angle(float a, float b, float c);
// With k = max(0, -(v . n)): v += k n and, when k > 0, v scales by 1 - 0.4 k;
// returns the negated change of v.
vec3 reflect_velocity_on_plane(vec3& velocity, const vec3& normal);
bool box_contains_point(const vec3& min, const vec3& max, const vec3& p);

}  // namespace hm
