#pragma once
// What an encounter of the player's party keeps between the world map, the
// game menus and the missions, and the scene that the scene-slot operations
// work on. Module code sets the side the player fights on, the next menu and a
// flag word; the state dispatcher reads them once it runs.
#include <array>
#include <cstdint>
#include <vector>

namespace hm {

// The encounter's state while a battle between two other parties is joined.
inline constexpr std::int32_t encounter_state_joined_battle = 4;
namespace encounter_flag {
inline constexpr std::uint32_t side_chosen_for_battle = 0x4;
inline constexpr std::uint32_t side_open = 0x10;
}  // namespace encounter_flag

struct encounter_record {
  std::int32_t state = 0;
  // The side module code chose (0 or 1), and the other one.
  std::int32_t side = 0;
  std::int32_t opposite_side = 0;
  std::uint32_t flags = 0;
  // The parties of the two sides (-1 none): side 1's is the first party.
  std::int32_t first_party = -1;
  std::int32_t second_party = -1;
  std::int32_t changed = 0;
  // What update_size_class leaves.
  std::int32_t size_class = 0;
  std::int32_t advantage = 0;

  // Sets the side s unless a joined battle has fixed it; when side s has a
  // party the encounter reopens towards it and its strength is recomputed
  // (the player's party, with the party of the other side, against side s's).
  void set_side(std::int32_t s);
};

// The one record through which the screens ask for the next screen: a
// request bit in request_mask and the parameters of what is to come. The
// encounter's two parties, side, advantage and flag word (values 4, 8, 16,
// 32 and 128) are the encounter record's; the state dispatcher of the
// application serves the requests.
// One weighted outcome of a meeting choice: the low 7 bits of the flag word
// are the base weight, bit 0x100 scales it up with the advantage and 0x200
// down; the party is the one the outcome releases.
struct meeting_outcome_entry {
  std::uint32_t flags = 0;
  std::int32_t party = -1;
};

// The outcomes of one kind of meeting choice.
struct meeting_outcome_record {
  std::int32_t party = -1;
  std::vector<meeting_outcome_entry> entries;
};

// Kinds 0 to 6 release their record's party at once; kinds 7 and up draw
// one of their entries by weight.
inline constexpr int meeting_outcome_kinds = 16;
inline constexpr int first_weighted_meeting_kind = 7;

struct meta_mission_words {
  encounter_record encounter;
  // The game menu that opens next, -1 for none.
  std::int32_t next_menu = -1;
  // Bit 0x1 set by module code.
  std::uint32_t flags = 0;

  // The map event of the encounter (-1 none) and the party of a requested
  // troop conversation.
  std::int32_t encounter_event = -1;
  std::int32_t other_party = -1;
  // 3 and 4 turn on the advantage of a result; 3 also ends the event's battle.
  std::int32_t mission_kind = 0;
  std::int32_t result_set = 0;
  std::uint8_t encounter_finished = 0;
  std::uint8_t finish_posted = 0;
  std::int32_t scene_param = 0;
  // The mission type wanted, and the one last matched.
  std::int32_t mission_type = 0;
  std::int32_t chosen_type = 0;
  std::uint32_t request_mask = 0;
  // Set while an encounter's result waits to be applied.
  std::uint8_t apply_pending = 0;
  // The partner of a requested conversation.
  std::int32_t conversation_party = -1;
  std::int32_t conversation_troop = -1;
  // The template and two values of a mission requested from a menu.
  std::int32_t jump_template = -1;
  std::int32_t jump_value_1 = -1;
  std::int32_t jump_value_2 = -1;
  // Bit 1 ends the map event's battle when the result is applied.
  std::int32_t result_flags = 0;
  // The player party's ready-to-upgrade count when the encounter began.
  std::int32_t upgradable_before = 0;
  std::int32_t advantage_change = 0;
  // Copied into each mission set up, then incremented.
  std::int32_t mission_sequence = 0;
  std::int32_t reinforcements = 0;
  std::uint8_t second_side_joined = 0;
  // The meeting: the pair the player chose, the outcome entry drawn for it
  // (-1 none) and the outcome records by kind.
  std::int32_t chosen_kind = -1;
  std::int32_t chosen_value = 0;
  std::int32_t chosen_entry = -1;
  std::array<meeting_outcome_record, meeting_outcome_kinds> meeting_outcomes;
};

extern meta_mission_words g_meta_mission;

// The scene chosen for the scene-slot operations, -1 before any.
extern std::int32_t g_script_scene_index;

}  // namespace hm
