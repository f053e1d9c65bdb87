#pragma once
// The module's combat and campaign constants, set from module.ini by
// process_module_info, with the values a module gets when it says nothing.
#include <cstdint>

#include "engine/core/ruv_string.h"

namespace hm {

struct module_settings {
  ruv_string module_name;
  std::int32_t scan_module_textures = 0;
  std::int32_t scan_module_sounds = 0;
  float time_multiplier = 0.15f;
  float seeing_range_multiplier = 6.5f;
  float track_spotting_multiplier = 0.8f;
  float blood_multiplier = 1.0f;
  std::int32_t skill_leadership_bonus = 5;
  std::int32_t skill_prisoner_management_bonus = 5;
  std::int32_t base_companion_limit = 5;
  float player_xp_multiplier = 1.0f;
  float hero_xp_multiplier = 1.0f;
  float regulars_xp_multiplier = 1.0f;
  float hero_wounded_threshold = 15.0f;
  float player_wounded_threshold = 5.0f;
  std::int32_t num_hints = 0;
  float map_sea_direction = 0.0f;
  float map_sea_speed_x = 0.0f;
  float map_sea_speed_y = 0.0f;
  float map_river_direction = 0.0f;
  float map_river_speed_x = 0.0f;
  float map_river_speed_y = 0.0f;
  std::int32_t map_tree_types = 0;
  std::int32_t map_snow_tree_types = 0;
  std::int32_t map_steppe_tree_types = 0;
  std::int32_t map_desert_tree_types = 0;
  std::int32_t starting_year = 1200;
  std::int32_t starting_month = 2;
  std::int32_t starting_day = 12;
  float damage_interrupt_attack_threshold = 0.0f;
  float armor_soak_factor_against_cut = 1.0f;
  float armor_soak_factor_against_pierce = 0.5f;
  float armor_soak_factor_against_blunt = 0.5f;
  float armor_reduction_factor_against_cut = 0.0f;
  float armor_reduction_factor_against_pierce = 0.0f;
  float armor_reduction_factor_against_blunt = 0.0f;
  float missile_damage_speed_power = 1.0f;
  float melee_damage_speed_power = 1.0f;
  float horse_charge_damage_multiplier = 1.0f;
  float couched_lance_damage_multiplier = 1.0f;
  std::int32_t enable_quick_battles = 0;
  std::int32_t disable_food_slot = 0;
  std::int32_t limit_hair_colors = 0;
  std::int32_t show_faction_color = 0;
  std::int32_t show_quest_notes = 0;
  bool show_party_ids_instead_of_names = false;
  std::int32_t main_menu_font_color_red = 0;
  std::int32_t main_menu_font_color_green = 0;
  std::int32_t main_menu_font_color_blue = 0;
  std::int32_t works_with_version_min = 0;
  std::int32_t works_with_version_max = 1000000;

  // Every field back to its default (the module name emptied).
  void set_defaults() { *this = module_settings{}; }
};

extern module_settings g_module_settings;

// Settings of module.ini that belong to other parts of the game.

// The world map's extent.
struct world_map_bounds {
  float min_x = -50.0f;
  float min_y = -50.0f;
  float max_x = 50.0f;
  float max_y = 50.0f;
};
extern world_map_bounds g_map_bounds;

// Which weapon proficiencies the character screens show (0 hides one).
struct weapon_proficiency_display {
  std::int32_t one_handed = 1;
  std::int32_t two_handed = 1;
  std::int32_t polearms = 1;
  std::int32_t archery = 1;
  std::int32_t crossbows = 1;
  std::int32_t throwing = 1;
  std::int32_t firearms = 1;
};
extern weapon_proficiency_display g_display_wp;

// Version numbers the shell keeps for save-game compatibility.
extern std::int32_t g_module_version;
extern std::int32_t g_compatible_module_version;

}  // namespace hm
