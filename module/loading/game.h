#pragma once
// The game object: the world of one running game. It is made when a game is
// started or loaded, filled from the module's world files
// (load_module_world_data) and, for a new game, from parties.txt
// (load_parties), and destroyed when the game ends.
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/core/ruv_string.h"
#include "module/troops/troop.h"
#include "module/records/world_records.h"
#include "script/triggers.h"

namespace hm {

class game_party_pool;

inline constexpr int game_member_seed_count = 32 * 32;

// Four samples of four values at four corner points of the world map; a
// position's value is blended from them by inverse distance.
struct corner_lighting {
  std::array<std::array<float, 4>, 4> samples{};
  std::array<std::array<float, 2>, 4> points{};
};

// The constants every world load stores.
corner_lighting default_corner_lighting();

class game {
 public:
  game();
  ~game();
  game(const game&) = delete;
  game& operator=(const game&) = delete;

  // --- world tables (load_module_world_data) ---
  std::vector<troop> troops;
  std::vector<faction> factions;
  // Scenes are deleted through their virtual destructor.
  std::vector<std::unique_ptr<scene>> scenes;
  std::vector<quest> quests;
  trigger_list triggers;                // on the campaign clock
  simple_trigger_list simple_triggers;  // on the campaign clock
  // Set once the world tables hold a module's world.
  bool world_loaded = false;
  corner_lighting corners;

  // --- new game state (load_parties) ---
  std::int32_t player_troop = 0;
  std::int32_t player_party = 0;
  // The five party ids of the encounter and the one after them; -1 for none.
  std::array<std::int32_t, 5> encounter_parties{-1, -1, -1, -1, -1};
  std::int32_t encounter_extra_party = -1;
  std::int32_t encounter_counter = 0;
  std::int64_t start_time_stamp = 0;
  std::int64_t clock_time_stamp = 0;
  std::int32_t random_seed = 0;
  std::array<std::int32_t, game_member_seed_count> member_seeds{};
  ruv_string start_text;

  // The quality of merchants' goods: modifiers whose price factor lies near it
  // are drawn more often (1.0 plain goods).
  float merchandise_quality = 1.0f;
  // Set once the module's game_start script has run for this campaign.
  bool game_start_done = false;
  // Whether the player is told of money and items gained and lost.
  bool money_and_item_messages = true;
  // The inventory's trade tutorial is shown once a game.
  bool inventory_tutorial_shown = false;
  // The saving policy the player chose when making the character: 0 saves
  // only on leaving and by autosave, 1 saves at will.
  std::int32_t save_mode = 0;

  // The parties of the world map; null until the campaign binds its pool.
  game_party_pool* parties = nullptr;

  int troop_count() const { return static_cast<int>(troops.size()); }
  int faction_count() const { return static_cast<int>(factions.size()); }
  int scene_count() const { return static_cast<int>(scenes.size()); }
  int quest_count() const { return static_cast<int>(quests.size()); }
  // Null for an index outside the table.
  troop* find_troop(int index);
  const troop* find_troop(int index) const;

  // Releases the world tables (when loaded) and the trigger tables; every
  // table is left empty with a count of 0.
  void destroy();
  void free_world_tables();
};

// The running game; null while none is.
extern std::unique_ptr<game> g_game;

// Reads the module's world files into the game: factions.txt (at most 128,
// fatal "Too Many Factions: %d (Max should be %d)"), skills.txt into the global
// skill table, Data\skeleton_bodies.xml with the skeleton fix-up, troops.txt,
// scenes.txt, quests.txt, triggers.txt ("Game Triggers") and
// simple_triggers.txt ("Simple trigger") with room for the interval scripts;
// each module script whose check interval is not negative becomes a simple
// trigger calling it. Then the corner lighting constants. Every failure is
// fatal.
void load_module_world_data(game& g, int interval_script_count);
// factions.txt and scenes.txt after their headers: the count (more than 128
// factions is fatal "Too Many Factions"), then the records.
void read_factions(game& g, text_reader& reader);
void read_scenes(game& g, text_reader& reader);

// Auto-equips a troop of the running game by index (nothing for an index
// outside the table).
void auto_equip(game& g, int troop_index, bool require, bool forbid);

}  // namespace hm
