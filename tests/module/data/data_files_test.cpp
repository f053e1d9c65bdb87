// The Data folder's files and the module's actions.txt.
#include "module/data/data_files.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/resource/material.h"
#include "engine/resource/mesh.h"
#include "engine/resource/resource_manager.h"
#include "engine/resource/skeleton.h"
#include "module/records/action_table.h"
#include "module/base/module_paths.h"
#include "module/support/module_test_support.h"

namespace hm {
namespace {

using test::fatal_message;
using test::memory_reader;

constexpr const char* end_of_file = "Unexpected End of File while reading file: test.txt";

std::string modifiers_text(int count) {
  std::string text;
  for (int i = 0; i < count; ++i) {
    text += "imod_" + std::to_string(i) + " Name_" + std::to_string(i) + " " + std::to_string(1.0 + i) + " 0.5\n";
  }
  return text;
}

std::string ground_specs_text(const std::string& last_detail = "none") {
  std::string text;
  for (int i = 0; i < ground_spec_count; ++i) {
    text += "ground_" + std::to_string(i) + " " + std::to_string(i % 3) + " grass 1.5 " +
            (i == ground_spec_count - 1 ? last_detail : std::string("none")) + "\n";
  }
  return text;
}

std::string mission_types_text() {
  std::string text;
  for (int i = 0; i < mission_type_count; ++i) text += "type_" + std::to_string(i) + " 1 3 side_a 4 5 6\n";
  return text;
}

class DataFiles : public ::testing::Test {
 protected:
  void SetUp() override { test::register_test_resources(); }
};

TEST_F(DataFiles, ItemModifiersAreExactly43RecordsOfIdNameAndTwoFloats) {
  std::array<item_modifier, item_modifier_count> table;
  memory_reader reader(modifiers_text(44));  // the 44th record is not read
  read_item_modifiers(reader, table);
  EXPECT_EQ(table[0].id, "imod_0");
  EXPECT_EQ(table[0].name, "Name 0");
  EXPECT_FLOAT_EQ(table[42].price_factor, 43.0f);
  EXPECT_FLOAT_EQ(table[42].rarity, 0.5f);
  EXPECT_NE(reader.unread().find("imod_43"), std::string_view::npos);

  memory_reader short_file(modifiers_text(42));
  EXPECT_EQ(fatal_message([&] { read_item_modifiers(short_file, table); }), end_of_file);
}

TEST_F(DataFiles, GroundSpecsResolveMaterialsAndNoneMeansNoDetailMaterial) {
  std::array<ground_spec, ground_spec_count> table;
  memory_reader reader(ground_specs_text("grass_detail"));
  read_ground_specs(reader, table);
  EXPECT_EQ(table[0].name, "ground_0");
  EXPECT_EQ(table[2].flags, 2);
  ASSERT_NE(table[0].ground_material, nullptr);
  EXPECT_EQ(table[0].ground_material->name, "grass");
  EXPECT_FLOAT_EQ(table[0].scale, 1.5f);
  EXPECT_EQ(table[0].detail_material, nullptr);
  ASSERT_NE(table[10].detail_material, nullptr);
  EXPECT_EQ(table[10].detail_material->name, "grass_detail");
}

TEST_F(DataFiles, AMissingGroundMaterialFallsBackToDefault) {
  std::array<ground_spec, ground_spec_count> table;
  std::string text = ground_specs_text();
  text.replace(text.find("grass"), 5, "no_such_material");
  memory_reader reader(text);
  read_ground_specs(reader, table);
  ASSERT_NE(table[0].ground_material, nullptr);
  EXPECT_EQ(table[0].ground_material->name, "default");
}

TEST_F(DataFiles, SkyboxesKeepTenOfTheirThirteenFloats) {
  std::vector<skybox> table(5);
  memory_reader reader("1 sky_a 268435456 45 1 2 0.9 0.8 0.7 11 12 13 0.1 0.2 0.3 0.4 4286615712");
  read_skyboxes(reader, table);
  ASSERT_EQ(table.size(), 1u);
  const skybox& s = table[0];
  EXPECT_EQ(s.name, "sky_a");
  EXPECT_EQ(s.flags, 0x10000000u);
  EXPECT_FLOAT_EQ(s.latitude, 45.0f);
  EXPECT_FLOAT_EQ(s.unused[1], 2.0f);
  EXPECT_FLOAT_EQ(s.sun_color.z, 0.7f);
  EXPECT_EQ(std::vector<float>(s.ambient_color, s.ambient_color + 4), (std::vector<float>{0.1f, 0.2f, 0.3f, 0.4f}));
  EXPECT_EQ(s.fog_color, 0xFF8090A0u);
}

TEST_F(DataFiles, MissionTypesAreExactlyElevenWithTheirEntries) {
  std::array<mission_type, mission_type_count> table;
  std::string text = mission_types_text();
  text.replace(0, text.find('\n'), "first_type 2 0 player_side 1 1 enemy_side 12 7 8");
  memory_reader reader(text);
  read_mission_types(reader, table);
  EXPECT_EQ(table[0].name, "first type");
  ASSERT_EQ(table[0].entries.size(), 2u);
  EXPECT_EQ(table[0].entries[1].first, 1);
  EXPECT_EQ(table[0].entries[1].text, "enemy side");
  EXPECT_EQ(table[0].entries[1].second, 12);
  EXPECT_EQ(table[0].values[0], 7);
  EXPECT_EQ(table[0].values[1], 8);
  EXPECT_EQ(table[10].name, "type 10");
  EXPECT_EQ(table[10].entries[0].text, "side a");
}

TEST_F(DataFiles, FloraKindsResolveMeshesAndBodies) {
  std::vector<flora_kind> table;
  memory_reader reader("2 bush 12 2 bush_a 0 bush_b 0 tree_pine 4199424 1 tree_pine_a bo_tree_pine_a");
  read_flora_kinds(reader, table);
  ASSERT_EQ(table.size(), 2u);
  EXPECT_EQ(table[0].name, "bush");
  EXPECT_EQ(table[0].flags, 12u);
  ASSERT_EQ(table[0].variants.size(), 2u);
  ASSERT_NE(table[0].variants[1].mesh, nullptr);
  EXPECT_EQ(table[0].variants[1].mesh->name, "bush_b");
  EXPECT_EQ(table[0].variants[1].collision_body, nullptr);
  const flora_variant& b = table[0].variants[1];
  EXPECT_EQ(std::vector<float>({b.box_min.x, b.box_min.y, b.box_min.z, b.box_max.x, b.box_max.y, b.box_max.z}),
            std::vector<float>({-1, -4, 0, 3, 2, 1.5f}));
  EXPECT_FLOAT_EQ(table[0].variants[0].box_min.x, 10000000.0f);  // no points
  EXPECT_NE(table[1].variants[0].collision_body, nullptr);

  memory_reader missing("1 weed 0 1 no_such_mesh 0");
  EXPECT_EQ(fatal_message([&] { read_flora_kinds(missing, table); }), "get_object failed for: no_such_mesh");
}

TEST_F(DataFiles, ActionsReadTheirSequencesAndResolveAnimations) {
  action_table table;
  memory_reader reader(
      "2 stand 0 2 "
      "3.0 anim_human 50 52 268435456 7 0.0 0.0 0.0 0.0 "
      "2.5 anim_human 60 62 0 0 1.0 2.0 3.0 0.5 "
      "aim_bow 402657280 0");
  read_action_table(reader, table);
  ASSERT_EQ(table.count(), 2);
  const action_record& stand = table.actions[0];
  EXPECT_EQ(stand.name, "stand");
  EXPECT_EQ(stand.pitch_frames, 100);
  ASSERT_EQ(stand.sequences.size(), 2u);
  const action_sequence& s = stand.sequences[1];
  EXPECT_FLOAT_EQ(s.duration, 2.5f);
  ASSERT_NE(s.animation, nullptr);
  EXPECT_EQ(s.animation->name, "anim_human");
  EXPECT_EQ(s.first_frame, 60);
  EXPECT_EQ(s.last_frame, 62);
  EXPECT_EQ(stand.sequences[0].flags, 0x10000000u);
  EXPECT_EQ(stand.sequences[0].flags2, 7u);
  EXPECT_FLOAT_EQ(s.root_motion.y, 2.0f);
  EXPECT_FLOAT_EQ(s.phase, 0.5f);
  EXPECT_EQ(table.actions[1].flags, 0x18001000u);
  EXPECT_EQ(table.actions[1].pitch_frames, 0x18);

  memory_reader missing("1 a 0 1 1.0 no_such_anim 0 1 0 0 0 0 0 0");
  EXPECT_EQ(fatal_message([&] { read_action_table(missing, table); }), "get_skeleton_anim failed for: no_such_anim");
  memory_reader negative("1 a 0 -1");
  EXPECT_EQ(fatal_message([&] { read_action_table(negative, table); }),
            "Bad count -1 of sequences in a of file test.txt");
}

// load_data_files over a game folder whose Data folder and files are written
// in another letter case than the engine's paths.
TEST_F(DataFiles, LoadDataFilesFindsFilesWhateverTheirLetterCase) {
  test::temp_folder game;
  game.write("DATA/Item_Modifiers.txt", modifiers_text(43));
  game.write("DATA/flora_kinds.TXT", "1 grass 0 1 grass_a 0\n");
  game.write("DATA/ground_specs.txt", ground_specs_text());
  game.write("DATA/SKYBOXES.txt", "0\n");
  game.write("DATA/mission_types.txt", mission_types_text());
  // A module name long enough that its paths pass 256 characters.
  const std::string module(250, 'm');
  game.write("Modules/" + module + "/Actions.txt", "1 stand 0 0\n");
  test::scoped_working_folder in_game(game.path());
  set_module_name(module);
  EXPECT_EQ(module_file_path("actions.txt"), "Modules\\" + module + "\\actions.txt");
  load_data_files();
  EXPECT_EQ(g_item_modifiers[5].id, "imod_5");
  ASSERT_EQ(g_flora_kinds.size(), 1u);
  EXPECT_EQ(g_ground_specs[3].name, "ground_3");
  EXPECT_TRUE(g_skyboxes.empty());
  EXPECT_EQ(g_mission_types[2].name, "type 2");
  ASSERT_EQ(g_action_table.count(), 1);
  EXPECT_EQ(g_action_table.actions[0].name, "stand");
}

TEST_F(DataFiles, AMissingDataFileIsFatalWithItsPath) {
  test::temp_folder game;
  game.write("Data/item_modifiers.txt", modifiers_text(43));
  test::scoped_working_folder in_game(game.path());
  EXPECT_EQ(fatal_message([] { load_data_files(); }), "Unable to open Data\\flora_kinds.txt");
}

}  // namespace
}  // namespace hm
