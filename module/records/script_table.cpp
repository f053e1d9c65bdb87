#include "module/records/script_table.h"

#include "engine/core/stream.h"
#include "module/base/code_mapping.h"
#include "module/base/module_text.h"
#include "script/game_hooks.h"

namespace hm {

script_table g_script_table;

namespace {

void read_script(script& record, text_reader& reader) {
  reader.read_string(record.name);
  reader.read_float(record.check_interval);
  load_statement_block(record.block, reader);
  record.block.name = format_name("script: %s", record.name.c_str());
}

}  // namespace

void load_scripts(script_table& table, text_reader& reader) {
  read_module_header(reader);
  load_record_table(reader, table.scripts, "scripts", read_script);
  table.interval_script_count = 0;
  for (const script& s : table.scripts) {
    if (s.check_interval >= 0.0f) ++table.interval_script_count;
  }
  map_game_script_codes(table);
}

void map_game_script_codes(const script_table& table) {
  map_engine_codes([](int code) { return game_hook_script_name(static_cast<game_hook_code>(code)); }, game_hook_count,
                   table.count(),
                   [&](int i) -> const ruv_string& { return table.scripts[static_cast<std::size_t>(i)].name; },
                   g_hook_script_map, "WARNING: UNABLE TO MAP GAME SCRIPT CODE: ");
}

}  // namespace hm
