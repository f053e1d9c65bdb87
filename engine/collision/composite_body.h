#pragma once
#include <vector>

#include "engine/collision/body_part.h"

namespace hm {

// Owns any number of other parts and forwards placement, scaling, owner and
// flags to them.
class composite_body final : public body_part {
 public:
  composite_body() = default;

  int get_type_id() const override { return composite_body_type_id; }
  const char* get_type_name() const override { return "composite_body"; }
  // Record: part count, then per part its type name ("sphere", "capsule",
  // "face" or "manifold") and its own record. Another name is fatal with
  // "unrecognized body  %s \n".
  void read(stream& s) override;
  // A nested composite cannot be written: fatal with "unrecognized body \n".
  void write(stream& s) const override;
  // Each part cloned through its own clone; tag and flags copied.
  std::unique_ptr<body_part> clone() const override;
  void render_debug(body_debug_drawer& drawer) const override;
  // Nothing when every factor lies within 1e-6 of 1.
  void scale(const vec3& k) override;
  void transform_to_frame(const frame& f) override;
  // The parts take the id; the composite's own owner_id stays.
  void set_owner_id(int id) override;
  vec3 get_bounding_min() const override;
  vec3 get_bounding_max() const override;
  void set_flags(std::uint32_t value) override;
  void add_flags(std::uint32_t value) override;

  void copy_from(const composite_body& other);

  // Adds a part and returns it.
  body_part& add_part(std::unique_ptr<body_part> part);
  int part_count() const { return static_cast<int>(parts.size()); }

  // Null entries are allowed and skipped everywhere.
  std::vector<std::unique_ptr<body_part>> parts;
};

}  // namespace hm
