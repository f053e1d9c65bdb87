#include "render/view/mesh_building.h"

#include "engine/resource/mesh.h"

namespace hm {

void add_quad(mesh& m, const vec3& p0, const vec3& p1, const float uv0[2], const float uv1[2], std::uint32_t colour) {
  const vec3 normal(0.0f, 0.0f, 1.0f);
  const vec3 corners[4] = {vec3(p0.x, p0.y, p0.z), vec3(p1.x, p0.y, p0.z), vec3(p1.x, p1.y, p0.z),
                           vec3(p0.x, p1.y, p0.z)};
  const float uv[4][2] = {{uv0[0], uv0[1]}, {uv1[0], uv0[1]}, {uv1[0], uv1[1]}, {uv0[0], uv1[1]}};
  std::int32_t first = -1;
  for (int i = 0; i < 4; ++i) {
    const std::int32_t point = m.add_point(corners[i]);
    const std::int32_t vertex = m.add_vertex(point, uv[i][0], uv[i][1], colour, normal);
    if (i == 0) first = vertex;
  }
  m.add_face(first, first + 1, first + 2);
  m.add_face(first, first + 2, first + 3);
  m.mark_vertices_changed();
  m.mark_faces_changed();
}

void add_rect_quad(mesh& m, const vec3& position, float width, float height, std::uint32_t colour,
                   const float uv0[2], const float uv1[2]) {
  static const float zero[2] = {0.0f, 0.0f};
  static const float one[2] = {1.0f, 1.0f};
  const vec3 far_corner(position.x + width, position.y + height, position.z);
  add_quad(m, position, far_corner, uv0 ? uv0 : zero, uv1 ? uv1 : one, colour);
}

}  // namespace hm
