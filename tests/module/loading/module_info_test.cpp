#include "module/loading/module_info.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "engine/resource/resource_device.h"
#include "engine/resource/resource_manager.h"
#include "module/base/ini_table.h"
#include "module/base/module_settings.h"
#include "module/support/module_test_support.h"

namespace hm {
namespace {

ini_table table_of(const std::string& text) {
  std::FILE* file = std::tmpfile();
  std::fwrite(text.data(), 1, text.size(), file);
  std::rewind(file);
  ini_table table;
  read_ini_file(table, file);
  std::fclose(file);
  return table;
}

class ProcessModuleInfo : public ::testing::Test {
 protected:
  void SetUp() override { reset_settings(); }
  void TearDown() override { reset_settings(); }

  static void reset_settings() {
    g_module_settings.set_defaults();
    g_map_bounds = world_map_bounds{};
    g_display_wp = weapon_proficiency_display{};
    g_module_version = 0;
    g_compatible_module_version = 0;
  }

  // Applies the text; resource loads are recorded instead of performed.
  void apply(const std::string& text) {
    process_module_info(table_of(text), [this](const ruv_string& name, bool from_module) {
      loads.emplace_back(name.c_str(), from_module);
    });
  }

  std::vector<std::pair<std::string, bool>> loads;
};

TEST_F(ProcessModuleInfo, DefaultsMatchAModuleThatSaysNothing) {
  const module_settings s;
  EXPECT_TRUE(s.module_name.empty());
  EXPECT_FLOAT_EQ(s.time_multiplier, 0.15f);
  EXPECT_FLOAT_EQ(s.seeing_range_multiplier, 6.5f);
  EXPECT_FLOAT_EQ(s.track_spotting_multiplier, 0.8f);
  EXPECT_EQ(s.skill_leadership_bonus, 5);
  EXPECT_EQ(s.base_companion_limit, 5);
  EXPECT_FLOAT_EQ(s.hero_wounded_threshold, 15.0f);
  EXPECT_FLOAT_EQ(s.player_wounded_threshold, 5.0f);
  EXPECT_EQ(s.starting_year, 1200);
  EXPECT_EQ(s.starting_month, 2);
  EXPECT_EQ(s.starting_day, 12);
  EXPECT_FLOAT_EQ(s.armor_soak_factor_against_cut, 1.0f);
  EXPECT_FLOAT_EQ(s.armor_soak_factor_against_pierce, 0.5f);
  EXPECT_FLOAT_EQ(s.armor_soak_factor_against_blunt, 0.5f);
  EXPECT_FLOAT_EQ(s.armor_reduction_factor_against_cut, 0.0f);
  EXPECT_FLOAT_EQ(s.missile_damage_speed_power, 1.0f);
  EXPECT_FALSE(s.show_party_ids_instead_of_names);
  EXPECT_EQ(s.works_with_version_min, 0);
  EXPECT_EQ(s.works_with_version_max, 1000000);
  const world_map_bounds b;
  EXPECT_EQ(std::vector<float>({b.min_x, b.min_y, b.max_x, b.max_y}), std::vector<float>({-50, -50, 50, 50}));
}

TEST_F(ProcessModuleInfo, AppliesDirectivesWithTheirLogLines) {
  test::log_capture log;
  apply(
      "Time_Multiplier = 0.5 trailing words\n"
      "base_companion_limit = 25\n"
      "module_name = MyModule\n"
      "map_max_x = 180\n"
      "starting_year = 1257\n"
      "show_party_ids_instead_of_names = 2\n"
      "display_wp_firearms = 0\n"
      "compatible_module_version = 7\n");
  EXPECT_FLOAT_EQ(g_module_settings.time_multiplier, 0.5f);
  EXPECT_EQ(g_module_settings.base_companion_limit, 25);
  EXPECT_EQ(g_module_settings.module_name, "MyModule");
  EXPECT_FLOAT_EQ(g_map_bounds.max_x, 180.0f);
  EXPECT_EQ(g_module_settings.starting_year, 1257);
  EXPECT_TRUE(g_module_settings.show_party_ids_instead_of_names);
  EXPECT_EQ(g_display_wp.firearms, 0);
  EXPECT_EQ(g_display_wp.archery, 1);
  EXPECT_EQ(g_compatible_module_version, 7);
  EXPECT_EQ(log.lines_starting_with("Setting Time Multiplier = "),
            std::vector<std::string>{"Setting Time Multiplier = 0.500000"});
  EXPECT_EQ(log.lines_starting_with("Setting Base Companion Limit = "),
            std::vector<std::string>{"Setting Base Companion Limit = 25"});
  EXPECT_EQ(log.lines_starting_with("Module_name = "), std::vector<std::string>{"Module_name = MyModule"});
  EXPECT_EQ(log.lines_starting_with("Setting Map Max X = "),
            std::vector<std::string>{"Setting Map Max X = 180.000000"});
  // Silent directives write nothing; nothing was unrecognised.
  EXPECT_TRUE(log.lines_starting_with("Unrecognized").empty());
  EXPECT_EQ(log.text().find("starting_year"), std::string::npos);
}

TEST_F(ProcessModuleInfo, LimitedValuesAreHeldToTheirRange) {
  struct limit_case {
    const char* line;
    float module_settings::*field;
    float expected;
  };
  const std::vector<limit_case> cases = {
      {"missile_damage_speed_power = 3", &module_settings::missile_damage_speed_power, 2.0f},
      {"missile_damage_speed_power = 2", &module_settings::missile_damage_speed_power, 2.0f},
      {"missile_damage_speed_power = 0.5", &module_settings::missile_damage_speed_power, 1.0f},
      {"melee_damage_speed_power = 1.5", &module_settings::melee_damage_speed_power, 1.5f},
      {"melee_damage_speed_power = abc", &module_settings::melee_damage_speed_power, 1.0f},
      {"player_xp_multiplier = 0", &module_settings::player_xp_multiplier, 1.0f},
      {"player_xp_multiplier = 12", &module_settings::player_xp_multiplier, 10.0f},
      {"hero_xp_multiplier = 0", &module_settings::hero_xp_multiplier, 0.0f},
  };
  for (const limit_case& c : cases) {
    apply(c.line);
    EXPECT_FLOAT_EQ(g_module_settings.*c.field, c.expected) << c.line;
  }
}

TEST_F(ProcessModuleInfo, BothSpellingsOfTheInterruptThresholdSetOneValueAndTheLaterWins) {
  test::log_capture log;
  apply("damage_interrupt_attack_threshold = 3\ndamage_interrupt_attack_treshold = 4\n");
  EXPECT_FLOAT_EQ(g_module_settings.damage_interrupt_attack_threshold, 4.0f);
  apply("damage_interrupt_attack_treshold = 4\ndamage_interrupt_attack_threshold = 3\n");
  EXPECT_FLOAT_EQ(g_module_settings.damage_interrupt_attack_threshold, 3.0f);
  EXPECT_EQ(log.lines_starting_with("Setting damage_interrupt_attack_treshold = ").size(), 4u);
}

TEST_F(ProcessModuleInfo, ResourcesLoadInLineOrderBeforeLaterDirectives) {
  test::log_capture log;
  std::vector<float> seen_time_multiplier;
  process_module_info(table_of("load_resource = core_a\n"
                               "time_multiplier = 0.3\n"
                               "load_mod_resource = mod_b\n"
                               "load_module_resource = mod_c\n"),
                      [&](const ruv_string& name, bool from_module) {
                        loads.emplace_back(name.c_str(), from_module);
                        seen_time_multiplier.push_back(g_module_settings.time_multiplier);
                      });
  EXPECT_EQ(loads, (std::vector<std::pair<std::string, bool>>{{"core_a", false}, {"mod_b", true}, {"mod_c", true}}));
  EXPECT_EQ(seen_time_multiplier, (std::vector<float>{0.15f, 0.3f, 0.3f}));
  EXPECT_EQ(log.lines_starting_with("Loading Resource "), std::vector<std::string>{"Loading Resource core_a"});
  EXPECT_EQ(log.lines_starting_with("Loading Module Resource "),
            (std::vector<std::string>{"Loading Module Resource mod_b", "Loading Module Resource mod_c"}));
}

TEST_F(ProcessModuleInfo, MakesVertexColoursLinearAfterTheDirectives) {
  null_resource_device device;
  device.caps.pixel_shaders_in_use = true;
  g_resource_manager.set_device_hooks(&device);
  bool linear_during_loads = true;
  process_module_info(table_of("load_resource = core_a\n"), [&](const ruv_string&, bool) {
    linear_during_loads = g_resource_manager.vertex_colors_linear;
  });
  EXPECT_FALSE(linear_during_loads);
  EXPECT_TRUE(g_resource_manager.vertex_colors_linear);
  g_resource_manager.set_device_hooks(nullptr);
  g_resource_manager.vertex_colors_linear = false;
}

TEST_F(ProcessModuleInfo, UnknownKeysLongerThanOneCharacterAreLogged) {
  test::log_capture log;
  // A lone "#" after a blank is a one-character key, "#x" is longer; empty
  // lines and the empty pair after the final line feed are passed over.
  apply("\n # comment\n #x\nq = 1\nno_such_directive = 1\nTIME_multiplier = 0.2\n");
  EXPECT_EQ(log.lines_starting_with("Unrecognized Module_info directive = "),
            (std::vector<std::string>{"Unrecognized Module_info directive = #x. Skipping.",
                                      "Unrecognized Module_info directive = no_such_directive. Skipping."}));
  EXPECT_FLOAT_EQ(g_module_settings.time_multiplier, 0.2f);
}

TEST_F(ProcessModuleInfo, DisplaySwitchesStartAtOneOnEveryRun) {
  apply("display_wp_archery = 0");
  EXPECT_EQ(g_display_wp.archery, 0);
  apply("num_hints = 4");
  EXPECT_EQ(g_display_wp.archery, 1);
  EXPECT_EQ(g_module_settings.num_hints, 4);
}

TEST_F(ProcessModuleInfo, IntegerValuesOutsideThe32BitRangeAreHeldToIt) {
  apply("works_with_version_max = 99999999999\nworks_with_version_min = -99999999999");
  EXPECT_EQ(g_module_settings.works_with_version_max, 2147483647);
  EXPECT_EQ(g_module_settings.works_with_version_min, -2147483647 - 1);
}

}  // namespace
}  // namespace hm
