#pragma once
// A navigation graph of unit squares for the path tests.
#include <map>
#include <utility>

#include "render/terrain/ai_mesh.h"
#include "mission/ai/nav_path.h"

namespace hm {

// Unit squares on a grid: cell (i, j) covers [i, i+1] x [j, j+1] at height
// 0, its centre at (i + 0.5, j + 0.5). Neighbouring cells share a side.
class grid_graph {
 public:
  explicit grid_graph(std::initializer_list<std::pair<int, int>> cells, int columns = 16, int rows = 4)
      : columns_(columns) {
    for (int y = 0; y <= rows; ++y) {
      for (int x = 0; x <= columns; ++x) add_ai_mesh_vertex(mesh, vec3(float(x), float(y), 0.0f));
    }
    for (const auto& [x, y] : cells) {
      const std::int32_t corners[4] = {vertex(x, y), vertex(x + 1, y), vertex(x + 1, y + 1), vertex(x, y + 1)};
      std::int32_t sides[4];
      for (int k = 0; k < 4; ++k) sides[k] = edge(corners[k], corners[(k + 1) % 4]);
      face_of_[{x, y}] = add_ai_mesh_face(mesh, 4, corners, sides);
    }
    mesh.compute_face_normals();
    mesh.update_faces();
  }

  int face(int x, int y) const { return face_of_.at({x, y}); }

  // Sets the clearance of the side between two cells, both ways.
  void set_clearance(std::pair<int, int> a, std::pair<int, int> b, float c) {
    for (ai_mesh_edge& e : mesh.edges) {
      const bool between = (e.face_0 == face(a.first, a.second) && e.face_1 == face(b.first, b.second)) ||
                           (e.face_1 == face(a.first, a.second) && e.face_0 == face(b.first, b.second));
      if (between) e.clearance = e.clearance_1 = c;
    }
  }

  ai_mesh mesh;
  std::int32_t stamp = 0;
  nav_open_list open;

 private:
  std::int32_t vertex(int x, int y) const { return y * (columns_ + 1) + x; }
  std::int32_t edge(std::int32_t a, std::int32_t b) {
    const auto key = std::minmax(a, b);
    auto it = edges_.find(key);
    if (it != edges_.end()) return it->second;
    const std::int32_t e = add_ai_mesh_edge(mesh, a, b);
    edges_[key] = e;
    return e;
  }

  int columns_;
  std::map<std::pair<int, int>, std::int32_t> edges_;
  std::map<std::pair<int, int>, int> face_of_;
};

}  // namespace hm
