#pragma once
// Module meshes (meshes.txt): named placements of resource meshes that
// scripts show.
#include <cstdint>
#include <vector>

#include "engine/core/math.h"
#include "engine/core/ruv_string.h"

namespace hm {

class text_reader;

struct module_mesh {
  ruv_string id;
  std::int32_t flags = 0;
  ruv_string mesh_name;  // the resource mesh
  vec3 translation;
  vec3 rotation;  // degrees
  vec3 scale;
};

struct module_mesh_table {
  std::vector<module_mesh> meshes;

  int count() const { return static_cast<int>(meshes.size()); }
};

extern module_mesh_table g_module_meshes;

// meshes.txt, which has no header: count, then per mesh the id, flags, resource
// mesh name and nine floats (translation, rotation, scale; each x, y, z).
void load_module_meshes(module_mesh_table& table, text_reader& reader);

}  // namespace hm
