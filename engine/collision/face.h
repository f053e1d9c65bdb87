#pragma once
#include <initializer_list>

#include "engine/collision/body_part.h"

namespace hm {

// A convex planar polygon of up to four vertices. It collides one-sided: it
// pushes things out along its normal, (b - a) x (c - b) of its first three
// placed vertices, so counter-clockwise seen from the front faces the front.
class face final : public body_part {
 public:
  static constexpr int max_vertices = 4;

  face() = default;
  // Local vertices as given (at most four), then placed by the identity frame.
  face(std::initializer_list<vec3> vertices);

  int get_type_id() const override { return face_type_id; }
  const char* get_type_name() const override { return "face"; }
  // Record: vertex count (0 to 4; others are fatal), x, y, z per vertex, flags.
  // Only the local vertices are read; the placed ones and the normal wait for
  // transform_to_frame.
  void read(stream& s) override;
  void write(stream& s) const override;
  // A full copy, base fields included.
  std::unique_ptr<body_part> clone() const override;
  // The outline, each vertex pulled to 99 % of its distance from the centroid.
  void render_debug(body_debug_drawer& drawer) const override;
  // An odd count of negative factors turns the face inside out: the stored
  // normal is negated and the vertex order reversed.
  void scale(const vec3& k) override;
  void transform_to_frame(const frame& f) override;
  vec3 get_bounding_min() const override;
  vec3 get_bounding_max() const override;

  // Takes tag, vertex count, local vertices and flags.
  void copy_from(const face& other);

  vec3 vertices[max_vertices];
  vec3 local_vertices[max_vertices];
  vec3 normal;
  std::int32_t vertex_count = 0;
};

}  // namespace hm
