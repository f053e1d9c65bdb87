#pragma once
// The scene's static collision surface: shared vertices, faces of three or four
// vertices, edges and face neighbours. Each face also exists as a face body in
// the scene's grid.
#include <cstdint>
#include <vector>

#include "engine/core/math.h"

namespace hm {

class face;

struct manifold_vertex {
  vec3 position;
  vec3 normal;
  float sun_factor = 0.0f;
};

struct manifold_face {
  std::int32_t vertex_count = 0;
  std::int32_t vertices[4] = {0, 0, 0, 0};
  std::int32_t edges[4] = {-1, -1, -1, -1};
  std::int32_t neighbours[4] = {-1, -1, -1, -1};
  // 1.0 where that side has a neighbour.
  float edge_values[4] = {0.0f, 0.0f, 0.0f, 0.0f};
  vec3 normal;
  float area = 0.0f;
  std::uint32_t flags = 0;
  vec3 centre;
  // Weight of the face's normal in its vertices' normals.
  float scale = 1.0f;
  // The face body made for this face (owned by the scene's bodies).
  face* body = nullptr;
};

struct manifold_edge {
  std::int32_t face_count = 0;
  std::int32_t face_0 = -1;
  std::int32_t face_1 = -1;
  std::int32_t start_vertex = 0;
  std::int32_t end_vertex = 0;
  vec3 midpoint;
};

struct ground_manifold {
  std::vector<manifold_vertex> vertices;
  std::vector<manifold_face> faces;
  std::vector<manifold_edge> edges;
};

}  // namespace hm
