#include "engine/collision/debug_shapes.h"

#include <cmath>
#include <numbers>

namespace hm::debug_shapes {

namespace {

vec3 ring_point(float lat, float lon, float zc, float radius) {
  const float c = std::cos(lat) * radius;
  return vec3(std::cos(lon) * c, std::sin(lon) * c, zc + std::sin(lat) * radius);
}

}  // namespace

void add_latitude_band(std::vector<vec3>& lines, float lat0, float zc0, float lat1, float zc1, float radius,
                       int lon_steps) {
  const float step = 2.0f * std::numbers::pi_v<float> / static_cast<float>(lon_steps);
  for (int j = 0; j < lon_steps; ++j) {
    const float lon0 = step * static_cast<float>(j);
    const float lon1 = step * static_cast<float>(j + 1);
    const vec3 corners[4] = {ring_point(lat0, lon0, zc0, radius), ring_point(lat0, lon1, zc0, radius),
                             ring_point(lat1, lon1, zc1, radius), ring_point(lat1, lon0, zc1, radius)};
    for (int k = 0; k < 4; ++k) {
      lines.push_back(corners[k]);
      lines.push_back(corners[(k + 1) % 4]);
    }
  }
}

}  // namespace hm::debug_shapes
