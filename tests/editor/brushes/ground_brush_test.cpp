// The ground brushes against worked cases on a 5 x 5 grid of 1-unit cells.
#include "editor/brushes/ground_brush.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "render/terrain/ground_paint.h"

namespace hm {
namespace {

// Layers 0 and 1 texture, 2 elevation, 3 colour.
ground_paint four_layers() {
  ground_paint p;
  p.layer_count = 4;
  p.elevation_layer = 2;
  p.leveling_layer = 3;
  p.layers[2].id = ground_paint_elevation_id;
  p.layers[3].id = ground_paint_colour_id;
  p.size_x = 5;
  p.size_y = 5;
  return p;
}

brush_cell_grid flat_grid() {
  brush_cell_grid g;
  g.count_x = 5;
  g.count_y = 5;
  g.cell_size = 1.0f;
  for (int x = 0; x < 5; ++x) {
    for (int y = 0; y < 5; ++y) g.positions.push_back(vec3(static_cast<float>(x), static_cast<float>(y), 0.0f));
  }
  return g;
}

float at(const ground_paint& p, int layer, int x, int y) {
  const ground_paint_layer& l = p.layers[static_cast<std::size_t>(layer)];
  return l.has_values() ? l.value_at(x, y) : 0.0f;
}

TEST(GroundBrush, ARaiseFallsOffWithDistanceAndALowerTakesItBack) {
  ground_paint paint = four_layers();
  const brush_cell_grid grid = flat_grid();
  brush_settings b;
  b.radius = 1.5f;
  b.weight = 0.5f;
  b.hardness = 0.0f;
  b.elevate_action = 0;
  const auto written = apply_ground_brush(paint, grid, vec3(2.0f, 2.0f, 0.0f), 0, 1, false, b);
  // Inside: the centre, four at 1 and four at sqrt 2; the ring at 2 is out.
  EXPECT_EQ(written.size(), 9u);
  EXPECT_NEAR(at(paint, 2, 2, 2), 0.5f, 1e-6f);                  // 0.5 x (1 - 0)
  EXPECT_NEAR(at(paint, 2, 1, 2), 0.5f * (1.0f - 1.0f / 1.5f), 1e-6f);  // 1/6
  EXPECT_NEAR(at(paint, 2, 3, 3), 0.5f * (1.0f - std::sqrt(2.0f) / 1.5f), 1e-6f);
  EXPECT_EQ(at(paint, 2, 0, 2), 0.0f);
  b.elevate_action = 1;
  apply_ground_brush(paint, grid, vec3(2.0f, 2.0f, 0.0f), 0, 1, false, b);
  EXPECT_NEAR(at(paint, 2, 2, 2), 0.0f, 1e-6f);
  EXPECT_NEAR(at(paint, 2, 1, 2), 0.0f, 1e-6f);
  // Lowering untouched ground goes below it.
  apply_ground_brush(paint, grid, vec3(2.0f, 2.0f, 0.0f), 0, 1, false, b);
  EXPECT_NEAR(at(paint, 2, 2, 2), -0.5f, 1e-6f);
}

TEST(GroundBrush, HardnessOneIsFlatAndHardnessZeroLeavesTheRimAtNothing) {
  struct row {
    float hardness;
    float rim;  // the cell at exactly the radius
  };
  for (const row r : {row{1.0f, 0.8f}, row{0.0f, 0.0f}}) {
    ground_paint paint = four_layers();
    brush_settings b;
    b.radius = 1.0f;
    b.weight = 0.8f;
    b.hardness = r.hardness;
    apply_ground_brush(paint, flat_grid(), vec3(2.0f, 2.0f, 0.0f), 0, 1, false, b);
    EXPECT_NEAR(at(paint, 2, 2, 2), 0.8f, 1e-6f) << r.hardness;
    EXPECT_NEAR(at(paint, 2, 2, 3), r.rim, 1e-6f) << r.hardness;
  }
}

TEST(GroundBrush, SmoothMovesACellTowardsTheMeanOfItsNeighbours) {
  ground_paint paint = four_layers();
  brush_cell_grid grid = flat_grid();
  grid.positions[2 * 5 + 2].z = 1.0f;  // a spike of 1 among eight cells at 0
  brush_settings b;
  b.radius = 0.5f;
  b.weight = 0.5f;
  b.hardness = 1.0f;
  b.elevate_action = 2;
  apply_ground_brush(paint, grid, vec3(2.0f, 2.0f, 0.0f), 0, 1, false, b);
  // (1 - 0.5) x 1 + 0.5 x 1/9 + 0 - 1: the height becomes 5/9.
  EXPECT_NEAR(at(paint, 2, 2, 2), 0.5f + 0.5f / 9.0f - 1.0f, 1e-6f);
  // Clearing a negative elevation gives 0 at once.
  apply_ground_brush(paint, grid, vec3(2.0f, 2.0f, 0.0f), 0, 1, true, b);
  EXPECT_EQ(at(paint, 2, 2, 2), 0.0f);
}

TEST(GroundBrush, PaintingUnderACoveringLayerFillsTheWholeOuterRing) {
  ground_paint paint = four_layers();
  paint.layers[1].values.assign(static_cast<std::size_t>(ground_paint_stride) * ground_paint_stride, 0u);
  const float one = 1.0f;
  for (std::uint32_t& v : paint.layers[1].values) std::memcpy(&v, &one, sizeof v);
  brush_settings b;
  b.radius = 1.0f;
  b.weight = 1.0f;
  b.hardness = 1.0f;
  apply_ground_brush(paint, flat_grid(), vec3(0.0f, 0.0f, 0.0f), 0, 0, false, b);
  // The outer limit (10 cells + radius) reaches the far corner.
  EXPECT_EQ(at(paint, 0, 4, 4), 1.0f);
  EXPECT_EQ(at(paint, 0, 0, 0), 1.0f);
  // Inside, the layer above is lowered by the strength; outside it stays.
  EXPECT_EQ(at(paint, 1, 0, 0), 0.0f);
  EXPECT_EQ(at(paint, 1, 4, 4), 1.0f);
}

TEST(GroundBrush, ColourMixesTowardsTheBrushAndAnEmptyLayerClearsToNothing) {
  ground_paint paint = four_layers();
  brush_settings b;
  b.radius = 0.5f;
  b.weight = 0.5f;
  b.hardness = 1.0f;
  b.colour = vec3(0.0f, 0.0f, 0.0f);
  apply_ground_brush(paint, flat_grid(), vec3(2.0f, 2.0f, 0.0f), 0, 2, true, b);
  EXPECT_FALSE(paint.layers[3].has_values());  // white cleared to white
  apply_ground_brush(paint, flat_grid(), vec3(2.0f, 2.0f, 0.0f), 0, 2, false, b);
  // Half of white and black: 127.5 rounds to 128 (0x80).
  EXPECT_EQ(paint.layers[3].word_at(2, 2), 0xFF808080u);
  EXPECT_EQ(paint.layers[3].word_at(1, 2), 0xFFFFFFFFu);
}

TEST(GroundBrush, ALayerOutsideTheBlockPaintsNothing) {
  ground_paint paint = four_layers();
  brush_settings b;
  for (const int layer : {-1, 2, 4, 13}) {
    EXPECT_TRUE(apply_ground_brush(paint, flat_grid(), vec3(2.0f, 2.0f, 0.0f), layer, 0, false, b).empty()) << layer;
  }
}

}  // namespace
}  // namespace hm
