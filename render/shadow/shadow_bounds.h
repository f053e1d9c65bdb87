#pragma once
// The box of what casts shadows in a scene, measured in the sun's frame, and
// the orthographic projection of the shadow map drawn over it. The terrain
// widens the box while it builds its ground meshes; the render passes place
// the shadow camera over it and read the shadow map back through the
// projection.
#include <cstdint>

#include "engine/core/math.h"

namespace hm {

// Members of a scene: the corners and size of the box in the sun frame's
// coordinates, its centre there and in the world, and the sun frame (axes
// right, up and forward, forward pointing towards the sun; origin at the
// world origin).
struct shadow_bounds {
  vec3 minimum{10000.0f, 10000.0f, 10000.0f};
  vec3 maximum{-10000.0f, -10000.0f, -10000.0f};
  vec3 size{1.0f, 1.0f, 1.0f};
  vec3 centre;
  vec3 world_centre;
  frame light_frame = frame::identity();
  vec3 spare;
};

// The projection of a shadow map: an orthographic box in the light's frame.
struct shadow_projection {
  std::int32_t mode = 0;  // 0: orthographic
  frame view = frame::identity();
  float x0 = 0.0f, x1 = 1.0f, y1 = 1.0f, y0 = 0.0f, z0 = 0.0f, z1 = 1.0f;

  // The point in the map's texture space (0..1 inside the box); in other
  // modes the point in the light's frame.
  vec3 to_texture(const vec3& p) const;
};

// The texel of a shadow map under a projected point whose x and y lie in
// 0..1: clamped to the map, so 1.0 reads the last texel and not one past it.
void shadow_texel(float x, float y, std::int32_t width, std::int32_t height, std::int32_t& tx, std::int32_t& ty);

}  // namespace hm
