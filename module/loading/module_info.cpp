#include "module/loading/module_info.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/core/log.h"
#include "engine/core/math.h"
#include "engine/resource/resource_manager.h"
#include "module/base/ini_table.h"
#include "module/base/module_settings.h"

namespace hm {
namespace {

enum class value_kind { common_resource, module_resource, real, limited_real, integer, text, switch_flag };

struct directive {
  const char* key;
  const char* second_key;  // another spelling, or null
  value_kind kind;
  void* target;
  const char* log_text;  // null: applied silently
  float low = 0.0f;
  float high = 0.0f;
};

float to_float(const ruv_string& value) { return static_cast<float>(std::atof(value.c_str())); }

std::int32_t to_int(const ruv_string& value) {
  // The leading decimal number, held to the 32-bit range.
  const long long v = std::strtoll(value.c_str(), nullptr, 10);
  if (v > INT_MAX) return INT_MAX;
  if (v < INT_MIN) return INT_MIN;
  return static_cast<std::int32_t>(v);
}

std::string format_float(float v) {
  char text[64];
  std::snprintf(text, sizeof text, "%f", static_cast<double>(v));
  return text;
}

std::vector<directive> module_directives() {
  module_settings& s = g_module_settings;
  using k = value_kind;
  return {
      {"load_resource", nullptr, k::common_resource, nullptr, "Loading Resource "},
      {"load_mod_resource", "load_module_resource", k::module_resource, nullptr, "Loading Module Resource "},
      {"time_multiplier", nullptr, k::real, &s.time_multiplier, "Setting Time Multiplier = "},
      {"armor_soak_factor_against_cut", nullptr, k::real, &s.armor_soak_factor_against_cut,
       "Setting armor_soak_factor_against_cut = "},
      {"armor_soak_factor_against_pierce", nullptr, k::real, &s.armor_soak_factor_against_pierce,
       "Setting armor_soak_factor_against_pierce = "},
      {"armor_soak_factor_against_blunt", nullptr, k::real, &s.armor_soak_factor_against_blunt,
       "Setting armor_soak_factor_against_blunt = "},
      {"armor_reduction_factor_against_cut", nullptr, k::real, &s.armor_reduction_factor_against_cut,
       "Setting armor_reduction_factor_against_cut = "},
      {"armor_reduction_factor_against_pierce", nullptr, k::real, &s.armor_reduction_factor_against_pierce,
       "Setting armor_reduction_factor_against_pierce = "},
      {"armor_reduction_factor_against_blunt", nullptr, k::real, &s.armor_reduction_factor_against_blunt,
       "Setting armor_reduction_factor_against_blunt = "},
      {"missile_damage_speed_power", nullptr, k::limited_real, &s.missile_damage_speed_power,
       "Setting missile_damage_speed_power = ", 1.0f, 2.0f},
      {"melee_damage_speed_power", nullptr, k::limited_real, &s.melee_damage_speed_power,
       "Setting melee_damage_speed_power = ", 1.0f, 2.0f},
      {"damage_interrupt_attack_treshold", "damage_interrupt_attack_threshold", k::real,
       &s.damage_interrupt_attack_threshold, "Setting damage_interrupt_attack_treshold = "},
      {"horse_charge_damage_multiplier", nullptr, k::real, &s.horse_charge_damage_multiplier,
       "Setting horse_charge_damage_multiplier = "},
      {"couched_lance_damage_multiplier", nullptr, k::real, &s.couched_lance_damage_multiplier,
       "Setting couched_lance_damage_multiplier = "},
      {"seeing_range", nullptr, k::real, &s.seeing_range_multiplier, "Setting Seeing Range Multiplier = "},
      {"track_spotting_multiplier", nullptr, k::real, &s.track_spotting_multiplier,
       "Setting Track Spotting Multiplier = "},
      {"blood_multiplier", nullptr, k::real, &s.blood_multiplier, "Setting Blood Multiplier = "},
      {"skill_leadership_bonus", nullptr, k::integer, &s.skill_leadership_bonus, "Setting Skill Leadership Bonus = "},
      {"skill_prisoner_management_bonus", nullptr, k::integer, &s.skill_prisoner_management_bonus,
       "Setting Skill Prisoner Management Bonus = "},
      {"base_companion_limit", nullptr, k::integer, &s.base_companion_limit, "Setting Base Companion Limit = "},
      {"player_xp_multiplier", nullptr, k::limited_real, &s.player_xp_multiplier,
       "Setting player_xp_multiplier = ", 1.0f, 10.0f},
      {"hero_xp_multiplier", nullptr, k::real, &s.hero_xp_multiplier, "Setting hero_xp_multiplier = "},
      {"regulars_xp_multiplier", nullptr, k::real, &s.regulars_xp_multiplier, "Setting regulars_xp_multiplier = "},
      {"hero_wounded_treshold", nullptr, k::real, &s.hero_wounded_threshold, "Setting hero_wounded_treshold = "},
      {"player_wounded_treshold", nullptr, k::real, &s.player_wounded_threshold, "Setting player_wounded_treshold = "},
      {"map_min_x", nullptr, k::real, &g_map_bounds.min_x, "Setting Map Min X = "},
      {"map_min_y", nullptr, k::real, &g_map_bounds.min_y, "Setting Map Min Y = "},
      {"map_max_x", nullptr, k::real, &g_map_bounds.max_x, "Setting Map Max X = "},
      {"map_max_y", nullptr, k::real, &g_map_bounds.max_y, "Setting Map Max Y = "},
      {"map_sea_direction", nullptr, k::real, &s.map_sea_direction, nullptr},
      {"map_sea_speed_x", nullptr, k::real, &s.map_sea_speed_x, nullptr},
      {"map_sea_speed_y", nullptr, k::real, &s.map_sea_speed_y, nullptr},
      {"map_river_direction", nullptr, k::real, &s.map_river_direction, nullptr},
      {"map_river_speed_x", nullptr, k::real, &s.map_river_speed_x, nullptr},
      {"map_river_speed_y", nullptr, k::real, &s.map_river_speed_y, nullptr},
      {"map_tree_types", nullptr, k::integer, &s.map_tree_types, nullptr},
      {"map_snow_tree_types", nullptr, k::integer, &s.map_snow_tree_types, nullptr},
      {"map_steppe_tree_types", nullptr, k::integer, &s.map_steppe_tree_types, nullptr},
      {"map_desert_tree_types", nullptr, k::integer, &s.map_desert_tree_types, nullptr},
      {"display_wp_one_handed", nullptr, k::integer, &g_display_wp.one_handed, nullptr},
      {"display_wp_two_handed", nullptr, k::integer, &g_display_wp.two_handed, nullptr},
      {"display_wp_polearms", nullptr, k::integer, &g_display_wp.polearms, nullptr},
      {"display_wp_archery", nullptr, k::integer, &g_display_wp.archery, nullptr},
      {"display_wp_crossbows", nullptr, k::integer, &g_display_wp.crossbows, nullptr},
      {"display_wp_throwing", nullptr, k::integer, &g_display_wp.throwing, nullptr},
      {"display_wp_firearms", nullptr, k::integer, &g_display_wp.firearms, nullptr},
      {"module_version", nullptr, k::integer, &g_module_version, nullptr},
      {"compatible_module_version", nullptr, k::integer, &g_compatible_module_version, nullptr},
      {"scan_module_textures", nullptr, k::integer, &s.scan_module_textures, "Scan Module Textures = "},
      {"scan_module_sounds", nullptr, k::integer, &s.scan_module_sounds, "Scan Module Sounds = "},
      {"module_name", nullptr, k::text, &s.module_name, "Module_name = "},
      {"num_hints", nullptr, k::integer, &s.num_hints, "Num Hints = "},
      {"starting_year", nullptr, k::integer, &s.starting_year, nullptr},
      {"starting_month", nullptr, k::integer, &s.starting_month, nullptr},
      {"starting_day", nullptr, k::integer, &s.starting_day, nullptr},
      {"enable_quick_battles", nullptr, k::integer, &s.enable_quick_battles, nullptr},
      {"disable_food_slot", nullptr, k::integer, &s.disable_food_slot, nullptr},
      {"limit_hair_colors", nullptr, k::integer, &s.limit_hair_colors, nullptr},
      {"show_faction_color", nullptr, k::integer, &s.show_faction_color, nullptr},
      {"show_quest_notes", nullptr, k::integer, &s.show_quest_notes, nullptr},
      {"show_party_ids_instead_of_names", nullptr, k::switch_flag, &s.show_party_ids_instead_of_names, nullptr},
      {"main_menu_font_color_red", nullptr, k::integer, &s.main_menu_font_color_red, nullptr},
      {"main_menu_font_color_green", nullptr, k::integer, &s.main_menu_font_color_green, nullptr},
      {"main_menu_font_color_blue", nullptr, k::integer, &s.main_menu_font_color_blue, nullptr},
      {"works_with_version_min", nullptr, k::integer, &s.works_with_version_min, nullptr},
      {"works_with_version_max", nullptr, k::integer, &s.works_with_version_max, nullptr},
  };
}

void apply(const directive& d, const ruv_string& value, const resource_file_loader& load_resource) {
  std::string shown;
  switch (d.kind) {
    case value_kind::common_resource:
    case value_kind::module_resource:
      // The line is logged before the load, so a missing file's fatal error
      // follows the name that caused it.
      if (d.log_text) log_line(std::string(d.log_text) + value.c_str() + "\n");
      if (load_resource) load_resource(value, d.kind == value_kind::module_resource);
      return;
    case value_kind::real: {
      const float v = to_float(value);
      *static_cast<float*>(d.target) = v;
      shown = format_float(v);
      break;
    }
    case value_kind::limited_real: {
      const float v = clamp_float(to_float(value), d.low, d.high);
      *static_cast<float*>(d.target) = v;
      shown = format_float(v);
      break;
    }
    case value_kind::integer: {
      const std::int32_t v = to_int(value);
      *static_cast<std::int32_t*>(d.target) = v;
      shown = std::to_string(v);
      break;
    }
    case value_kind::text:
      *static_cast<ruv_string*>(d.target) = ruv_string(value.view());
      shown = value.c_str();
      break;
    case value_kind::switch_flag:
      *static_cast<bool*>(d.target) = to_int(value) != 0;
      break;
  }
  if (d.log_text) log_line(std::string(d.log_text) + shown + "\n");
}

}  // namespace

void process_module_info(const ini_table& table, const resource_file_loader& load_resource) {
  g_display_wp = weapon_proficiency_display{};
  const std::vector<directive> directives = module_directives();
  // The count is taken once: a resource load cannot add pairs to the walk.
  const std::int32_t count = table.count();
  for (std::int32_t i = 0; i < count; ++i) {
    const ini_pair& pair = table.pairs[static_cast<std::size_t>(i)];
    const directive* found = nullptr;
    for (const directive& d : directives) {
      if (pair.key.equals_cstr(d.key) || (d.second_key && pair.key.equals_cstr(d.second_key))) {
        found = &d;
        break;
      }
    }
    if (found) {
      apply(*found, pair.value, load_resource);
    } else if (pair.key.length() > 1) {
      log_line(std::string("Unrecognized Module_info directive = ") + pair.key.c_str() + ". Skipping.\n");
    }
  }
  // The meshes the directives loaded get their vertex colours made linear
  // (once per run, with pixel shaders only).
  g_resource_manager.linearize_vertex_colors_once();
}

void process_module_info() {
  process_module_info(g_module_ini_table, [](const ruv_string& name, bool from_module) {
    g_resource_manager.load_resource_file(name, from_module ? 1 : 0);
  });
}

}  // namespace hm
