#include "module/records/world_records.h"

#include <algorithm>

#include "engine/core/log.h"
#include "engine/core/stream.h"
#include "module/base/module_text.h"
#include "module/text/translation_table.h"
#include "render/terrain/ai_mesh.h"

namespace hm {

quest::quest() = default;

std::array<skill, skill_count> g_skills;

bool find_world_translation(const ruv_string& key, ruv_string& out) {
  const ruv_string* text = g_translation_table.find_translation(key.view());
  if (!text) return false;
  out = *text;
  return true;
}

void skill::read(text_reader& reader) {
  reader.read_string(id);
  read_spaced_string(reader, name);
  std::int32_t value = 0;
  reader.read_int(value);
  flags = static_cast<std::uint32_t>(value);
  reader.read_int(max_level);
  read_spaced_string(reader, description);
  saved_max_level = max_level;
}

void load_skills(std::array<skill, skill_count>& table, text_reader& reader) {
  const std::int32_t count = read_record_count(reader, "skills");
  const int read_count = std::min<std::int32_t>(count, skill_count);
  for (int i = 0; i < read_count; ++i) table[static_cast<std::size_t>(i)].read(reader);
  for (int i = read_count; i < skill_count; ++i) {
    skill& s = table[static_cast<std::size_t>(i)];
    s.max_level = 0;
    s.saved_max_level = 0;
    s.flags = skill_flag_inactive;
  }
}

void faction::read(text_reader& reader, int faction_count) {
  reader.read_string(id);
  read_spaced_string(reader, name);
  std::int32_t value = 0;
  reader.read_int(value);
  flags = static_cast<std::uint32_t>(value);
  reader.read_u32(colour);
  colour |= 0xFF000000u;
  upper_bound = static_cast<float>(100 - static_cast<int>((flags >> 8) & 0xFF)) * 0.01f;
  // The table holds at most 128 factions; the loader refuses more.
  for (int i = 0; i < faction_count; ++i) {
    float relation = 0.0f;
    reader.read_float(relation);
    if (i < max_factions) relations[static_cast<std::size_t>(i)] = relation;
  }
  const std::int32_t extra = read_record_count(reader, "extra names", id.c_str());
  if (extra != 0) {
    extra_names.reserve(extra_names.size() + static_cast<std::size_t>(std::min(extra, 64)));
    for (std::int32_t i = 0; i < extra; ++i) {
      ruv_string extra_name;
      reader.read_string(extra_name);
      extra_names.push_back(std::move(extra_name));
    }
  }
}

scene::scene() { reset_entry_words(); }

void scene::reset_entry_words() {
  for (int i = 0; i < scene_entry_words; ++i) {
    entry_pairs[static_cast<std::size_t>(2 * i)] = -1;
    entry_pairs[static_cast<std::size_t>(2 * i + 1)] = 0;
    entry_words[static_cast<std::size_t>(i)] = 0;
  }
}

void scene::read(text_reader& reader) {
  reset_entry_words();
  reader.read_string(id);
  reader.read_string(name);
  std::int32_t value = 0;
  reader.read_int(value);
  flags = static_cast<std::uint32_t>(value);
  reader.read_string(mesh_name);
  reader.read_string(body_name);
  reader.read_float(min_x);
  reader.read_float(min_y);
  reader.read_float(max_x);
  reader.read_float(max_y);
  reader.read_float(water_level);
  reader.read_string(terrain_code);
  passage_count = read_record_count(reader, "passages", id.c_str());
  if (passage_count > max_scene_passages) {
    ruv_error("Number of passages for site %s exceeds %d.", id.c_str(), max_scene_passages);
  }
  for (int i = 0; i < passage_count; ++i) reader.read_int(passages[static_cast<std::size_t>(i)]);
  const std::int32_t chests = read_record_count(reader, "chest troops", id.c_str());
  chest_troop_count = std::min(chests, max_scene_chest_troops);
  for (std::int32_t i = 0; i < chests; ++i) {
    std::int32_t troop = 0;
    reader.read_int(troop);
    if (i < max_scene_chest_troops) chest_troops[static_cast<std::size_t>(i)] = troop;
  }
  reader.read_string(outer_terrain);
  // An empty navigation mesh in its stored form: the scene editor and the
  // mission set-up replace it with the scene's own.
  binary_writer empty_mesh;
  ai_mesh().write(empty_mesh);
  const std::string_view bytes = empty_mesh.contents();
  navigation_data.assign(bytes.begin(), bytes.end());
}

void quest::read(text_reader& reader) {
  reader.read_string(id);
  reader.read_string(name);
  std::int32_t value = 0;
  reader.read_int(value);
  flags = static_cast<std::uint32_t>(value);
  reader.read_string(text);
  name.underscores_to_spaces();
  text.underscores_to_spaces();
  ruv_string key = id;
  key.append(ruv_string("_text"));
  if (!find_world_translation(key, translated_text)) translated_text = text;
  if (!find_world_translation(id, translated_name)) translated_name = name;
}

}  // namespace hm
