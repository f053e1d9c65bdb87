#pragma once
#include "engine/collision/body_part.h"

namespace hm {

class sphere final : public body_part {
 public:
  sphere() = default;
  // A sphere whose local and placed centres are both `centre`.
  sphere(const vec3& centre, float radius);

  int get_type_id() const override { return sphere_type_id; }
  const char* get_type_name() const override { return "sphere"; }
  // Record: radius, centre x, y, z, flags. After reading, the placed centre is
  // the local one.
  void read(stream& s) override;
  void write(stream& s) const override;
  std::unique_ptr<body_part> clone() const override;
  // A globe of 5 latitude bands by 8 longitude steps, 160 lines.
  void render_debug(body_debug_drawer& drawer) const override;
  // The radius follows the x factor.
  void scale(const vec3& k) override;
  void transform_to_frame(const frame& f) override;
  vec3 get_bounding_min() const override;
  vec3 get_bounding_max() const override;

  // Takes tag, local centre, radius and flags; the placed centre becomes the
  // other's local centre.
  void copy_from(const sphere& other);

  vec3 local_centre;
  vec3 centre;
  float radius = 0.0f;
};

}  // namespace hm
