#include "render/terrain/ai_mesh.h"

#include <cmath>
#include <cstdio>

#include "engine/core/log.h"
#include "engine/core/stream.h"
#include "render/terrain/height_field.h"

namespace hm {

void ai_mesh::clear() {
  vertices.clear();
  edges.clear();
  faces.clear();
}

std::int32_t add_ai_mesh_edge(ai_mesh& mesh, std::int32_t a, std::int32_t b) {
  ai_mesh_edge edge;
  edge.vertex_a = a;
  edge.vertex_b = b;
  mesh.edges.push_back(edge);
  return static_cast<std::int32_t>(mesh.edges.size()) - 1;
}

std::int32_t add_ai_mesh_face(ai_mesh& mesh, std::int32_t count, const std::int32_t (&vertices)[4],
                              const std::int32_t (&edges)[4]) {
  ai_mesh_face face;
  face.vertex_count = count;
  for (int k = 0; k < 4; ++k) {
    face.vertices[k] = vertices[k];
    face.edges[k] = edges[k];
  }
  mesh.faces.push_back(face);
  return static_cast<std::int32_t>(mesh.faces.size()) - 1;
}

void add_ai_mesh_vertex(ai_mesh& mesh, const vec3& position) {
  ai_mesh_vertex v;
  v.position = position;
  mesh.vertices.push_back(v);
}

namespace {

// The count just read, checked against what its records need of the bytes
// left (each record at least `bytes_each` bytes).
bool count_fits(const stream& s, std::int32_t count, std::size_t bytes_each) {
  return count >= 0 && static_cast<std::size_t>(count) <= s.unread().size() / bytes_each;
}

}  // namespace

bool ai_mesh::read(stream& s, const char* source) {
  clear();
  auto reject = [this, source](const char* why) {
    clear();
    log_line(std::string("WARNING: navigation graph of ").append(source).append(" is not valid (").append(why).append("); it is left empty\n"));
    return false;
  };
  if (s.unread().size() < 4) return s.unread().empty() ? true : reject("cut short");
  std::int32_t count = 0;
  s.read_int(count);
  if (!count_fits(s, count, 12)) return reject("vertex count");
  vertices.resize(static_cast<std::size_t>(count));
  for (ai_mesh_vertex& v : vertices) {
    s.read_float(v.position.x);
    s.read_float(v.position.y);
    s.read_float(v.position.z);
  }
  if (s.unread().size() < 4) return reject("cut short");
  s.read_int(count);
  if (!count_fits(s, count, 20)) return reject("edge count");
  edges.resize(static_cast<std::size_t>(count));
  for (ai_mesh_edge& e : edges) {
    s.read_int(e.face_count);
    s.read_int(e.vertex_a);
    s.read_int(e.vertex_b);
    s.read_int(e.face_0);
    s.read_int(e.face_1);
  }
  if (s.unread().size() < 4) return reject("cut short");
  s.read_int(count);
  if (!count_fits(s, count, 4 + 4 * 3 * 2 + 4)) return reject("face count");
  faces.resize(static_cast<std::size_t>(count));
  for (ai_mesh_face& f : faces) {
    s.read_int(f.vertex_count);
    if (f.vertex_count < 3 || f.vertex_count > 4) return reject("a face's corner count");
    if (s.unread().size() < static_cast<std::size_t>(f.vertex_count) * 8 + 4) return reject("cut short");
    for (std::int32_t k = 0; k < f.vertex_count; ++k) s.read_int(f.vertices[k]);
    for (std::int32_t k = 0; k < f.vertex_count; ++k) s.read_int(f.edges[k]);
    s.read_int(f.region);
  }
  const auto vertex_ok = [this](std::int32_t i) { return i >= 0 && i < static_cast<std::int32_t>(vertices.size()); };
  const auto edge_ok = [this](std::int32_t i) { return i >= 0 && i < static_cast<std::int32_t>(edges.size()); };
  const auto face_ok = [this](std::int32_t i) {
    return i == ai_mesh_no_face || i == -1 || (i >= 0 && i < static_cast<std::int32_t>(faces.size()));
  };
  for (const ai_mesh_edge& e : edges) {
    if (!vertex_ok(e.vertex_a) || !vertex_ok(e.vertex_b)) return reject("an edge's vertex");
    if (!face_ok(e.face_0) || !face_ok(e.face_1) || e.face_count < 0 || e.face_count > 2) {
      return reject("an edge's faces");
    }
  }
  for (const ai_mesh_face& f : faces) {
    for (std::int32_t k = 0; k < f.vertex_count; ++k) {
      if (!vertex_ok(f.vertices[k]) || !edge_ok(f.edges[k])) return reject("a face's corner");
    }
  }
  return true;
}

void ai_mesh::write(stream& s) const {
  s.write_int(static_cast<std::int32_t>(vertices.size()));
  for (const ai_mesh_vertex& v : vertices) {
    s.write_float(v.position.x);
    s.write_float(v.position.y);
    s.write_float(v.position.z);
  }
  s.write_int(static_cast<std::int32_t>(edges.size()));
  for (const ai_mesh_edge& e : edges) {
    s.write_int(e.face_count);
    s.write_int(e.vertex_a);
    s.write_int(e.vertex_b);
    s.write_int(e.face_0);
    s.write_int(e.face_1);
  }
  s.write_int(static_cast<std::int32_t>(faces.size()));
  for (const ai_mesh_face& f : faces) {
    const std::int32_t n = f.vertex_count < 0 ? 0 : (f.vertex_count > 4 ? 4 : f.vertex_count);
    s.write_int(n);
    for (std::int32_t k = 0; k < n; ++k) s.write_int(f.vertices[k]);
    for (std::int32_t k = 0; k < n; ++k) s.write_int(f.edges[k]);
    s.write_int(f.region);
  }
}

bool ai_mesh::link_edges_to_faces() {
  bool sound = true;
  for (ai_mesh_edge& e : edges) e.face_count = 0;
  for (std::size_t i = 0; i < faces.size(); ++i) {
    const ai_mesh_face& f = faces[i];
    const std::int32_t n = f.vertex_count < 0 ? 0 : (f.vertex_count > 4 ? 4 : f.vertex_count);
    for (std::int32_t k = 0; k < n; ++k) {
      const std::int32_t e = f.edges[k];
      if (e < 0 || e >= static_cast<std::int32_t>(edges.size())) {
        sound = false;
        continue;
      }
      ai_mesh_edge& edge = edges[static_cast<std::size_t>(e)];
      // An edge has room for two faces; a third is not recorded.
      if (edge.face_count >= 2) {
        sound = false;
        continue;
      }
      (edge.face_count == 0 ? edge.face_0 : edge.face_1) = static_cast<std::int32_t>(i);
      ++edge.face_count;
    }
  }
  return sound;
}

void ai_mesh::compute_face_normals() {
  const std::int32_t count = static_cast<std::int32_t>(vertices.size());
  for (ai_mesh_face& f : faces) {
    const std::int32_t n = f.vertex_count < 0 ? 0 : (f.vertex_count > 4 ? 4 : f.vertex_count);
    bool ok = n >= 3;
    for (std::int32_t k = 0; k < n; ++k) ok = ok && f.vertices[k] >= 0 && f.vertices[k] < count;
    if (!ok) {
      f.normal = vec3(0.0f, 1.0f, 0.0f);
      continue;
    }
    const vec3& a = vertices[static_cast<std::size_t>(f.vertices[0])].position;
    const vec3& b = vertices[static_cast<std::size_t>(f.vertices[1])].position;
    const vec3& c = vertices[static_cast<std::size_t>(f.vertices[2])].position;
    vec3 cross = cross_product(b - a, c - a);
    f.area = cross.length() * 0.5f;
    vec3 centre;
    for (std::int32_t k = 0; k < n; ++k) centre += vertices[static_cast<std::size_t>(f.vertices[k])].position;
    f.centre = centre * (1.0f / static_cast<float>(n));
    if (n == 4) {
      const vec3& d = vertices[static_cast<std::size_t>(f.vertices[3])].position;
      f.area += cross_product(c - a, d - a).length() * 0.5f;
    }
    cross.normalize();
    f.normal = cross;
  }
}

void ai_mesh::update_faces() {
  link_edges_to_faces();
  const std::int32_t count = static_cast<std::int32_t>(vertices.size());
  for (ai_mesh_edge& e : edges) {
    if (e.vertex_a < 0 || e.vertex_a >= count || e.vertex_b < 0 || e.vertex_b >= count) continue;
    e.midpoint = (vertices[static_cast<std::size_t>(e.vertex_a)].position +
                  vertices[static_cast<std::size_t>(e.vertex_b)].position) *
                 0.5f;
  }
  compute_face_normals();
}

float ai_mesh::face_height(std::int32_t face, const vec3& point) const {
  const ai_mesh_face& f = faces[static_cast<std::size_t>(face)];
  const vec3& a = vertices[static_cast<std::size_t>(f.vertices[0])].position;
  if (std::fabs(f.normal.z) < 1e-6f) return a.z;
  return a.z - (f.normal.x * (point.x - a.x) + f.normal.y * (point.y - a.y)) / f.normal.z;
}

std::int32_t ai_mesh::find_face(const vec3& point) const {
  std::int32_t best = -1;
  float best_gap = 0.0f;
  const std::int32_t count = static_cast<std::int32_t>(vertices.size());
  for (std::size_t i = 0; i < faces.size(); ++i) {
    const ai_mesh_face& f = faces[i];
    if (f.vertex_count < 3 || f.vertex_count > 4) continue;
    bool inside = true;
    bool valid = true;
    float side_sign = 0.0f;
    for (std::int32_t k = 0; k < f.vertex_count && inside; ++k) {
      const std::int32_t ia = f.vertices[k];
      const std::int32_t ib = f.vertices[(k + 1) % f.vertex_count];
      if (ia < 0 || ia >= count || ib < 0 || ib >= count) {
        valid = false;
        break;
      }
      const vec3& a = vertices[static_cast<std::size_t>(ia)].position;
      const vec3& b = vertices[static_cast<std::size_t>(ib)].position;
      const float side = (b.x - a.x) * (point.y - a.y) - (b.y - a.y) * (point.x - a.x);
      if (side == 0.0f) continue;
      if (side_sign == 0.0f) side_sign = side;
      else if ((side > 0.0f) != (side_sign > 0.0f)) inside = false;
    }
    if (!valid || !inside) continue;
    const float gap = std::fabs(face_height(static_cast<std::int32_t>(i), point) - point.z);
    if (best < 0 || gap < best_gap) {
      best = static_cast<std::int32_t>(i);
      best_gap = gap;
    }
  }
  return best;
}

void build_grid_ai_mesh(ai_mesh& mesh, const height_field& field, std::int32_t step) {
  mesh.grid_step = step;
  mesh.clear();
  if (step < 1) return;
  const std::int32_t nx = field.sample_count_x >= 24 ? (field.sample_count_x - 24) / step : 0;
  const std::int32_t ny = field.sample_count_y >= 24 ? (field.sample_count_y - 24) / step : 0;
  if (nx < 1 || ny < 1) return;
  for (std::int32_t y = 0; y < ny; ++y) {
    for (std::int32_t x = 0; x < nx; ++x) {
      const std::int32_t gx = step * x + 12;
      const std::int32_t gy = step * y + 12;
      add_ai_mesh_vertex(mesh, vec3(static_cast<float>(gx) * field.cell_size, static_cast<float>(gy) * field.cell_size,
                                    field.sample(gx, gy).height + 0.4f));
    }
  }
  for (std::int32_t y = 0; y < ny; ++y) {
    for (std::int32_t x = 0; x + 1 < nx; ++x) add_ai_mesh_edge(mesh, y * nx + x, y * nx + x + 1);
  }
  for (std::int32_t y = 0; y + 1 < ny; ++y) {
    for (std::int32_t x = 0; x < nx; ++x) add_ai_mesh_edge(mesh, y * nx + x, (y + 1) * nx + x);
  }
  const std::int32_t x_edges = (nx - 1) * ny;
  for (std::int32_t x = 0; x + 1 < nx; ++x) {
    for (std::int32_t y = 0; y + 1 < ny; ++y) {
      const std::int32_t corners[4] = {y * nx + x, y * nx + x + 1, (y + 1) * nx + x + 1, (y + 1) * nx + x};
      const std::int32_t sides[4] = {y * (nx - 1) + x, x_edges + y * nx + x + 1, (y + 1) * (nx - 1) + x,
                                     x_edges + y * nx + x};
      add_ai_mesh_face(mesh, 4, corners, sides);
    }
  }
  mesh.link_edges_to_faces();
}

}  // namespace hm
