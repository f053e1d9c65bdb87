#include "engine/collision/manifold.h"

#include "engine/collision/body_part_io.h"
#include "engine/collision/composite_body.h"
#include "engine/collision/face.h"
#include "engine/core/log.h"

namespace hm {

namespace {

// The largest vertex list a record may declare: indices must fit an int.
constexpr std::int32_t max_record_count = 0x7FFFFFFF;

}  // namespace

void manifold::read(stream& s) {
  // Each vertex is three floats (12 bytes in binary, at least 5 in text).
  const std::int32_t vertex_total = body_io::read_count(s, "manifold vertex count", max_record_count, 5);
  vertices.clear();
  vertices.reserve(static_cast<std::size_t>(vertex_total));
  for (std::int32_t i = 0; i < vertex_total; ++i) vertices.push_back(body_io::read_vec3(s));
  local_vertices = vertices;

  // Each polygon is at least three integers.
  const std::int32_t polygon_total = body_io::read_count(s, "manifold polygon count", max_record_count, 5);
  polygons.clear();
  polygons.reserve(static_cast<std::size_t>(polygon_total));
  for (std::int32_t p = 0; p < polygon_total; ++p) {
    manifold_polygon polygon;
    s.read_int(polygon.code);
    polygon.flags = body_io::read_flags(s);
    polygon.vertex_count = body_io::read_count(s, "manifold polygon vertex count", manifold_polygon::max_vertices, 0);
    for (int k = 0; k < polygon.vertex_count; ++k) {
      std::int32_t index = 0;
      s.read_int(index);
      if (index < 0 || index >= vertex_total) body_io::fail_record(s, "manifold vertex index", index);
      polygon.vertex_indices[k] = index;
    }
    polygons.push_back(polygon);
  }
}

void manifold::write(stream& s) const {
  s.write_int(static_cast<std::int32_t>(vertices.size()));
  for (const vec3& v : vertices) body_io::write_vec3(s, v);
  s.write_int(static_cast<std::int32_t>(polygons.size()));
  for (const manifold_polygon& polygon : polygons) {
    s.write_int(polygon.code);
    body_io::write_flags(s, polygon.flags);
    s.write_int(polygon.vertex_count);
    for (int k = 0; k < polygon.vertex_count; ++k) s.write_int(polygon.vertex_indices[k]);
  }
}

std::unique_ptr<body_part> manifold::clone() const {
  auto composite = std::make_unique<composite_body>();
  composite->parts.reserve(polygons.size());
  for (const manifold_polygon& polygon : polygons) {
    auto tile = std::make_unique<face>();
    tile->tag = polygon.tag;
    tile->flags = polygon.flags;
    if (polygon.vertex_count < 0 || polygon.vertex_count > face::max_vertices) {
      ruv_error("manifold polygon with %d vertices (at most 4)", polygon.vertex_count);
    }
    tile->vertex_count = polygon.vertex_count;
    for (int k = 0; k < polygon.vertex_count; ++k) {
      const std::int32_t index = polygon.vertex_indices[k];
      if (index < 0 || index >= static_cast<std::int32_t>(vertices.size())) {
        ruv_error("manifold vertex index %d outside its %d vertices", index, static_cast<int>(vertices.size()));
      }
      tile->local_vertices[k] = vertices[static_cast<std::size_t>(index)];
    }
    composite->parts.push_back(std::move(tile));
  }
  composite->transform_to_frame(frame::identity());
  composite->set_owner_id(owner_id);
  composite->flags = flags;
  return composite;
}

void manifold::scale(const vec3& k) {
  for (vec3& v : local_vertices) v = vec3(v.x * k.x, v.y * k.y, v.z * k.z);
}

void manifold::transform_to_frame(const frame& f) {
  vertices.resize(local_vertices.size());
  for (std::size_t i = 0; i < local_vertices.size(); ++i) f.transform_point_to_global(vertices[i], local_vertices[i]);
}

vec3 manifold::get_bounding_min() const {
  vec3 out(1e6f, 1e6f, 1e6f);
  for (const vec3& v : vertices) vec3_min(out, out, v);
  return out;
}

vec3 manifold::get_bounding_max() const {
  vec3 out(-1e6f, -1e6f, -1e6f);
  for (const vec3& v : vertices) vec3_max(out, out, v);
  return out;
}

void manifold::set_flags(std::uint32_t value) {
  body_part::set_flags(value);
  for (manifold_polygon& polygon : polygons) polygon.flags = value;
}

void manifold::add_flags(std::uint32_t value) {
  body_part::add_flags(value);
  for (manifold_polygon& polygon : polygons) polygon.flags |= value;
}

void manifold::copy_from(const manifold& other) {
  vertices = other.vertices;
  // The local list comes along so a later transform_to_frame has its source.
  local_vertices = other.local_vertices;
  polygons = other.polygons;
  flags = other.flags;
}

int manifold::add_vertex(const vec3& v) {
  vertices.push_back(v);
  local_vertices.push_back(v);
  return static_cast<int>(vertices.size()) - 1;
}

int manifold::add_polygon(std::initializer_list<int> indices, std::uint32_t polygon_flags, std::int32_t polygon_tag) {
  if (indices.size() > static_cast<std::size_t>(manifold_polygon::max_vertices)) {
    ruv_error("manifold polygon with %d vertices (at most 4)", static_cast<int>(indices.size()));
  }
  manifold_polygon polygon;
  polygon.flags = polygon_flags;
  polygon.tag = polygon_tag;
  for (int index : indices) {
    if (index < 0 || index >= static_cast<int>(vertices.size())) {
      ruv_error("manifold vertex index %d outside its %d vertices", index, static_cast<int>(vertices.size()));
    }
    polygon.vertex_indices[polygon.vertex_count++] = index;
  }
  polygons.push_back(polygon);
  return static_cast<int>(polygons.size()) - 1;
}

}  // namespace hm
