#pragma once
// The camera: a viewpoint, a view window and near and far distances, with the six
// frustum planes that culling tests bounding spheres against.
//
// The camera's frame has its first axis to the right, its second axis up and its
// third axis backwards: the camera looks along the negative third axis, from the
// frame's origin (the eye). This is not the world's z-up convention.
#include <cstdint>

#include "engine/core/math.h"

namespace hm {

// A plane of the view volume: a point on it and its unit normal, which points
// into the volume.
struct frustum_plane {
  vec3 point;
  vec3 normal;

  // True when the sphere is not wholly on the outer side of the plane: its
  // centre's signed distance is at least -radius.
  bool sphere_not_behind(const vec3& centre, float radius) const {
    return dot_product(centre - point, normal) >= -radius;
  }
};

class camera {
 public:
  // The plane slots, in their order.
  enum plane_index : int { plane_top = 0, plane_bottom, plane_right, plane_left, plane_far, plane_near };

  camera() { construct(); }

  // Identity frame, perspective, extents (-1, 1, 1, -1), near 1, far 1000, then
  // the planes.
  void construct();
  // Rebuilds the planes from the frame, the view window and the distances.
  // Every change of those must be followed by a call.
  void update_frustum_planes();
  // Perspective with a horizontal field of view (radians) and the ratio of
  // height to width; the view window is measured at the near distance.
  void set_perspective(float field_of_view, float height_to_width, float near_distance, float far_distance);

  // True when the sphere is inside or straddles every plane (tested in order,
  // stopping at the first that fails).
  bool sphere_visible(const vec3& centre, float radius) const;
  // True when some part of the axis-aligned box may be visible: for each plane
  // the box corner furthest along the normal is not behind it.
  bool box_visible(const vec3& box_min, const vec3& box_max) const;

  // A world point on the view window, as fractions of its width (0 left, 1
  // right) and height (0 top, 1 bottom). False, with nothing written, for a
  // point at or behind the eye in perspective.
  bool world_to_screen(const vec3& point, float& screen_x, float& screen_y) const;
  // The ray through a point of the view window (same fractions as above): in
  // perspective it starts at the eye, orthographic rays start on the plane of
  // the eye. The direction has unit length.
  void screen_to_ray(float screen_x, float screen_y, vec3& ray_origin, vec3& ray_direction) const;

  std::uint8_t perspective = 1;
  // When set the renderer flips the winding used for culling.
  std::uint8_t flip_winding = 0;
  std::int32_t plane_count = 0;
  frustum_plane planes[6];
  hm::frame frame = hm::frame::identity();
  float view_left = -1.0f;
  float view_right = 1.0f;
  float view_top = 1.0f;
  float view_bottom = -1.0f;
  float near = 1.0f;
  float far = 1000.0f;
};

}  // namespace hm
