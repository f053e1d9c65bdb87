#include "module/module_script_host.h"

#include "module/game.h"

#include "engine/audio/sound_manager.h"
#include "module/action_table.h"
#include "module/game_menu.h"
#include "module/item_kind.h"
#include "module/map_icon.h"
#include "module/mission_template.h"
#include "module/module_mesh.h"
#include "module/music_player.h"
#include "module/particle_system.h"
#include "module/party_template.h"
#include "module/presentation_table.h"
#include "module/scene_prop.h"
#include "module/script_table.h"
#include "module/string_table.h"
#include "module/translation_table.h"

namespace hm {

module_script_host g_module_script_host;

namespace {

template <class List>
int size_of(const List& list) {
  return static_cast<int>(list.size());
}

template <class List>
bool in_list(const List& list, int index) {
  return index >= 0 && index < size_of(list);
}

}  // namespace

int module_script_host::script_count() const { return g_script_table.count(); }
statement_block* module_script_host::script_block(int script) {
  if (!in_list(g_script_table.scripts, script)) return nullptr;
  return &g_script_table.scripts[static_cast<std::size_t>(script)].block;
}
int module_script_host::presentation_count() const { return g_presentation_table.count(); }
int module_script_host::module_string_count() const { return g_string_table.module_string_count(); }
int module_script_host::quick_string_count() const { return g_string_table.quick_string_count(); }
int module_script_host::mesh_count() const { return g_module_meshes.count(); }
int module_script_host::menu_count() const { return size_of(g_game_menus); }
int module_script_host::item_kind_count() const { return size_of(g_item_kinds); }
int module_script_host::mission_template_count() const { return size_of(g_mission_templates); }
int module_script_host::party_template_count() const { return size_of(g_party_templates); }
int module_script_host::map_icon_count() const { return size_of(g_map_icons); }
int module_script_host::particle_system_count() const { return g_particle_systems.count(); }
int module_script_host::scene_prop_kind_count() const { return size_of(g_scene_prop_kinds); }
int module_script_host::sound_count() const { return g_sound_manager.sound_count(); }
int module_script_host::music_track_count() const { return g_music_tracks.track_count(); }
int module_script_host::animation_count() const { return g_action_table.count(); }

ruv_string module_script_host::script_name(int script) const {
  if (!in_list(g_script_table.scripts, script)) return {};
  return g_script_table.scripts[static_cast<std::size_t>(script)].name;
}

namespace {
const module_string* string_at(const std::vector<module_string>& list, int index) {
  return in_list(list, index) ? &list[static_cast<std::size_t>(index)] : nullptr;
}
}  // namespace

ruv_string module_script_host::module_string_text(int index) const {
  const module_string* s = string_at(g_string_table.module_strings, index);
  return s ? s->text : ruv_string();
}
ruv_string module_script_host::module_string_key(int index) const {
  const module_string* s = string_at(g_string_table.module_strings, index);
  return s ? s->id : ruv_string();
}
ruv_string module_script_host::quick_string_text(int index) const {
  const module_string* s = string_at(g_string_table.quick_strings, index);
  return s ? s->text : ruv_string();
}
ruv_string module_script_host::quick_string_key(int index) const {
  const module_string* s = string_at(g_string_table.quick_strings, index);
  return s ? s->id : ruv_string();
}

bool module_script_host::find_translation(std::string_view key, ruv_string& out) const {
  const ruv_string* text = g_translation_table.find_translation(key);
  if (!text) return false;
  out = *text;
  return true;
}

script_record_data* module_script_host::record_data(script_record_kind kind, int id) {
  switch (kind) {
    case script_record_kind::party_template:
      return in_list(g_party_templates, id) ? &g_party_templates[static_cast<std::size_t>(id)].script_data : nullptr;
    case script_record_kind::item_kind:
      return in_list(g_item_kinds, id) ? &g_item_kinds[static_cast<std::size_t>(id)].script_data : nullptr;
    default:
      return nullptr;
  }
}

void install_module_script_host() {
  script_host host = current_script_host();
  host.module = &g_module_script_host;
  set_script_host(host);
}

namespace {

const troop* game_troop(int index) { return g_game ? g_game->find_troop(index) : nullptr; }

bool in_world_range(int index, int count) { return index >= 0 && index < count; }

}  // namespace

int module_script_host::troop_count() const { return g_game ? g_game->troop_count() : 0; }
int module_script_host::faction_count() const { return g_game ? g_game->faction_count() : 0; }
int module_script_host::quest_count() const { return g_game ? g_game->quest_count() : 0; }
int module_script_host::scene_count() const { return g_game ? g_game->scene_count() : 0; }

std::uint64_t module_script_host::troop_flags(int troop) const {
  const hm::troop* t = game_troop(troop);
  return t ? t->flags : 0;
}

int module_script_host::troop_level(int troop) const {
  const hm::troop* t = game_troop(troop);
  return t ? t->level : 0;
}

int module_script_host::troop_placement(int troop) const {
  const hm::troop* t = game_troop(troop);
  return t ? t->scene_placement : -1;
}

int module_script_host::troop_inventory_slot_count(int troop) const {
  const hm::troop* t = game_troop(troop);
  return t ? troop_equipment_slots + t->get_inventory_capacity() : 0;
}

int module_script_host::troop_inventory_item(int troop, int slot) const {
  const hm::troop* t = game_troop(troop);
  if (!t || slot < 0) return -1;
  if (slot < troop_equipment_slots) return t->equipment[static_cast<std::size_t>(slot)].kind;
  const int index = slot - troop_equipment_slots;
  if (index >= troop_inventory_size) return -1;
  return t->inventory[static_cast<std::size_t>(index)].kind;
}

std::uint32_t module_script_host::quest_status(int quest) const {
  if (!g_game || !in_world_range(quest, g_game->quest_count())) return 0;
  return g_game->quests[static_cast<std::size_t>(quest)].flags;
}

float module_script_host::faction_relation(int faction_a, int faction_b) const {
  if (!g_game || !in_world_range(faction_a, g_game->faction_count()) ||
      !in_world_range(faction_b, g_game->faction_count()))
    return 0.0f;
  return g_game->factions[static_cast<std::size_t>(faction_a)].relations[static_cast<std::size_t>(faction_b)];
}

}  // namespace hm
