#include "engine/collision/capsule.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "engine/collision/body_debug_drawer.h"
#include "engine/collision/body_part_io.h"
#include "engine/collision/debug_shapes.h"
#include "engine/collision/sphere.h"

namespace hm {

capsule::capsule(const vec3& a, const vec3& b, float r) : p1(a), p2(b), local_p1(a), local_p2(b), radius(r) {}

void capsule::read(stream& s) {
  s.read_float(radius);
  local_p1 = body_io::read_vec3(s);
  local_p2 = body_io::read_vec3(s);
  flags = body_io::read_flags(s);
  p1 = local_p1;
  p2 = local_p2;
}

void capsule::write(stream& s) const {
  s.write_float(radius);
  body_io::write_vec3(s, local_p1);
  body_io::write_vec3(s, local_p2);
  body_io::write_flags(s, flags);
}

std::unique_ptr<body_part> capsule::clone() const { return std::make_unique<capsule>(*this); }

void capsule::render_debug(body_debug_drawer& drawer) const {
  constexpr float pi = std::numbers::pi_v<float>;
  const vec3 axis = p2 - p1;
  const float h = axis.length() * 0.5f;
  // Up along the segment; side and forward any perpendicular pair with s x f = u.
  frame placement;
  placement.rot.u = get_normalized(axis);
  const vec3 helper = std::fabs(placement.rot.u.z) < 0.9f ? vec3(0.0f, 0.0f, 1.0f) : vec3(1.0f, 0.0f, 0.0f);
  placement.rot.s = get_normalized(cross_product(placement.rot.u, helper));
  placement.rot.f = cross_product(placement.rot.u, placement.rot.s);
  placement.origin = (p1 + p2) * 0.5f;

  std::vector<vec3> lines;
  lines.reserve(448);
  const float cap_step = pi / 6.0f;
  for (int ring = 0; ring < 3; ++ring) {
    const float lat0 = -pi / 2.0f + cap_step * static_cast<float>(ring);
    debug_shapes::add_latitude_band(lines, lat0, -h, lat0 + cap_step, -h, radius, 8);
  }
  debug_shapes::add_latitude_band(lines, 0.0f, -h, 0.0f, h, radius, 8);
  for (int ring = 0; ring < 3; ++ring) {
    const float lat0 = cap_step * static_cast<float>(ring);
    debug_shapes::add_latitude_band(lines, lat0, h, lat0 + cap_step, h, radius, 8);
  }
  drawer.draw_line_list(placement, lines.data(), static_cast<int>(lines.size()), body_debug_colour);
}

void capsule::scale(const vec3& k) {
  local_p1 = vec3(local_p1.x * k.x, local_p1.y * k.y, local_p1.z * k.z);
  local_p2 = vec3(local_p2.x * k.x, local_p2.y * k.y, local_p2.z * k.z);
  radius *= std::fabs(k.x);
}

void capsule::transform_to_frame(const frame& f) {
  f.transform_point_to_global(p1, local_p1);
  f.transform_point_to_global(p2, local_p2);
}

vec3 capsule::get_bounding_min() const {
  return vec3(std::min(p1.x, p2.x) - radius, std::min(p1.y, p2.y) - radius, std::min(p1.z, p2.z) - radius);
}

vec3 capsule::get_bounding_max() const {
  return vec3(std::max(p1.x, p2.x) + radius, std::max(p1.y, p2.y) + radius, std::max(p1.z, p2.z) + radius);
}

void capsule::copy_from(const capsule& other) {
  tag = other.tag;
  local_p1 = other.local_p1;
  local_p2 = other.local_p2;
  radius = other.radius;
  flags = other.flags;
  p1 = local_p1;
  p2 = local_p2;
}

vec3 capsule::closest_point_to(const vec3& c) const {
  const vec3 axis = p2 - p1;
  const vec3 dir = get_normalized(axis);
  const float t = dot_product(dir, c - p1);
  if (t < 0.0f) return p1;
  if (axis.length() < t) return p2;
  return p1 + dir * t;
}

float capsule::distance_to_sphere(const sphere& other) const {
  return (closest_point_to(other.centre) - other.centre).length() - (radius + other.radius);
}

}  // namespace hm
