// Tableau materials: the record with its scaled values and named block, the
// sample material ("none" for none), the indices and the "tab_" codes, and a
// reload that gives the render targets back.
#include <gtest/gtest.h>

#include "engine/resource/texture_record.h"
#include "module/support/module_test_support.h"
#include "module/media/tableau_material.h"
#include "script/script_errors.h"
#include "script/script_host.h"

namespace hm {
namespace {

using test::memory_reader;

TEST(TableauMaterials, RecordsIndicesAndCodes) {
  test::register_test_resources();
  tableau_material_table table;
  test::log_capture log;
  memory_reader reader(
      "2\n"
      "tab_banner 3 stone 256 512 -250 -500 250 1500 0\n"
      "tab_game_party_window 0 none 128 128 0 0 1000 1000 1 2133 2 1 2\n");
  load_tableau_materials(table, reader);
  ASSERT_EQ(table.count(), 2);
  const tableau_material& banner = table.materials[0];
  EXPECT_EQ(banner.flags, 3);
  EXPECT_EQ(banner.width, 256);
  EXPECT_EQ(banner.height, 512);
  EXPECT_FLOAT_EQ(banner.values[0], -0.25f);
  EXPECT_FLOAT_EQ(banner.values[3], 1.5f);
  EXPECT_NE(banner.sample_material, nullptr);
  EXPECT_EQ(banner.script.name, "Tableau material tab_banner");
  EXPECT_EQ(table.materials[1].sample_material, nullptr);
  EXPECT_EQ(table.materials[1].index, 1);
  EXPECT_EQ(table.materials[1].script.operations.size(), 1u);
  EXPECT_EQ(table.codes[0], -1);
  EXPECT_EQ(table.codes[2], 1);
  EXPECT_EQ(log.lines_starting_with("WARNING: UNABLE TO MAP GAME TABLEAU CODE: ").size(), 2u);

  // A reload gives the render targets of the old records back.
  texture target;
  target.in_use = 1;
  table.materials[0].render_targets.push_back(&target);
  memory_reader again("0\n");
  load_tableau_materials(table, again);
  EXPECT_EQ(target.in_use, 0u);
  EXPECT_EQ(table.count(), 0);
}

}  // namespace
}  // namespace hm

namespace hm {
namespace {

// Module code's tableau ids are checked against the loaded materials.
TEST(TableauMaterials, ScriptTableauIdsCountTheLoadedMaterials) {
  const script_host saved = current_script_host();
  install_tableau_render_host();
  g_tableau_materials.materials.resize(3);
  EXPECT_EQ(current_script_host().render->tableau_count(), 3);
  EXPECT_TRUE(validate_tableau_id(2));
  g_tableau_materials = tableau_material_table{};
  EXPECT_EQ(current_script_host().render->tableau_count(), 0);
  set_script_host(saved);
}

}  // namespace
}  // namespace hm
