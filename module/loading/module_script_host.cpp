#include "module/loading/module_script_host.h"

#include "module/loading/game.h"

#include <algorithm>

#include "engine/audio/sound_manager.h"
#include "engine/core/timer.h"
#include "module/base/module_settings.h"
#include "module/media/skin.h"
#include "module/troops/troop_equipment.h"
#include "script/game_hooks.h"
#include "script/script_state.h"
#include "module/records/action_table.h"
#include "module/records/game_menu.h"
#include "module/records/item_kind.h"
#include "module/records/map_icon.h"
#include "module/records/mission_template.h"
#include "module/records/module_mesh.h"
#include "module/media/music_player.h"
#include "module/records/particle_system.h"
#include "module/records/party_template.h"
#include "module/records/presentation_table.h"
#include "module/records/scene_prop.h"
#include "module/records/script_table.h"
#include "module/text/string_table.h"
#include "module/text/translation_table.h"

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
ruv_string module_script_host::mesh_name(int mesh) const {
  if (mesh < 0 || mesh >= g_module_meshes.count()) return {};
  return g_module_meshes.meshes[static_cast<std::size_t>(mesh)].mesh_name;
}
int module_script_host::menu_count() const { return size_of(g_game_menus); }
int module_script_host::item_kind_count() const { return size_of(g_item_kinds); }
int module_script_host::mission_template_count() const { return size_of(g_mission_templates); }

namespace {

spawn_record* find_spawn_record(int template_index, int record) {
  if (template_index < 0 || template_index >= size_of(g_mission_templates)) return nullptr;
  mission_template& t = g_mission_templates[static_cast<std::size_t>(template_index)];
  if (record < 0 || record >= t.spawn_record_count()) return nullptr;
  return &t.spawn_records[static_cast<std::size_t>(record)];
}

}  // namespace

int module_script_host::spawn_record_count(int template_index) const {
  if (template_index < 0 || template_index >= size_of(g_mission_templates)) return 0;
  return g_mission_templates[static_cast<std::size_t>(template_index)].spawn_record_count();
}

void module_script_host::set_spawn_record_flags(int template_index, int record, std::uint32_t flags) {
  if (spawn_record* r = find_spawn_record(template_index, record)) r->spawn_flags = static_cast<std::int32_t>(flags);
}

void module_script_host::clear_spawn_record_overrides(int template_index, int record) {
  if (spawn_record* r = find_spawn_record(template_index, record)) r->item_override_count = 0;
}

void module_script_host::add_spawn_record_override(int template_index, int record, std::int32_t item_kind) {
  spawn_record* r = find_spawn_record(template_index, record);
  if (r == nullptr || r->item_override_count < 0 || r->item_override_count >= max_item_overrides) return;
  r->item_overrides[r->item_override_count++] = item_kind;
}
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
      break;
  }
  if (!g_game) return nullptr;
  switch (kind) {
    case script_record_kind::troop:
      return in_list(g_game->troops, id) ? &g_game->troops[static_cast<std::size_t>(id)].script_data : nullptr;
    case script_record_kind::faction:
      return in_list(g_game->factions, id) ? &g_game->factions[static_cast<std::size_t>(id)].script_data : nullptr;
    case script_record_kind::scene:
      return in_list(g_game->scenes, id) ? &g_game->scenes[static_cast<std::size_t>(id)]->script_data : nullptr;
    case script_record_kind::quest:
      return in_list(g_game->quests, id) ? &g_game->quests[static_cast<std::size_t>(id)].script_data : nullptr;
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
  return g_game->quests[static_cast<std::size_t>(quest)].status;
}

float module_script_host::faction_relation(int faction_a, int faction_b) const {
  if (!g_game || !in_world_range(faction_a, g_game->faction_count()) ||
      !in_world_range(faction_b, g_game->faction_count()))
    return 0.0f;
  return g_game->factions[static_cast<std::size_t>(faction_a)].relations[static_cast<std::size_t>(faction_b)];
}

// --- troops ---------------------------------------------------------------------------

namespace {

troop* game_troop_rw(int index) { return g_game ? g_game->find_troop(index) : nullptr; }

faction* game_faction(int index) {
  return g_game && in_world_range(index, g_game->faction_count()) ? &g_game->factions[static_cast<std::size_t>(index)]
                                                                  : nullptr;
}

quest* game_quest(int index) {
  return g_game && in_world_range(index, g_game->quest_count()) ? &g_game->quests[static_cast<std::size_t>(index)]
                                                                : nullptr;
}

scene* game_scene(int index) {
  return g_game && in_world_range(index, g_game->scene_count()) ? g_game->scenes[static_cast<std::size_t>(index)].get()
                                                                : nullptr;
}

std::int32_t to_int32(std::int64_t v) { return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX)); }

}  // namespace

ruv_string module_script_host::troop_name(int troop) const {
  const hm::troop* t = game_troop(troop);
  return t ? translate_record_name(t->id, t->name) : ruv_string();
}

int module_script_host::troop_gold(int troop) const {
  const hm::troop* t = game_troop(troop);
  return t ? t->gold : 0;
}

int module_script_host::troop_faction(int troop) const {
  const hm::troop* t = game_troop(troop);
  return t ? t->faction : 0;
}

int module_script_host::troop_attribute(int troop, int attribute) const {
  const hm::troop* t = game_troop(troop);
  if (!t || attribute < 0 || attribute >= troop_attribute_count) return 0;
  return t->attributes[static_cast<std::size_t>(attribute)];
}

float module_script_host::troop_hit_points(int troop) const {
  const hm::troop* t = game_troop(troop);
  return t ? t->max_hit_points : 0.0f;
}

int module_script_host::troop_max_hit_points(int troop) const {
  const hm::troop* t = game_troop(troop);
  return t ? t->get_max_hit_points() : 0;
}

int module_script_host::troop_proficiency(int troop, int proficiency) const {
  const hm::troop* t = game_troop(troop);
  return t ? t->get_proficiency(proficiency) : 0;
}

int module_script_host::troop_effective_skill_level(int troop, int skill) const {
  const hm::troop* t = game_troop(troop);
  if (!t || skill < 0 || skill >= skill_count) return 0;
  // The module's hook may add to (or take from) the stored level.
  g_script_state.trigger_result = 0;
  call_game_script(game_hook_code::game_get_skill_modifier_for_troop, troop, skill);
  const std::int64_t level = t->get_raw_skill_level(skill) + g_script_state.trigger_result;
  return static_cast<int>(std::clamp<std::int64_t>(level, 0, g_skills[static_cast<std::size_t>(skill)].max_level));
}

int module_script_host::count_troop_items(int troop, int item_kind, int flag) const {
  if (troop == -1 && g_game) troop = g_game->player_troop;
  const hm::troop* t = game_troop(troop);
  if (!t) return 0;
  int n = 0;
  for (int i = 0; i < t->get_inventory_capacity(); ++i) n += t->inventory[static_cast<std::size_t>(i)].kind == item_kind;
  if (flag != 0)
    for (const item& it : t->equipment) n += it.kind == item_kind;
  return n;
}

void module_script_host::set_troop_flags(int troop, std::uint64_t flags) {
  if (hm::troop* t = game_troop_rw(troop)) t->flags = flags;
}

int module_script_host::skin_count() const { return g_skins.count(); }

bool module_script_host::troop_is_wounded(int troop) const {
  const hm::troop* t = game_troop(troop);
  if (!t) return false;
  const bool player = g_game && troop == g_game->player_troop;
  return t->max_hit_points < (player ? g_module_settings.player_wounded_threshold : g_module_settings.hero_wounded_threshold);
}

std::int64_t module_script_host::troop_word(int troop, script_troop_word word) const {
  const hm::troop* t = game_troop(troop);
  if (!t) return 0;
  switch (word) {
    case script_troop_word::experience:
      return t->experience;
    case script_troop_word::skill_points:
      return t->skill_points;
    case script_troop_word::attribute_points:
      return t->attribute_points;
    case script_troop_word::weapon_points:
      return t->proficiency_points;
    case script_troop_word::faction:
      return t->faction;
    case script_troop_word::upgrade_troop_1:
      return t->upgrade_troop_1;
    case script_troop_word::upgrade_troop_2:
      return t->upgrade_troop_2;
    case script_troop_word::scene_placement:
      return t->scene_placement;
  }
  return 0;
}

void module_script_host::set_troop_word(int troop, script_troop_word word, std::int64_t value) {
  hm::troop* t = game_troop_rw(troop);
  if (!t) return;
  const std::int32_t v = to_int32(value);
  switch (word) {
    case script_troop_word::experience:
      t->experience = v;
      break;
    case script_troop_word::skill_points:
      t->skill_points = v;
      break;
    case script_troop_word::attribute_points:
      t->attribute_points = v;
      break;
    case script_troop_word::weapon_points:
      t->proficiency_points = v;
      break;
    case script_troop_word::faction:
      t->faction = v;
      break;
    case script_troop_word::upgrade_troop_1:
      t->upgrade_troop_1 = v;
      break;
    case script_troop_word::upgrade_troop_2:
      t->upgrade_troop_2 = v;
      break;
    case script_troop_word::scene_placement:
      t->scene_placement = v;
      break;
  }
}

void module_script_host::set_troop_hit_points(int troop, float hit_points) {
  if (hm::troop* t = game_troop_rw(troop)) t->max_hit_points = hit_points;
}

void module_script_host::raise_troop_attribute(int troop, int attribute, int delta) {
  if (hm::troop* t = game_troop_rw(troop)) t->raise_attribute(attribute, delta);
}

void module_script_host::raise_troop_skill(int troop, int skill, int delta) {
  if (hm::troop* t = game_troop_rw(troop)) t->raise_skill(skill, delta);
}

void module_script_host::add_troop_proficiency_points(int troop, int proficiency, float points) {
  if (hm::troop* t = game_troop_rw(troop)) t->add_proficiency_points(proficiency, points);
}

void module_script_host::raise_troop_proficiency(int troop, int proficiency, int delta) {
  if (hm::troop* t = game_troop_rw(troop)) t->raise_proficiency(proficiency, delta);
}

void module_script_host::add_troop_gold(int troop, std::int64_t amount) {
  if (hm::troop* t = game_troop_rw(troop)) t->add_gold(amount);
}

void module_script_host::take_troop_gold(int troop, std::int64_t amount) {
  if (hm::troop* t = game_troop_rw(troop)) t->take_money(amount);
}

script_item module_script_host::troop_item(int troop, int slot) const {
  const hm::troop* t = game_troop(troop);
  const item* it = t ? t->find_item_slot(slot) : nullptr;
  return it ? script_item{it->kind, it->word} : script_item{};
}

void module_script_host::set_troop_item(int troop, int slot, script_item value) {
  hm::troop* t = game_troop_rw(troop);
  if (item* it = t ? t->find_item_slot(slot) : nullptr) *it = item{value.kind, value.word};
}

script_item module_script_host::make_item(int kind, int modifier) const {
  item it{kind, 0};
  replenish_item(it, 0);
  it.change_modifier(modifier);
  return {it.kind, it.word};
}

int module_script_host::item_max_ammo(script_item value) const { return item{value.kind, value.word}.get_max_ammo(); }

void module_script_host::clear_troop_inventory(int troop) {
  if (hm::troop* t = game_troop_rw(troop)) t->clear_inventory();
}

void module_script_host::sort_troop_inventory(int troop) {
  if (hm::troop* t = game_troop_rw(troop)) t->sort_inventory();
}

void module_script_host::free_troop_inventory_slots(int troop, int count) {
  if (hm::troop* t = game_troop_rw(troop)) t->free_inventory_slots(count);
}

void module_script_host::add_troop_merchandise(int troop, int item_type, int count) {
  if (hm::troop* t = game_troop_rw(troop)) t->add_merchandise(item_type, count, merchandise_quality());
}

void module_script_host::copy_troop_merchandise(int target, int source, int percent) {
  hm::troop* t = game_troop_rw(target);
  const hm::troop* from = game_troop(source);
  if (!t || !from) return;
  // A troop copying from itself reads a copy of what it held before.
  const hm::troop source_copy = *from;
  t->copy_merchandise(source_copy, percent);
}

void module_script_host::auto_equip_troop(int troop) {
  if (hm::troop* t = game_troop_rw(troop)) auto_equip(*t, troop, false, false);
}

std::int32_t module_script_host::remove_troop_items(int troop, int item_kind, int count) {
  hm::troop* t = game_troop_rw(troop);
  return t ? t->remove_items(item_kind, count, true) : 0;
}

bool module_script_host::put_troop_item(int troop, int item_kind, int modifier) {
  hm::troop* t = game_troop_rw(troop);
  return t && t->put_item(item_kind, modifier);
}

script_item_placement module_script_host::add_troop_item(int troop, int item_kind, int modifier) {
  hm::troop* t = game_troop_rw(troop);
  if (!t) return script_item_placement::dropped;
  switch (add_item_displacing(*t, item_kind, modifier)) {
    case item_placement::placed:
      return script_item_placement::placed;
    case item_placement::displaced:
      return script_item_placement::displaced;
    case item_placement::dropped:
      return script_item_placement::dropped;
    case item_placement::no_room:
      break;
  }
  return script_item_placement::no_room;
}

// --- item kinds and trade ---------------------------------------------------------------

std::uint32_t module_script_host::item_kind_flags(int item_kind) const {
  return in_list(g_item_kinds, item_kind) ? g_item_kinds[static_cast<std::size_t>(item_kind)].flags : 0u;
}

ruv_string module_script_host::item_kind_name(int item_kind) const {
  if (!in_list(g_item_kinds, item_kind)) return {};
  const hm::item_kind& k = g_item_kinds[static_cast<std::size_t>(item_kind)];
  return translate_record_name(k.id, k.name);
}

ruv_string module_script_host::item_kind_plural_name(int item_kind) const {
  if (!in_list(g_item_kinds, item_kind)) return {};
  const hm::item_kind& k = g_item_kinds[static_cast<std::size_t>(item_kind)];
  return translate_plural_name(k.id, k.plural_name);
}

int module_script_host::item_kind_value(int item_kind) const {
  return in_list(g_item_kinds, item_kind) ? g_item_kinds[static_cast<std::size_t>(item_kind)].value : 0;
}

ruv_string module_script_host::troop_plural_name(int troop) const {
  const hm::troop* t = game_troop(troop);
  return t ? translate_plural_name(t->id, t->plural_name) : ruv_string();
}

std::int32_t module_script_host::party_template_word(int party_template, int word) const {
  if (!in_list(g_party_templates, party_template)) return 0;
  const hm::party_template& t = g_party_templates[static_cast<std::size_t>(party_template)];
  switch (word) {
    case 1: return t.created_count;
    case 2: return t.removed_count;
    case 3: return t.beaten_by_player_count;
    default: return 0;
  }
}

void module_script_host::set_item_stock_multiplier(int item_kind, float multiplier) {
  if (in_list(g_item_kinds, item_kind)) g_item_kinds[static_cast<std::size_t>(item_kind)].stock_multiplier = multiplier;
}

float module_script_host::merchandise_quality() const { return g_game ? g_game->merchandise_quality : 1.0f; }

void module_script_host::set_merchandise_quality(float quality) {
  if (g_game) g_game->merchandise_quality = quality;
}

bool module_script_host::money_and_item_messages() const { return g_game && g_game->money_and_item_messages; }

// --- factions ---------------------------------------------------------------------------

void module_script_host::set_faction_relation(int faction_a, int faction_b, float relation) {
  faction* f = game_faction(faction_a);
  if (f && in_world_range(faction_b, max_factions)) f->relations[static_cast<std::size_t>(faction_b)] = relation;
}

ruv_string module_script_host::faction_name(int index) const {
  const faction* f = g_game && in_world_range(index, g_game->faction_count())
                         ? &g_game->factions[static_cast<std::size_t>(index)]
                         : nullptr;
  if (!f) return {};
  ruv_string translated;
  if (!f->name_override && find_world_translation(f->id, translated)) return translated;
  return f->name;
}

void module_script_host::set_faction_name(int index, const ruv_string& name) {
  if (faction* f = game_faction(index)) {
    f->name = name;
    f->name_override = 1;
  }
}

void module_script_host::set_faction_colour(int index, std::uint32_t colour) {
  if (faction* f = game_faction(index)) f->colour = colour;
}

// --- scenes -----------------------------------------------------------------------------

script_scene_entry module_script_host::scene_entry(int index, int slot) const {
  const scene* sc = game_scene(index);
  if (!sc || !in_world_range(slot, scene_entry_words)) return {};
  const auto s = static_cast<std::size_t>(slot);
  return {sc->entry_pairs[2 * s], sc->entry_pairs[2 * s + 1], sc->entry_words[s]};
}

void module_script_host::set_scene_entry(int index, int slot, const script_scene_entry& entry) {
  scene* sc = game_scene(index);
  if (!sc || !in_world_range(slot, scene_entry_words)) return;
  const auto s = static_cast<std::size_t>(slot);
  sc->entry_pairs[2 * s] = entry.troop;
  sc->entry_pairs[2 * s + 1] = entry.value;
  sc->entry_words[s] = entry.count;
}

// --- quests -----------------------------------------------------------------------------

std::uint32_t module_script_host::quest_flags(int index) const {
  const quest* q = game_quest(index);
  return q ? q->flags : 0u;
}

void module_script_host::set_quest_status(int index, std::uint32_t status) {
  if (quest* q = game_quest(index)) q->status = status;
}

void module_script_host::set_quest_giver(int index, int troop) {
  quest* q = game_quest(index);
  if (!q) return;
  q->giver_troop = troop;
  const std::int64_t elapsed = clock_ticks(clock_campaign) - g_game->start_time_stamp;
  q->start_time = static_cast<float>(elapsed) * 0.00001f;
}

int module_script_host::quest_giver(int index) const {
  const quest* q = game_quest(index);
  return q ? q->giver_troop : -1;
}

std::int32_t module_script_host::quest_word(int index, int word) const {
  const quest* q = game_quest(index);
  if (!q) return 0;
  switch (word) {
    case 1: return q->start_time < 0.0f ? -1 : to_int32(static_cast<std::int64_t>(q->start_time));
    case 2: return q->run_time_word;
    default: return 0;
  }
}

script_quest_texts module_script_host::quest_texts(int index) const {
  const quest* q = game_quest(index);
  if (!q) return {};
  return {q->id, q->name, q->text, q->translated_name, q->translated_text, q->giver_text};
}

void module_script_host::set_quest_texts(int index, const script_quest_texts& texts) {
  quest* q = game_quest(index);
  if (!q) return;
  q->translated_name = texts.translated_name;
  q->translated_text = texts.translated_text;
  q->giver_text = texts.giver_text;
}

}  // namespace hm
