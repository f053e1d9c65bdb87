#pragma once
// Quads built into meshes while the game runs: glyphs, window backgrounds and
// frame pieces. Each adds four points, four vertices facing +z and two faces
// (0, 1, 2) and (0, 2, 3) after the mesh's existing vertices, and marks the
// mesh's vertices and faces changed.
#include <cstdint>

#include "engine/core/math.h"

namespace hm {

class mesh;

// Corners (p0.x, p0.y), (p1.x, p0.y), (p1.x, p1.y), (p0.x, p1.y), all at p0.z,
// with texture coordinates uv0, (uv1.u, uv0.v), uv1, (uv0.u, uv1.v).
void add_quad(mesh& m, const vec3& p0, const vec3& p1, const float uv0[2], const float uv1[2], std::uint32_t colour);

// Corners at the position, + width, + width and height, + height, with texture
// coordinates from uv0 to uv1 in the same order as add_quad.
void add_rect_quad(mesh& m, const vec3& position, float width, float height, std::uint32_t colour,
                   const float uv0[2] = nullptr, const float uv1[2] = nullptr);

}  // namespace hm
