#pragma once
// Spawning: how many agents a spawn record of the mission template gives, the
// waves that bring the pending agents in (one agent per record per pass, so
// records interleave), and where at an entry point the next agent stands
// (rows of sixteen, each new row half a step aside and 0.7 behind).
#include <cstdint>
#include <functional>

namespace hm {

class mission;
struct mission_template;

// Spawn flags of a spawn record.
namespace spawn_flag {
inline constexpr std::uint32_t enemy_parties = 0x1;
inline constexpr std::uint32_t friendly_parties = 0x2;
inline constexpr std::uint32_t player_or_stationed = 0x4;
inline constexpr std::uint32_t exactly_one = 0x8;
inline constexpr std::uint32_t scene_troops = 0x10;
inline constexpr std::uint32_t attackers = 0x40;
inline constexpr std::uint32_t defenders = 0x80;
inline constexpr std::uint32_t count_as_given = 0x2000000;
}  // namespace spawn_flag

// In a record's count word: the count varies at random by 0.6 .. 1.4.
inline constexpr std::uint32_t spawn_count_random = 0x20000000;
inline constexpr std::uint32_t spawn_count_mask = 0x0FFFFFFF;
// Agents of one entry point stand in rows of this many.
inline constexpr int spawn_row_length = 16;
inline constexpr int max_reinforcement_passes = 100;

// clamp((strength + 15) / 15, 0.2, 2.5) x (battle size x 2.5 + 0.833333),
// with the battle size option in 0..1.
float battle_size_spawn_factor(int strength, float battle_size_option);

// The current template of the mission; null when its index is out of range.
mission_template* current_mission_template(mission& m);

// Whether a spawn record with these flags fights against the player's side
// under the mission's battle mode and side value (for the count's scaling).
bool spawn_record_is_enemy_side(const mission& m, std::uint32_t spawn_flags);

// The number of agents record `record` of the current template gives for a
// count word, added to its pending count; its blocked byte is cleared. A count
// of 0 gives no agent and changes nothing, whatever the flags.
// `scene_troop_count` is the scene's count for the record (flag 0x10).
int count_spawn_group_agents(mission& m, int record, std::uint32_t count_word, float battle_size_option,
                             int scene_troop_count = 0);

// Spawns one agent of a record at its entry point; false when no troop is
// left for it.
using spawn_at_entry_point_fn = std::function<bool(mission&, int record)>;

// Passes over the records (at most 100): each record with agents pending and
// not blocked spawns one; a pass that spawns nothing ends the check.
void check_reinforcements(mission& m, const spawn_at_entry_point_fn& spawn_at_entry_point);

// Moves entry point `entry`'s spawn frame to where the next agent stands:
// one unit along the frame's first axis, or a new row after sixteen. Each
// candidate needs ground within 2.0 of the current height and a clear way
// there; up to 101 tries, random steps after the first, else it stays.
void advance_entry_spawn_position(mission& m, int entry);
// Spawning at `entry` starts over at its own frame.
void reset_entry_spawn_position(mission& m, int entry);

}  // namespace hm
