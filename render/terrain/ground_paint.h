#pragma once
// Ground paint: what a designer painted over a generated terrain, per vertex
// and per layer (ground-kind weights, an elevation offset and a vertex colour).
// Scene-object files carry it as a blob; the terrain generator applies it.
#include <array>
#include <bit>
#include <cstdint>
#include <vector>

#include "engine/core/ruv_string.h"

namespace hm {

// Layer ids with a meaning of their own; ids of 0 or more are ground kinds.
inline constexpr std::int32_t ground_paint_elevation_id = -7793;
inline constexpr std::int32_t ground_paint_colour_id = -12565;
inline constexpr std::int32_t ground_paint_max_layers = 13;
// Values are kept in a fixed square, one row of 420 per x.
inline constexpr std::int32_t ground_paint_stride = 420;

struct ground_paint_layer {
  ruv_string name;
  std::int32_t id = -1;
  // Raw 4-byte values indexed [x * 420 + y]: floats for ground kinds and the
  // elevation, A8R8G8B8 words for the colour layer. Empty when the layer holds
  // no values.
  std::vector<std::uint32_t> values;

  bool has_values() const { return !values.empty(); }
  float value_at(std::int32_t x, std::int32_t y) const {
    return std::bit_cast<float>(values[static_cast<std::size_t>(x) * ground_paint_stride + static_cast<std::size_t>(y)]);
  }
  std::uint32_t word_at(std::int32_t x, std::int32_t y) const {
    return values[static_cast<std::size_t>(x) * ground_paint_stride + static_cast<std::size_t>(y)];
  }
};

struct ground_paint {
  std::int32_t layer_count = 0;
  std::int32_t elevation_layer = 0;
  std::int32_t leveling_layer = 0;
  std::array<ground_paint_layer, ground_paint_max_layers> layers;
  // Terrain vertices along x and y (cells + 1), each below 421.
  std::int32_t size_x = 0;
  std::int32_t size_y = 0;

  // Frees every layer's values, every id -1, no layers.
  void clear();
};

}  // namespace hm
