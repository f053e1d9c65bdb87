// Scene-prop kinds: bounds from the mesh and body, "0" and "none" for no mesh,
// triggers on the mission clock, the lookups by id and the flora lookup.
#include <gtest/gtest.h>

#include "engine/core/timer.h"
#include "module/data/data_files.h"
#include "module/records/scene_prop.h"
#include "module/support/module_test_support.h"

namespace hm {
namespace {

using test::fatal_message;
using test::memory_reader;

class SceneProps : public ::testing::Test {
 protected:
  void SetUp() override {
    test::register_test_resources();
    reset_clocks();
    set_clock_ticks(clock_mission, 7000);
  }
  void TearDown() override {
    g_scene_prop_kinds.clear();
    reset_clocks();
  }
};

TEST_F(SceneProps, MeshAndBodyGrowTheBoxAndMissingOnesLeaveItEmpty) {
  memory_reader reader(
      "scene_propsfile version 1\n4\n"
      "spr_empty 0 0 0 0 0\n"
      "spr_none 1 0 none 0 0\n"
      "spr_barrel 2 50 barrel_a bo_barrel 2 -42.0 0 1.5 1 2133 2 1 2\n"
      "spr_chest 3 0 chest_a 0 0\n");
  load_scene_props(g_scene_prop_kinds, reader);
  ASSERT_EQ(g_scene_prop_kinds.size(), 4u);
  for (int i : {0, 1}) {
    const scene_prop& p = g_scene_prop_kinds[static_cast<std::size_t>(i)];
    EXPECT_EQ(p.prop_mesh, nullptr) << i;
    EXPECT_EQ(p.collision_body, nullptr) << i;
    EXPECT_EQ(p.box_min.x, 10000.0f) << i;
    EXPECT_EQ(p.box_max.z, -10000.0f) << i;
  }
  const scene_prop& barrel = g_scene_prop_kinds[2];
  EXPECT_EQ(barrel.hit_points, 50);
  ASSERT_NE(barrel.prop_mesh, nullptr);
  ASSERT_NE(barrel.collision_body, nullptr);
  EXPECT_FLOAT_EQ(barrel.box_min.x, -0.35f);
  EXPECT_FLOAT_EQ(barrel.box_max.z, 1.0f);
  ASSERT_EQ(barrel.triggers.count(), 2);
  EXPECT_EQ(barrel.triggers.clock_id, clock_mission);
  EXPECT_EQ(barrel.triggers.triggers[1].run_timer.start_ticks, 7000);
  EXPECT_EQ(barrel.triggers.triggers[1].block.name, "Mission object spr_barrel trigger no: 1");

  EXPECT_EQ(find_scene_prop_kind("spr_chest"), 3);
  EXPECT_EQ(find_scene_prop_kind("spr_missing"), -1);
  EXPECT_EQ(find_scene_prop_kind("SPR_CHEST"), -1);
}

TEST_F(SceneProps, AMissingMeshIsFatal) {
  memory_reader reader("scene_propsfile version 1\n1\nspr_x 0 0 no_such_mesh 0 0\n");
  EXPECT_EQ(fatal_message([&] { load_scene_props(g_scene_prop_kinds, reader); }),
            "get_object failed for: no_such_mesh");
}

TEST_F(SceneProps, FloraLookupGivesTheFirstKindForAnUnknownName) {
  std::vector<flora_kind> saved;
  saved.swap(g_flora_kinds);
  g_flora_kinds.resize(3);
  g_flora_kinds[1].name = "bush";
  g_flora_kinds[2].name = "tree";
  EXPECT_EQ(find_flora_kind("tree"), 2);
  EXPECT_EQ(find_flora_kind("rock"), 0);
  g_flora_kinds.swap(saved);
}

}  // namespace
}  // namespace hm
