#pragma once
// Mission templates (mission_templates.txt): how a mission is set up (which
// troops spawn at which entry points) and the triggers that run during it.
#include <cstdint>
#include <vector>

#include "engine/core/ruv_string.h"
#include "script/triggers.h"

namespace hm {

class text_reader;

inline constexpr int max_item_overrides = 8;
// A scene has entry points 0 .. 63.
inline constexpr int max_entry_point = 63;

struct spawn_record {
  std::int32_t entry_point = 0;  // held to 0 .. 63
  std::int32_t spawn_flags = 0;
  std::int32_t flags2 = 0;
  std::int32_t ai_flags = 0;
  std::int32_t troop_count = 0;
  std::int32_t item_override_count = 0;  // at most 8
  std::int32_t item_overrides[max_item_overrides] = {};
  // Run-time counts of a mission: agents still to spawn from this record
  // (signed) and agents spawned so far. Not read from the file.
  std::int32_t pending = 0;
  std::int32_t spawned = 0;
};

struct mission_template {
  ruv_string id;
  ruv_string name;
  std::int32_t flags = 0;
  ruv_string description;  // underscores read as blanks
  std::vector<spawn_record> spawn_records;
  std::int32_t mission_type = 0;
  trigger_list triggers;  // on the mission clock
  std::int32_t index = -1;

  int spawn_record_count() const { return static_cast<int>(spawn_records.size()); }
};

extern std::vector<mission_template> g_mission_templates;

// One spawn record: entry point (held to 0 .. 63), spawn flags, second flags,
// AI flags, troop count, item-override count (above 8 is fatal "Too many item
// overrides: %d (max: %d)") and the overrides.
void read_spawn_record(spawn_record& record, text_reader& reader);

// One template: id, name, flags, mission type, description, spawn records,
// then its triggers ("Mission Template <id>"), all moved to clock 2.
void load_mission_templates(mission_template& record, text_reader& reader);

}  // namespace hm
