#pragma once
// An axis-aligned box with the sphere around it, as meshes, LOD groups and the
// scene keep their bounds. An empty box has its minimum at 1e8 and its maximum
// at -1e8 on every axis, so the first added point sets both.
#include "engine/core/math.h"

namespace hm {

struct bounding_box {
  vec3 min;
  vec3 max;
  vec3 center;
  float radius = 0.0f;

  // Empty: min (1e8, 1e8, 1e8), max (-1e8, -1e8, -1e8), centre 0, radius 0.
  void reset() {
    min = vec3(1e8f, 1e8f, 1e8f);
    max = vec3(-1e8f, -1e8f, -1e8f);
    center = vec3();
    radius = 0.0f;
  }
  // Widens min and max to hold p.
  void add_point(const vec3& p) {
    if (p.x < min.x) min.x = p.x;
    if (p.y < min.y) min.y = p.y;
    if (p.z < min.z) min.z = p.z;
    if (p.x > max.x) max.x = p.x;
    if (p.y > max.y) max.y = p.y;
    if (p.z > max.z) max.z = p.z;
  }
  // The centre and radius of the box; an empty box (min.x above max.x) keeps
  // the ones it has.
  void compute_sphere() {
    if (!(min.x <= max.x)) return;
    center = vec3((min.x + max.x) * 0.5f, (min.y + max.y) * 0.5f, (min.z + max.z) * 0.5f);
    radius = (max - center).length();
  }
  bool is_empty() const { return !(min.x <= max.x); }
};

}  // namespace hm
