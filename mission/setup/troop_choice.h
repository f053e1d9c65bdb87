#pragma once
// Which troop a spawn record brings next: the player's troop, or a troop
// drawn from a party of the player's side or the enemy's, walking the
// party's stacks under the record's hero and class filters.
#include <cstdint>
#include <vector>

namespace hm {

class mission;
struct campaign_state;

// Spawn flags the troop choice reads beyond the counting ones.
namespace spawn_filter {
inline constexpr std::uint32_t no_hero_in_first_stack = 0x100;
inline constexpr std::uint32_t heroes_only_first_stack = 0x200;
inline constexpr std::uint32_t heroes_only = 0x400;
inline constexpr std::uint32_t prefer_mixed = 0x10000;
inline constexpr std::uint32_t prefer_foot = 0x20000;
inline constexpr std::uint32_t prefer_mounted = 0x40000;
inline constexpr std::uint32_t reverse_stacks = 0x1000000;
}  // namespace spawn_filter

inline constexpr std::uint64_t troop_flag_keep_face = 0x1000;
inline constexpr std::uint64_t troop_flag_mounted_only = 0x1000000;
inline constexpr std::uint64_t troop_flag_foot_only = 0x4000000;
// Item-override flag that lets mounted-only troops fight on foot.
inline constexpr std::uint32_t override_mounted_on_foot = 0x100;

struct spawn_choice {
  std::int32_t party = -1;
  std::int32_t stack = -1;
  std::int32_t troop = -1;
  std::int32_t team = -1;
  std::int32_t equipment_mode = -1;
  std::int32_t face_seed = -1;
};

// Troops already placed in the running mission, one mark per troop.
struct placed_troops {
  std::vector<std::uint8_t> marks;

  bool is_placed(int troop) const {
    return troop >= 0 && troop < static_cast<int>(marks.size()) && marks[static_cast<std::size_t>(troop)] != 0;
  }
  void place(int troop) {
    if (troop < 0) return;
    if (troop >= static_cast<int>(marks.size())) marks.resize(static_cast<std::size_t>(troop) + 1, 0);
    marks[static_cast<std::size_t>(troop)] = 1;
  }
  void clear() { marks.clear(); }
};

// The next troop of record `record` of the current template; troop -1 when
// none is left (the record's blocked byte then stays set). An empty side
// list gives no party.
spawn_choice choose_spawn_troop(mission& m, campaign_state& game, placed_troops& placed, int record);

}  // namespace hm
