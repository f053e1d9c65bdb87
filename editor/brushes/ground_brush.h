#pragma once
// The ground brushes: one stroke of the texture, elevation or colour brush
// over the hand-painted ground layers, centred on a ground point. The stroke
// writes the layer's values (creating a layer's grid only when a value other
// than the empty one is to be stored) and tells which cells it wrote; the
// caller carries the new values into the terrain.
#include <cstdint>
#include <vector>

#include "engine/core/math.h"

namespace hm {

struct ground_paint;

// The brush kinds.
namespace brush_kind {
inline constexpr int texture = 0;
inline constexpr int elevation = 1;
inline constexpr int colour = 2;
}  // namespace brush_kind

// The terrain's cell grid as the brush reads it: per cell its position with
// its current height as z, indexed [x * count_y + y].
struct brush_cell_grid {
  std::int32_t count_x = 0;
  std::int32_t count_y = 0;
  float cell_size = 2.0f;
  std::vector<vec3> positions;

  const vec3& at(std::int32_t x, std::int32_t y) const {
    return positions[static_cast<std::size_t>(x) * static_cast<std::size_t>(count_y) + static_cast<std::size_t>(y)];
  }
};

struct brush_settings {
  float radius = 2.0f;
  float weight = 1.0f;
  float hardness = 1.0f;
  // 0 up, 1 down, 2 smooth (elevation only).
  std::uint32_t elevate_action = 0;
  vec3 colour{1.0f, 1.0f, 1.0f};
};

// The strength at distance d of a brush: weight x (1 - (1 - hardness) x t)
// with t = d / radius held to 0..1.
float brush_strength(const brush_settings& b, float distance);

// One stroke at `point`: kind 0 paints `layer` (a texture layer), kind 1 the
// elevation layer, kind 2 the colour layer; `clear` takes paint away. Returns
// the cells written, each as x * count_y + y; nothing when the layer index is
// outside the block.
std::vector<std::int32_t> apply_ground_brush(ground_paint& paint, const brush_cell_grid& grid, const vec3& point,
                                             int layer, int kind, bool clear, const brush_settings& brush);

}  // namespace hm
