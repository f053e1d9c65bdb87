#include "engine/collision/face.h"

#include <utility>

#include "engine/collision/body_debug_drawer.h"
#include "engine/collision/body_part_io.h"
#include "engine/core/log.h"

namespace hm {

face::face(std::initializer_list<vec3> list) {
  if (list.size() > static_cast<std::size_t>(max_vertices)) {
    ruv_error("face built with %d vertices (at most 4)", static_cast<int>(list.size()));
  }
  for (const vec3& v : list) local_vertices[vertex_count++] = v;
  transform_to_frame(frame::identity());
}

void face::read(stream& s) {
  // Every vertex is three floats: 12 bytes in binary, at least 5 in text.
  vertex_count = body_io::read_count(s, "face vertex count", max_vertices, 5);
  for (int i = 0; i < vertex_count; ++i) local_vertices[i] = body_io::read_vec3(s);
  flags = body_io::read_flags(s);
}

void face::write(stream& s) const {
  s.write_int(vertex_count);
  for (int i = 0; i < vertex_count; ++i) body_io::write_vec3(s, local_vertices[i]);
  body_io::write_flags(s, flags);
}

std::unique_ptr<body_part> face::clone() const { return std::make_unique<face>(*this); }

void face::render_debug(body_debug_drawer& drawer) const {
  if (vertex_count <= 0) return;
  vec3 centroid(0.0f, 0.0f, 0.0f);
  for (int i = 0; i < vertex_count; ++i) centroid += vertices[i];
  centroid *= 1.0f / static_cast<float>(vertex_count);
  vec3 pulled[max_vertices];
  for (int i = 0; i < vertex_count; ++i) pulled[i] = centroid + (vertices[i] - centroid) * 0.99f;
  vec3 lines[2 * max_vertices];
  for (int i = 0; i < vertex_count; ++i) {
    lines[2 * i] = pulled[i];
    lines[2 * i + 1] = pulled[(i + 1) % vertex_count];
  }
  drawer.draw_line_list(frame::identity(), lines, 2 * vertex_count, body_debug_colour);
}

void face::scale(const vec3& k) {
  for (int i = 0; i < vertex_count; ++i) {
    local_vertices[i] = vec3(local_vertices[i].x * k.x, local_vertices[i].y * k.y, local_vertices[i].z * k.z);
  }
  const int negative = (k.x < 0.0f ? 1 : 0) + (k.y < 0.0f ? 1 : 0) + (k.z < 0.0f ? 1 : 0);
  if (negative % 2 == 1) {
    // Mirrored: the face turned inside out, so reverse the winding to keep the
    // normal on the same side of the material.
    normal = -normal;
    if (vertex_count == 3) std::swap(local_vertices[0], local_vertices[2]);
    if (vertex_count == 4) std::swap(local_vertices[1], local_vertices[3]);
  }
}

void face::transform_to_frame(const frame& f) {
  for (int i = 0; i < vertex_count; ++i) f.transform_point_to_global(vertices[i], local_vertices[i]);
  if (vertex_count < 3) {
    normal = vec3(0.0f, 1.0f, 0.0f);
    return;
  }
  normal = cross_product(vertices[1] - vertices[0], vertices[2] - vertices[1]);
  normal.normalize();
}

vec3 face::get_bounding_min() const {
  if (vertex_count <= 0) return vec3(0.0f, 0.0f, 0.0f);
  vec3 out = vertices[0];
  for (int i = 1; i < vertex_count; ++i) vec3_min(out, out, vertices[i]);
  return out;
}

vec3 face::get_bounding_max() const {
  if (vertex_count <= 0) return vec3(0.0f, 0.0f, 0.0f);
  vec3 out = vertices[0];
  for (int i = 1; i < vertex_count; ++i) vec3_max(out, out, vertices[i]);
  return out;
}

void face::copy_from(const face& other) {
  tag = other.tag;
  vertex_count = other.vertex_count;
  for (int i = 0; i < max_vertices; ++i) local_vertices[i] = other.local_vertices[i];
  flags = other.flags;
}

}  // namespace hm
