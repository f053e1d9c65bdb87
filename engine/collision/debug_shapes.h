#pragma once
// Wireframe builders shared by the sphere and capsule debug drawings.
#include <vector>

#include "engine/core/math.h"

namespace hm::debug_shapes {

// Appends one band between two latitude rings as a line list: lon_steps cells,
// each outlined by 4 lines. A ring at latitude lat around height zc has the
// vertices (cos lon cos lat r, sin lon cos lat r, zc + sin lat r).
void add_latitude_band(std::vector<vec3>& lines, float lat0, float zc0, float lat1, float zc1, float radius,
                       int lon_steps);

}  // namespace hm::debug_shapes
