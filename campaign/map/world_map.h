#pragma once
// The world map: one polygon mesh of vertices and faces (triangles and quads),
// each face carrying a terrain kind, with what party movement needs of it:
// face neighbours and their travel costs, the connected region of every face
// (bridges recording the two regions they join), a grid that finds the face
// under a point, and the path search's visit stamps.
//
// Everything here is plain data, so a saved game or a tool can read it back
// field by field.
#include <cstdint>
#include <vector>

#include "engine/core/math.h"

namespace hm {

// Terrain kinds the map code names.
inline constexpr int terrain_ocean = 0;
inline constexpr int terrain_mountain = 1;
inline constexpr int terrain_steppe = 2;
inline constexpr int terrain_plain = 3;
inline constexpr int terrain_bridge = 7;
inline constexpr int terrain_river = 8;
inline constexpr int terrain_mountain_forest = 9;

// Region id of a bridge face.
inline constexpr std::int32_t bridge_region = 99999999;
// The cost of an edge no party may cross.
inline constexpr float closed_edge_cost = 1.0e9f;

inline bool is_water_terrain(int kind) { return (kind & 7) == 0 || kind == terrain_bridge; }
inline bool is_land_terrain(int kind) {
  const int c = kind & 7;
  return (c >= 2 && c <= 6) || kind == terrain_bridge;
}

struct map_vertex {
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;
  // -1 until the scene build lights the vertex.
  float light = -1.0f;
};

struct map_edge {
  std::int32_t face_count = 0;
  std::int32_t faces[2] = {-1, -1};
  std::int32_t vertices[2] = {-1, -1};
};

struct map_face {
  static constexpr int max_vertices = 4;
  std::int32_t vertex_count = 0;
  std::int32_t vertices[max_vertices] = {0, 0, 0, 0};
  // Edge i runs from vertex i to vertex i + 1 (wrapping).
  std::int32_t edges[max_vertices] = {-1, -1, -1, -1};
  std::int32_t terrain = 0;
  std::int32_t neighbours[max_vertices] = {-1, -1, -1, -1};
  float edge_costs[max_vertices] = {0.0f, 0.0f, 0.0f, 0.0f};
  std::int32_t region = -1;
  std::int32_t bridge_regions[2] = {-1, -1};
  // The second value of the face's line in map.txt, kept as read.
  std::int32_t second_value = 0;
  // The face's index; negative for a face that is not part of the map.
  std::int32_t id = -1;
  vec3 plane_point;
  vec3 normal{0.0f, 0.0f, 1.0f};
  vec3 centre;
  // The path search's stamp (reached above the search counter, expanded at
  // counter + 2) and the face it was reached from.
  std::uint32_t visit_stamp = 0;
  std::int32_t parent = -1;
};

class world_map {
 public:
  std::vector<map_vertex> vertices;
  std::vector<map_face> faces;
  std::vector<map_edge> edges;
  // Faces whose edge is shared by more than two faces could not all be linked.
  std::int32_t overfull_edges = 0;
  // Set once Init_map has prepared the map for movement.
  bool navigation_ready = false;
  // The path search's counter (grows by 3 per search).
  std::uint32_t search_counter = 0;

  // The face grid over the map's extent.
  float grid_min[2] = {0.0f, 0.0f};
  float grid_max[2] = {0.0f, 0.0f};
  float grid_cell[2] = {1.0f, 1.0f};
  std::int32_t grid_cells[2] = {1, 1};
  std::vector<std::vector<std::int32_t>> grid;

  int face_count() const { return static_cast<int>(faces.size()); }
  bool valid_face(int f) const { return f >= 0 && f < face_count(); }

  // Edges shared by two faces become neighbours; each face's plane, centre
  // and id are set. An edge of more than two faces links the first two and
  // counts the rest in overfull_edges.
  void link_records();
  // Lists every face in the cells of the grid its outline's box covers; the
  // grid has 2^shift cells per axis over the vertices' extent.
  void build_face_grid(int shift_x, int shift_y);

  // The face under (x, y): the first face of the point's grid cell whose
  // outline holds the point; -1 when none.
  int find_face_at(float x, float y) const;
  // True when the point lies within the face's outline (edges included).
  bool face_contains(int face, float x, float y) const;
  // The height of the face's plane at (x, y).
  float height_at(int face, float x, float y) const;
  // A face's ids are its region, or a bridge's one or two regions; faces are
  // linked when they share one.
  bool faces_are_linked(int a, int b) const;
  // The middle of the edge face a shares with face b; false when they share
  // none.
  bool shared_edge_point(int a, int b, float& x, float& y) const;
  // Smallest and largest x and y of the vertices ((0,0) for no vertices).
  void extent(float& min_x, float& min_y, float& max_x, float& max_y) const;
};

}  // namespace hm
