#include "campaign/map/world_map.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "engine/core/log.h"

namespace hm {

namespace {

vec3 vertex_point(const map_vertex& v) { return vec3(v.x, v.y, v.z); }

}  // namespace

void world_map::link_records() {
  edges.clear();
  overfull_edges = 0;
  std::unordered_map<std::uint64_t, std::int32_t> edge_of_pair;
  edge_of_pair.reserve(faces.size() * 2);
  for (int f = 0; f < face_count(); ++f) {
    map_face& face = faces[static_cast<std::size_t>(f)];
    face.id = f;
    const int n = face.vertex_count;
    for (int i = 0; i < map_face::max_vertices; ++i) {
      face.neighbours[i] = -1;
      face.edges[i] = -1;
    }
    for (int i = 0; i < n; ++i) {
      const std::int32_t a = face.vertices[i];
      const std::int32_t b = face.vertices[(i + 1) % n];
      const auto lo = static_cast<std::uint64_t>(static_cast<std::uint32_t>(std::min(a, b)));
      const auto hi = static_cast<std::uint64_t>(static_cast<std::uint32_t>(std::max(a, b)));
      const std::uint64_t key = (lo << 32) | hi;
      auto [it, fresh] = edge_of_pair.try_emplace(key, static_cast<std::int32_t>(edges.size()));
      if (fresh) {
        map_edge e;
        e.vertices[0] = a;
        e.vertices[1] = b;
        edges.push_back(e);
      }
      map_edge& e = edges[static_cast<std::size_t>(it->second)];
      if (e.face_count >= 2) {
        // Edges shared by more than two faces keep their first two.
        ++overfull_edges;
        continue;
      }
      e.faces[e.face_count++] = f;
      face.edges[i] = it->second;
    }
    // Plane and centre from the outline.
    vec3 centre;
    for (int i = 0; i < n; ++i) centre += vertex_point(vertices[static_cast<std::size_t>(face.vertices[i])]);
    if (n > 0) centre = centre * (1.0f / static_cast<float>(n));
    face.centre = centre;
    const vec3 p0 = vertex_point(vertices[static_cast<std::size_t>(face.vertices[0])]);
    const vec3 p1 = vertex_point(vertices[static_cast<std::size_t>(face.vertices[1 % n])]);
    const vec3 p2 = vertex_point(vertices[static_cast<std::size_t>(face.vertices[2 % n])]);
    vec3 normal = cross_product(p1 - p0, p2 - p0);
    if (normal.z < 0.0f) normal = normal * -1.0f;
    if (normal.length_squared() < 1e-20f) normal = vec3(0.0f, 0.0f, 1.0f);
    normal.normalize();
    face.plane_point = p0;
    face.normal = normal;
  }
  if (overfull_edges > 0) log_line("WARNING: neighbour faces exceeds the maximum in manifold\n");
  for (map_face& face : faces) {
    for (int i = 0; i < face.vertex_count; ++i) {
      if (face.edges[i] < 0) continue;
      const map_edge& e = edges[static_cast<std::size_t>(face.edges[i])];
      if (e.face_count == 2) face.neighbours[i] = e.faces[0] == face.id ? e.faces[1] : e.faces[0];
    }
  }
}

void world_map::extent(float& min_x, float& min_y, float& max_x, float& max_y) const {
  if (vertices.empty()) {
    min_x = min_y = max_x = max_y = 0.0f;
    return;
  }
  min_x = max_x = vertices[0].x;
  min_y = max_y = vertices[0].y;
  for (const map_vertex& v : vertices) {
    min_x = std::min(min_x, v.x);
    max_x = std::max(max_x, v.x);
    min_y = std::min(min_y, v.y);
    max_y = std::max(max_y, v.y);
  }
}

void world_map::build_face_grid(int shift_x, int shift_y) {
  shift_x = std::clamp(shift_x, 0, 10);
  shift_y = std::clamp(shift_y, 0, 10);
  extent(grid_min[0], grid_min[1], grid_max[0], grid_max[1]);
  grid_cells[0] = 1 << shift_x;
  grid_cells[1] = 1 << shift_y;
  for (int a = 0; a < 2; ++a) {
    const float span = std::max(grid_max[a] - grid_min[a], 1e-3f);
    grid_cell[a] = span / static_cast<float>(grid_cells[a]);
  }
  grid.assign(static_cast<std::size_t>(grid_cells[0] * grid_cells[1]), {});
  auto cell = [this](float p, int a) {
    const int c = static_cast<int>(std::floor((p - grid_min[a]) / grid_cell[a]));
    return std::clamp(c, 0, grid_cells[a] - 1);
  };
  for (const map_face& face : faces) {
    float lo[2] = {1e30f, 1e30f};
    float hi[2] = {-1e30f, -1e30f};
    for (int i = 0; i < face.vertex_count; ++i) {
      const map_vertex& v = vertices[static_cast<std::size_t>(face.vertices[i])];
      lo[0] = std::min(lo[0], v.x);
      lo[1] = std::min(lo[1], v.y);
      hi[0] = std::max(hi[0], v.x);
      hi[1] = std::max(hi[1], v.y);
    }
    for (int cx = cell(lo[0], 0); cx <= cell(hi[0], 0); ++cx)
      for (int cy = cell(lo[1], 1); cy <= cell(hi[1], 1); ++cy)
        grid[static_cast<std::size_t>(cx * grid_cells[1] + cy)].push_back(face.id);
  }
}

bool world_map::face_contains(int f, float x, float y) const {
  if (!valid_face(f)) return false;
  const map_face& face = faces[static_cast<std::size_t>(f)];
  const int n = face.vertex_count;
  // Convex outline in either winding: the point is on one side of every edge.
  bool any_pos = false;
  bool any_neg = false;
  for (int i = 0; i < n; ++i) {
    const map_vertex& a = vertices[static_cast<std::size_t>(face.vertices[i])];
    const map_vertex& b = vertices[static_cast<std::size_t>(face.vertices[(i + 1) % n])];
    const float c = (b.x - a.x) * (y - a.y) - (b.y - a.y) * (x - a.x);
    if (c > 0.0f) any_pos = true;
    if (c < 0.0f) any_neg = true;
    if (any_pos && any_neg) return false;
  }
  return true;
}

int world_map::find_face_at(float x, float y) const {
  if (grid.empty() || !std::isfinite(x) || !std::isfinite(y)) return -1;
  if (x < grid_min[0] || x > grid_max[0] || y < grid_min[1] || y > grid_max[1]) return -1;
  const int cx = std::clamp(static_cast<int>(std::floor((x - grid_min[0]) / grid_cell[0])), 0, grid_cells[0] - 1);
  const int cy = std::clamp(static_cast<int>(std::floor((y - grid_min[1]) / grid_cell[1])), 0, grid_cells[1] - 1);
  for (const std::int32_t f : grid[static_cast<std::size_t>(cx * grid_cells[1] + cy)]) {
    if (faces[static_cast<std::size_t>(f)].id >= 0 && face_contains(f, x, y)) return f;
  }
  return -1;
}

float world_map::height_at(int f, float x, float y) const {
  if (!valid_face(f)) return 0.0f;
  const map_face& face = faces[static_cast<std::size_t>(f)];
  const vec3& p = face.plane_point;
  const vec3& n = face.normal;
  // A vertical face has no height over a point: its first corner's.
  if (std::fabs(n.z) < 1e-6f) return p.z;
  return p.z - (n.x * (x - p.x) + n.y * (y - p.y)) / n.z;
}

bool world_map::faces_are_linked(int a, int b) const {
  if (!valid_face(a) || !valid_face(b)) return false;
  auto ids = [this](int f, std::int32_t out[2]) {
    const map_face& face = faces[static_cast<std::size_t>(f)];
    if (face.region == bridge_region) {
      out[0] = face.bridge_regions[0];
      out[1] = face.bridge_regions[1];
    } else {
      out[0] = face.region;
      out[1] = -1;
    }
  };
  std::int32_t ia[2];
  std::int32_t ib[2];
  ids(a, ia);
  ids(b, ib);
  for (const std::int32_t x : ia) {
    if (x < 0) continue;
    for (const std::int32_t y : ib)
      if (x == y) return true;
  }
  return false;
}

bool world_map::shared_edge_point(int a, int b, float& x, float& y) const {
  if (!valid_face(a)) return false;
  const map_face& face = faces[static_cast<std::size_t>(a)];
  for (int i = 0; i < face.vertex_count; ++i) {
    if (face.neighbours[i] != b) continue;
    const map_vertex& p = vertices[static_cast<std::size_t>(face.vertices[i])];
    const map_vertex& q = vertices[static_cast<std::size_t>(face.vertices[(i + 1) % face.vertex_count])];
    x = (p.x + q.x) * 0.5f;
    y = (p.y + q.y) * 0.5f;
    return true;
  }
  return false;
}

}  // namespace hm
