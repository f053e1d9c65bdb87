#include "render/terrain/manifold_building.h"

#include <cmath>

#include "engine/core/log.h"
#include "render/view/message_log.h"

namespace hm {

bool build_collision_manifold(ground_manifold& m, message_log* messages) {
  std::vector<manifold_vertex>& vertices = m.vertices;
  std::vector<manifold_face>& faces = m.faces;
  std::vector<manifold_edge>& edges = m.edges;
  edges.clear();
  // Per vertex, the edges ending at it.
  std::vector<std::vector<std::int32_t>> ending(vertices.size());
  bool sound = true;
  const std::int32_t vertex_total = static_cast<std::int32_t>(vertices.size());
  for (std::size_t fi = 0; fi < faces.size(); ++fi) {
    manifold_face& f = faces[fi];
    const std::int32_t n = f.vertex_count < 3 ? 0 : (f.vertex_count > 4 ? 4 : f.vertex_count);
    for (std::int32_t k = 0; k < n; ++k) {
      const std::int32_t a = f.vertices[k];
      const std::int32_t b = f.vertices[(k + 1) % n];
      f.edges[k] = -1;
      if (a < 0 || b < 0 || a >= vertex_total || b >= vertex_total) continue;
      std::int32_t found = -1;
      for (std::int32_t e : ending[static_cast<std::size_t>(a)]) {
        const manifold_edge& edge = edges[static_cast<std::size_t>(e)];
        if (edge.start_vertex == b && edge.end_vertex != b) {
          found = e;
          break;
        }
      }
      if (found >= 0) {
        manifold_edge& edge = edges[static_cast<std::size_t>(found)];
        if (edge.face_count < 2) {
          edge.face_1 = static_cast<std::int32_t>(fi);
          ++edge.face_count;
        }
        f.edges[k] = found;
        continue;
      }
      manifold_edge edge;
      edge.start_vertex = a;
      edge.end_vertex = b;
      edge.face_0 = static_cast<std::int32_t>(fi);
      edge.face_count = 1;
      const std::int32_t index = static_cast<std::int32_t>(edges.size());
      edges.push_back(edge);
      f.edges[k] = index;
      std::vector<std::int32_t>& list = ending[static_cast<std::size_t>(b)];
      if (static_cast<std::int32_t>(list.size()) < manifold_edges_per_vertex) {
        list.push_back(index);
      } else {
        if (sound) {
          const char* warning = "WARNING: neighbour faces exceeds the maximum in manifold";
          if (messages)
            add_message_line_default(*messages, ruv_string(warning));
          else
            log_line(std::string(warning) + "\n");
        }
        sound = false;
      }
    }
  }
  for (std::size_t fi = 0; fi < faces.size(); ++fi) {
    manifold_face& f = faces[fi];
    const std::int32_t n = f.vertex_count < 3 ? 0 : (f.vertex_count > 4 ? 4 : f.vertex_count);
    for (std::int32_t k = 0; k < 4; ++k) {
      f.neighbours[k] = -1;
      f.edge_values[k] = 0.0f;
      if (k >= n || f.edges[k] < 0) continue;
      const manifold_edge& e = edges[static_cast<std::size_t>(f.edges[k])];
      f.neighbours[k] = e.face_0 == static_cast<std::int32_t>(fi) ? e.face_1 : e.face_0;
      if (f.neighbours[k] >= 0) f.edge_values[k] = 1.0f;
    }
    if (n < 3) continue;
    bool valid = true;
    for (std::int32_t k = 0; k < n; ++k) valid = valid && f.vertices[k] >= 0 && f.vertices[k] < vertex_total;
    if (!valid) continue;
    vec3 centre;
    for (std::int32_t k = 0; k < n; ++k) centre += vertices[static_cast<std::size_t>(f.vertices[k])].position;
    f.centre = centre * (1.0f / static_cast<float>(n));
    const vec3& p0 = vertices[static_cast<std::size_t>(f.vertices[0])].position;
    const vec3& p1 = vertices[static_cast<std::size_t>(f.vertices[1])].position;
    const vec3& p2 = vertices[static_cast<std::size_t>(f.vertices[2])].position;
    const vec3 cross = cross_product(p1 - p0, p2 - p0);
    f.area = cross.length() * 0.5f;
    if (n == 4) {
      const vec3& p3 = vertices[static_cast<std::size_t>(f.vertices[3])].position;
      f.area += cross_product(p2 - p0, p3 - p0).length() * 0.5f;
    }
    f.normal = cross;
    f.normal.normalize();
  }
  for (manifold_edge& e : edges) {
    e.midpoint = (vertices[static_cast<std::size_t>(e.start_vertex)].position + vertices[static_cast<std::size_t>(e.end_vertex)].position) * 0.5f;
  }
  return sound;
}

void compute_manifold_bounds(const ground_manifold& m, vec3& bounds_min, vec3& bounds_max) {
  bounds_min = vec3(1e30f, 1e30f, 1e30f);
  bounds_max = vec3(-1e30f, -1e30f, -1e30f);
  for (const manifold_vertex& v : m.vertices) {
    vec3_min(bounds_min, bounds_min, v.position);
    vec3_max(bounds_max, bounds_max, v.position);
  }
}

namespace {

// Möller-Trumbore: the ray parameter of a hit on the triangle, or -1.
float ray_triangle(const vec3& from, const vec3& d, const vec3& a, const vec3& b, const vec3& c) {
  const vec3 e1 = b - a;
  const vec3 e2 = c - a;
  const vec3 p = cross_product(d, e2);
  const float det = dot_product(e1, p);
  if (std::fabs(det) < 1e-12f) return -1.0f;
  const float inverse = 1.0f / det;
  const vec3 s = from - a;
  const float u = dot_product(s, p) * inverse;
  if (u < -1e-6f || u > 1.0f + 1e-6f) return -1.0f;
  const vec3 q = cross_product(s, e1);
  const float v = dot_product(d, q) * inverse;
  if (v < -1e-6f || u + v > 1.0f + 1e-6f) return -1.0f;
  return dot_product(e2, q) * inverse;
}

}  // namespace

std::int32_t cast_ray_on_manifold(const ground_manifold& m, const vec3& from, const vec3& direction, float& t) {
  const std::vector<manifold_vertex>& vertices = m.vertices;
  const std::vector<manifold_face>& faces = m.faces;
  std::int32_t best = -1;
  const std::int32_t vertex_total = static_cast<std::int32_t>(vertices.size());
  for (std::size_t fi = 0; fi < faces.size(); ++fi) {
    const manifold_face& f = faces[fi];
    if (f.vertex_count < 3 || f.vertex_count > 4) continue;
    bool valid = true;
    for (std::int32_t k = 0; k < f.vertex_count; ++k) valid = valid && f.vertices[k] >= 0 && f.vertices[k] < vertex_total;
    if (!valid) continue;
    for (std::int32_t tri = 0; tri + 2 < f.vertex_count; ++tri) {
      const float hit = ray_triangle(from, direction, vertices[static_cast<std::size_t>(f.vertices[0])].position,
                                     vertices[static_cast<std::size_t>(f.vertices[tri + 1])].position,
                                     vertices[static_cast<std::size_t>(f.vertices[tri + 2])].position);
      if (hit >= 0.0f && (best < 0 || hit < t)) {
        best = static_cast<std::int32_t>(fi);
        t = hit;
      }
    }
  }
  return best;
}

}  // namespace hm
