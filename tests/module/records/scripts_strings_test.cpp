// Scripts, presentations, module strings, quick strings and module meshes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/core/timer.h"
#include "module/records/module_mesh.h"
#include "module/records/presentation_table.h"
#include "module/records/script_table.h"
#include "module/text/string_table.h"
#include "module/support/module_test_support.h"
#include "script/game_hooks.h"

namespace hm {
namespace {

using test::fatal_message;
using test::memory_reader;

class ScriptsAndStrings : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_clocks();
    set_clock_ticks(clock_mission, 4200);
    clear_hook_script_map();
  }
  void TearDown() override {
    reset_clocks();
    clear_hook_script_map();
  }
};

TEST_F(ScriptsAndStrings, ScriptsReadTheirOwnHeaderNameTheirBlocksAndMapHooks) {
  memory_reader reader(
      "scriptsfile version 1 3 "
      "game_start -1.0 1 2133 2 72057594037927936 5 "
      "hourly 24.0 0 "
      "game_get_troop_wage 0 0");
  script_table table;
  load_scripts(table, reader);
  ASSERT_EQ(table.count(), 3);
  EXPECT_EQ(table.scripts[0].name, "game_start");
  EXPECT_FLOAT_EQ(table.scripts[0].check_interval, -1.0f);
  ASSERT_EQ(table.scripts[0].block.count(), 1);
  EXPECT_EQ(table.scripts[0].block.operations[0].params[0], 72057594037927936);
  EXPECT_EQ(table.scripts[0].block.name, "script: game_start");
  EXPECT_EQ(table.scripts[1].block.name, "script: hourly");
  EXPECT_EQ(table.interval_script_count, 2);  // intervals of 0 and more
  EXPECT_EQ(g_hook_script_map[static_cast<int>(game_hook_code::game_start)], 0);
  EXPECT_EQ(g_hook_script_map[static_cast<int>(game_hook_code::game_get_troop_wage)], 2);
}

TEST_F(ScriptsAndStrings, ReloadingScriptsRebindsHooksAndWarnsForARenamedOne) {
  script_table table;
  memory_reader first("h v 1 2 game_start -1 0 game_event_battle_end -1 0");
  load_scripts(table, first);
  EXPECT_EQ(g_hook_script_map[static_cast<int>(game_hook_code::game_event_battle_end)], 1);

  test::log_capture log;
  memory_reader second("h v 1 1 game_start_renamed -1 0");
  load_scripts(table, second);
  ASSERT_EQ(table.count(), 1);
  EXPECT_EQ(g_hook_script_map[static_cast<int>(game_hook_code::game_start)], -1);
  EXPECT_EQ(g_hook_script_map[static_cast<int>(game_hook_code::game_event_battle_end)], -1);
  const auto warnings = log.lines_starting_with("WARNING: UNABLE TO MAP GAME SCRIPT CODE: ");
  ASSERT_EQ(warnings.size(), 28u);
  EXPECT_EQ(warnings[0], "WARNING: UNABLE TO MAP GAME SCRIPT CODE: game_start");
}

TEST_F(ScriptsAndStrings, PresentationsRunTheirTriggersOnTheMissionClockAndMapCodes) {
  memory_reader reader(
      "presentationsfile version 1 2 "
      "prsnt_game_credits 1 12 2 -18.0 0 0.5 1 2133 2 1 2 "
      "prsnt_other 0 0 0");
  presentation_table table;
  load_presentations(table, reader);
  ASSERT_EQ(table.count(), 2);
  const presentation_record& p = table.presentations[0];
  EXPECT_EQ(p.name, "prsnt_game_credits");
  EXPECT_EQ(p.flags, 1);
  EXPECT_EQ(p.background_mesh, 12);
  ASSERT_EQ(p.triggers.count(), 2);
  EXPECT_FLOAT_EQ(p.triggers.triggers[0].interval, -18.0f);
  EXPECT_EQ(p.triggers.triggers[1].block.name, "Presentation prsnt_game_credits trigger no: 1");
  EXPECT_EQ(p.triggers.triggers[1].run_timer.clock_id, clock_mission);
  EXPECT_EQ(p.triggers.triggers[1].run_timer.start_ticks, 4200);
  EXPECT_EQ(table.presentations[1].triggers.count(), 0);
  EXPECT_EQ(std::vector<int>(table.codes, table.codes + 3), (std::vector<int>{-1, -1, 0}));
}

TEST_F(ScriptsAndStrings, StringsTurnUnderscoresIntoBlanks) {
  string_table table;
  memory_reader strings("3 str_a Hello_there str_b Plain str_c Two__blanks");
  load_module_strings(table, strings);
  ASSERT_EQ(table.module_string_count(), 3);
  EXPECT_EQ(table.module_strings[0].id, "str_a");
  EXPECT_EQ(table.module_strings[0].text, "Hello there");
  EXPECT_EQ(table.module_strings[1].text, "Plain");
  EXPECT_EQ(table.module_strings[2].text, "Two  blanks");
  EXPECT_EQ(table.quick_string_count(), 0);
}

TEST_F(ScriptsAndStrings, QuickStringsAndMeshesStartWithTheirCount) {
  string_table strings;
  memory_reader quick("2 qstr_Done Done qstr_Go_back Go_back");
  load_quick_strings(strings, quick);
  ASSERT_EQ(strings.quick_string_count(), 2);
  EXPECT_EQ(strings.quick_strings[1].id, "qstr_Go_back");
  EXPECT_EQ(strings.quick_strings[1].text, "Go back");

  module_mesh_table meshes;
  memory_reader mesh("1 mesh_compass 1 compass 0.5 0.4 0 0 0 90 0.5 0.5 1");
  load_module_meshes(meshes, mesh);
  ASSERT_EQ(meshes.count(), 1);
  const module_mesh& m = meshes.meshes[0];
  EXPECT_EQ(m.id, "mesh_compass");
  EXPECT_EQ(m.flags, 1);
  EXPECT_EQ(m.mesh_name, "compass");
  EXPECT_FLOAT_EQ(m.translation.y, 0.4f);
  EXPECT_FLOAT_EQ(m.rotation.z, 90.0f);
  EXPECT_FLOAT_EQ(m.scale.x, 0.5f);
  EXPECT_FLOAT_EQ(m.scale.z, 1.0f);

  // A header in front of a headerless file is a broken file, not a silent misread.
  memory_reader with_header("quick_stringsfile version 1 1 qstr_a a");
  EXPECT_NE(fatal_message([&] { load_quick_strings(strings, with_header); }), "");
}

TEST_F(ScriptsAndStrings, ReloadReplacesTheOldRecords) {
  string_table table;
  memory_reader first("3 a x b y c z");
  load_module_strings(table, first);
  memory_reader second("1 d w");
  load_module_strings(table, second);
  ASSERT_EQ(table.module_string_count(), 1);
  EXPECT_EQ(table.module_strings[0].id, "d");
}

TEST_F(ScriptsAndStrings, TruncatedFilesEndInTheEndOfFileError) {
  script_table scripts;
  memory_reader script_reader("scriptsfile version 1 2 a -1 0 b");
  EXPECT_EQ(fatal_message([&] { load_scripts(scripts, script_reader); }),
            "Unexpected End of File while reading file: test.txt");
  module_mesh_table meshes;
  memory_reader mesh_reader("1 mesh_x 0 res 1 2 3 4 5 6 7 8");
  EXPECT_EQ(fatal_message([&] { load_module_meshes(meshes, mesh_reader); }),
            "Unexpected End of File while reading file: test.txt");
}

}  // namespace
}  // namespace hm
