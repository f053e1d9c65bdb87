#include "module/base/code_mapping.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/audio/sound_manager.h"
#include "module/records/particle_system.h"
#include "module/records/presentation_table.h"
#include "module/records/script_table.h"
#include "module/support/module_test_support.h"
#include "script/game_hooks.h"

namespace hm {
namespace {

sound_manager sounds_named(const std::vector<const char*>& names) {
  sound_manager sounds;
  for (const char* name : names) {
    sound_record record;
    record.name = ruv_string(name);
    sounds.sounds.push_back(record);
  }
  return sounds;
}

TEST(MapSoundCodes, BindsEachSlotToTheFirstRecordOfItsExactName) {
  // Capitals do not match; of two records with one name the lower index wins.
  sound_manager sounds = sounds_named({"Snd_Click", "snd_gong", "snd_wooden_hit_high_armor_high_damage", "snd_gong"});
  test::log_capture log;
  map_sound_codes(sounds);
  EXPECT_EQ(sounds.slot_sound_ids[0], -1);
  EXPECT_EQ(sounds.slot_sound_ids[1], 1);
  EXPECT_EQ(sounds.slot_sound_ids[124], 2);
  const std::vector<std::string> warnings = log.lines_starting_with("WARNING: UNABLE TO MAP SOUND CODE: ");
  ASSERT_EQ(warnings.size(), 123u);
  EXPECT_EQ(warnings.front(), "WARNING: UNABLE TO MAP SOUND CODE: snd_click");
}

TEST(MapSoundCodes, EveryEntryIsOverwrittenSoAVanishedRecordLeavesMinusOne) {
  sound_manager sounds = sounds_named({"snd_click"});
  map_sound_codes(sounds);
  EXPECT_EQ(sounds.slot_sound_ids[0], 0);
  sounds.sounds[0].name = ruv_string("snd_renamed");
  map_sound_codes(sounds);
  EXPECT_EQ(sounds.slot_sound_ids[0], -1);
}

TEST(MapParticleSystemCodes, CodesZeroAndTenShareTheRainRecord) {
  particle_system_table table;
  for (const char* id : {"psys_other", "psys_game_blood", "psys_game_rain"}) {
    particle_system_record record;
    record.id = ruv_string(id);
    table.records.push_back(record);
  }
  test::log_capture log;
  map_particle_system_codes(table);
  EXPECT_EQ(table.codes[0], 2);
  EXPECT_EQ(table.codes[10], 2);
  EXPECT_EQ(table.codes[2], 1);
  EXPECT_EQ(table.codes[1], -1);
  EXPECT_EQ(log.lines_starting_with("WARNING: UNABLE TO MAP Particle System CODE: ").size(), 8u);
}

TEST(MapPresentationAndTableauCodes, UseTheirOwnWarningTexts) {
  presentation_table presentations;
  presentations.presentations.resize(2);
  presentations.presentations[0].name = ruv_string("prsnt_game_escape");
  presentations.presentations[1].name = ruv_string("prsnt_game_credits");
  std::vector<ruv_string> tableaus = {ruv_string("tab_game_party_window")};
  std::int32_t tableau_codes[tableau_code_count];
  test::log_capture log;
  map_presentation_codes(presentations);
  map_tableau_codes(
      1, [&](int i) -> const ruv_string& { return tableaus[static_cast<std::size_t>(i)]; }, tableau_codes);
  EXPECT_EQ(std::vector<int>(presentations.codes, presentations.codes + 3), (std::vector<int>{-1, 0, 1}));
  EXPECT_EQ(std::vector<int>(tableau_codes, tableau_codes + 3), (std::vector<int>{-1, -1, 0}));
  EXPECT_EQ(log.lines_starting_with("WARNING: UNABLE TO MAP GAME PRESENTATION CODE: "),
            std::vector<std::string>{"WARNING: UNABLE TO MAP GAME PRESENTATION CODE: prsnt_game_start"});
  EXPECT_EQ(log.lines_starting_with("WARNING: UNABLE TO MAP GAME TABLEAU CODE: "),
            (std::vector<std::string>{"WARNING: UNABLE TO MAP GAME TABLEAU CODE: tab_game_character_sheet",
                                      "WARNING: UNABLE TO MAP GAME TABLEAU CODE: tab_game_inventory_window"}));
}

TEST(MapGameScriptCodes, FillsTheHookMapFromScriptNames) {
  script_table table;
  for (const char* name : {"helper", "game_start", "game_event_battle_end", "game_start"}) {
    script s;
    s.name = ruv_string(name);
    table.scripts.push_back(std::move(s));
  }
  test::log_capture log;
  map_game_script_codes(table);
  EXPECT_EQ(g_hook_script_map[static_cast<int>(game_hook_code::game_start)], 1);
  EXPECT_EQ(g_hook_script_map[static_cast<int>(game_hook_code::game_event_battle_end)], 2);
  EXPECT_EQ(g_hook_script_map[static_cast<int>(game_hook_code::game_get_troop_wage)], -1);
  const auto warnings = log.lines_starting_with("WARNING: UNABLE TO MAP GAME SCRIPT CODE: ");
  ASSERT_EQ(warnings.size(), 26u);
  EXPECT_EQ(warnings.front(), "WARNING: UNABLE TO MAP GAME SCRIPT CODE: game_event_party_encounter");
  clear_hook_script_map();
}

}  // namespace
}  // namespace hm
