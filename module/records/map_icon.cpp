#include "module/records/map_icon.h"

#include "engine/core/log.h"
#include "engine/core/stream.h"
#include "engine/core/timer.h"
#include "module/base/module_text.h"
#include "module/records/trigger_loaders.h"

namespace hm {

std::vector<map_icon> g_map_icons;

void load_map_icons(map_icon& icon, text_reader& reader) {
  reader.read_string(icon.id);
  reader.read_int(icon.flags);
  reader.read_string(icon.mesh_name);
  reader.read_float(icon.scale);
  reader.read_int(icon.sound_id);
  reader.read_float(icon.offset_x);
  reader.read_float(icon.offset_y);
  reader.read_float(icon.offset_z);
  load_simple_triggers(icon.triggers, reader, format_name("Map icon %s", icon.id.c_str()), 0);
  set_simple_trigger_clock(icon.triggers, clock_mission);
}

void read_map_icons_header(text_reader& reader) {
  ruv_string word;
  reader.read_string(word);
  word.to_lower();
  if (!word.equals_cstr("map_icons_file")) ruv_error("Invalid Map Icons File!");
  reader.read_string(word);
  std::int32_t version = 0;
  reader.read_int(version);
}

}  // namespace hm
