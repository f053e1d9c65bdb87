#pragma once
// The script engine's module neighbour served by the loaded module tables:
// scripts, presentations, strings, meshes, menus, item kinds, mission and
// party templates, map icons, particle systems, scene-prop kinds, sounds,
// music tracks, actions and the translation table, and the running game's world
// tables (troops, factions, scenes, quests), empty while no game runs.
#include "script/script_host.h"

namespace hm {

class module_script_host final : public script_module_host {
 public:
  int script_count() const override;
  statement_block* script_block(int script) override;
  int presentation_count() const override;
  int module_string_count() const override;
  int quick_string_count() const override;
  int mesh_count() const override;
  // The resource mesh a module mesh shows (what a menu record names).
  ruv_string mesh_name(int mesh) const override;
  int menu_count() const override;
  int item_kind_count() const override;
  int mission_template_count() const override;
  int spawn_record_count(int template_index) const override;
  void set_spawn_record_flags(int template_index, int record, std::uint32_t flags) override;
  void clear_spawn_record_overrides(int template_index, int record) override;
  void add_spawn_record_override(int template_index, int record, std::int32_t item_kind) override;
  int party_template_count() const override;
  int map_icon_count() const override;
  int particle_system_count() const override;
  int scene_prop_kind_count() const override;
  int sound_count() const override;
  int music_track_count() const override;
  int animation_count() const override;
  int troop_count() const override;
  int faction_count() const override;
  int quest_count() const override;
  int scene_count() const override;
  ruv_string script_name(int script) const override;
  std::uint64_t troop_flags(int troop) const override;
  int troop_level(int troop) const override;
  int troop_placement(int troop) const override;
  int troop_inventory_slot_count(int troop) const override;
  int troop_inventory_item(int troop, int slot) const override;
  std::uint32_t quest_status(int quest) const override;
  float faction_relation(int faction_a, int faction_b) const override;
  ruv_string module_string_text(int index) const override;
  ruv_string module_string_key(int index) const override;
  ruv_string quick_string_text(int index) const override;
  ruv_string quick_string_key(int index) const override;
  bool find_translation(std::string_view key, ruv_string& out) const override;
  script_record_data* record_data(script_record_kind kind, int id) override;
  ruv_string troop_name(int troop) const override;
  int troop_gold(int troop) const override;
  int troop_faction(int troop) const override;
  int troop_attribute(int troop, int attribute) const override;
  float troop_hit_points(int troop) const override;
  int troop_max_hit_points(int troop) const override;
  int troop_proficiency(int troop, int proficiency) const override;
  int troop_effective_skill_level(int troop, int skill) const override;
  // Troop -1 counts the player's troop; flag 1 counts the equipment too.
  int count_troop_items(int troop, int item_kind, int flag) const override;

  void set_troop_flags(int troop, std::uint64_t flags) override;
  int skin_count() const override;
  bool troop_is_wounded(int troop) const override;
  std::int64_t troop_word(int troop, script_troop_word word) const override;
  void set_troop_word(int troop, script_troop_word word, std::int64_t value) override;
  void set_troop_hit_points(int troop, float hit_points) override;
  void raise_troop_attribute(int troop, int attribute, int delta) override;
  void raise_troop_skill(int troop, int skill, int delta) override;
  void add_troop_proficiency_points(int troop, int proficiency, float points) override;
  void raise_troop_proficiency(int troop, int proficiency, int delta) override;
  void add_troop_gold(int troop, std::int64_t amount) override;
  void take_troop_gold(int troop, std::int64_t amount) override;
  script_item troop_item(int troop, int slot) const override;
  void set_troop_item(int troop, int slot, script_item item) override;
  script_item make_item(int kind, int modifier) const override;
  int item_max_ammo(script_item item) const override;
  void clear_troop_inventory(int troop) override;
  void sort_troop_inventory(int troop) override;
  void free_troop_inventory_slots(int troop, int count) override;
  void add_troop_merchandise(int troop, int item_type, int count) override;
  void copy_troop_merchandise(int target, int source, int percent) override;
  void auto_equip_troop(int troop) override;
  std::int32_t remove_troop_items(int troop, int item_kind, int count) override;
  bool put_troop_item(int troop, int item_kind, int modifier) override;
  script_item_placement add_troop_item(int troop, int item_kind, int modifier) override;
  std::uint32_t item_kind_flags(int item_kind) const override;
  ruv_string item_kind_name(int item_kind) const override;
  ruv_string item_kind_plural_name(int item_kind) const override;
  int item_kind_value(int item_kind) const override;
  ruv_string troop_plural_name(int troop) const override;
  int quest_giver(int quest) const override;
  std::int32_t quest_word(int quest, int word) const override;
  std::int32_t party_template_word(int party_template, int word) const override;
  void set_item_stock_multiplier(int item_kind, float multiplier) override;
  float merchandise_quality() const override;
  void set_merchandise_quality(float quality) override;
  bool money_and_item_messages() const override;
  void set_faction_relation(int faction_a, int faction_b, float relation) override;
  ruv_string faction_name(int faction) const override;
  void set_faction_name(int faction, const ruv_string& name) override;
  void set_faction_colour(int faction, std::uint32_t colour) override;
  script_scene_entry scene_entry(int scene, int slot) const override;
  void set_scene_entry(int scene, int slot, const script_scene_entry& entry) override;
  std::uint32_t quest_flags(int quest) const override;
  void set_quest_status(int quest, std::uint32_t status) override;
  void set_quest_giver(int quest, int troop) override;
  script_quest_texts quest_texts(int quest) const override;
  void set_quest_texts(int quest, const script_quest_texts& texts) override;
};

// The one module host of the run.
extern module_script_host g_module_script_host;

// Makes the loaded module's tables the script engine's module neighbour.
void install_module_script_host();

}  // namespace hm
