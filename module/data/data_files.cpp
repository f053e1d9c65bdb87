#include "module/data/data_files.h"
#include "module/data/terrain_kinds.h"

#include <string>

#include "engine/core/log.h"
#include "engine/resource/resource_manager.h"
#include "engine/core/stream.h"
#include "module/base/module_paths.h"
#include "module/base/module_text.h"

namespace hm {

std::array<item_modifier, item_modifier_count> g_item_modifiers;
std::vector<flora_kind> g_flora_kinds;
std::array<ground_spec, ground_spec_count> g_ground_specs;
std::vector<skybox> g_skyboxes;
std::array<mission_type, mission_type_count> g_mission_types;

void read_item_modifiers(text_reader& reader, std::array<item_modifier, item_modifier_count>& table) {
  for (item_modifier& modifier : table) {
    reader.read_string(modifier.id);
    read_spaced_string(reader, modifier.name);
    reader.read_float(modifier.price_factor);
    reader.read_float(modifier.rarity);
  }
}

int find_flora_kind(const ruv_string& name) {
  for (std::size_t i = 0; i < g_flora_kinds.size(); ++i)
    if (g_flora_kinds[i].name.equals(name)) return static_cast<int>(i);
  return 0;
}

void read_flora_kinds(text_reader& reader, std::vector<flora_kind>& table) {
  load_record_table(reader, table, "flora kinds", [](flora_kind& kind, text_reader& r) { kind.read(r); });
}

void read_ground_specs(text_reader& reader, std::array<ground_spec, ground_spec_count>& table) {
  for (ground_spec& spec : table) {
    reader.read_string(spec.name);
    reader.read_int(spec.flags);
    reader.read_string(spec.material_name);
    spec.ground_material = g_resource_manager.get_material(spec.material_name);
    reader.read_float(spec.scale);
    reader.read_string(spec.detail_material_name);
    spec.detail_material = spec.detail_material_name.equals_cstr("none")
                               ? nullptr
                               : g_resource_manager.get_material(spec.detail_material_name);
  }
}

void read_skyboxes(text_reader& reader, std::vector<skybox>& table) {
  load_record_table(reader, table, "skyboxes", [](skybox& box, text_reader& r) {
    r.read_string(box.name);
    r.read_u32(box.flags);
    r.read_float(box.latitude);
    r.read_float(box.unused[0]);
    r.read_float(box.unused[1]);
    r.read_float(box.sun_color.x);
    r.read_float(box.sun_color.y);
    r.read_float(box.sun_color.z);
    float dropped = 0.0f;
    for (int i = 0; i < 3; ++i) r.read_float(dropped);
    for (float& c : box.ambient_color) r.read_float(c);
    r.read_u32(box.fog_color);
  });
}

void read_mission_types(text_reader& reader, std::array<mission_type, mission_type_count>& table) {
  for (mission_type& type : table) {
    read_spaced_string(reader, type.name);
    const std::int32_t count = read_record_count(reader, "entries", type.name.c_str());
    read_records(reader, type.entries, count, [](mission_type_entry& entry, text_reader& r) {
      r.read_int(entry.first);
      read_spaced_string(r, entry.text);
      r.read_int(entry.second);
    });
    reader.read_int(type.values[0]);
    reader.read_int(type.values[1]);
  }
}

namespace {

template <class Table>
void read_data_file(const char* path, Table& table, void (*read)(text_reader&, Table&)) {
  text_reader reader;
  open_text_file(reader, path);
  read(reader, table);
}

}  // namespace

void load_data_files() {
  read_data_file("Data\\item_modifiers.txt", g_item_modifiers, read_item_modifiers);
  read_data_file("Data\\flora_kinds.txt", g_flora_kinds, read_flora_kinds);
  read_data_file("data\\ground_specs.txt", g_ground_specs, read_ground_specs);
  read_data_file("data\\skyboxes.txt", g_skyboxes, read_skyboxes);
  read_data_file("Data\\mission_types.txt", g_mission_types, read_mission_types);
  hand_module_kinds_to_terrain_generator();
  load_actions();
}

}  // namespace hm
