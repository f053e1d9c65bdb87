#pragma once
// The world records of a module that are not troops: skills (skills.txt, one
// global table of 42 slots), factions, scenes and quests (tables of the game
// object). Each record has its constructor defaults and a reader that takes the
// tokens of one record in file order.
#include <array>
#include <cstdint>
#include <vector>

#include "engine/core/ruv_string.h"
#include "script/record_data.h"

namespace hm {

class text_reader;

inline constexpr int skill_count = 42;
inline constexpr std::uint32_t skill_flag_inactive = 0x100;
// Skills the engine gives a role.
inline constexpr int skill_inventory_management = 12;
inline constexpr int skill_horse_archery = 23;
inline constexpr int skill_riding = 24;
inline constexpr int skill_shield = 26;
inline constexpr int skill_power_draw = 33;
inline constexpr int skill_power_throw = 34;
inline constexpr int skill_ironflesh = 36;

struct skill {
  ruv_string description;  // underscores read as blanks
  ruv_string name;         // underscores read as blanks
  ruv_string id;
  std::int32_t spare_word = 0;
  std::int32_t max_level = 0;
  // The copy of the maximum that save games carry.
  std::int32_t saved_max_level = 0;
  std::int32_t spare_word_2 = 0;
  std::uint32_t flags = 0;

  // id, name, flags, maximum level, description; the saved maximum follows
  // the maximum.
  void read(text_reader& reader);
};

// The global skill table; it outlives games and every world load overwrites it.
extern std::array<skill, skill_count> g_skills;

// skills.txt (no header): the count, then the smaller of the count and 42
// records into slots 0, 1, ...; every slot after the last one read becomes
// inactive with maximum level 0 (its texts are kept).
void load_skills(std::array<skill, skill_count>& table, text_reader& reader);

inline constexpr int max_factions = 128;

struct faction {
  ruv_string name;  // underscores read as blanks
  // Set when a script renames the faction: its name is then not translated.
  std::uint8_t name_override = 0;
  ruv_string id;
  std::uint32_t flags = 0;
  std::uint32_t colour = 0;  // 0xAARRGGBB, alpha always 0xFF once read
  // Relation towards each faction, in faction order.
  std::array<float, max_factions> relations{};
  std::int32_t spare_word = 0;
  std::vector<ruv_string> extra_names;
  float lower_bound = -1.0f;
  // (100 - bits 8..15 of the flags) / 100 once read.
  float upper_bound = 1.0f;
  std::array<ruv_string, 8> run_time_strings;
  std::int32_t run_time_word = -1;
  // Module code's slots, notes and tableau material.
  script_record_data script_data;

  // id, name, flags, colour, one relation per faction of the file, the
  // extra-name count (negative is a broken file) and the extra names.
  void read(text_reader& reader, int faction_count);
};

inline constexpr int max_scene_passages = 16;
inline constexpr int max_scene_chest_troops = 16;
inline constexpr int scene_entry_words = 64;

struct scene {
  virtual ~scene() = default;

  ruv_string id;
  ruv_string name;
  std::uint32_t flags = 0;
  ruv_string mesh_name;
  ruv_string body_name;
  float min_x = 0.0f;
  float min_y = 0.0f;
  float max_x = 0.0f;
  float max_y = 0.0f;
  float water_level = 0.0f;
  // The terrain code in its text form.
  ruv_string terrain_code;
  std::uint8_t spare_byte = 0;
  std::array<std::int32_t, max_scene_passages> passages{};
  std::int32_t passage_count = 0;
  std::array<std::int32_t, max_scene_chest_troops> chest_troops{};
  std::int32_t chest_troop_count = 0;
  // Run-time words reset before every read: first words -1, the others 0.
  std::array<std::int32_t, scene_entry_words * 2> entry_pairs{};
  std::array<std::int32_t, scene_entry_words> entry_words{};
  // The scene's two serialised blobs (scene objects, navigation mesh).
  std::vector<std::uint8_t> object_data;
  std::vector<std::uint8_t> navigation_data;
  ruv_string outer_terrain;
  // Module code's slots.
  script_record_data script_data;

  scene();
  // id, name, flags, mesh, body, the bounds and water level, the terrain code,
  // the passages (more than 16 is fatal "Number of passages for site %s
  // exceeds %d."), the chest troops (only the first 16 kept), the outer
  // terrain. Every scene starts with an empty navigation mesh.
  void read(text_reader& reader);
  void reset_entry_words();
};

struct quest {
  // Defined out of line, so a record made in a table (emplace_back) starts
  // from its members' initializers without first zero-filling the whole record.
  quest();

  ruv_string name;  // underscores read as blanks
  ruv_string text;  // underscores read as blanks
  // What module code says of the quest's giver.
  ruv_string giver_text;
  // The translations of id + "_text" and id, else the quest's own texts.
  ruv_string translated_text;
  ruv_string translated_name;
  std::uint32_t flags = 0;  // bit 1: the quest can be given again
  ruv_string id;
  // 0x100 started, 0x200 completed, 0x400 succeeded, 0x800 failed, 0x1000
  // concluded; the low byte is a value module code keeps.
  std::uint32_t status = 0;
  std::array<ruv_string, 8> run_time_strings;
  std::int32_t giver_troop = -1;
  // Campaign seconds when the quest was given; -1 before.
  float start_time = -1.0f;
  std::int32_t run_time_word = 0;
  // Module code's slots, notes and tableau material.
  script_record_data script_data;

  // id, name, flags, text; then the translated texts.
  void read(text_reader& reader);
};

// The current language's text of a key; false when it has none.
bool find_world_translation(const ruv_string& key, ruv_string& out);

}  // namespace hm
