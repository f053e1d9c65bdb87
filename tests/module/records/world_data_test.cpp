// Loading the world files of a small module folder into a game object: the
// faction limit, interval scripts as simple triggers, the corner constants,
// and a missing file.
#include "module/troops/troop.h"
#include "module/records/item_kind.h"
#include "module/loading/game.h"

#include <gtest/gtest.h>

#include <string>

#include "module/base/module_paths.h"
#include "module/records/script_table.h"
#include "module/support/module_test_support.h"
#include "platform/fs.h"

namespace hm {
namespace {

using test::fatal_message;

std::string factions_file(int count) {
  std::string text = "factionsfile version 1\n" + std::to_string(count) + "\n";
  for (int i = 0; i < count; ++i) {
    text += "fac_" + std::to_string(i) + " F 0 0";
    for (int j = 0; j < count; ++j) text += " 0";
    text += " 0\n";
  }
  return text;
}

class WorldData : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_.write("Data/skeleton_bodies.xml", "<Skeletons></Skeletons>\n");
    folder_.write("Modules/W/factions.txt", factions_file(2));
    folder_.write("Modules/W/skills.txt", "1\nskl_a A 0 10 D\n");
    folder_.write("Modules/W/troops.txt", "troopsfile version 1\n0\n");
    folder_.write("Modules/W/scenes.txt", "scenesfile version 1\n0\n");
    folder_.write("Modules/W/quests.txt", "questsfile version 1\n1\nqst_a A 0 T\n");
    folder_.write("Modules/W/triggers.txt", "triggersfile version 1\n1\n1.0 0.0 0.0 0 0\n");
    folder_.write("Modules/W/simple_triggers.txt", "simple_triggers_file version 1\n1\n0.5 0\n");
    platform::invalidate_path_cache();
    set_module_name("W");
    // Scripts with intervals 0.0, 2.5 and -1.0.
    saved_scripts_ = g_script_table;
    g_script_table.scripts.clear();
    for (float interval : {0.0f, 2.5f, -1.0f}) {
      g_script_table.scripts.emplace_back();
      g_script_table.scripts.back().check_interval = interval;
      g_script_table.scripts.back().name = "s";
    }
    g_script_table.interval_script_count = 2;
  }
  void TearDown() override {
    g_script_table = saved_scripts_;
    platform::invalidate_path_cache();
  }

  test::temp_folder folder_;
  test::scoped_working_folder in_folder_{folder_.path()};
  script_table saved_scripts_;
};

TEST_F(WorldData, IntervalScriptsBecomeSimpleTriggersAfterTheFilesOnes) {
  game g;
  load_module_world_data(g, g_script_table.interval_script_count);
  EXPECT_EQ(g.faction_count(), 2);
  EXPECT_EQ(g.quest_count(), 1);
  EXPECT_EQ(g.triggers.count(), 1);
  ASSERT_EQ(g.simple_triggers.count(), 3);
  EXPECT_FLOAT_EQ(g.simple_triggers.triggers[0].interval, 0.5f);
  for (int i = 0; i < 2; ++i) {
    const simple_trigger& t = g.simple_triggers.triggers[static_cast<std::size_t>(i + 1)];
    EXPECT_FLOAT_EQ(t.interval, i == 0 ? 0.0f : 2.5f);
    ASSERT_EQ(t.block.count(), 1);
    EXPECT_EQ(t.block.operations[0].opcode_word, opcode::run_script);
    EXPECT_EQ(t.block.operations[0].param_count, 1);
    EXPECT_EQ(t.block.operations[0].params[0], i);
    EXPECT_EQ(t.block.operations[0].jump_index, -1);
    EXPECT_FALSE(t.block.jumps_resolved);
  }
  EXPECT_EQ(g.simple_triggers.clock_id, 1);
  const corner_lighting expected = default_corner_lighting();
  EXPECT_EQ(g.corners.samples, expected.samples);
  EXPECT_EQ(g.corners.points[3][0], 100.0f);
  EXPECT_EQ(g.corners.samples[2][3], -3.0f);
}

TEST_F(WorldData, FactionLimitAndMissingFiles) {
  folder_.write("Modules/W/factions.txt", factions_file(128));
  game g;
  load_module_world_data(g, 2);
  EXPECT_EQ(g.faction_count(), 128);
  folder_.write("Modules/W/factions.txt", factions_file(129));
  EXPECT_EQ(fatal_message([&] { load_module_world_data(g, 2); }), "Too Many Factions: 129 (Max should be 128)");
  folder_.write("Modules/W/factions.txt", factions_file(1));
  std::filesystem::remove(folder_.path() / "Modules/W/quests.txt");
  platform::invalidate_path_cache();
  EXPECT_EQ(fatal_message([&] { load_module_world_data(g, 2); }), "Unable to open Modules\\W\\quests.txt");
}


// One troop of troops.txt with its first item and one attribute given; the
// rest of the record as zeroes and empty slots.
std::string one_troop_file(const std::string& first_item, const std::string& strength) {
  std::string text = "troopsfile version 1\n1\ntrp_a A A 0 0 0 0 0 0\n";
  text += first_item + " 0";
  for (int i = 1; i < troop_file_inventory_size; ++i) text += " -1 0";
  text += "\n" + strength + " 5 5 5 1\n";
  for (int i = 0; i < troop_proficiency_count; ++i) text += " 0";
  text += "\n";
  for (int i = 0; i < troop_skill_words; ++i) text += " 0";
  text += "\n0 0 0 0 0 0 0 0\n";
  return text;
}

// A troop file written by hand: a word where a number belongs names the file
// and its line; an item past the item table is refused when the troop is read.
TEST_F(WorldData, BrokenTroopRecordsAreRefusedWithWhatIsWrong) {
  const std::vector<item_kind> saved_items = g_item_kinds;
  g_item_kinds.assign(3, item_kind{});
  game g;
  folder_.write("Modules/W/troops.txt", one_troop_file("2", "9"));
  load_module_world_data(g, 2);
  EXPECT_EQ(g.troops[0].attributes[0], 9);
  folder_.write("Modules/W/troops.txt", one_troop_file("2", "abc"));
  EXPECT_EQ(fatal_message([&] { load_module_world_data(g, 2); }),
            "Modules\\W\\troops.txt, line 5: expected a number, found \"abc\"");
  folder_.write("Modules/W/troops.txt", one_troop_file("3", "9"));
  EXPECT_EQ(fatal_message([&] { load_module_world_data(g, 2); }),
            "troops.txt: troop trp_a (0) carries item 3, past the item table of 3 kinds");
  g_item_kinds = saved_items;
}

}  // namespace
}  // namespace hm
