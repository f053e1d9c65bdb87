#pragma once
// Small geometry helpers of the terrain's lighting and shadow passes.
#include <cstdint>

#include "engine/core/math.h"

namespace hm {

// Each component c in -1..1 becomes truncate(c * 128 + 128), capped at 255
// (compared unsigned); the word is (w << 24) | (x << 16) | (y << 8) | z.
std::uint32_t pack_vector_to_color(const vec3& v, float w);

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
