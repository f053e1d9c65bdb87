#pragma once
// Collision body parts: the convex shapes (sphere, capsule, face), the shared-
// vertex manifold and the composite that holds other parts. Each part keeps its
// geometry twice, as loaded or built (local) and placed in the world by
// transform_to_frame; the narrow phase tests the placed geometry.
#include <cstdint>
#include <memory>
#include <string_view>

#include "engine/core/math.h"

namespace hm {

class stream;
class body_debug_drawer;

// Type ids of the body-part kinds; they are stored in files through the type
// names, so they never change.
enum body_part_type_id : int {
  sphere_type_id = 0,
  capsule_type_id = 1,
  face_type_id = 2,
  composite_body_type_id = 3,
  manifold_type_id = 4,
};

// Collision-filter bits a new part carries.
inline constexpr std::uint32_t default_body_part_flags = 8;

class body_part {
 public:
  virtual ~body_part() = default;

  virtual int get_type_id() const = 0;
  // The kind's own name ("sphere", "capsule", "face", "composite_body",
  // "manifold"), as composite records store it.
  virtual const char* get_type_name() const = 0;
  // The part's record through the paired stream operations; a malformed record
  // is fatal.
  virtual void read(stream& s) = 0;
  virtual void write(stream& s) const = 0;
  // A new heap copy; null for a kind that cannot be copied.
  virtual std::unique_ptr<body_part> clone() const { return nullptr; }
  // Wireframe of the placed geometry.
  virtual void render_debug(body_debug_drawer& drawer) const { (void)drawer; }
  // Multiplies the local geometry component-wise by k.
  virtual void scale(const vec3& k) { (void)k; }
  // Recomputes the placed geometry: the local geometry put through f.
  virtual void transform_to_frame(const frame& f) { (void)f; }
  virtual void set_owner_id(int id) { owner_id = id; }
  // Corners of the box around the placed geometry.
  virtual vec3 get_bounding_min() const;
  virtual vec3 get_bounding_max() const;
  virtual void set_flags(std::uint32_t value) { flags = value; }
  virtual void add_flags(std::uint32_t value) { flags |= value; }

  // Carried by copies and assignments (a face made from a manifold polygon takes
  // the polygon's tag).
  std::int32_t tag = -1;
  // Collision-filter bits: grid queries skip parts sharing a bit with their
  // exclusion mask.
  std::uint32_t flags = default_body_part_flags;
  // Id of the entity that owns the body, -1 for none.
  std::int32_t owner_id = -1;
  // Grid cells the part occupies (written by the collision grid); the defaults
  // form an empty range.
  std::int32_t cell_min_x = 100000000;
  std::int32_t cell_min_y = 100000000;
  std::int32_t cell_max_x = -100000000;
  std::int32_t cell_max_y = -100000000;
  // The part's place among the parts of the scene that numbered it (written
  // by the scene when the part first enters it). Grid cells list their parts
  // in this order, so that queries meet them in the order they entered, the
  // same on every run, and never in the order the heap happened to place
  // them. A copy is a new part: it is numbered when it enters.
  std::uint32_t scene_serial = 0;
  std::uint32_t scene_order = 0;

 protected:
  body_part() = default;
  body_part(const body_part& other)
      : tag(other.tag),
        flags(other.flags),
        owner_id(other.owner_id),
        cell_min_x(other.cell_min_x),
        cell_min_y(other.cell_min_y),
        cell_max_x(other.cell_max_x),
        cell_max_y(other.cell_max_y) {}
  // The assigned-to part keeps its own number: it may be listed in cells.
  body_part& operator=(const body_part& other) {
    tag = other.tag;
    flags = other.flags;
    owner_id = other.owner_id;
    cell_min_x = other.cell_min_x;
    cell_min_y = other.cell_min_y;
    cell_max_x = other.cell_max_x;
    cell_max_y = other.cell_max_y;
    return *this;
  }
};

// The kind's own name for a type id, or null for an unknown id.
const char* body_part_type_name(int type_id);
// A new default part of a kind, or null for an unknown id or name. The names are
// the kinds' own ("composite_body" for the composite).
std::unique_ptr<body_part> create_body_part(int type_id);
std::unique_ptr<body_part> create_body_part(std::string_view type_name);

}  // namespace hm
