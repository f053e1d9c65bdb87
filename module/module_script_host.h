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
  int menu_count() const override;
  int item_kind_count() const override;
  int mission_template_count() const override;
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
  ruv_string troop_name(int) const override { return {}; }
  int troop_gold(int) const override { return 0; }
  int troop_faction(int) const override { return 0; }
  int troop_attribute(int, int) const override { return 0; }
  float troop_hit_points(int) const override { return 0.0f; }
  int troop_max_hit_points(int) const override { return 0; }
  int troop_proficiency(int, int) const override { return 0; }
  int troop_effective_skill_level(int, int) const override { return 0; }
  int count_troop_items(int, int, int) const override { return 0; }
};

// The one module host of the run.
extern module_script_host g_module_script_host;

// Makes the loaded module's tables the script engine's module neighbour.
void install_module_script_host();

}  // namespace hm
