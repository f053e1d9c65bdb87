#include "module/records/mission_template.h"

#include <algorithm>

#include "engine/core/log.h"
#include "engine/core/stream.h"
#include "engine/core/timer.h"
#include "module/base/module_text.h"
#include "module/records/trigger_loaders.h"

namespace hm {

std::vector<mission_template> g_mission_templates;

void read_spawn_record(spawn_record& record, text_reader& reader) {
  reader.read_int(record.entry_point);
  // The entry-point table has 64 entries: 64 itself would be one past its end.
  record.entry_point = std::clamp(record.entry_point, 0, max_entry_point);
  reader.read_int(record.spawn_flags);
  reader.read_int(record.flags2);
  reader.read_int(record.ai_flags);
  reader.read_int(record.troop_count);
  reader.read_int(record.item_override_count);
  if (record.item_override_count > max_item_overrides) {
    ruv_error("Too many item overrides: %d (max: %d)", record.item_override_count, max_item_overrides);
  }
  if (record.item_override_count < 0) {
    ruv_error("Bad count %d of item overrides in a spawn record of file %s", record.item_override_count,
              reader.name.c_str());
  }
  for (int i = 0; i < record.item_override_count; ++i) reader.read_int(record.item_overrides[i]);
}

void load_mission_templates(mission_template& record, text_reader& reader) {
  reader.read_string(record.id);
  reader.read_string(record.name);
  reader.read_int(record.flags);
  reader.read_int(record.mission_type);
  reader.read_string(record.description);
  const std::int32_t count = read_record_count(reader, "spawn records", record.id.c_str());
  read_records(reader, record.spawn_records, count, read_spawn_record);
  load_triggers(record.triggers, reader, format_name("Mission Template %s", record.id.c_str()));
  set_trigger_clock(record.triggers, clock_mission);
  record.description.underscores_to_spaces();
}

}  // namespace hm
