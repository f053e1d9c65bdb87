#pragma once
// The ground manifold: the terrain's static collision surface of shared
// vertices, faces of three or four vertices, edges and face neighbours.
#include <cstdint>
#include <vector>

#include "engine/core/math.h"

namespace hm {

// Manifold face flags.
inline constexpr std::uint32_t manifold_face_terrain = 0x10;
inline constexpr std::uint32_t manifold_face_soft_ground = 0x4000;
// Edges that may end at one vertex.
inline constexpr std::int32_t manifold_edges_per_vertex = 32;

struct manifold_vertex {
  vec3 position;
  vec3 normal;
  float sun_factor = 0.0f;
};

struct manifold_face {
  std::int32_t vertex_count = 0;
  std::int32_t vertices[4] = {-1, -1, -1, -1};
  std::int32_t edges[4] = {-1, -1, -1, -1};
  std::int32_t neighbours[4] = {-1, -1, -1, -1};
  float sides[4] = {};  // 1.0 where that side has a neighbour
  vec3 normal;
  float area = 0.0f;
  std::uint32_t flags = 0;
  vec3 centre;
};

struct manifold_edge {
  std::int32_t face_count = 0;
  std::int32_t face_0 = -1;
  std::int32_t face_1 = -1;
  std::int32_t start = -1;
  std::int32_t end = -1;
  vec3 midpoint;
};

struct ground_manifold {
  std::vector<manifold_vertex> vertices;
  std::vector<manifold_face> faces;
  std::vector<manifold_edge> edges;
  vec3 bounds_min;
  vec3 bounds_max;

  // Edges, neighbours, centres, midpoints, normals and areas of all faces.
  // False when some vertex had more than 32 edges ending at it (the extra
  // sides stay unlinked; a warning goes to the log once).
  bool build_collision_manifold();
  void compute_bounds();

  // The first face hit by the ray from `from` along `direction` (any length),
  // with the distance along it as a multiple of direction; -1 for none.
  std::int32_t cast_ray(const vec3& from, const vec3& direction, float& t) const;
};

}  // namespace hm
