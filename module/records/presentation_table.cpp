#include "module/records/presentation_table.h"

#include "engine/core/stream.h"
#include "engine/core/timer.h"
#include "module/base/module_text.h"
#include "module/records/trigger_loaders.h"

namespace hm {

presentation_table g_presentation_table;

namespace {

void read_presentation(presentation_record& record, text_reader& reader) {
  reader.read_string(record.name);
  reader.read_int(record.flags);
  reader.read_int(record.background_mesh);
  load_simple_triggers(record.triggers, reader, format_name("Presentation %s", record.name.c_str()), 0);
  set_simple_trigger_clock(record.triggers, clock_mission);
}

}  // namespace

void load_presentations(presentation_table& table, text_reader& reader) {
  read_module_header(reader);
  load_record_table(reader, table.presentations, "presentations", read_presentation);
  map_presentation_codes(table);
}

void map_presentation_codes(presentation_table& table) {
  map_engine_codes(
      presentation_code_names, presentation_code_count, table.count(),
      [&](int i) -> const ruv_string& { return table.presentations[static_cast<std::size_t>(i)].name; }, table.codes,
      "WARNING: UNABLE TO MAP GAME PRESENTATION CODE: ");
}

}  // namespace hm
