#pragma once
#include "engine/collision/body_part.h"

namespace hm {

class sphere;

// A segment p1-p2 swept by a radius.
class capsule final : public body_part {
 public:
  capsule() = default;
  // A capsule whose local and placed end points are both p1, p2.
  capsule(const vec3& p1, const vec3& p2, float radius);

  int get_type_id() const override { return capsule_type_id; }
  const char* get_type_name() const override { return "capsule"; }
  // Record: radius, local p1 x, y, z, local p2 x, y, z, flags. After reading, the
  // placed points are the local ones.
  void read(stream& s) override;
  void write(stream& s) const override;
  std::unique_ptr<body_part> clone() const override;
  // Two caps of 3 rings and a cylinder, 8 longitude steps, 224 lines.
  void render_debug(body_debug_drawer& drawer) const override;
  // The radius follows the x factor.
  void scale(const vec3& k) override;
  void transform_to_frame(const frame& f) override;
  vec3 get_bounding_min() const override;
  vec3 get_bounding_max() const override;

  static std::unique_ptr<capsule> create_default() { return std::make_unique<capsule>(); }
  // Takes tag, local points, radius and flags; the placed points become the
  // other's local points.
  void copy_from(const capsule& other);

  // Gap between the capsule's surface and the sphere's, negative when they
  // overlap.
  float distance_to_sphere(const sphere& other) const;
  // The point of the placed segment nearest to c.
  vec3 closest_point_to(const vec3& c) const;

  vec3 p1;
  vec3 p2;
  vec3 local_p1;
  vec3 local_p2;
  float radius = 0.0f;
};

}  // namespace hm
