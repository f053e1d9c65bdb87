#pragma once
// A party: every group on the world map (the player's party, towns and other
// fixed places, travelling bands, the parties a battle creates) with its troops
// as an ordered list of stacks, members first, prisoners after them.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "engine/core/math.h"
#include "engine/core/ruv_string.h"
#include "engine/core/timer.h"
#include "script/record_data.h"

namespace hm {

struct campaign_state;
struct party_map_entity;

// Flag bits of party::flags.
inline constexpr std::uint32_t party_flag_icon_mask = 0xFF;
inline constexpr std::uint32_t party_flag_hidden = 0x100;
inline constexpr std::uint32_t party_flag_ship = 0x200;
inline constexpr std::uint32_t party_flag_fixed_place = 0x400;
inline constexpr std::uint32_t party_flag_label_scale = 0x3000;
inline constexpr std::uint32_t party_flag_scripted_only = 0x10000;
inline constexpr std::uint32_t party_flag_fixed_label_colours = 0x40000;
inline constexpr std::uint32_t party_flag_no_troop_count = 0x80000;
inline constexpr std::uint32_t party_flag_limits = 0x100000;
inline constexpr std::uint32_t party_flag_half_transparent = 0x1000000;
inline constexpr std::uint32_t party_flags_invisible_to_ai = 0x1080100;
// Bit of the second flag word that marks the player's own party; set when a
// new game reads parties.txt, and kept in save games with the flags.
inline constexpr std::uint32_t party_flag2_player_party = 0x80;

// Stack flag bit 0: prisoners.
inline constexpr std::uint32_t stack_flag_prisoners = 1;

inline constexpr int party_stack_reserve = 32;

// Troop counts are 32-bit: additions and sums stop at the largest count
// instead of wrapping to a negative one.
inline std::int32_t saturate_count(std::int64_t n) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(n, INT32_MIN, INT32_MAX));
}
inline constexpr int party_max_stacks = 512;

// Kind mask bits of party::count_stack_members_of_kind.
inline constexpr int kind_not_leader = 0x01;
inline constexpr int kind_not_hero = 0x02;
inline constexpr int kind_not_wounded_hero = 0x04;
inline constexpr int kind_not_regular = 0x08;
inline constexpr int kind_not_prisoner = 0x10;
inline constexpr int kind_not_player = 0x20;
inline constexpr int kind_able_only = 0x100;

// Party states.
inline constexpr std::int32_t party_state_free = 0;
inline constexpr std::int32_t party_state_active = 1;
inline constexpr std::int32_t party_state_removed = 2;

// The player's per-member seeds: one entry of 32 seeds for each of the first
// 32 stacks of the player's party.
using member_seed_table = std::int32_t[32][32];

struct troop_stack {
  std::int32_t count = 0;
  std::int32_t troop = -1;
  std::uint32_t flags = 0;
  // Troops of the stack that took part in the mission set up last; the party
  // window's moves keep it with the troops.
  std::int32_t mission_counter = 0;
  std::int32_t wounded = 0;
  std::int32_t ready_to_upgrade = 0;
  float experience_pool = 0.0f;

  bool is_prisoners() const { return (flags & stack_flag_prisoners) != 0; }
};

// Behaviour codes that name a party as their target (the others name a map
// event slot, a point or nothing).
bool behaviour_targets_party(std::int32_t behaviour);

struct party {
  std::int32_t state = party_state_free;
  std::int32_t id = -1;
  ruv_string name;
  std::uint8_t custom_name = 0;
  ruv_string identifier;
  vec3 position;
  float move_direction[2] = {1.0f, 0.0f};
  float heading_bias[2] = {0.1f, 0.0f};
  float heading = 0.0f;
  float radius = 0.15f;
  float visibility = -1000.0f;
  std::int32_t label_colour_mode = 0;
  std::int32_t faction = -1;
  std::uint32_t personality = 0;
  float bait_value = 0.0f;
  float morale = 0.5f;
  float hunger = 0.0f;
  // Kept after the hunger; a troop's own party takes it with the player's
  // hunger.
  float speed_float = 0.0f;
  std::int32_t map_event = -1;
  std::int32_t template_index = -1;
  std::int32_t template_word = 0;
  std::int32_t second_icon = 0;
  float icon_float = 1.0f;
  std::uint32_t flags = 0;
  std::uint32_t flags2 = 0;
  // Never shorter than 32 entries; the first stack_count are in use.
  std::vector<troop_stack> stacks;
  std::int32_t stack_count = 0;
  float base_speed = 0.0f;
  float speed_multiplier = 1.0f;
  std::uint8_t changed = 1;
  std::uint8_t label_dirty = 1;
  std::vector<std::int32_t> attached_parties;
  std::int32_t attached_to = -1;
  std::uint8_t joined = 0;
  timer ai_timer;
  float ai_interval = 0.0f;
  std::int32_t scripted_behaviour = 0;
  std::int32_t scripted_target = 0;
  float scripted_position[2] = {0.0f, 0.0f};
  float home_pull = 10.0f;
  timer wander_timer;
  timer sound_timer;
  std::int32_t current_behaviour = 0;
  std::int32_t current_target = 0;
  std::int32_t behaviour_word = 0;
  float current_position_target[2] = {0.0f, 0.0f};
  float wander_offset[2] = {0.0f, 0.0f};
  float steering_interval = 0.0f;
  timer steering_timer;
  timer path_timer;
  float ai_score_factor = 1.0f;
  std::int32_t terrain = 0;
  std::int32_t movement_mode = 0;
  timer spawn_timer;
  // The party's strategic entity on the world map, owned by the map; null
  // when it has none.
  party_map_entity* map_entity = nullptr;
  float next_track_distance = 0.0f;
  ruv_string text;
  timer attack_delay_timer;
  // Module code's slots, notes and tableau material on the party.
  script_record_data script_data;
  // A value module code keeps on the party for the AI.
  float behaviour_value = 0.0f;
  // Ids of the particle systems the world map attached to the party's entity
  // for module code.
  std::vector<std::int32_t> particle_systems;

  // --- travel on the world map ------------------------------------------------------
  // The map face under the position (-1 before the party is placed).
  std::int32_t map_face = -1;
  // The point the party walks straight towards now.
  float waypoint[2] = {0.0f, 0.0f};
  // Movement targets: a point and its face (mode 1), a party (modes 2, 3).
  float target_point[2] = {0.0f, 0.0f};
  std::int32_t target_face = -1;
  std::int32_t target_party = -1;
  // Where the accompanied party stood when its path was planned.
  float last_known_target[2] = {0.0f, 0.0f};
  vec3 last_track_position;
  float repath_patience = 5.0f;
  // The path: the faces after the party's own, with the point where the way
  // enters each (x, y pairs), and the index of the next one.
  std::vector<std::int32_t> path_faces;
  std::vector<float> path_points;
  std::int32_t path_index = 0;
  std::uint8_t path_valid = 0;
  std::uint8_t replan = 0;
  std::uint8_t blocked = 0;
  std::int32_t path_goal_face = -1;
  float path_goal[2] = {0.0f, 0.0f};
  // Set by the mover when the party moved in its last step.
  std::uint8_t moving = 0;

  // Builds the timers on their clocks (the spawn timer one second in the past)
  // and resets.
  party();

  // Clears movement, AI and display state and the stacks, and draws the random
  // track distance and wander offset.
  void reset();

  bool is_active() const { return state == party_state_active; }
  void mark_changed() {
    changed = 1;
    label_dirty = 1;
  }

  // --- stacks -----------------------------------------------------------------------
  // Member troops, and the stacks that hold them: the stacks before the first
  // prisoner stack.
  std::int32_t count_members() const;
  std::int32_t count_member_stacks() const;
  std::int32_t count_prisoners() const;
  // Stacks from the first prisoner stack to the end.
  std::int32_t count_prisoner_stacks() const;
  // Troops of a troop in the stacks with that prisoner state.
  std::int32_t count_troop(int troop, bool prisoners) const;
  std::int32_t count_stack_members_of_kind(const campaign_state& game, int stack, int kind_mask) const;
  std::int32_t count_members_of_kind(const campaign_state& game, int kind_mask) const;
  // The stack in which the n-th counted troop (from 0) stands, -1 past the end.
  int find_stack_of_member(const campaign_state& game, int n, int kind_mask) const;
  // The stack to take this troop with this prisoner bit: the last stack that
  // has both, else the stack count for a new stack; -1 when the party is full
  // (512 stacks, or no room under the limits when flag 0x100000 is set and
  // limits are checked).
  int find_stack_for_troop(const campaign_state& game, int troop, std::uint32_t stack_flags, bool check_limits) const;
  // Adds troops to the troop's stack or a new one; a new member stack goes in
  // front of the prisoner stacks. The stack's final index, 0 for a count of 0,
  // -1 when the party is full.
  int add_troop_stack(const campaign_state& game, int troop, int count, std::uint32_t stack_flags, int wounded,
                      bool ignore_limits);
  // Moves a member stack forward past the prisoner stacks before it; returns
  // its final index.
  int move_stack_before_prisoners(int stack);
  // Takes a stack out; with the player's seed table, the seed entries of the
  // later stacks move down with them.
  troop_stack remove_stack(int stack, member_seed_table* seeds = nullptr);
  // Removes n troops; true when the stack was emptied and removed.
  bool remove_troops_from_stack(int stack, int n, member_seed_table* seeds, bool take_wounded_first);
  // Grows or shrinks the stack vector to max(n, 32) entries.
  void reserve_stacks(int n);
  void set_stack_count(int n);
  bool clamp_stack_counts(const campaign_state& game);
  void reset_stack_mission_counters();
  // Adds troops keeping at most 32 member and 32 prisoner stacks; a hero may
  // take the place of the kind's last regular stack. The stack's index, -1
  // when nothing was added.
  int add_troops(campaign_state& game, int troop, int n, std::uint32_t stack_flags);

  // --- limits, skills, experience -------------------------------------------------
  int get_companion_limit(const campaign_state& game) const;
  int get_prisoner_limit(const campaign_state& game) const;
  int get_skill_level(const campaign_state& game, int skill) const;
  void add_xp_to_stack(campaign_state& game, int stack, int experience);
  // 0.4 + 0.02 per troop (3 per hero stack or mounted troop), 0 to 1; 1 for a
  // side of a map event.
  float get_visibility_factor(const campaign_state& game) const;
};

// The experience a stack must pool before one troop of the level is ready to
// upgrade.
int upgrade_threshold(int level);

}  // namespace hm
