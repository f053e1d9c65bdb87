#pragma once
// Small navigation graphs for the editor's tests, laid out on the ground
// (z up) with every face counter-clockwise seen from above.
#include <cstdint>
#include <vector>

#include "editor/navmesh/ai_mesh_editor.h"
#include "render/terrain/ai_mesh.h"

namespace hm::test {

// A face through the ring, its sides found or made.
inline std::int32_t face_through(ai_mesh& m, const std::vector<std::int32_t>& ring) {
  std::int32_t vs[4] = {ai_mesh_no_corner, ai_mesh_no_corner, ai_mesh_no_corner, ai_mesh_no_corner};
  std::int32_t es[4] = {ai_mesh_no_corner, ai_mesh_no_corner, ai_mesh_no_corner, ai_mesh_no_corner};
  for (std::size_t k = 0; k < ring.size(); ++k) {
    const std::int32_t a = ring[k];
    const std::int32_t b = ring[(k + 1) % ring.size()];
    std::int32_t e = find_ai_mesh_edge(m, a, b);
    if (e < 0) e = add_ai_mesh_edge(m, a, b);
    vs[k] = a;
    es[k] = e;
  }
  return add_ai_mesh_face(m, static_cast<std::int32_t>(ring.size()), vs, es);
}

// nx x ny unit squares from the origin; vertex (x, y) is y * (nx + 1) + x,
// face (x, y) is y * nx + x.
inline ai_mesh quad_grid(int nx, int ny, float step = 1.0f) {
  ai_mesh m;
  for (int y = 0; y <= ny; ++y)
    for (int x = 0; x <= nx; ++x) add_ai_mesh_vertex(m, vec3(x * step, y * step, 0.0f));
  const auto v = [nx](int x, int y) { return y * (nx + 1) + x; };
  for (int y = 0; y < ny; ++y)
    for (int x = 0; x < nx; ++x) face_through(m, {v(x, y), v(x + 1, y), v(x + 1, y + 1), v(x, y + 1)});
  rebuild_ai_mesh_adjacency(m);
  return m;
}

// A 2 x 2 square (vertices 0-3) and a triangle (1, 4, 2) sharing its right
// side: face 0 the quad, face 1 the triangle.
inline ai_mesh quad_and_triangle() {
  ai_mesh m;
  for (const vec3& p : {vec3(0, 0, 0), vec3(2, 0, 0), vec3(2, 2, 0), vec3(0, 2, 0), vec3(4, 1, 0)})
    add_ai_mesh_vertex(m, p);
  face_through(m, {0, 1, 2, 3});
  face_through(m, {1, 4, 2});
  rebuild_ai_mesh_adjacency(m);
  return m;
}

}  // namespace hm::test
