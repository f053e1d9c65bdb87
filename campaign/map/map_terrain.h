#pragma once
// The world map's terrain as drawn: the map cut into a grid of at most 8 x 8
// blocks, each block one mesh per terrain layer (ocean, the land kinds,
// river, mountain forest, shore, foam, reverse foam) with per-vertex texture
// coordinates and colours, and the trees of the forest faces. Plain data: the
// scene turns it into meshes.
#include <array>
#include <cstdint>
#include <vector>

#include "campaign/map/world_map.h"

namespace hm {

inline constexpr int map_terrain_layers = 13;
inline constexpr int map_max_blocks = 8;
inline constexpr int map_tree_set_limit = 64;

// The material of a terrain kind ("default" for kinds without their own).
const char* get_map_terrain_material_name(int kind);
// The terrain kind a layer stands for: 0 .. 9, then 21, 22, 23.
int map_layer_kind(int layer);
// A face kind's base layer: 8 and 9 are their own, 15 the ocean, the rest by
// kind & 7.
int map_base_layer(int kind);

struct map_terrain_settings {
  // Degrees.
  float sea_direction = 0.0f;
  float river_direction = 0.0f;
  // Tree kinds per set: plain, snow, steppe, desert (already clamped).
  std::array<int, 4> tree_counts{};
  bool pixel_shaders = true;
  // Towards the sun (normalised).
  vec3 sun_direction{0.0f, 0.0f, 1.0f};
  vec3 sun_colour{1.0f, 1.0f, 1.0f};
  vec3 ambient_colour{0.35f, 0.37f, 0.4f};
};

// The tree sets' prefixes, in the order of map_terrain_settings::tree_counts.
inline constexpr const char* map_tree_prefixes[4] = {"map_tree_", "snow_tree_", "steppe_tree_", "desert_tree_"};
// A tree set's count held to 0 .. 64.
int clamp_tree_count(int count);

struct map_layer_vertex {
  vec3 position;  // relative to the block's centre
  float uv[2] = {0.0f, 0.0f};
  std::uint32_t colour = 0xFFFFFFFFu;
  std::int32_t map_vertex = -1;
};

struct map_layer_mesh {
  std::vector<map_layer_vertex> vertices;
  std::vector<std::int32_t> triangles;  // three vertex indices each
  std::vector<std::int32_t> faces;      // the map face of each triangle
};

struct map_tree {
  std::int32_t set = 0;
  std::int32_t index = 0;
  float yaw = 0.0f;
  vec3 position;  // relative to the block's centre
};

struct map_terrain_block {
  std::int32_t x = 0;
  std::int32_t y = 0;
  vec3 centre;
  std::array<map_layer_mesh, map_terrain_layers> layers;
  std::vector<map_tree> trees;
};

struct map_terrain {
  std::int32_t blocks_x = 1;
  std::int32_t blocks_y = 1;
  float block_min[2] = {0.0f, 0.0f};
  float block_size[2] = {1.0f, 1.0f};
  // Per map vertex: the base layers of the faces using it (bit per layer),
  // its distance from the coast and its light.
  std::vector<std::uint32_t> vertex_bits;
  std::vector<float> coast_distance;
  std::vector<float> vertex_light;
  std::vector<map_terrain_block> blocks;  // blocks_x x blocks_y, x major
};

// The coast distance of every vertex: 0 where ocean meets land (layers 1-5
// and 9), then ten relaxation passes over the map's edges from 1000.
std::vector<float> map_coast_distances(const world_map& map, const std::vector<std::uint32_t>& bits);
// Which block a coordinate falls in along an axis; the largest coordinate
// falls in the last block.
int map_block_of(const map_terrain& t, float p, int axis);
// True when a face of kind k with the three vertices' layer bits and coast
// distances is drawn in the layer.
bool face_in_map_layer(int layer, int kind, const std::uint32_t bits[3], const float coast[3]);

// Builds the whole terrain: blocks, layers and trees, drawing tree choices,
// yaws and positions from the engine's random source.
map_terrain build_map_terrain(const world_map& map, const map_terrain_settings& settings);

}  // namespace hm
