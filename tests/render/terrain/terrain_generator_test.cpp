#include "render/terrain/terrain_generator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cinttypes>
#include <memory>

#include "engine/core/random.h"
#include "render/terrain/terrain_fixture.h"

namespace hm {
namespace {

using test::code_fields;
using test::make_code;

class TerrainGenerator : public ::testing::Test {
 protected:
  void SetUp() override {
    gen = std::make_unique<terrain_generator>();
    gen->module_data = test::terrain_test_kinds();
  }
  void generate(const code_fields& f, ground_paint* paint = nullptr) {
    gen->code = make_code(f);
    gen->generate_terrain(nullptr, paint);
  }
  std::unique_ptr<terrain_generator> gen;
};

TEST_F(TerrainGenerator, ZeroCodeGivesTheSmallestTerrain) {
  gen->generate_terrain();
  EXPECT_EQ(gen->cells_x, 40);
  EXPECT_EQ(gen->cells_y, 40);
  EXPECT_EQ(gen->cell_size, 2.0f);
  EXPECT_EQ(gen->size_x, 80.0f);
  EXPECT_EQ(gen->size_y, 80.0f);
  EXPECT_EQ(gen->vertex(40, 40).position.x, 80.0f);
}

// The code alone makes the terrain, and the caller's random sequence (a
// battle's seed) goes on after it as if no terrain had been made.
TEST_F(TerrainGenerator, LeavesTheCallersRandomSequenceAsItWas) {
  random_seed(12345);
  gen->generate_terrain();
  const float height = gen->vertex(20, 20).position.z;
  // 12345 x 214013 + 2531011 = 2644521496; bits 16..30 of it give 7584.
  EXPECT_EQ(random_next(), 7584);
  random_seed(999);
  gen->generate_terrain();
  EXPECT_EQ(gen->vertex(20, 20).position.z, height);
}

TEST_F(TerrainGenerator, SizesAreClampedAndSnapped) {
  struct size_case {
    std::uint32_t size, detail;
    std::int32_t cells;
    float snapped;
  };
  const size_case cases[] = {{1023, 0, 250, 500.0f}, {0, 3, 40, 200.0f}, {81, 0, 40, 80.0f}, {301, 1, 100, 300.0f}};
  for (const size_case& c : cases) {
    code_fields f;
    f.size_x = c.size;
    f.size_y = 100;
    f.detail = c.detail;
    f.vegetation = 0.0f;
    generate(f);
    EXPECT_EQ(gen->cells_x, c.cells) << c.size;
    EXPECT_EQ(gen->size_x, c.snapped) << c.size;
  }
}

TEST_F(TerrainGenerator, RegionLayers) {
  for (std::uint32_t region : {region_snow, region_snow_forest}) {
    code_fields f;
    f.region = region;
    generate(f);
    EXPECT_EQ(gen->layers[1].ground_kind, 4);
    EXPECT_EQ(gen->layers[2].ground_kind, -1);
    EXPECT_EQ(gen->layers[3].ground_kind, 8);
    for (std::int32_t x = 0; x <= gen->cells_x; ++x) EXPECT_EQ(gen->vertex(x, 7).layer_weights[2], 0.0f);
  }
  code_fields forest;
  forest.region = region_forest;
  generate(forest);
  EXPECT_EQ(gen->layers[1].ground_kind, 7);
  EXPECT_EQ(gen->layers[2].ground_kind, 2);
  EXPECT_LE(gen->layers[0].ground_kind, 1);
  EXPECT_EQ(gen->layers[5].ground_kind, -1);
}

// One 40-cell block grid always covers the whole terrain, the last block of
// an axis taking what remains.
TEST_F(TerrainGenerator, BlocksCoverTheTerrain) {
  struct block_case {
    std::uint32_t size;
    std::int32_t blocks;
  };
  const block_case cases[] = {{82, 1}, {122, 2}, {200, 2}, {400, 5}, {500, 5}, {362, 5}};
  for (const block_case& c : cases) {
    code_fields f;
    f.size_x = c.size;
    f.size_y = 80;
    f.vegetation = 0.0f;
    generate(f);
    EXPECT_EQ(gen->blocks_x, c.blocks) << c.size;
    EXPECT_EQ(gen->blocks_y, 1);
    std::int32_t covered = 0;
    for (std::int32_t i = 0; i < gen->blocks_x; ++i) {
      const terrain_block& b = gen->blocks[static_cast<std::size_t>(i * gen->blocks_y)];
      EXPECT_EQ(b.first_x, covered);
      covered += b.span_x;
    }
    EXPECT_EQ(covered, gen->cells_x) << c.size;
  }
  const terrain_block& b = gen->blocks.back();
  EXPECT_EQ(b.position.x, static_cast<float>(b.first_x + b.span_x / 2) * gen->cell_size);
}

TEST_F(TerrainGenerator, FlatValleysAndBorders) {
  code_fields f;
  f.valley = 0.0f;
  generate(f);
  for (std::int32_t x = 0; x <= gen->cells_x; ++x) {
    for (std::int32_t y = 0; y <= gen->cells_y; ++y) {
      const terrain_vertex& v = gen->vertex(x, y);
      EXPECT_EQ(v.hill_factor, 1.0f);
      const bool outer = x == 0 || y == 0 || x == gen->cells_x || y == gen->cells_y;
      EXPECT_EQ(v.edge_weight, outer ? 0.0f : 1.0f) << x << "," << y;
    }
  }
}

// Ground far from the river and the ridges is flat without hills.
TEST_F(TerrainGenerator, NoHillsWithoutHillHeight) {
  code_fields f;
  f.hill_height = 0.0f;
  f.region = region_snow;  // no layer 2, so roughening follows the slope only
  generate(f);
  float high = -1000.0f;
  for (std::int32_t x = 20; x <= gen->cells_x - 20; ++x) {
    for (std::int32_t y = 20; y <= gen->cells_y - 20; ++y) high = std::max(high, gen->vertex(x, y).position.z);
  }
  EXPECT_LT(high, 0.5f);
}

TEST_F(TerrainGenerator, NoRiverLeavesNoMarks) {
  code_fields f;
  f.river = false;
  generate(f);
  for (std::int32_t x = 0; x <= gen->cells_x; ++x) {
    for (std::int32_t y = 0; y <= gen->cells_y; ++y) {
      EXPECT_EQ(gen->vertex(x, y).flags & (vertex_river_path | vertex_river_wide), 0u);
      EXPECT_EQ(gen->vertex(x, y).layer_weights[3], 0.0f);
    }
  }
}

// The river is one connected path that runs across the terrain, and its bed
// lies under water.
TEST_F(TerrainGenerator, RiverCrossesTheTerrain) {
  for (bool deep : {false, true}) {
    code_fields f;
    f.river = true;
    f.deep_water = deep;
    f.hill_height = 30.0f;
    f.size_x = 160;
    f.size_y = 140;
    generate(f);
    std::vector<std::pair<int, int>> path;
    for (std::int32_t x = 0; x <= gen->cells_x; ++x) {
      for (std::int32_t y = 0; y <= gen->cells_y; ++y) {
        if (gen->vertex(x, y).flags & vertex_river_path) path.emplace_back(x, y);
      }
    }
    ASSERT_FALSE(path.empty()) << deep;
    // Connected through the eight neighbours.
    std::vector<char> seen(path.size(), 0);
    std::vector<std::size_t> open{0};
    seen[0] = 1;
    while (!open.empty()) {
      const auto [px, py] = path[open.back()];
      open.pop_back();
      for (std::size_t i = 0; i < path.size(); ++i) {
        if (!seen[i] && std::abs(path[i].first - px) <= 1 && std::abs(path[i].second - py) <= 1) {
          seen[i] = 1;
          open.push_back(i);
        }
      }
    }
    EXPECT_TRUE(std::all_of(seen.begin(), seen.end(), [](char s) { return s != 0; })) << deep;
    int min_x = 1000, max_x = -1, min_y = 1000, max_y = -1;
    float lowest = 100.0f;
    std::int32_t bed = 0;
    for (const auto& [x, y] : path) {
      min_x = std::min(min_x, x), max_x = std::max(max_x, x);
      min_y = std::min(min_y, y), max_y = std::max(max_y, y);
      lowest = std::min(lowest, gen->vertex(x, y).position.z);
      if (gen->vertex(x, y).layer_weights[3] == 1.0f) ++bed;
    }
    EXPECT_GE((max_x - min_x) + (max_y - min_y), (gen->cells_x + gen->cells_y) / 2) << deep;
    EXPECT_GT(bed, static_cast<std::int32_t>(path.size()) / 2) << deep;
    if (deep) {
      EXPECT_LT(lowest, -1.5f);
      EXPECT_EQ(gen->river_widening, 0);
    } else {
      EXPECT_LT(lowest, 0.0f);
      EXPECT_GT(lowest, -1.5f);
    }
  }
}

bool allowed_in_region(std::uint64_t flags, std::uint32_t region) {
  switch (region) {
    case region_plain: return (flags & flora_plain) != 0;
    case region_snow: return (flags & flora_snow) != 0;
    case region_forest: return (flags & flora_forest) != 0;
    case region_snow_forest: return (flags & flora_snow_forest) != 0;
    case region_desert: return (flags & flora_desert) != 0;
    default: return true;
  }
}

// Every placed item is of a kind allowed for its list and region, on flat or
// layer-2 ground above water.
TEST_F(TerrainGenerator, FloraOnlyWhereItsKindIsAllowed) {
  std::int32_t total = 0;
  for (std::uint32_t region : {region_plain, region_forest, region_snow_forest, region_desert, region_mountain}) {
    code_fields f;
    f.region = region;
    f.vegetation = 0.9f;
    f.river = true;
    generate(f);
    for (std::int32_t list = 0; list < 3; ++list) {
      for (const placed_item& item : gen->placed_items[static_cast<std::size_t>(list)].items) {
        ++total;
        const std::uint64_t flags = gen->module_data.flora_kinds[static_cast<std::size_t>(item.flora_kind)].flags;
        EXPECT_TRUE(allowed_in_region(flags, region)) << region << " kind " << item.flora_kind;
        EXPECT_EQ((flags & flora_tree) != 0, list == 1);
        EXPECT_EQ((flags & flora_grass) != 0, list == 2);
        for (std::int32_t dx = 0; dx < 2; ++dx) {
          for (std::int32_t dy = 0; dy < 2; ++dy) {
            EXPECT_GT(gen->vertex(item.cell_x + dx, item.cell_y + dy).position.z, -0.3f);
          }
        }
        const std::int32_t layer = gen->cell(item.cell_x, item.cell_y).triangle_layer[item.triangle];
        EXPECT_TRUE(layer == 1 || layer == 2);
        EXPECT_LT(item.variant, std::max(1, gen->module_data.flora_kinds[static_cast<std::size_t>(item.flora_kind)].variant_count));
        EXPECT_GE(item.scale.x, 0.65f * 0.9f);
        EXPECT_LE(item.scale.z, 1.35f * 1.15f);
      }
    }
    if (region == region_desert) {
      // Only the cactus and rock-like kinds fit the desert; no trees, no grass.
      EXPECT_EQ(gen->placed_items[1].count(), 0);
      EXPECT_EQ(gen->placed_items[2].count(), 0);
    }
  }
  EXPECT_GT(total, 100);
}

TEST_F(TerrainGenerator, DisabledGrassKeepsTheOtherFlora) {
  code_fields f;
  f.region = region_forest;
  generate(f);
  const std::vector<placed_item> trees = gen->placed_items[1].items;
  const std::vector<placed_item> others = gen->placed_items[0].items;
  ASSERT_GT(gen->placed_items[2].count(), 0);
  ASSERT_GT(trees.size(), 0u);
  f.disable_grass = 1;
  generate(f);
  EXPECT_EQ(gen->placed_items[2].count(), 0);
  ASSERT_EQ(gen->placed_items[1].items.size(), trees.size());
  ASSERT_EQ(gen->placed_items[0].items.size(), others.size());
  for (std::size_t i = 0; i < trees.size(); ++i) {
    EXPECT_EQ(gen->placed_items[1].items[i].placement.origin.x, trees[i].placement.origin.x);
  }
  // Below 10 percent grass density no grass kinds are even picked.
  gen->grass_density = 5;
  f.disable_grass = 0;
  generate(f);
  EXPECT_EQ(gen->placed_items[2].kind_count, 0);
  EXPECT_EQ(gen->placed_items[2].count(), 0);
}

TEST_F(TerrainGenerator, GroundPaint) {
  code_fields f;
  f.vegetation = 0.0f;
  generate(f);
  const float before = gen->vertex(10, 12).position.z;

  ground_paint paint;
  gen->store_ground_paint(paint);
  EXPECT_EQ(paint.size_x, gen->cells_x + 1);
  EXPECT_STREQ(paint.layers[3].name.c_str(), "ground_3");
  EXPECT_STREQ(paint.layers[12].name.c_str(), "ground_leveling");
  const std::size_t square = static_cast<std::size_t>(ground_paint_stride) * ground_paint_stride;
  paint.layers[0].values.assign(square, std::bit_cast<std::uint32_t>(0.5f));
  paint.layers[1].id = 99;  // no such ground kind: ignored
  paint.layers[1].values.assign(square, std::bit_cast<std::uint32_t>(1.0f));
  paint.layers[11].values.assign(square, std::bit_cast<std::uint32_t>(2.0f));
  paint.layers[12].values.assign(square, 0x00102030u);
  generate(f, &paint);
  const terrain_vertex& v = gen->vertex(10, 12);
  EXPECT_FLOAT_EQ(v.position.z, before + 2.0f);
  EXPECT_EQ(v.base_height, before);
  EXPECT_EQ(v.paint_colour, 0x00102030u);
  EXPECT_EQ(v.layer_weights[4], 0.5f);
  EXPECT_EQ(v.layer_weights[5], 0.0f);
  EXPECT_EQ(gen->layers[4].ground_kind, 0);
  EXPECT_EQ(gen->layers[5].ground_kind, -1);

  // A ground-kind layer past the generator's fifteen layers is ignored.
  ground_paint wide;
  gen->store_ground_paint(wide);
  wide.layers[11].id = 3;
  wide.layers[11].values.assign(square, std::bit_cast<std::uint32_t>(1.0f));
  generate(f, &wide);
  EXPECT_EQ(gen->vertex(10, 12).position.z, before);

  // Storing for a scene outside edit mode gives an empty block.
  gen->code = make_code(f);
  gen->generate_terrain(nullptr, &wide, true);
  EXPECT_EQ(wide.layer_count, 0);
  EXPECT_EQ(wide.layers[0].id, -1);
}

TEST_F(TerrainGenerator, PlacedItemLists) {
  generate(code_fields{});
  frame at = frame::identity();
  at.origin = vec3(-5.0f, 1000.0f, 0.0f);
  gen->placed_items[1].items.clear();
  gen->add_flora_item(2, at, vec3(1.0f, 1.0f, 1.0f), -7);
  const placed_item& item = gen->placed_items[1].items.back();
  EXPECT_EQ(item.cell_x, 0);
  EXPECT_EQ(item.cell_y, gen->cells_y - 1);
  EXPECT_GE(item.variant, 0);
  EXPECT_LT(item.variant, 3);
  gen->add_flora_item(5, at, vec3(1.0f, 1.0f, 1.0f), 12);  // no variants
  EXPECT_EQ(gen->placed_items[0].items.back().variant, 0);
  gen->add_flora_item(4, at, vec3(1.0f, 1.0f, 1.0f), 0);
  EXPECT_EQ(gen->placed_items[2].items.back().flora_kind, 4);
  const std::int32_t count = gen->placed_items[0].count();
  gen->add_flora_item(999, at, vec3(1.0f, 1.0f, 1.0f), 0);
  EXPECT_EQ(gen->placed_items[0].count(), count);

  placed_item_list& list = gen->placed_items[0];
  list.items.resize(placed_item_limit - 1);
  gen->add_flora_item(1, at, vec3(1.0f, 1.0f, 1.0f), 0);
  gen->add_flora_item(1, at, vec3(1.0f, 1.0f, 1.0f), 0);
  EXPECT_EQ(list.count(), placed_item_limit);
}

TEST_F(TerrainGenerator, LayerQueries) {
  terrain_vertex v;
  v.layer_weights[0] = 1.0f;
  EXPECT_EQ(terrain_generator::top_layer(v), 0);
  v.layer_weights[2] = 0.5f;
  v.layer_weights[5] = 0.41f;
  EXPECT_EQ(terrain_generator::top_layer(v), 5);
  EXPECT_TRUE(terrain_generator::layer_visible(v, 2));
  v.layer_weights[9] = 1.0f;
  EXPECT_FALSE(terrain_generator::layer_visible(v, 2));
  EXPECT_TRUE(terrain_generator::layer_visible(v, 9));
  EXPECT_FALSE(terrain_generator::layer_visible(v, 3));
}

// The same code gives the same terrain on every run and every machine: these
// digests were taken once and must not change unless terrain generation is
// changed on purpose.
TEST_F(TerrainGenerator, DigestsArePinned) {
  struct pinned {
    code_fields fields;
    std::uint64_t digest;
  };
  code_fields plain;
  plain.river = true;
  code_fields forest;
  forest.terrain_seed = 1234567;
  forest.river_seed = 7654321;
  forest.flora_seed = 555;
  forest.region = region_forest;
  forest.size_x = 300;
  forest.size_y = 200;
  forest.detail = 1;
  forest.river = true;
  forest.deep_water = true;
  forest.ruggedness = 90;
  code_fields snow;
  snow.terrain_seed = 0x7fffffff;
  snow.river_seed = 99;
  snow.flora_seed = 0;
  snow.region = region_snow_forest;
  snow.size_x = 90;
  snow.size_y = 1023;
  snow.detail = 3;
  snow.valley = 0.9f;
  snow.hill_height = 110.0f;
  snow.ruggedness = 0;
  const pinned cases[] = {
      {plain, 0x665ca50725e438ceull},
      {forest, 0x7daad6f79d490054ull},
      {snow, 0x7853927600c92933ull},
  };
  for (const pinned& c : cases) {
    generate(c.fields);
    const std::uint64_t first = gen->digest();
    generate(c.fields);
    EXPECT_EQ(gen->digest(), first);
    EXPECT_EQ(first, c.digest) << gen->code.to_string() << " 0x" << std::hex << first;
  }
}

}  // namespace
}  // namespace hm
