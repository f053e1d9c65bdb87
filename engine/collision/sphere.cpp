#include "engine/collision/sphere.h"

#include <cmath>
#include <numbers>
#include <vector>

#include "engine/collision/body_debug_drawer.h"
#include "engine/collision/body_part_io.h"
#include "engine/collision/debug_shapes.h"

namespace hm {

sphere::sphere(const vec3& c, float r) : local_centre(c), centre(c), radius(r) {}

void sphere::read(stream& s) {
  s.read_float(radius);
  local_centre = body_io::read_vec3(s);
  flags = body_io::read_flags(s);
  centre = local_centre;
}

void sphere::write(stream& s) const {
  s.write_float(radius);
  body_io::write_vec3(s, local_centre);
  body_io::write_flags(s, flags);
}

std::unique_ptr<body_part> sphere::clone() const { return std::make_unique<sphere>(*this); }

void sphere::render_debug(body_debug_drawer& drawer) const {
  constexpr float pi = std::numbers::pi_v<float>;
  std::vector<vec3> lines;
  lines.reserve(320);
  for (int band = 0; band < 5; ++band) {
    const float lat0 = -pi / 2.0f + pi / 5.0f * static_cast<float>(band);
    debug_shapes::add_latitude_band(lines, lat0, 0.0f, lat0 + pi / 5.0f, 0.0f, radius, 8);
  }
  frame placement = frame::identity();
  placement.origin = centre;
  drawer.draw_line_list(placement, lines.data(), static_cast<int>(lines.size()), body_debug_colour);
}

void sphere::scale(const vec3& k) {
  local_centre = vec3(local_centre.x * k.x, local_centre.y * k.y, local_centre.z * k.z);
  radius *= std::fabs(k.x);
}

void sphere::transform_to_frame(const frame& f) { f.transform_point_to_global(centre, local_centre); }

vec3 sphere::get_bounding_min() const { return vec3(centre.x - radius, centre.y - radius, centre.z - radius); }
vec3 sphere::get_bounding_max() const { return vec3(centre.x + radius, centre.y + radius, centre.z + radius); }

void sphere::copy_from(const sphere& other) {
  tag = other.tag;
  local_centre = other.local_centre;
  radius = other.radius;
  flags = other.flags;
  centre = other.local_centre;
}

}  // namespace hm
