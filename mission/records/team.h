#pragma once
// Teams of a mission: eight of them, each with a leader, three order groups
// (on foot, the troop-flag class, riders) and its relations to every team.
// The groups hold both the player's orders and the figures the team
// statistics pass keeps for the AI.
#include <array>
#include <cstdint>

#include "engine/core/math.h"

namespace hm {

inline constexpr int team_count = 8;
inline constexpr int team_group_count = 3;

enum team_group_index : int {
  team_group_foot = 0,    // infantry
  team_group_middle = 1,  // the troop-flag class: archers
  team_group_riders = 2,  // cavalry
};

enum team_relation_word : std::int32_t {
  team_relation_enemy = -1,
  team_relation_neutral = 0,
  team_relation_ally = 1,
};

// team_group::mode, the group's standing order.
inline constexpr std::int32_t group_order_follow_leader = 2;

struct team_group {
  // The order word; 2 = follow the team's leader.
  std::int32_t mode = 0;
  std::int32_t mount_order = 0;
  std::int32_t blunt_only = 0;
  std::int32_t no_ranged = 0;
  // The group position, which a following group takes from its leader.
  vec3 follow_point;
  // The leader's movement direction.
  vec3 follow_direction;
  // The leader's ground face (navigation face), -1 none.
  std::int32_t follow_face = -1;
  // From the group towards the enemy.
  vec3 facing;
  float merged_size_half = 0.0f;
  float size = 0.0f;
  // This group's size and those of the team's groups standing with it.
  float merged_size = 0.0f;
  vec3 centre_sum;
  vec3 centre;
  // Order details of the player's commands.
  std::int32_t hold_position = 0;
  vec3 side_vector;
  float radius = 0.0f;
  std::int32_t formation = 0;
  std::int32_t selected = 0;
  std::int32_t saved_selected = 0;
  // 1..4
  std::int32_t spacing = 1;
  vec3 velocity;
};

struct team {
  // Agent index, -1 none.
  std::int32_t leader = -1;
  std::array<team_group, team_group_count> groups{};
  // Towards each team: -1 enemy, 0 neutral, 1 ally.
  std::array<std::int32_t, team_count> relations{};
  // Agents of this team still to spawn, per spawn side, read by the AI.
  std::array<std::int32_t, 2> spawn_counters{};
  // Live members counted for the AI.
  std::int32_t live_agents = 0;
};

}  // namespace hm
