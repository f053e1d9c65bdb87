#include <gtest/gtest.h>

#include <string>

#include "campaign/map/map_scene.h"
#include "campaign/map/map_terrain.h"
#include "campaign/support/map_fixture.h"
#include "engine/core/random.h"
#include "module/base/module_settings.h"

namespace hm {
namespace {

using test::build_picture_map;

// The layers a map face is drawn in, over every block.
std::vector<int> layers_of(const map_terrain& t, int face) {
  std::vector<int> out;
  for (int layer = 0; layer < map_terrain_layers; ++layer) {
    for (const map_terrain_block& b : t.blocks) {
      const auto& faces = b.layers[static_cast<std::size_t>(layer)].faces;
      if (std::find(faces.begin(), faces.end(), face) != faces.end()) {
        out.push_back(layer);
        break;
      }
    }
  }
  return out;
}

map_terrain terrain_of(const world_map& m) {
  map_terrain_settings s;
  s.tree_counts = {3, 0, 1, 0};
  return build_map_terrain(m, s);
}

TEST(map_terrain, materials_by_kind) {
  EXPECT_STREQ(get_map_terrain_material_name(0), "map_ocean");
  EXPECT_STREQ(get_map_terrain_material_name(6), "default");
  EXPECT_STREQ(get_map_terrain_material_name(7), "map_bridge");
  EXPECT_STREQ(get_map_terrain_material_name(23), "map_reverse_foam");
  EXPECT_STREQ(get_map_terrain_material_name(11), "default");
  EXPECT_EQ(map_base_layer(11), 3);
  EXPECT_EQ(map_base_layer(14), 6);
  EXPECT_EQ(map_base_layer(15), 0);
  EXPECT_EQ(map_base_layer(18), 2);
}

TEST(map_terrain, coast_distance_from_where_sea_meets_land) {
  world_map m;
  build_picture_map("~~...\n", m);
  const map_terrain t = terrain_of(m);
  // Vertices at x = 0, 1, 2, 3, 4, 5 (bottom row first): the coast at x = 2.
  const float expected[] = {2.0f, 1.0f, 0.0f, 1.0f, 2.0f, 3.0f};
  for (int i = 0; i <= 5; ++i) EXPECT_FLOAT_EQ(t.coast_distance[static_cast<std::size_t>(i)], expected[i]) << i;
}

TEST(map_terrain, the_layers_a_face_is_drawn_in) {
  world_map m;
  build_picture_map(
      "~~~...\n"
      "~~~.fr\n"
      "~~~..=\n",
      m);
  const int deep = m.find_face_at(0.5f, 1.5f);     // ocean, two from the coast
  const int coast = m.find_face_at(2.5f, 1.5f);    // ocean touching land
  const int forest = m.find_face_at(4.5f, 1.5f);   // plain forest (11)
  const int bridge = m.find_face_at(5.5f, 0.5f);
  const map_terrain t = terrain_of(m);
  EXPECT_EQ(layers_of(t, deep), (std::vector<int>{0}));
  EXPECT_EQ(layers_of(t, coast), (std::vector<int>{0, 11, 12}));
  // A forest face is drawn in its plain layer (3), the shore layer near the
  // coast... and in no water layer.
  const std::vector<int> forest_layers = layers_of(t, forest);
  EXPECT_NE(std::find(forest_layers.begin(), forest_layers.end(), 3), forest_layers.end());
  EXPECT_EQ(std::find(forest_layers.begin(), forest_layers.end(), 0), forest_layers.end());
  // A bridge only in the river layer; layer 7 is empty everywhere.
  EXPECT_EQ(layers_of(t, bridge), (std::vector<int>{8}));
  for (const map_terrain_block& b : t.blocks) EXPECT_TRUE(b.layers[7].triangles.empty());
}

TEST(map_terrain, kind_6_lies_in_layer_6) {
  world_map m;
  build_picture_map("..\n", m);
  m.faces[1].terrain = 6;
  const map_terrain t = terrain_of(m);
  const std::vector<int> layers = layers_of(t, 1);
  EXPECT_NE(std::find(layers.begin(), layers.end(), 6), layers.end());
}

TEST(map_terrain, one_tree_on_every_forest_face_from_its_set) {
  world_map m;
  build_picture_map("ff.\n.f.\n", m);
  m.faces[4].terrain = 10;  // a steppe forest
  random_seed(3);
  const map_terrain t = terrain_of(m);
  int plain = 0;
  int steppe = 0;
  for (const map_terrain_block& b : t.blocks) {
    for (const map_tree& tree : b.trees) {
      if (tree.set == 0) {
        ++plain;
        EXPECT_LT(tree.index, 3);
      } else {
        EXPECT_EQ(tree.set, 2);
        EXPECT_EQ(tree.index, 0);  // a set of one: its first tree
        ++steppe;
      }
      EXPECT_GE(tree.yaw, 0.0f);
      EXPECT_LT(tree.yaw, 6.2832f);
    }
  }
  EXPECT_EQ(plain, 2);
  EXPECT_EQ(steppe, 1);
}

TEST(map_terrain, tree_settings_are_held_to_64_and_written_back) {
  g_module_settings.set_defaults();
  g_module_settings.map_tree_types = 100;
  g_module_settings.map_desert_tree_types = -3;
  const std::array<int, 4> counts = clamp_map_tree_settings();
  EXPECT_EQ(counts[0], 64);
  EXPECT_EQ(g_module_settings.map_tree_types, 64);
  EXPECT_EQ(g_module_settings.map_desert_tree_types, 0);
  g_module_settings.set_defaults();
}

TEST(map_terrain, the_largest_coordinate_falls_in_the_last_block) {
  // 35 squares: the block size is (35 + 5) / 8 = 5, seven blocks exactly,
  // and the vertices at x = 35 lie on the last block's upper bound.
  world_map m;
  build_picture_map(std::string(35, '.') + "\n", m);
  const map_terrain t = terrain_of(m);
  EXPECT_EQ(t.blocks_x, 7);
  EXPECT_EQ(map_block_of(t, 35.0f, 0), 6);
  EXPECT_EQ(map_block_of(t, 0.0f, 0), 0);
  // Every face is drawn in some block.
  for (int f = 0; f < m.face_count(); ++f) EXPECT_FALSE(layers_of(t, f).empty()) << f;
}

}  // namespace
}  // namespace hm
