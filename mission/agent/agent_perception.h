#pragma once
// What an agent makes of the agents around it: who passes a filter, who it
// can see, whether an alarm reaches it, whether a shot is clear of friends,
// the nearest enemies and the targets chosen among them, a horse it can
// mount, and the mission's limit on lying bodies.
#include "engine/core/math.h"
#include "mission/records/agent.h"

namespace hm {

class body_part;
class mission;

// Filter flags of matches_filter.
inline constexpr int filter_no_enemies = 0x1;
inline constexpr int filter_no_allies = 0x2;
inline constexpr int filter_no_neutrals = 0x4;
inline constexpr int filter_horses_only = 0x10;
inline constexpr int filter_no_horses = 0x20;
inline constexpr int filter_higher_index = 0x200;
inline constexpr int filter_in_front = 0x1000;
inline constexpr int filter_seen = 0x2000;

// Whether the agent `other` (an index, checked) passes every test the flags
// ask for, and lies within max_distance when that is 0 or more; distance
// receives the 3-D distance once it is measured.
bool matches_filter(mission& m, const agent& self, int other, int flags, float max_distance, float& distance);
// Whether the agent sees `other`'s head from its eyes: not at 300 m or more,
// not behind it beyond 2 m, not through the scene, and not through the body
// to ignore when one is given.
bool can_see_agent(mission& m, const agent& self, int other, const body_part* ignore);
// Raises the agent's alarm when an alarmed ally stands within 10 m or it
// sees something hostile; it then chooses its behaviour anew.
void check_alarm(mission& m, agent& self);
// An enemy (alive or not), or a fallen ally, within 300 m that the agent
// sees; horses and neutral agents do not count.
bool sees_hostile_nearby(mission& m, const agent& self);

enum shot_result : int {
  shot_not_seen = 0,
  shot_clear = 1,
  shot_friends_in_way = 2,
  shot_wrong_side = 3,
};
// Whether a shot at `target` is clear; blocking_friend receives the ally most
// in the way (-1 none).
int check_shot(mission& m, const agent& self, int target, int& blocking_friend);
// Among the nearby enemies that can be shot clear, the close one with the
// fewest attackers (a small random factor); -1 none.
int find_new_combat_target(mission& m, agent& self);
// Appends a body to the corpse list; beyond the limit the oldest start to
// fade.
void add_corpse(mission& m, int agent_index, int corpse_limit);

// The nearest enemy humans, nearest first, at most 16.
void update_nearby_enemies(mission& m, agent& self);
// The nearby enemy with the best closeness for the fewest attackers; -1 none.
int choose_uncrowded_enemy(const mission& m, const agent& self);
// As above, preferring archers and men on foot, with a small random factor.
int choose_enemy_target(mission& m, const agent& self);
// The agent's (or its mount's) movement turned into the world.
vec3 get_world_movement(const mission& m, const agent& self);
// The last free horse within 1 m ahead whose difficulty the agent can ride;
// -1 none.
int find_horse_in_reach(const mission& m, const agent& self);
// The live human not allied to the agent that it faces most directly; -1 none.
int find_facing_non_ally(const mission& m, const agent& self);
// The aiming enemy that threatens the agent most; -1 none.
int find_aiming_enemy(const mission& m, const agent& self);

}  // namespace hm
