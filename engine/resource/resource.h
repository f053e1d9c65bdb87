#pragma once
// Base of every resource kind the resource manager keeps: a name it is found by
// (exactly, case-sensitively) and a type id that selects its table.
#include <cstdint>

#include "engine/core/ruv_string.h"

namespace hm {

// Type ids of the resource kinds; no kind has id 5.
enum resource_type_id : int {
  mesh_resource_type_id = 1,
  texture_resource_type_id = 2,
  material_resource_type_id = 3,
  shader_resource_type_id = 4,
  body_resource_type_id = 6,
  skeleton_resource_type_id = 7,
  skeleton_anim_resource_type_id = 8,
  technique_record_resource_type_id = 10,
};

class resource {
 public:
  virtual ~resource() = default;
  virtual int get_type_id() const = 0;
  // The kind's name, for messages and tools ("body", "mesh", ...).
  virtual const char* get_type_name() const = 0;

  ruv_string name;
  // Set while a render-target pool has handed the resource out; 0 otherwise.
  std::uint32_t in_use = 0;

 protected:
  resource() = default;
  resource(const resource&) = default;
  resource& operator=(const resource&) = default;
};

}  // namespace hm
