#pragma once
// Map icons (map_icons.txt): the figures that stand for parties on the world
// map, with their own simple triggers.
#include <cstdint>
#include <vector>

#include "engine/core/ruv_string.h"
#include "script/triggers.h"

namespace hm {

class text_reader;

struct map_icon {
  ruv_string id;
  std::int32_t flags = 0;
  ruv_string mesh_name;
  float scale = 0.0f;
  std::int32_t sound_id = 0;
  float offset_x = 0.0f;
  float offset_y = 0.0f;
  float offset_z = 0.0f;
  simple_trigger_list triggers;  // on the mission clock
};

extern std::vector<map_icon> g_map_icons;

// One icon: id, flags, mesh name, scale, sound, the three offsets, then its
// simple triggers ("Map icon <id>"), all moved to clock 2.
void load_map_icons(map_icon& icon, text_reader& reader);

// The header of map_icons.txt: its first word, lower-cased, must be
// "map_icons_file" (fatal "Invalid Map Icons File!"); the second word and the
// version are dropped.
void read_map_icons_header(text_reader& reader);

}  // namespace hm
