#pragma once
// What the mesh edits need from the world around them: the ground a mesh is
// shaped to, and the scene's lights that lighting is baked from. The terrain
// and scene code implement these; tests use small fakes.
#include <cstdint>

#include "engine/core/math.h"

namespace hm {

class mesh_ground {
 public:
  virtual ~mesh_ground() = default;
  // The ground's surface point that belongs to a point (below or above it).
  virtual vec3 surface_point(const vec3& p) const = 0;
};

class mesh_light_context {
 public:
  virtual ~mesh_light_context() = default;
  // The light arriving at a world position on a surface with the given normal;
  // the flags select the kind of evaluation (bit 1: diffuse for vertex-colour
  // baking with pixel shaders, bit 2: the second, shader-side term).
  virtual color evaluate(const vec3& position, const vec3& normal, std::uint32_t flags) = 0;
};

// Turns both 2-D axes by the angle (radians): a' = cos a + sin b, b' = cos b - sin a.
void rotate_2d_axes(float a[2], float b[2], float angle);

}  // namespace hm
