#pragma once
// The fixed-layout text files of the game's Data folder (item modifiers, flora
// kinds, ground specifications, skyboxes, mission types) and the module's
// actions.txt. None of the Data files has a header; three have a fixed record
// count instead of a count token.
#include <array>
#include <cstdint>
#include <vector>

#include "engine/core/math.h"
#include "engine/core/ruv_string.h"
#include "module/records/action_table.h"
#include "module/data/flora_kind.h"

namespace hm {

class material;
class text_reader;

inline constexpr int item_modifier_count = 43;
inline constexpr int ground_spec_count = 11;
inline constexpr int mission_type_count = 11;

struct item_modifier {
  ruv_string id;
  ruv_string name;  // underscores read as blanks
  float price_factor = 0.0f;
  float rarity = 0.0f;
};

struct ground_spec {
  ruv_string name;
  std::int32_t flags = 0;  // 0x2 soft ground
  ruv_string material_name;
  material* ground_material = nullptr;  // a missing material resolves to "default"
  float scale = 0.0f;
  ruv_string detail_material_name;
  material* detail_material = nullptr;  // null when the file says "none"
};

struct skybox {
  ruv_string name;
  std::uint32_t flags = 0;  // 0x10000000 weak sun
  float latitude = 0.0f;    // degrees
  float unused[2] = {};     // read and kept, not used
  vec3 sun_color;
  float ambient_color[4] = {};  // r, g, b, a
  std::uint32_t fog_color = 0;  // A8R8G8B8
};

struct mission_type_entry {
  std::int32_t first = 0;
  ruv_string text;  // underscores read as blanks
  std::int32_t second = 0;
};

struct mission_type {
  ruv_string name;  // underscores read as blanks
  std::vector<mission_type_entry> entries;
  std::int32_t values[2] = {};
};

// The tables. The fixed ones are overwritten in place by each load; the
// counted ones are rebuilt from their count.
extern std::array<item_modifier, item_modifier_count> g_item_modifiers;
extern std::vector<flora_kind> g_flora_kinds;
extern std::array<ground_spec, ground_spec_count> g_ground_specs;
extern std::vector<skybox> g_skyboxes;
extern std::array<mission_type, mission_type_count> g_mission_types;

// The index of the first flora kind named `name`, else 0 (the first kind).
int find_flora_kind(const ruv_string& name);

// One reader per file, each from an open reader positioned at its start.
// Exactly 43 (11) records are read; anything after them is ignored.
void read_item_modifiers(text_reader& reader, std::array<item_modifier, item_modifier_count>& table);
void read_flora_kinds(text_reader& reader, std::vector<flora_kind>& table);
void read_ground_specs(text_reader& reader, std::array<ground_spec, ground_spec_count>& table);
void read_skyboxes(text_reader& reader, std::vector<skybox>& table);
void read_mission_types(text_reader& reader, std::array<mission_type, mission_type_count>& table);

// Reads the five Data files into the global tables, in the order item
// modifiers, flora kinds, ground specs, skyboxes, mission types, hands the
// flora and ground kinds to the terrain generator, then runs load_actions. A file that cannot be opened is fatal "Unable to open %s".
void load_data_files();

}  // namespace hm
