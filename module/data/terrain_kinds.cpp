#include "module/data/terrain_kinds.h"

#include "module/data/data_files.h"
#include "engine/resource/material.h"
#include "engine/resource/resource_manager.h"
#include "module/data/flora_kind.h"
#include "render/terrain/terrain_generator.h"

namespace hm {

void make_terrain_module_data(terrain_module_data& data) {
  data.flora_kinds.clear();
  for (const flora_kind& kind : g_flora_kinds) {
    terrain_flora_kind k;
    k.flags = kind.flags;
    k.variant_count = static_cast<std::int32_t>(kind.variants.size());
    for (const flora_variant& variant : kind.variants) {
      k.variant_meshes.push_back(variant.mesh);
      k.variant_bodies.push_back(variant.collision_body);
    }
    data.flora_kinds.push_back(k);
  }
  data.ground_kinds.clear();
  for (const ground_spec& spec : g_ground_specs) {
    terrain_ground_kind g;
    g.name = spec.name;
    g.flags = spec.flags;
    g.ground_material = spec.ground_material;
    g.scale = spec.scale;
    g.detail_material = spec.detail_material;
    data.ground_kinds.push_back(g);
  }
}

void hand_module_kinds_to_terrain_generator() {
  make_terrain_module_data(g_terrain_generator.module_data);
  g_terrain_generator.water_material =
      static_cast<material*>(g_resource_manager.find(material_resource_type_id, ruv_string("river")));
}

}  // namespace hm
