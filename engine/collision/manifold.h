#pragma once
#include <vector>

#include "engine/collision/body_part.h"

namespace hm {

// One polygon of a manifold: up to four indices into the manifold's vertices.
struct manifold_polygon {
  static constexpr int max_vertices = 4;

  // Stored with the polygon; nothing else reads it.
  std::int32_t code = 0;
  std::uint32_t flags = default_body_part_flags;
  std::int32_t vertex_count = 0;
  std::int32_t vertex_indices[max_vertices] = {0, 0, 0, 0};
  std::int32_t tag = -1;
};

// A shared vertex list with polygons indexed into it, for terrain and large
// static geometry. The narrow phase does not test manifolds directly: clone()
// turns one into a composite of faces.
class manifold final : public body_part {
 public:
  manifold() = default;

  int get_type_id() const override { return manifold_type_id; }
  const char* get_type_name() const override { return "manifold"; }
  // Record: vertex count, x, y, z per vertex, polygon count, then per polygon
  // code, flags, vertex count (0 to 4) and that many indices (each naming a
  // vertex of the record). Counts or indices out of range are fatal. Both vertex
  // lists take the values read.
  void read(stream& s) override;
  // Writes the placed vertices.
  void write(stream& s) const override;
  // A composite_body of one face per polygon, in the manifold's placed
  // coordinates.
  std::unique_ptr<body_part> clone() const override;
  void scale(const vec3& k) override;
  void transform_to_frame(const frame& f) override;
  vec3 get_bounding_min() const override;
  vec3 get_bounding_max() const override;
  // Also set / or the flags of every polygon.
  void set_flags(std::uint32_t value) override;
  void add_flags(std::uint32_t value) override;

  // Takes both vertex lists, the polygons and the flags.
  void copy_from(const manifold& other);

  // Appends a vertex to both lists; returns its index.
  int add_vertex(const vec3& v);
  // Appends a polygon over existing vertices (at most four); returns its index.
  // An index outside the vertex list is fatal.
  int add_polygon(std::initializer_list<int> indices, std::uint32_t polygon_flags = default_body_part_flags,
                  std::int32_t polygon_tag = -1);

  // Placed and local vertices; both always hold the same count.
  std::vector<vec3> vertices;
  std::vector<vec3> local_vertices;
  std::vector<manifold_polygon> polygons;
};

}  // namespace hm
