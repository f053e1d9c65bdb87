#pragma once
// Small geometry helpers of the terrain's lighting and shadow passes (the
// shadow map's projection and texel rule are the render passes', shadow_bounds.h).
#include <cstdint>

#include "engine/core/math.h"
#include "render/shadow/shadow_bounds.h"

namespace hm {

// Each component c in -1..1 becomes truncate(c * 128 + 128), capped at 255
// (compared unsigned); the word is (w << 24) | (x << 16) | (y << 8) | z.
std::uint32_t pack_vector_to_color(const vec3& v, float w);

}  // namespace hm
