#include "render/entity/camera.h"

#include <cmath>

namespace hm {

void camera::construct() {
  frame = hm::frame::identity();
  perspective = 1;
  flip_winding = 0;
  view_left = -1.0f;
  view_right = 1.0f;
  view_top = 1.0f;
  view_bottom = -1.0f;
  near = 1.0f;
  far = 1000.0f;
  update_frustum_planes();
}

void camera::update_frustum_planes() {
  const vec3& x = frame.rot.s;
  const vec3& y = frame.rot.f;
  const vec3& z = frame.rot.u;
  const vec3& o = frame.origin;
  if (perspective) {
    planes[plane_top] = {o, get_normalized(-near * y - view_top * z)};
    planes[plane_bottom] = {o, get_normalized(near * y + view_bottom * z)};
    planes[plane_right] = {o, get_normalized(-near * x - view_right * z)};
    planes[plane_left] = {o, get_normalized(near * x + view_left * z)};
  } else {
    planes[plane_top] = {o + view_top * y, -y};
    planes[plane_bottom] = {o + view_bottom * y, y};
    planes[plane_right] = {o + view_right * x, -x};
    planes[plane_left] = {o + view_left * x, x};
  }
  planes[plane_far] = {o - far * z, z};
  planes[plane_near] = {o - near * z, -z};
  plane_count = 6;
}

void camera::set_perspective(float field_of_view, float height_to_width, float near_distance, float far_distance) {
  perspective = 1;
  near = near_distance;
  far = far_distance;
  const float t = std::tan(field_of_view * 0.5f);
  view_left = -near * t;
  view_right = near * t;
  view_bottom = -near * t * height_to_width;
  view_top = near * t * height_to_width;
  update_frustum_planes();
}

bool camera::sphere_visible(const vec3& centre, float radius) const {
  for (int i = 0; i < plane_count; ++i) {
    if (!planes[i].sphere_not_behind(centre, radius)) return false;
  }
  return true;
}

bool camera::box_visible(const vec3& box_min, const vec3& box_max) const {
  for (int i = 0; i < plane_count; ++i) {
    const vec3& n = planes[i].normal;
    const vec3 far_corner(n.x >= 0.0f ? box_max.x : box_min.x, n.y >= 0.0f ? box_max.y : box_min.y,
                          n.z >= 0.0f ? box_max.z : box_min.z);
    if (dot_product(far_corner - planes[i].point, n) < 0.0f) return false;
  }
  return true;
}

bool camera::world_to_screen(const vec3& point, float& screen_x, float& screen_y) const {
  const vec3 d = point - frame.origin;
  float lx = dot_product(d, frame.rot.s);
  float ly = dot_product(d, frame.rot.f);
  if (perspective) {
    const float depth = -dot_product(d, frame.rot.u);
    if (!(depth > 0.0f)) return false;
    lx *= near / depth;
    ly *= near / depth;
  }
  const float width = view_right - view_left;
  const float height = view_top - view_bottom;
  if (width == 0.0f || height == 0.0f) return false;
  screen_x = (lx - view_left) / width;
  screen_y = (view_top - ly) / height;
  return true;
}

void camera::screen_to_ray(float screen_x, float screen_y, vec3& ray_origin, vec3& ray_direction) const {
  const float lx = view_left + screen_x * (view_right - view_left);
  const float ly = view_top - screen_y * (view_top - view_bottom);
  const rotation& r = frame.rot;
  if (perspective) {
    ray_origin = frame.origin;
    ray_direction = get_normalized(lx * r.s + ly * r.f - near * r.u);
  } else {
    ray_origin = frame.origin + lx * r.s + ly * r.f;
    ray_direction = get_normalized(-r.u);
  }
}

}  // namespace hm
